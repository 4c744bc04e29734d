#include "repeat_text.h"

#include <locale.h>
#include <stdlib.h>

#include "dialog_layout.h"

namespace quillmere {

namespace {

// The "C" locale for number conversion: the application runs in the user's locale, whose decimal
// point may not be '.'.
class CLocale {
  public:
    CLocale() : locale_(::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr))) {}
    ~CLocale() {
        if (locale_ != static_cast<locale_t>(nullptr)) {
            ::freelocale(locale_);
        }
    }
    CLocale(const CLocale&) = delete;
    CLocale& operator=(const CLocale&) = delete;
    explicit operator bool() const { return locale_ != static_cast<locale_t>(nullptr); }
    locale_t get() const { return locale_; }

  private:
    locale_t locale_;
};

// Full-width forms U+FF01..U+FF5E are EF BC 81..EF BD 9E in UTF-8 and map to '!'..'~'.
std::string WithHalfWidthForms(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto b0 = static_cast<unsigned char>(text[i]);
        if (i + 2 < text.size()) {
            const auto b1 = static_cast<unsigned char>(text[i + 1]);
            const auto b2 = static_cast<unsigned char>(text[i + 2]);
            if (b0 == 0xEF && (b1 == 0xBC || b1 == 0xBD) && b2 >= 0x80 && b2 <= 0xBF) {
                const int codePoint = 0xFF00 + ((b1 - 0xBC) << 6) + (b2 - 0x80);
                if (codePoint >= 0xFF01 && codePoint <= 0xFF5E) {
                    out.push_back(static_cast<char>(codePoint - 0xFF01 + '!'));
                    i += 2;
                    continue;
                }
            }
            if (b0 == 0xE3 && b1 == 0x80 && b2 == 0x80) {  // ideographic space
                out.push_back(' ');
                i += 2;
                continue;
            }
        }
        out.push_back(static_cast<char>(b0));
    }
    return out;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::string FormatRepeatNumber(int value) {
    return value == 0 ? std::string() : std::to_string(value);
}

std::optional<double> RepeatNumberOfText(std::string_view typed) {
    const std::string text = WithHalfWidthForms(typed);
    std::string_view rest = text;
    while (!rest.empty() && IsBlank(rest.front())) {
        rest.remove_prefix(1);
    }
    while (!rest.empty() && IsBlank(rest.back())) {
        rest.remove_suffix(1);
    }
    bool negative = false;
    if (!rest.empty() && (rest.front() == '+' || rest.front() == '-')) {
        negative = rest.front() == '-';
        rest.remove_prefix(1);
    }
    // Checked by hand: strtod also takes "inf", "nan" and hexadecimal forms.
    std::size_t pos = 0;
    std::size_t digits = 0;
    for (; pos < rest.size() && IsDigit(rest[pos]); ++pos) {
        ++digits;
    }
    if (pos < rest.size() && rest[pos] == '.') {
        for (++pos; pos < rest.size() && IsDigit(rest[pos]); ++pos) {
            ++digits;
        }
    }
    if (digits == 0) {
        return std::nullopt;
    }
    if (pos < rest.size() && (rest[pos] == 'e' || rest[pos] == 'E')) {
        ++pos;
        if (pos < rest.size() && (rest[pos] == '+' || rest[pos] == '-')) {
            ++pos;
        }
        std::size_t exponentDigits = 0;
        for (; pos < rest.size() && IsDigit(rest[pos]); ++pos) {
            ++exponentDigits;
        }
        if (exponentDigits == 0) {
            return std::nullopt;
        }
    }
    if (pos != rest.size()) {
        return std::nullopt;
    }
    // The grammar is settled above; strtod in the C locale gives HUGE_VAL on overflow and a tiny
    // number on underflow, both of which the caller's range check settles.
    static const CLocale cLocale;
    const std::string digitsText(rest);
    const double number = cLocale ? ::strtod_l(digitsText.c_str(), nullptr, cLocale.get()) : 0;
    if (!cLocale) {
        return std::nullopt;
    }
    return dialog_layout::RoundHalfEven(negative ? -number : number);
}

std::int16_t RepeatValueOfText(std::string_view text) {
    const std::optional<double> number = RepeatNumberOfText(text);
    if (!number || !(*number >= -32768.0 && *number <= 32767.0)) {
        return 0;
    }
    return static_cast<std::int16_t>(*number);
}

}  // namespace quillmere
