#include "decimal_number.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

namespace quillmere {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::optional<DecimalNumber> ReadDecimalNumber(std::string_view text,
                                               std::string_view exponentLetters) {
    // Checked by hand: strtod and from_chars also take "inf", "nan" and other forms.
    std::size_t pos = 0;
    const auto skipSign = [&] {
        if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
            ++pos;
        }
    };
    const auto skipDigits = [&] {
        const std::size_t start = pos;
        while (pos < text.size() && IsDigit(text[pos])) {
            ++pos;
        }
        return pos - start;
    };
    const bool negative = !text.empty() && text[0] == '-';
    skipSign();
    const std::size_t mantissaStart = pos;
    std::size_t integerDigits = skipDigits();
    std::size_t digits = integerDigits;
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        digits += skipDigits();
    }
    if (digits == 0) {
        return std::nullopt;
    }
    const std::size_t mantissaEnd = pos;
    // The decimal exponent, saturated: its size only decides between too large and too small.
    long long exponent = 0;
    if (pos < text.size() && exponentLetters.find(text[pos]) != std::string_view::npos) {
        ++pos;
        const bool negativeExponent = pos < text.size() && text[pos] == '-';
        skipSign();
        const std::size_t exponentStart = pos;
        if (skipDigits() == 0) {
            return std::nullopt;
        }
        for (std::size_t i = exponentStart; i < pos; ++i) {
            exponent = std::min<long long>(exponent * 10 + (text[i] - '0'), 1'000'000'000);
        }
        if (negativeExponent) {
            exponent = -exponent;
        }
    }
    if (pos != text.size()) {
        return std::nullopt;
    }
    // from_chars reads in no locale: the host runs in the user's, whose decimal point may not be
    // '.'. It takes no '+' and knows only 'e', so the text is handed over in that form.
    std::string plain(text.substr(mantissaStart, mantissaEnd - mantissaStart));
    plain += 'e' + std::to_string(exponent);
    double value = 0;
    const auto [end, error] = std::from_chars(plain.data(), plain.data() + plain.size(), value,
                                              std::chars_format::scientific);
    if (error == std::errc::result_out_of_range) {
        // As the C library gives it: +-HUGE_VAL beyond the range of double, 0 below it. The
        // position of the first digit that is not 0 tells which.
        const std::string_view mantissa = text.substr(mantissaStart, mantissaEnd - mantissaStart);
        const std::size_t firstNonZero = mantissa.find_first_of("123456789");
        const long long firstPower =
            static_cast<long long>(integerDigits) - 1 -
            static_cast<long long>(firstNonZero < integerDigits ? firstNonZero : firstNonZero - 1) +
            exponent;
        value = firstPower > 0 ? std::numeric_limits<double>::infinity() : 0.0;
        return DecimalNumber{negative ? -value : value, true};
    }
    if (error != std::errc() || end != plain.data() + plain.size()) {
        return std::nullopt;
    }
    if (negative) {
        value = -value;
    }
    return DecimalNumber{value, std::isinf(value)};
}

std::string_view TrimmedOf(std::string_view text, std::string_view blanks) {
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

}  // namespace quillmere
