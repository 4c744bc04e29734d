#include "decimal_number.h"

#include <locale.h>
#include <stdlib.h>

#include <cerrno>
#include <cmath>
#include <string>

namespace quillmere {

namespace {

// The "C" locale for the conversion: the host runs in the user's locale (Qt sets it), whose
// decimal point may not be '.'.
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

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::optional<DecimalNumber> ReadDecimalNumber(std::string_view text,
                                               std::string_view exponentLetters) {
    // Checked by hand: strtod also takes blanks, "inf", "nan" and hexadecimal forms.
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
    skipSign();
    std::size_t digits = skipDigits();
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        digits += skipDigits();
    }
    if (digits == 0) {
        return std::nullopt;
    }
    std::string plain(text);
    if (pos < text.size() && exponentLetters.find(text[pos]) != std::string_view::npos) {
        plain[pos++] = 'e';
        skipSign();
        if (skipDigits() == 0) {
            return std::nullopt;
        }
    }
    if (pos != text.size()) {
        return std::nullopt;
    }
    static const CLocale cLocale;
    if (!cLocale) {
        return std::nullopt;
    }
    errno = 0;
    const double value = ::strtod_l(plain.c_str(), nullptr, cLocale.get());
    return DecimalNumber{value, std::isinf(value) || (value == 0 && errno == ERANGE)};
}

std::string_view TrimmedOf(std::string_view text, std::string_view blanks) {
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

}  // namespace quillmere
