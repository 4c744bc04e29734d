// The audio CD through libcdio: the system's default drive, or the drive or .cue image named by
// QUILLMERE_CDROM, played by a DriveCdPlayer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "audio_output.h"
#include "media_players.h"

namespace quillmere {

// QUILLMERE_CDROM when set and not empty, else the system's default CD drive; empty when
// there is none.
std::string CdSourceName();

// Nothing, with error set: 266 when there is no drive, image or audio output. A disc image is
// opened at once (a file answers quickly, and one that does not open is no drive at all); a drive
// is opened on the player's reader thread, so a disc that spins up holds nobody.
std::unique_ptr<CdPlayer> OpenCdioCdPlayer(AudioOutput& output, std::int32_t& error);

}  // namespace quillmere
