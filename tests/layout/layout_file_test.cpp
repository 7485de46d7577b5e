#include "layout/layout_file.h"
#include "platform/posix/posix_profile_file.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

namespace qly {
namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

TEST(ParseIniNumber, ReadsTheLeadingNumberBlanksIgnoredHalvesToEvenClampedToThirtyTwoBits) {
    // Blanks anywhere; signs only in front; points at either end; E or D exponents with their
    // own sign; the number stops at the first character that fits none; halves go to the even
    // neighbour; anything else is 0, anything beyond 32 bits the nearest limit.
    const std::pair<int32_t, std::vector<const char*>> rows[] = {
        {0,
         {"1 E - 1 1", "--5", "+-5", "-", "0.5", "-0.5", ".", "0x1F", "", "   ", "default", "e5",
          "D5", "&H10", "1e-400", "-1e-400", "0e999999"}},
        {kMax,
         {"2147483647", "2147483648", "2147483647.5", "99999999999999999999", "1e400",
          "1e99999999999"}},
        {kMin, {"-2147483648", "-2147483649", "-1e400"}},
        {2147483646, {"2147483646.5"}},
        {1, {".6", "1.2.3", "1e", "1e-", "1e--2", "0.000000001e9"}},
        {2, {"1 . 5", "2.5", "25E-1"}},
        {-2, {"-2.5", "-15e-1", "- 2 . 5"}},
        // Rounded from the decimal digits themselves: no binary fraction makes this a tie.
        {3, {"3-4", "2.5000001", "2.50000000000000000001"}},
        {123, {"12345678901234567890123e-20"}},
        {4, {"3.5", "35d-1"}},
        {5, {"5."}},
        {7, {"+7", "7,5"}},
        {12, {" 1 2 ", "1\t2\n", "12.49", "12.5", "0012"}},
        {20, {"2e1x5"}},
        {100, {"1e+2", "1e2e3", "1e 2"}},
        {1000, {"1e3", "1E3", "1d3", "1D3"}}};
    for (const auto& [expected, texts] : rows) {
        for (const char* text : texts) {
            EXPECT_EQ(ParseIniNumber(text), expected) << "text: \"" << text << "\"";
        }
    }
}

TEST(LayoutFile, ReadsTextsAndNumbersCutTo254CharactersMissingOnesEmptyAndZero) {
    test::TempFolder folder;
    posix::PosixProfileFile profile;
    const LayoutFile layout(profile, folder.winPath() + "qlypatch.ini");
    EXPECT_EQ(layout.ReadIniString("favorites", "link"), ""); // no file at all
    EXPECT_EQ(layout.ReadIniNumber("textscroll", "szer"), 0);

    const std::string longValue(300, 'w');
    folder.write("qlypatch.ini", "[linkright]\r\ny=-10\r\nszer=13.5\r\nwys= 4 0 \r\nlink=\r\n"
                                 "[TEXTSCROLL]\r\nSzer=194\r\n[favorites]\ntitle=\"Quillory\"\n"
                                 "link=" +
                                     longValue + "\n[linkleft]\nlink=\"" + longValue +
                                     "\"\n[button]\nx=1" + std::string(252, ' ') + "234\n");
    EXPECT_EQ(layout.ReadIniNumber("linkright", "y"), -10);
    EXPECT_EQ(layout.ReadIniNumber("linkright", "szer"), 14);
    EXPECT_EQ(layout.ReadIniNumber("linkright", "wys"), 40);
    EXPECT_EQ(layout.ReadIniNumber("textscroll", "szer"), 194);
    EXPECT_EQ(layout.ReadIniNumber("linkright", "link"), 0);
    EXPECT_EQ(layout.ReadIniNumber("linkright", "x"), 0);
    EXPECT_EQ(layout.ReadIniNumber("select", "x"), 0);
    EXPECT_EQ(layout.ReadIniString("linkright", "link"), "");
    EXPECT_EQ(layout.ReadIniString("linkright", "title"), "");
    EXPECT_EQ(layout.ReadIniString("favorites", "title"), "Quillory");
    EXPECT_EQ(layout.ReadIniString("favorites", "link"), std::string(254, 'w'));
    EXPECT_EQ(layout.ReadIniString("linkleft", "link"), std::string(254, 'w'));
    // The digits beyond the 254th character never reach the conversion.
    EXPECT_EQ(layout.ReadIniNumber("button", "x"), 12);
}

} // namespace
} // namespace qly
