// The media backend of the running program: SDL2_mixer for files and sounds, libcdio for the CD.
#pragma once

#include <memory>

#include "media_players.h"

namespace quillmere {

std::unique_ptr<MediaBackend> MakeSdlMediaBackend();

}  // namespace quillmere
