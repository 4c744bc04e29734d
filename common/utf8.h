// Reading UTF-8 one character at a time (both programs use it).
#pragma once

#include <cstddef>
#include <string_view>

namespace quillmere {

struct Utf8Char {
    // Bytes of the sequence: a lead byte C2..F4 with the continuation bytes it calls for. Any
    // other byte, and a lead byte without all of them, is a sequence of one byte.
    std::size_t length = 1;
    // A well-formed character: a complete sequence that is no overlong form, no surrogate and not
    // beyond U+10FFFF. Only then does codePoint hold its value.
    bool wellFormed = false;
    char32_t codePoint = 0;
};

// The sequence starting at pos (pos < text.size()).
constexpr Utf8Char NextUtf8Char(std::string_view text, std::size_t pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80) {
        return {1, true, lead};
    }
    std::size_t length = 1;
    char32_t value = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
    } else {
        return {};
    }
    if (pos + length > text.size()) {
        return {};
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0) != 0x80) {
            return {};
        }
        value = (value << 6) | (next & 0x3F);
    }
    const bool overlong = (length == 3 && value < 0x800) || (length == 4 && value < 0x10000);
    const bool wellFormed = !overlong && value <= 0x10FFFF && !(value >= 0xD800 && value <= 0xDFFF);
    return {length, wellFormed, wellFormed ? value : 0};
}

// True when every character of text is well-formed.
constexpr bool IsUtf8(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
        const Utf8Char c = NextUtf8Char(text, pos);
        if (!c.wellFormed) {
            return false;
        }
        pos += c.length;
    }
    return true;
}

}  // namespace quillmere
