// Window ids on command lines: decimal, or hexadecimal after 0x as xwininfo prints them and as
// XScreenSaver puts them in XSCREENSAVER_WINDOW.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

namespace quillmere {

// The id written at the start of text: how many characters it takes (0x included) and its
// value, which is nothing when it does not fit 32 bits (no window has such an id).
struct WindowIdDigits {
    std::size_t length = 0;
    std::optional<std::uint32_t> value;
};

inline WindowIdDigits ReadWindowIdDigits(std::string_view text) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const unsigned base = hex ? 16 : 10;
    WindowIdDigits digits;
    digits.length = hex ? 2 : 0;
    std::uint64_t value = 0;
    for (; digits.length < text.size(); ++digits.length) {
        const char c = text[digits.length];
        unsigned digit = base;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<unsigned>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<unsigned>(c - 'A' + 10);
        }
        if (digit >= base) {
            break;
        }
        // Once too large, it stays too large; the digits are still counted.
        value = std::min<std::uint64_t>(
            value * base + digit, std::uint64_t{std::numeric_limits<std::uint32_t>::max()} + 1);
    }
    if (value <= std::numeric_limits<std::uint32_t>::max()) {
        digits.value = static_cast<std::uint32_t>(value);
    }
    return digits;
}

// The id the whole text spells, or nothing: no digits, anything after them, 0 (no window has
// it) or a number beyond 32 bits.
inline std::optional<std::uint32_t> ParseWindowId(std::string_view text) {
    const WindowIdDigits digits = ReadWindowIdDigits(text);
    if (digits.length != text.size() || digits.value.value_or(0) == 0) {
        return std::nullopt;
    }
    return digits.value;
}

}  // namespace quillmere
