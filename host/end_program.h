// The host's one way to end: at once, with no further handler running, as every mode ends.
#pragma once

#include "x11_connection.h"

namespace quillmere {

// Shuts the music down and ends the process with the code, after the X server has had every
// request.
[[noreturn]] void EndProgram(const x11::X11Connection& connection, int exitCode = 0);

}  // namespace quillmere
