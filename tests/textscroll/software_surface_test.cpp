// The in-memory surface: row copies, clipping, solid glyphs and the font's charset.
#include "common/error.h"
#include "platform/posix/software_surface.h"

#include <climits>
#include <gtest/gtest.h>
#include <set>

namespace qly::posix {
namespace {

// An image whose row y is filled with colour y + 1.
SoftwareSurface numberedRows(int32_t w, int32_t h) {
    SoftwareSurface s;
    s.resize(w, h, 0);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            s.setPixel(x, y, static_cast<uint32_t>(y + 1));
        }
    }
    return s;
}

std::vector<uint32_t> rowColours(const SoftwareSurface& s) {
    std::vector<uint32_t> out;
    for (int32_t y = 0; y < s.height(); ++y) {
        out.push_back(s.pixel(s.width() - 1, y));
    }
    return out;
}

TEST(SoftwareSurface, OverlappingRowCopiesMoveAsABlock) {
    SoftwareSurface down = numberedRows(3, 8);
    down.copyRows(0, 2, 5);
    EXPECT_EQ(rowColours(down), (std::vector<uint32_t>{1, 2, 1, 2, 3, 4, 5, 8}));
    SoftwareSurface up = numberedRows(3, 8);
    up.copyRows(2, 1, 6);
    EXPECT_EQ(rowColours(up), (std::vector<uint32_t>{1, 3, 4, 5, 6, 7, 8, 8}));
}

TEST(SoftwareSurface, RowCopiesLeaveOutRowsOutsideTheImage) {
    SoftwareSurface s = numberedRows(2, 6);
    s.copyRows(-3, 0, 5); // sources -3..-1 do not exist; rows 0 and 1 land on 3 and 4
    EXPECT_EQ(rowColours(s), (std::vector<uint32_t>{1, 2, 3, 1, 2, 6}));
    s.copyRows(4, 5, 10);
    EXPECT_EQ(rowColours(s), (std::vector<uint32_t>{1, 2, 3, 1, 2, 2}));
    s.copyRows(0, 3, -4);
    s.copyRows(INT32_MAX, INT32_MIN, INT32_MAX);
    s.copyRows(INT32_MIN, 0, INT32_MAX);
    EXPECT_EQ(rowColours(s), (std::vector<uint32_t>{1, 2, 3, 1, 2, 2}));
}

TEST(SoftwareSurface, FillAndInvertAreClippedToTheImage) {
    SoftwareSurface s;
    s.resize(4, 3, 0x0000FF);
    s.fillBlack(-2, 2, 4, 100);
    s.invert(3, -1, INT32_MAX, INT32_MAX);
    s.invert(0, 0, -1, 3);
    s.fillBlack(INT32_MIN, INT32_MIN, 5, 5);
    const std::vector<uint32_t> expected = {
        0x0000FF, 0x0000FF, 0x0000FF, 0xFFFF00, //
        0x0000FF, 0x0000FF, 0x0000FF, 0xFFFF00, //
        0x000000, 0x000000, 0x0000FF, 0xFFFF00,
    };
    EXPECT_EQ(s.pixels(), expected);
}

TEST(SoftwareSurface, GlyphsAreSolidAndClippedAtEveryEdge) {
    SoftwareSurface s;
    s.resize(30, 12, 0xFFFFFF);
    s.drawText(-4, -3, "Ag", 0x123456);
    s.drawText(24, 5, "Wj", 0x123456);
    s.drawText(INT32_MAX - 2, INT32_MIN + 1, "Wj", 0x123456);
    const std::set<uint32_t> colours(s.pixels().begin(), s.pixels().end());
    EXPECT_EQ(colours, (std::set<uint32_t>{0xFFFFFF, 0x123456}));
    EXPECT_EQ(s.pixel(0, 0), 0x123456u); // the clipped "A" reaches the corner
}

TEST(SoftwareSurface, ArialNinePointsSetsATwelvePixelEm) {
    SoftwareSurface s;
    FontSpec arial;
    s.setFont(arial);
    // Ascent plus descent at a 12-pixel em: 11 + 3.
    EXPECT_EQ(s.textHeight("x"), 14);
    EXPECT_EQ(s.textHeight(""), 14);
    EXPECT_EQ(s.textWidth(""), 0);
    const double regular = s.textWidth("Quillory");
    arial.weight = 700;
    s.setFont(arial);
    EXPECT_GT(s.textWidth("Quillory"), regular);
    arial.weight = 400;
    arial.size = 18;
    s.setFont(arial);
    EXPECT_GT(s.textHeight("x"), 20);
}

TEST(SoftwareSurface, BytesShowTheGlyphsOfTheCharsetsCodePage) {
    SoftwareSurface s;
    FontSpec font;
    font.charset = 238;
    s.setFont(font);
    // 0xB3 is l-stroke in 1250, the Ukrainian i in 1251; 0xE6 c-acute against zhe.
    EXPECT_EQ(s.textWidth("\xB3"), s.textWidth("l"));
    const double cAcute = s.textWidth("\xE6");
    EXPECT_EQ(cAcute, s.textWidth("c"));
    font.charset = 204;
    s.setFont(font);
    EXPECT_GT(s.textWidth("\xE6"), cAcute);
}

TEST(SoftwareSurface, SystemColoursResolveToTheStandardScheme) {
    SoftwareSurface s;
    EXPECT_EQ(s.resolveColor(static_cast<int32_t>(0x8000000Eu)), 0xFFFFFFu); // highlight text
    EXPECT_EQ(s.resolveColor(static_cast<int32_t>(0x80000008u)), 0x000000u); // window text
    EXPECT_EQ(s.resolveColor(static_cast<int32_t>(0x8000000Du)), 0xFF9933u); // highlight
    EXPECT_EQ(s.resolveColor(static_cast<int32_t>(0x800000FFu)), 0u);        // no such index
    EXPECT_EQ(s.resolveColor(0x00123456), 0x123456u);
}

TEST(SoftwareSurface, MissingFontFolderFailsWhenTextIsFirstNeeded) {
    SoftwareSurface s("/nonexistent-font-folder");
    s.resize(5, 5, 0);
    s.copyRows(0, 1, 1);
    EXPECT_THROW(s.textWidth("a"), Error);
    EXPECT_THROW(s.drawText(0, 0, "a", 0), Error);
}

} // namespace
} // namespace qly::posix
