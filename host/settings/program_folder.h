// The folder of the running program: the host's settings file (on Windows) and the renderer live
// there.
#pragma once

#include <string>

namespace quillmere::platform {

// Linux: the executable's folder from /proc/self/exe. Windows: GetModuleFileName's folder, as a
// path the ANSI functions accept (AnsiPathOf). Empty when it cannot be had.
std::string ProgramFolder();

}  // namespace quillmere::platform
