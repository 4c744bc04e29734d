#include "x11_report_text.h"

#include <algorithm>

#include "utf8.h"

namespace quillmere::x11 {

namespace {

// One code point from text at pos, advancing pos; 0xFFFFFFFF for a malformed sequence (one byte
// consumed).
char32_t NextCodePoint(std::string_view text, std::size_t& pos) {
    const Utf8Char c = NextUtf8Char(text, pos);
    if (!c.wellFormed) {
        ++pos;
        return 0xFFFFFFFF;
    }
    pos += c.length;
    return c.codePoint;
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
