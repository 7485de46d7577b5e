// The one rounding rule of the product: to the nearest integer, halves to the even neighbour.
#pragma once

#include <cmath>

namespace qly {

// Rounds x to the nearest integer, ties to even (2.5 -> 2, 3.5 -> 4, -2.5 -> -2). Relies on
// the default floating-point rounding mode, which nothing in the program changes.
inline double roundHalfEven(double x) {
    return std::nearbyint(x);
}

} // namespace qly
