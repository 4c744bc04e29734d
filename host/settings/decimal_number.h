// The decimal number form that the host's number texts share (settings values, the repeat box,
// the music module's track answers). Each reader keeps its own rules around it: which blanks it
// skips, what else it takes, and how it rounds.
#pragma once

#include <optional>
#include <string_view>

namespace quillmere {

struct DecimalNumber {
    // As the C library converts it: +-HUGE_VAL beyond the range of double, 0 or a denormal below.
    double value = 0;
    // Infinite, or 0 although not every digit is 0.
    bool outOfRange = false;
};

// The number the whole text holds: an optional sign, digits with an optional fraction after '.',
// and an optional exponent (one of exponentLetters, an optional sign, digits), with at least one
// digit before the exponent and one in it. Read the same in every locale. Nothing when the text
// is anything else, blanks included.
std::optional<DecimalNumber> ReadDecimalNumber(std::string_view text,
                                               std::string_view exponentLetters = "eE");

// text without any of blanks at either end.
std::string_view TrimmedOf(std::string_view text, std::string_view blanks);

}  // namespace quillmere
