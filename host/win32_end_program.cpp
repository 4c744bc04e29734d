#include "win32_end_program.h"

#include <windows.h>

#include "tormalune_bgm.h"

namespace quillmere::win32 {

void EndProgram(int exitCode) {
    // The CD watch may have given up without closing the drive: every device is shut first.
    CloseAllMusic();
    ExitProcess(static_cast<UINT>(exitCode));
}

}  // namespace quillmere::win32
