#include "common/decimal_number.h"

#include <cfloat>
#include <gtest/gtest.h>
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

} // namespace
} // namespace qly
