#include "common/rounding.h"

#include <algorithm>
#include <string>

namespace qly {

int64_t RoundDecimalHalfEven(std::string_view mantissa, int64_t exponent, bool negative) {
    std::string digits;
    int64_t point = -1;
    for (const char c : mantissa) {
        if (c == '.') {
            point = static_cast<int64_t>(digits.size());
        } else {
            digits += c;
        }
    }
    const int64_t count = static_cast<int64_t>(digits.size());
    // Where the point stands once the exponent has moved it; digits past the end are zeros.
    const int64_t integerDigits = (point < 0 ? count : point) + exponent;
    const auto digitAt = [&](int64_t k) { return k >= 0 && k < count ? digits[k] - '0' : 0; };

    int64_t value = 0;
    for (int64_t k = 0; k < integerDigits; ++k) {
        if (value > (kRoundedDecimalLimit - digitAt(k)) / 10) {
            return negative ? -kRoundedDecimalLimit : kRoundedDecimalLimit;
        }
        value = value * 10 + digitAt(k);
    }
    // The first dropped digit decides, the rest only whether a 5 is exactly half.
    const int first = digitAt(integerDigits);
    bool restNonZero = false;
    for (int64_t k = std::max<int64_t>(integerDigits + 1, 0); k < count && !restNonZero; ++k) {
        restNonZero = digits[k] != '0';
    }
    if (first > 5 || (first == 5 && (restNonZero || value % 2 != 0))) {
        ++value;
    }
    return negative ? -value : value;
}

} // namespace qly
