#include "textscroll/value_conversion.h"

#include "common/error.h"
#include "common/rounding.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace qly {

namespace {

// The integer nearest to all of text read as [-]digits[.digits][(e|E)[+|-]digits], with at
// least one mantissa digit; nothing when text is anything else.
std::optional<int64_t> roundedNumber(std::string_view text) {
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    std::size_t i = 0;
    const bool negative = i < text.size() && text[i] == '-';
    i += negative ? 1 : 0;
    const std::size_t start = i;
    bool digits = false;
    bool point = false;
    for (; i < text.size() && (isDigit(text[i]) || (text[i] == '.' && !point)); ++i) {
        digits = digits || isDigit(text[i]);
        point = point || text[i] == '.';
    }
    const std::string_view mantissa = text.substr(start, i - start);
    int64_t exponent = 0;
    if (digits && i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        const bool exponentNegative =
            i < text.size() && (text[i] == '-' || text[i] == '+') && text[i++] == '-';
        const std::size_t exponentStart = i;
        // Capped: far beyond any value a property takes, and no overflow.
        for (; i < text.size() && isDigit(text[i]); ++i) {
            exponent = std::min<int64_t>(exponent * 10 + (text[i] - '0'), 100000);
        }
        if (i == exponentStart) {
            return std::nullopt;
        }
        exponent = exponentNegative ? -exponent : exponent;
    }
    if (!digits || i != text.size()) {
        return std::nullopt;
    }
    return RoundDecimalHalfEven(mantissa, exponent, negative);
}

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
            if (const auto rounded = roundedNumber(std::string_view(begin, end))) {
                return static_cast<double>(*rounded);
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
