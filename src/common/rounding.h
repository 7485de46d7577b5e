// The one rounding rule of the product: to the nearest integer, halves to the even neighbour.
#pragma once

#include <cmath>
#include <cstdint>
#include <string_view>

namespace qly {

// Rounds x to the nearest integer, ties to even (2.5 -> 2, 3.5 -> 4, -2.5 -> -2). Relies on
// the default floating-point rounding mode, which nothing in the program changes.
inline double roundHalfEven(double x) {
    return std::nearbyint(x);
}

// The largest magnitude RoundDecimalHalfEven gives: beyond it every caller's range ends.
inline constexpr int64_t kRoundedDecimalLimit = int64_t{1} << 53;

// The same rule straight from decimal text, with no binary fraction between: the number
// written as mantissa (decimal digits with at most one '.') times ten to exponent, negated
// when negative, rounded to the nearest integer, ties to even; magnitudes beyond
// kRoundedDecimalLimit give that limit. exponent must lie within +-10^6.
int64_t RoundDecimalHalfEven(std::string_view mantissa, int64_t exponent, bool negative);

} // namespace qly
