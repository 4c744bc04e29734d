// The Windows host's one way to end: at once, as every mode ends.
#pragma once

namespace quillmere::win32 {

// Shuts the music down and ends the process with the code.
[[noreturn]] void EndProgram(int exitCode = 0);

}  // namespace quillmere::win32
