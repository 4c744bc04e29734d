#include "ansi_text_win32.h"

#include <windows.h>

#include <climits>

namespace quillmere {

std::optional<std::wstring> WideOf(std::string_view text, unsigned codePage) {
    if (text.empty()) {
        return std::wstring();
    }
    if (text.size() > INT_MAX) {
        return std::nullopt;
    }
    const int size = static_cast<int>(text.size());
    const int length =
        MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (length <= 0) {
        return std::nullopt;
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    if (MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(),
                            length) != length) {
        return std::nullopt;
    }
    return wide;
}

std::optional<std::string> NarrowOf(std::wstring_view text, unsigned codePage) {
    if (text.empty()) {
        return std::string();
    }
    if (text.size() > INT_MAX) {
        return std::nullopt;
    }
    const int size = static_cast<int>(text.size());
    // UTF-8 holds every character; it takes no best-fit flag and reports no default character.
    const bool utf8 = codePage == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* const usedDefaultOut = utf8 ? nullptr : &usedDefault;
    const int length = WideCharToMultiByte(codePage, flags, text.data(), size, nullptr, 0, nullptr,
                                           usedDefaultOut);
    if (length <= 0 || usedDefault) {
        return std::nullopt;
    }
    std::string narrow(static_cast<std::size_t>(length), '\0');
    if (WideCharToMultiByte(codePage, flags, text.data(), size, narrow.data(), length, nullptr,
                            usedDefaultOut) != length ||
        usedDefault) {
        return std::nullopt;
    }
    // Only what reads back as the same text: no code page table is trusted to be one-to-one.
    const std::optional<std::wstring> back = WideOf(narrow, codePage);
    if (!back || *back != text) {
        return std::nullopt;
    }
    return narrow;
}

std::optional<std::string> AnsiPathOf(const std::wstring& path) {
    if (std::optional<std::string> ansi = NarrowOf(path, CP_ACP)) {
        return ansi;
    }
    const DWORD length = GetShortPathNameW(path.c_str(), nullptr, 0);
    if (length == 0) {
        return std::nullopt;
    }
    std::wstring shortPath(length, L'\0');
    const DWORD written = GetShortPathNameW(path.c_str(), shortPath.data(), length);
    if (written == 0 || written >= length) {
        return std::nullopt;
    }
    shortPath.resize(written);
    return NarrowOf(shortPath, CP_ACP);
}

std::size_t FindLastAnsiChar(std::string_view text, std::string_view chars) {
    std::size_t found = std::string_view::npos;
    for (std::size_t pos = 0; pos < text.size();) {
        const auto byte = static_cast<unsigned char>(text[pos]);
        if (IsDBCSLeadByte(byte) && pos + 1 < text.size()) {
            pos += 2;
            continue;
        }
        if (chars.find(static_cast<char>(byte)) != std::string_view::npos) {
            found = pos;
        }
        ++pos;
    }
    return found;
}

}  // namespace quillmere
