#include "repeat_text.h"

#include "decimal_number.h"
#include "dialog_layout.h"
#include "utf8.h"

namespace quillmere {

namespace {

// Full-width forms U+FF01..U+FF5E stand for '!'..'~', and the ideographic space for a blank.
std::string WithHalfWidthForms(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const Utf8Char c = NextUtf8Char(text, pos);
        if (c.wellFormed && c.codePoint >= 0xFF01 && c.codePoint <= 0xFF5E) {
            out.push_back(static_cast<char>(c.codePoint - 0xFF01 + '!'));
        } else if (c.wellFormed && c.codePoint == 0x3000) {
            out.push_back(' ');
        } else {
            out.append(text.substr(pos, c.length));
        }
        pos += c.length;
    }
    return out;
}

}  // namespace

std::string FormatRepeatNumber(int value) {
    return value == 0 ? std::string() : std::to_string(value);
}

std::optional<double> RepeatNumberOfText(std::string_view typed) {
    const std::string text = WithHalfWidthForms(typed);
    // Beyond the range of double the number is +-HUGE_VAL, and below it it rounds to 0: the
    // caller's range check settles both.
    const std::optional<DecimalNumber> number = ReadDecimalNumber(TrimmedOf(text, " \t"));
    if (!number) {
        return std::nullopt;
    }
    return dialog_layout::RoundHalfEven(number->value);
}

std::int16_t RepeatValueOfText(std::string_view text) {
    const std::optional<double> number = RepeatNumberOfText(text);
    if (!number || !(*number >= -32768.0 && *number <= 32767.0)) {
        return 0;
    }
    return static_cast<std::int16_t>(*number);
}

}  // namespace quillmere
