// The Win32 services of the host: windows by title (and by process), the renderer's process, the
// desktop's display mode, the one-run lock and the carried pictures.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string_view>

#include "screen_restore.h"

namespace quillmere::win32 {

// A top-level window with exactly that caption, any class; null when there is none.
HWND FindTopLevelWindow(const char* title);
// A top-level window with that caption that belongs to the process; null when it has none.
HWND FindWindowOfProcess(const char* title, DWORD pid);

// A program started by path with no arguments, shown normal and activated.
class ChildProgram {
  public:
    ChildProgram() = default;
    ~ChildProgram();
    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;

    // The process id, 0 when it could not be started.
    DWORD Start(const char* path);
    bool Running() const;
    // The exit code of a process that has ended.
    DWORD ExitCode() const;
    void Terminate();

  private:
    HANDLE process_ = nullptr;
};

// The exit code the host ends a renderer with that did not end by itself.
inline constexpr DWORD kTerminatedExitCode = 0xC000013A;  // as Ctrl+C, STATUS_CONTROL_C_EXIT

// The desktop's display mode now; empty fields when it cannot be read.
DisplayModeSetting CurrentDisplayMode();
// Back to the mode stored for the desktop (ChangeDisplaySettingsA(NULL, 0)).
void PutBackStoredDisplayMode();

// One full-screen run at a time: a named mutex, created and owned in one step, so that of two
// runs started together exactly one has it. Held until the process ends.
bool TakeFullScreenRunLock();

// A carried picture: the bytes of a BMP file in the program's resources.
std::string_view ResourceBytes(int id);

}  // namespace quillmere::win32
