#include "textscroll/value_conversion.h"

#include "common/decimal_number.h"
#include "common/error.h"
#include "common/rounding.h"

#include <cmath>
#include <limits>

namespace qly {

namespace {

// The number a value stands for, before rounding.
double numberOf(const PropertyValue& value) {
    if (const auto* b = std::get_if<bool>(&value)) {
        return *b ? -1.0 : 0.0;
    }
    if (const auto* i = std::get_if<int32_t>(&value)) {
        return *i;
    }
    if (const auto* d = std::get_if<double>(&value)) {
        return *d;
    }
    if (const auto* s = std::get_if<std::string>(&value)) {
        const size_t first = s->find_first_not_of(" \t");
        const size_t last = s->find_last_not_of(" \t");
        if (first != std::string::npos) {
            const char* begin = s->data() + first;
            const char* end = s->data() + last + 1;
            if (*begin == '+') {
                ++begin;
            }
            const DecimalNumber parsed = ParseDecimal(std::string_view(begin, end));
            if (parsed.status == DecimalNumber::Status::Overflow) {
                throw Error("Overflow");
            }
            if (parsed.status == DecimalNumber::Status::Ok) {
                return parsed.value;
            }
        }
    }
    throw Error("Type mismatch");
}

template <typename Int> Int toInteger(const PropertyValue& value) {
    const double rounded = roundHalfEven(numberOf(value));
    if (!(rounded >= std::numeric_limits<Int>::min() &&
          rounded <= std::numeric_limits<Int>::max())) {
        throw Error("Overflow");
    }
    return static_cast<Int>(rounded);
}

} // namespace

int16_t toInt16(const PropertyValue& value) {
    return toInteger<int16_t>(value);
}

int32_t toInt32(const PropertyValue& value) {
    return toInteger<int32_t>(value);
}

FontSpec toFont(const PropertyValue& value) {
    if (const auto* font = std::get_if<FontSpec>(&value)) {
        return *font;
    }
    throw Error("Type mismatch");
}

} // namespace qly
