#include "platform/posix/posix_profile_file.h"
#include "support/temp_folder.h"
#include "window/layout_file.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <string>

namespace qly {
namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

struct NumberCase {
    const char* text;
    int32_t expected;
};

void expectNumbers(std::initializer_list<NumberCase> cases) {
    for (const NumberCase& c : cases) {
        EXPECT_EQ(ParseIniNumber(c.text), c.expected) << "text: \"" << c.text << "\"";
    }
}

TEST(ParseIniNumber, IgnoresBlanksTabsAndLineFeedsAnywhere) {
    expectNumbers({{"12", 12},
                   {" 1 2 ", 12},
                   {"1\t2\n3", 123},
                   {"- 1 0", -10},
                   {"1 . 5", 2},
                   {"1e 2", 100},
                   {"1 E - 1 1", 0}});
}

TEST(ParseIniNumber, ReadsSignsOnlyInFront) {
    expectNumbers({{"-10", -10}, {"+7", 7}, {"--5", 0}, {"+-5", 0}, {"3-4", 3}, {"-", 0}});
}

TEST(ParseIniNumber, RoundsHalvesToTheEvenNeighbour) {
    expectNumbers({{"7.5", 8},
                   {"12.5", 12},
                   {"13.5", 14},
                   {"2.5", 2},
                   {"3.5", 4},
                   {"-2.5", -2},
                   {"-3.5", -4},
                   {"0.5", 0},
                   {"-0.5", 0},
                   {"2.5000001", 3},
                   {"12.49", 12}});
}

TEST(ParseIniNumber, ReadsDecimalPointsAtEitherEnd) {
    expectNumbers({{"5.", 5}, {".6", 1}, {"-.6", -1}, {".", 0}, {"1.2.3", 1}, {"0009", 9}});
}

TEST(ParseIniNumber, ReadsEAndDExponentsInEitherCaseWithTheirOwnSign) {
    expectNumbers({{"1e3", 1000},
                   {"1E3", 1000},
                   {"1d3", 1000},
                   {"1D3", 1000},
                   {"25E-1", 2},
                   {"35d-1", 4},
                   {"-15e-1", -2},
                   {"1e+2", 100},
                   {"1e", 1},
                   {"1e+", 1},
                   {"1e-", 1},
                   {"2e1x5", 20},
                   {"1e2e3", 100},
                   {"1e--2", 1}});
}

TEST(ParseIniNumber, TakesOnlyTheLeadingNumber) {
    expectNumbers({{"15abc", 15}, {"15px", 15}, {"15x3", 15}, {"7,5", 7}, {"0x1F", 0}});
}

TEST(ParseIniNumber, TextThatDoesNotStartWithANumberIsZero) {
    expectNumbers({{"", 0},
                   {"   ", 0},
                   {"abc", 0},
                   {"default", 0},
                   {"e5", 0},
                   {"D5", 0},
                   {"x12", 0},
                   {"&H10", 0}});
}

TEST(ParseIniNumber, ClampsValuesBeyondThirtyTwoBits) {
    expectNumbers({{"2147483647", kMax},
                   {"2147483648", kMax},
                   {"-2147483648", kMin},
                   {"-2147483649", kMin},
                   {"2147483646.5", 2147483646},
                   {"2147483647.5", kMax},
                   {"99999999999999999999", kMax},
                   {"1e400", kMax},
                   {"-1e400", kMin},
                   {"1e99999999999", kMax},
                   {"1e-400", 0},
                   {"-1e-400", 0},
                   {"0e999999", 0},
                   {"0.000000001e9", 1}});
}

class LayoutFileTest : public ::testing::Test {
protected:
    LayoutFile layout(const std::string& contents) {
        folder.write("qlypatch.ini", contents);
        return LayoutFile(profile, folder.winPath() + "qlypatch.ini");
    }

    test::TempFolder folder;
    posix::PosixProfileFile profile;
};

TEST_F(LayoutFileTest, MissingFileSectionOrKeyReadsAsEmptyTextAndZero) {
    const LayoutFile missing(profile, folder.winPath() + "qlypatch.ini");
    EXPECT_EQ(missing.ReadIniString("favorites", "link"), "");
    EXPECT_EQ(missing.ReadIniNumber("textscroll", "szer"), 0);

    const LayoutFile partial = layout("[linkleft]\nx=5\n");
    EXPECT_EQ(partial.ReadIniNumber("linkleft", "y"), 0);
    EXPECT_EQ(partial.ReadIniNumber("button", "x"), 0);
    EXPECT_EQ(partial.ReadIniString("linkleft", "link"), "");
}

TEST_F(LayoutFileTest, ReadsNumbersAsTheControlsNeedThem) {
    const LayoutFile file = layout("[linkright]\r\ny=-10\r\nx=12.5\r\nszer=13.5\r\nwys= 4 0 \r\n"
                                   "link=\r\n[TEXTSCROLL]\r\nSzer=194\r\n");
    EXPECT_EQ(file.ReadIniNumber("linkright", "y"), -10);
    EXPECT_EQ(file.ReadIniNumber("linkright", "x"), 12);
    EXPECT_EQ(file.ReadIniNumber("linkright", "szer"), 14);
    EXPECT_EQ(file.ReadIniNumber("linkright", "wys"), 40);
    EXPECT_EQ(file.ReadIniNumber("textscroll", "szer"), 194);
    EXPECT_EQ(file.ReadIniNumber("linkright", "link"), 0);
    EXPECT_EQ(file.ReadIniString("linkright", "link"), "");
}

TEST_F(LayoutFileTest, TextValuesAreCutTo254CharactersAndLoseTheirQuotes) {
    const std::string longValue(300, 'w');
    const LayoutFile file = layout("[favorites]\ntitle=\"Quillory Online\"\nlink=" + longValue +
                                   "\n[linkleft]\n" + "link=\"" + longValue + "\"\n");
    EXPECT_EQ(file.ReadIniString("favorites", "title"), "Quillory Online");
    EXPECT_EQ(file.ReadIniString("favorites", "link"), std::string(254, 'w'));
    EXPECT_EQ(file.ReadIniString("linkleft", "link"), std::string(254, 'w'));
}

TEST_F(LayoutFileTest, LongNumbersAreCutBeforeTheyAreRead) {
    // The digits beyond the 254th character never reach the conversion.
    const LayoutFile file = layout("[button]\nx=1" + std::string(252, ' ') + "234\n");
    EXPECT_EQ(file.ReadIniNumber("button", "x"), 12);
}

} // namespace
} // namespace qly
