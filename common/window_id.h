// Window ids on command lines: decimal, or hexadecimal after 0x as xwininfo prints them and as
// XScreenSaver puts them in XSCREENSAVER_WINDOW.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

namespace quillmere {

// The id the whole text spells, or nothing: no digits, anything after them, 0 (no window has
// it) or a number beyond 32 bits.
inline std::optional<std::uint32_t> ParseWindowId(std::string_view text) {
    unsigned base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (const char c : text) {
        unsigned digit = base;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<unsigned>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<unsigned>(c - 'A' + 10);
        }
        if (digit >= base) {
            return std::nullopt;
        }
        value = value * base + digit;
        if (value > std::numeric_limits<std::uint32_t>::max()) {
            return std::nullopt;
        }
    }
    if (value == 0) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

}  // namespace quillmere
