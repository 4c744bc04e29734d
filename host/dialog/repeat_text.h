// The repeat box's text: how a track number is shown, and which typed text counts as a number.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillmere {

// The number in the "##" pattern: digits without leading zeros, a minus sign for negative
// numbers, and empty text for 0.
std::string FormatRepeatNumber(int value);

// The number typed in the repeat box (UTF-8), rounded to a whole number with halves to the even
// one. A number is an optional sign, digits with an optional fraction and an optional exponent,
// with blanks around; full-width digits, signs, point and blank count as their ASCII forms, since
// a Japanese input method types them. Nothing when the text is no number.
std::optional<double> RepeatNumberOfText(std::string_view text);

// What the store button keeps as BgmRepeat: the rounded number, or 0 when the text is no number
// or the number lies outside 16 bits.
std::int16_t RepeatValueOfText(std::string_view text);

}  // namespace quillmere
