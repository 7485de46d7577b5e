#include "common/decimal_number.h"

#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <string>

namespace qly {
namespace {

using Status = DecimalNumber::Status;

TEST(ParseDecimal, ReadsEveryPlainDecimalFormExactly) {
    // clang-format off
    const std::pair<std::string, double> cases[] = {
        {"0", 0.0}, {"-0", -0.0}, {"42", 42.0}, {"1.", 1.0}, {".5", 0.5}, {"-2.5", -2.5},
        {"1e3", 1000.0}, {"1E+3", 1000.0}, {"25e-1", 2.5}, {"0.1", 0.1}, {"1e-400", 0.0},
        {"2.2250738585072014e-308", DBL_MIN}, {"1.7976931348623157e308", DBL_MAX}};
    // clang-format on
    for (const auto& [text, value] : cases) {
        const DecimalNumber n = ParseDecimal(text);
        EXPECT_EQ(n.status, Status::Ok) << text;
        EXPECT_EQ(n.value, value) << text;
    }
}

TEST(ParseDecimal, RejectsAnythingButTheDecimalForm) {
    for (const std::string text : {"", "-", ".", "-.", "e3", "1e", "1e+", "1.2.3", " 1", "1 ", "+1",
                                   "--1", "0x10", "inf", "nan", "1e3.5", "1,5", "1d3"}) {
        EXPECT_EQ(ParseDecimal(text).status, Status::Invalid) << '"' << text << '"';
    }
}

TEST(ParseDecimal, TellsOverflowFromUnderflow) {
    EXPECT_EQ(ParseDecimal("1e400").status, Status::Overflow);
    EXPECT_EQ(ParseDecimal("-1.8e308").status, Status::Overflow);
    EXPECT_EQ(ParseDecimal("1e-400").status, Status::Ok);
    EXPECT_EQ(ParseDecimal("-1e-400").status, Status::Ok);
}

// What a correctly rounding strtod (glibc's) makes of text, in ParseDecimal's terms.
DecimalNumber byStrtod(const std::string& text) {
    errno = 0;
    const double value = std::strtod(text.c_str(), nullptr);
    if (std::isinf(value)) {
        return {Status::Overflow, 0};
    }
    return {Status::Ok, value};
}

void expectAsStrtod(const std::string& text) {
    const DecimalNumber expected = byStrtod(text);
    const DecimalNumber got = ParseDecimal(text);
    ASSERT_EQ(got.status, expected.status) << text;
    // Bit for bit, so that the sign of a zero counts too.
    EXPECT_EQ(std::signbit(got.value), std::signbit(expected.value)) << text;
    EXPECT_EQ(got.value, expected.value) << text;
}

TEST(ParseDecimal, RoundsToTheNearestDoubleAsACorrectStrtodAcrossTheRange) {
    std::mt19937_64 random(20261207);
    const auto digits = [&](std::size_t count) {
        std::string text;
        for (std::size_t i = 0; i < count; ++i) {
            text += static_cast<char>('0' + random() % 10);
        }
        return text;
    };
    for (int i = 0; i < 10000; ++i) {
        const std::size_t count = 1 + random() % (i % 10 == 0 ? 900 : 25);
        const int exponent = static_cast<int>(random() % 1400) - 1000;
        std::string text = (random() % 2 ? "-" : "") + digits(count);
        if (random() % 2) {
            text.insert(text.size() - random() % count, ".");
        }
        expectAsStrtod(text + "e" + std::to_string(exponent));
    }
    // Long runs of zeros and nines around a digit, and the edges of the range.
    for (const std::string& text : std::vector<std::string>{
             "0.000000000000000000000000000000000000000000000000001",
             "9999999999999999999999999e-25", "1" + std::string(900, '0') + "e-900",
             "0." + std::string(900, '9'), "1" + std::string(799, '0') + "1e-800",
             "4.9406564584124654e-324", "2.4703282292062327e-324", "2.4703282292062328e-324",
             "2.2250738585072011e-308", "1.7976931348623158e308", "1.7976931348623159e308", "1e309",
             "1e-325", "-1e-325", "123456789012345678901234567890",
             "0." + std::string(200000, '0') + "1e200005", std::string(200000, '9') + "e-200300"}) {
        expectAsStrtod(text);
    }
}

TEST(ParseDecimal, BreaksTiesToEvenAtTheExactMidpointsBetweenDoubles) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> spread(-330.0, 308.0);
    char text[1200];
    for (int i = 0; i < 1000; ++i) {
        const double low = std::pow(10.0, spread(random)) * (1.0 + (random() % 1000) / 1000.0);
        const double high = std::nextafter(low, INFINITY);
        // A long double holds the midpoint exactly, and glibc prints it exactly.
        const long double middle = (static_cast<long double>(low) + high) / 2;
        std::snprintf(text, sizeof text, "%.1100Le", middle);
        expectAsStrtod(text);
        // Just above and just below the midpoint.
        std::string mantissa(text, std::strchr(text, 'e'));
        const std::string exponent(std::strchr(text, 'e'));
        expectAsStrtod(mantissa + "1" + exponent);
        mantissa.erase(mantissa.find_last_not_of('0') + 1);
        if (mantissa.back() == '.') {
            mantissa.pop_back();
        }
        mantissa.back() = static_cast<char>(mantissa.back() - 1);
        if (mantissa.find('.') == std::string::npos) {
            mantissa += '.';
        }
        expectAsStrtod(mantissa + "9999" + exponent);
    }
    // The midpoint between the largest double and the next power of two overflows.
    std::snprintf(text, sizeof text, "%.400Le",
                  (static_cast<long double>(DBL_MAX) + 0x1p1024L) / 2);
    EXPECT_EQ(ParseDecimal(text).status, Status::Overflow);
}

} // namespace
} // namespace qly
