// CP932 conversion on Windows: the system's code page 932, whatever the ANSI code page is.
#include "ansi_text_win32.h"
#include "cp932.h"

namespace quillmere {

namespace {

constexpr unsigned kCp932 = 932;
constexpr unsigned kUtf8 = 65001;  // CP_UTF8

}  // namespace

std::optional<std::string> Cp932ToUtf8(std::string_view cp932) {
    const std::optional<std::wstring> wide = WideOf(cp932, kCp932);
    return wide ? NarrowOf(*wide, kUtf8) : std::nullopt;
}

std::optional<std::string> Utf8ToCp932(std::string_view utf8) {
    const std::optional<std::wstring> wide = WideOf(utf8, kUtf8);
    return wide ? NarrowOf(*wide, kCp932) : std::nullopt;
}

}  // namespace quillmere
