#include <windows.h>

#include <string>

#include "ansi_text_win32.h"
#include "program_folder.h"

namespace quillmere::platform {

std::string ProgramFolder() {
    // The wide name, so that a folder the ANSI code page cannot hold is still found (by its short
    // name) rather than handed on with '?' in it.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const std::size_t separator = path.find_last_of(L"\\/");
    if (separator == std::wstring::npos) {
        return {};
    }
    return AnsiPathOf(path.substr(0, separator)).value_or(std::string());
}

}  // namespace quillmere::platform
