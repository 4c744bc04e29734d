#include "x11_report_text.h"

#include <algorithm>

namespace quillmere::x11 {

namespace {

// One code point from text at pos, advancing pos; 0xFFFFFFFF for a malformed sequence (one byte
// consumed).
char32_t NextCodePoint(std::string_view text, std::size_t& pos) {
    constexpr char32_t kBad = 0xFFFFFFFF;
    const auto lead = static_cast<unsigned char>(text[pos++]);
    if (lead < 0x80) {
        return lead;
    }
    int length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 1;
        value = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 2;
        value = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 3;
        value = lead & 0x07;
        minimum = 0x10000;
    } else {
        return kBad;
    }
    if (pos + static_cast<std::size_t>(length) > text.size()) {
        return kBad;
    }
    for (int i = 0; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + static_cast<std::size_t>(i)]);
        if ((next & 0xC0) != 0x80) {
            return kBad;
        }
        value = (value << 6) | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return kBad;
    }
    pos += static_cast<std::size_t>(length);
    return value;
}

}  // namespace

std::vector<std::u16string> ReportLines(std::string_view text, std::size_t maxColumns,
                                        char32_t maxCharacter) {
    maxColumns = std::max<std::size_t>(maxColumns, 1);
    maxCharacter = std::min<char32_t>(maxCharacter, 0xFFFF);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    std::vector<std::u16string> lines(1);
    std::size_t pos = 0;
    while (pos < text.size()) {
        const char32_t c = NextCodePoint(text, pos);
        if (c == '\n') {
            lines.emplace_back();
            continue;
        }
        if (c == '\r') {
            continue;
        }
        char16_t shown = u'?';
        if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0)) {
            shown = u' ';
        } else if (c <= maxCharacter) {
            shown = static_cast<char16_t>(c);
        }
        if (lines.back().size() >= maxColumns) {
            lines.emplace_back();
        }
        lines.back().push_back(shown);
    }
    return lines;
}

}  // namespace quillmere::x11
