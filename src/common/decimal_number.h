// Reading a decimal floating-point number from text, correctly rounded, without pulling the C
// runtime's large float parser into the Windows program.
#pragma once

#include <string_view>

namespace qly {

struct DecimalNumber {
    enum class Status { Ok, Invalid, Overflow };
    Status status = Status::Invalid;
    double value = 0; // set when Ok; a value too small for a double reads as 0 or subnormal
};

// Parses all of text as [-]digits[.digits][(e|E)[+|-]digits], with at least one mantissa
// digit; nothing else is accepted (no blanks, no leading "+", no "inf", "nan" or hex).
// The value is the double nearest to the decimal (ties to even), as a correct strtod gives it;
// Overflow when that is beyond the largest finite double.
DecimalNumber ParseDecimal(std::string_view text);

} // namespace qly
