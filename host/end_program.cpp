#include "end_program.h"

#include <cstdio>
#include <cstdlib>

#include "tormalune_bgm.h"

namespace quillmere {

void EndProgram(const x11::X11Connection& connection, int exitCode) {
    // The CD watch may have given up without closing the drive: shut every device and the
    // audio output before the immediate end.
    CloseAllMusic();
    connection.Sync();
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

}  // namespace quillmere
