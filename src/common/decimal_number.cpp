#include "common/decimal_number.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>

namespace qly {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Index after the run of digits starting at i.
std::size_t skipDigits(std::string_view text, std::size_t i) {
    while (i < text.size() && isDigit(text[i])) {
        ++i;
    }
    return i;
}

bool isDecimalSyntax(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && text[i] == '-') {
        ++i;
    }
    const std::size_t intEnd = skipDigits(text, i);
    std::size_t digits = intEnd - i;
    i = intEnd;
    if (i < text.size() && text[i] == '.') {
        const std::size_t fracEnd = skipDigits(text, i + 1);
        digits += fracEnd - (i + 1);
        i = fracEnd;
    }
    if (digits == 0) {
        return false;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            ++i;
        }
        const std::size_t expEnd = skipDigits(text, i);
        if (expEnd == i) {
            return false;
        }
        i = expEnd;
    }
    return i == text.size();
}

} // namespace

DecimalNumber ParseDecimal(std::string_view text) {
    if (!isDecimalSyntax(text)) {
        return {};
    }
    // The syntax is checked above, so strtod reads exactly these characters; the program
    // never changes the C locale, so the point is ".".
    const std::string copy(text);
    errno = 0;
    const double value = std::strtod(copy.c_str(), nullptr);
    if (std::isinf(value) || (errno == ERANGE && std::fabs(value) > 1.0)) {
        return {DecimalNumber::Status::Overflow, 0};
    }
    return {DecimalNumber::Status::Ok, value};
}

} // namespace qly
