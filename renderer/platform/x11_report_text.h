// Preparing a report's text for drawing with a core X font.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quillmere::x11 {

// The text as lines of UCS-2 characters: line breaks end lines (a trailing one adds no empty
// line), UTF-8 is decoded with '?' for bytes that are not UTF-8 and for characters the font
// cannot hold (above maxCharacter), tabs and other control characters become spaces, and lines
// longer than maxColumns are broken. At least one line.
std::vector<std::u16string> ReportLines(std::string_view text, std::size_t maxColumns,
                                        char32_t maxCharacter = 0xFFFF);

}  // namespace quillmere::x11
