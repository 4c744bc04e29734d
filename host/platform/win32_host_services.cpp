#include "win32_host_services.h"

#include <string>

namespace quillmere::win32 {

namespace {

struct ProcessWindowSearch {
    const char* title;
    DWORD pid;
    HWND found;
};

BOOL CALLBACK MatchProcessWindow(HWND window, LPARAM data) {
    auto& search = *reinterpret_cast<ProcessWindowSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search.pid) {
        return TRUE;
    }
    char caption[64] = {};
    GetWindowTextA(window, caption, sizeof caption);
    if (lstrcmpA(caption, search.title) != 0) {
        return TRUE;
    }
    search.found = window;
    return FALSE;
}

}  // namespace

HWND FindTopLevelWindow(const char* title) {
    return FindWindowA(nullptr, title);
}

HWND FindWindowOfProcess(const char* title, DWORD pid) {
    ProcessWindowSearch search{title, pid, nullptr};
    EnumWindows(MatchProcessWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

ChildProgram::~ChildProgram() {
    if (process_ != nullptr) {
        CloseHandle(process_);
    }
}

DWORD ChildProgram::Start(const char* path) {
    // The program's own name, quoted, is its whole command line: no arguments.
    std::string commandLine = std::string("\"") + path + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(path, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started)) {
        return 0;
    }
    CloseHandle(started.hThread);
    process_ = started.hProcess;
    return started.dwProcessId;
}

bool ChildProgram::Running() const {
    return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

DWORD ChildProgram::ExitCode() const {
    DWORD code = 0;
    if (process_ == nullptr || !GetExitCodeProcess(process_, &code)) {
        return 0;
    }
    return code;
}

void ChildProgram::Terminate() {
    if (process_ != nullptr) {
        ::TerminateProcess(process_, kTerminatedExitCode);
    }
}

DisplayModeSetting CurrentDisplayMode() {
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    if (!EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode)) {
        return {};
    }
    return {mode.dmPelsWidth, mode.dmPelsHeight, mode.dmBitsPerPel, mode.dmDisplayFrequency};
}

void PutBackStoredDisplayMode() {
    ChangeDisplaySettingsA(nullptr, 0);
}

bool TakeFullScreenRunLock() {
    // Never closed: the lock goes with the process.
    HANDLE mutex = CreateMutexA(nullptr, TRUE, "Quillmere.FullScreenRun");
    if (mutex == nullptr) {
        return false;
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return false;
    }
    return true;
}

std::string_view ResourceBytes(int id) {
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10));  // RT_RCDATA
    if (found == nullptr) {
        return {};
    }
    HGLOBAL loaded = LoadResource(nullptr, found);
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr) {
        return {};
    }
    return {static_cast<const char*>(bytes), SizeofResource(nullptr, found)};
}

}  // namespace quillmere::win32
