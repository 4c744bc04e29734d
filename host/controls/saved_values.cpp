#include "saved_values.h"

#include <cmath>
#include <limits>
#include <string_view>

#include "decimal_number.h"

namespace quillmere::saved {

namespace {

constexpr std::string_view kBlanks = " \t\r\n\v\f";

bool SameLetters(std::string_view text, std::string_view word) {
    if (text.size() != word.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(text[i]) != lower(word[i])) {
            return false;
        }
    }
    return true;
}

std::optional<double> NumberOfText(std::string_view raw) {
    const std::string_view text = TrimmedOf(raw, kBlanks);
    if (text.empty()) {
        return std::nullopt;
    }
    if (text.size() >= 2 && text[0] == '&' && (text[1] == 'H' || text[1] == 'h')) {
        const std::string_view digits = text.substr(2);
        if (digits.empty()) {
            return std::nullopt;
        }
        std::uint64_t value = 0;
        for (const char c : digits) {
            int digit = -1;
            if (c >= '0' && c <= '9') {
                digit = c - '0';
            } else if (c >= 'a' && c <= 'f') {
                digit = c - 'a' + 10;
            } else if (c >= 'A' && c <= 'F') {
                digit = c - 'A' + 10;
            }
            if (digit < 0) {
                return std::nullopt;
            }
            value = value * 16 + static_cast<std::uint64_t>(digit);
            if (value > std::numeric_limits<std::uint32_t>::max()) {
                return std::nullopt;
            }
        }
        return static_cast<double>(value);
    }
    const std::optional<DecimalNumber> number = ReadDecimalNumber(text);
    if (!number || number->outOfRange || !std::isfinite(number->value)) {
        return std::nullopt;
    }
    return number->value;
}

// The nearest whole number (halves to even) within [low, high].
std::optional<std::int64_t> WholeIn(const SavedValue& value, double low, double high) {
    const auto number = NumberOf(value);
    if (!number) {
        return std::nullopt;
    }
    const double whole = std::nearbyint(*number);
    if (whole < low || whole > high) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(whole);
}

}  // namespace

std::optional<double> NumberOf(const SavedValue& value) {
    if (const bool* b = std::get_if<bool>(&value)) {
        return *b ? -1.0 : 0.0;
    }
    if (const double* d = std::get_if<double>(&value)) {
        return std::isfinite(*d) ? std::optional<double>(*d) : std::nullopt;
    }
    if (const std::string* text = std::get_if<std::string>(&value)) {
        return NumberOfText(*text);
    }
    return std::nullopt;
}

bool Same(const SavedValue& a, const SavedValue& b) {
    const bool aNone = std::holds_alternative<std::monostate>(a);
    const bool bNone = std::holds_alternative<std::monostate>(b);
    if (aNone || bNone) {
        return aNone == bNone;
    }
    const auto* aText = std::get_if<std::string>(&a);
    const auto* bText = std::get_if<std::string>(&b);
    if (aText != nullptr && bText != nullptr) {
        return *aText == *bText;
    }
    const auto x = NumberOf(a);
    const auto y = NumberOf(b);
    return x && y && *x == *y;
}

std::optional<bool> ToBool(const SavedValue& value) {
    if (const std::string* text = std::get_if<std::string>(&value)) {
        const std::string_view word = TrimmedOf(*text, kBlanks);
        if (SameLetters(word, "true")) {
            return true;
        }
        if (SameLetters(word, "false")) {
            return false;
        }
    }
    const auto number = NumberOf(value);
    if (!number) {
        return std::nullopt;
    }
    return *number != 0.0;
}

std::optional<std::uint8_t> ToByte(const SavedValue& value) {
    const auto whole = WholeIn(value, 0, 255);
    if (!whole) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(*whole);
}

std::optional<std::int16_t> ToInt16(const SavedValue& value) {
    const auto whole = WholeIn(value, std::numeric_limits<std::int16_t>::min(),
                               std::numeric_limits<std::int16_t>::max());
    if (!whole) {
        return std::nullopt;
    }
    return static_cast<std::int16_t>(*whole);
}

std::optional<std::uint32_t> ToColour(const SavedValue& value) {
    const auto whole = WholeIn(value, std::numeric_limits<std::int32_t>::min(),
                               std::numeric_limits<std::uint32_t>::max());
    if (!whole) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(*whole);
}

}  // namespace quillmere::saved
