// The push button's saved properties apart from their container: the keys, their defaults, and
// how saved values compare and convert. A value equal to its default is left out on save; a
// missing key loads as its default; a value that does not convert leaves its field as it was.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

namespace quillmere {

// A saved value less what only a platform knows (fonts): nothing, a boolean, a number or a text.
using SavedValue = std::variant<std::monostate, bool, double, std::string>;

// The keys, in the order they are loaded (the font after the caption) and saved (the font after
// FirstRun).
inline constexpr char kSavedEnabled[] = "Enabled";
inline constexpr char kSavedCaption[] = "Caption";
inline constexpr char kSavedFont[] = "Font";
inline constexpr char kSavedFirstRun[] = "FirstRun";
inline constexpr char kSavedFontColour[] = "FontColour";
inline constexpr char kSavedVisible[] = "Visible";

// Their defaults; the font's is the container's current font.
inline constexpr bool kDefaultEnabled = true;
inline constexpr char kDefaultCaption[] = "Command1";
inline constexpr char kDefaultFirstRun[] = "1";
inline constexpr char kDefaultFontColour[] = "0";
inline constexpr char kDefaultVisible[] = "1";

namespace saved {

// The value as a number: true counts as -1, as the platform's booleans do; a text is a decimal
// number (blanks around) or "&H" with hexadecimal digits up to 32 bits.
std::optional<double> NumberOf(const SavedValue& value);

// Loose equality in the manner of the platform's variants: texts compare as texts, anything else
// by its number (also when one side is written as text); nothing equals only nothing.
bool Same(const SavedValue& a, const SavedValue& b);

// Conversions; nothing when the value does not convert (a text that is not a number, or a number
// outside the target's range). Fractions round to the nearest whole number, halves to the even
// one. A text "True" or "False" (any letter case) is also a boolean.
std::optional<bool> ToBool(const SavedValue& value);
std::optional<std::uint8_t> ToByte(const SavedValue& value);
std::optional<std::int16_t> ToInt16(const SavedValue& value);
// A 32-bit colour value: signed or unsigned 32-bit numbers, kept as their bit pattern.
std::optional<std::uint32_t> ToColour(const SavedValue& value);

}  // namespace saved

}  // namespace quillmere
