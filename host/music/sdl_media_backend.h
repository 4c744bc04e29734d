// The media backend of the running program: SDL audio output, libmpg123 and libsndfile for files
// and sounds, libcdio for the CD.
#pragma once

#include <memory>

#include "media_players.h"

namespace quillmere {

std::unique_ptr<MediaBackend> MakeSdlMediaBackend();

}  // namespace quillmere
