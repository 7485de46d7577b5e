// Lines scrolling in, Cls and the percentage strip, pixel for pixel on the in-memory surface.
#include "common/rounding.h"
#include "platform/posix/software_surface.h"
#include "support/fake_message_loop.h"
#include "textscroll/text_scroll.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <set>

namespace qly {
namespace {

constexpr int32_t kWidth = 194;
constexpr int32_t kHeight = 80;
constexpr uint32_t kRowZero = 0x102030;
using Colours = std::set<uint32_t>;

class Pixel : public ::testing::Test {
protected:
    void SetUp() override {
        surface.resize(kWidth, kHeight, 0);
        reference.setFont(control.Font());
        cell = static_cast<int32_t>(roundHalfEven(reference.textHeight("")));
    }
    Colours coloursOf(int32_t top, int32_t rows) const {
        const auto first = surface.pixels().begin() + top * surface.width();
        return {first, first + rows * surface.width()};
    }
    void paintRowZero() {
        for (int32_t x = 0; x < kWidth; ++x) {
            surface.setPixel(x, 0, kRowZero);
        }
    }

    posix::SoftwareSurface surface;
    posix::SoftwareSurface reference; // measures in the control's font
    test::FakeMessageLoop loop;
    TextScroll control{surface, loop};
    int32_t cell = 0; // the text cell height
};

TEST_F(Pixel, LineCostsCellHeightPlusOnePlusGapPausesAndBringsInCopiesOfRowZero) {
    paintRowZero();
    for (int16_t gap : {0, 5, -3}) {
        const int before = loop.yields();
        control.SpaceW(gap);
        control.Tekst(" ");
        EXPECT_EQ(loop.yields() - before, cell + 1 + std::max<int16_t>(gap, 0)) << "gap " << gap;
    }
    EXPECT_EQ(loop.sleptMs(), loop.yields() * control.SpeedScroll());
    // Every step brings in a copy of row 0 (the first replaces the old bottom row too).
    const int32_t firstNew = kHeight - (3 * (cell + 1) + 5) - 1;
    for (int32_t y = 0; y < kHeight; ++y) {
        EXPECT_EQ(coloursOf(y, 1), Colours{y == 0 || y >= firstNew ? kRowZero : 0}) << "row " << y;
    }
}

// Where the finished line and its halo lie is held to the Windows program's own picture by the
// preview test (tests/tools/preview_test.cpp).
TEST_F(Pixel, OnlyMinusOneDrawsTheHaloMixedFromTheRawColourValues) {
    PropertyBag one;
    one.write("antyalias", int32_t{1}); // no halo: only the white text shows
    // 0x8000000E taken apart raw is red 14, green 1, blue 1; halved against black: 7, 0, 0.
    for (const auto& [bag, halo] : {std::pair{one, 0xFFFFFFu}, {TextScroll1Properties(), 7u}}) {
        control.ReadProperties(bag); // refills the image with the background
        control.Tekst("Witaj");
        EXPECT_EQ(coloursOf(0, kHeight),
                  (Colours{0, halo, surface.resolveColor(control.ColorFont())}));
    }
}

TEST_F(Pixel, ClsTakesRoundedFifthOfHeightPlusOneStepsAndLeavesOnlyCopiesOfRowZero) {
    for (auto [height, steps] : {std::pair{80, 17}, {184, 38}, {12, 3}, {13, 4}, {7, 2}, {3, 2}}) {
        const int yields = loop.yields();
        const int64_t slept = loop.sleptMs();
        surface.resize(kWidth, height, 0x445566);
        paintRowZero();
        control.Cls();
        EXPECT_EQ(loop.yields() - yields, steps) << "height " << height;
        EXPECT_EQ(loop.sleptMs() - slept, 5 * steps) << "height " << height;
        EXPECT_EQ(coloursOf(0, height), Colours{kRowZero}) << "height " << height;
    }
}

TEST_F(Pixel, BarInvertsPercentOfTheWidthRoundedHalfToEvenUnderACentredLabel) {
    control.Color(0x204060);
    control.ColorFont(0x00FF00);
    const int32_t top = kHeight - cell;
    const std::pair<int16_t, int32_t> cases[] = {{50, 97}, {25, 48},     {100, 194}, {150, 194},
                                                 {-5, 0},  {32767, 194}, {0, 0}};
    for (const auto& [proc, fill] : cases) {
        control.Bar(proc);
        const auto bottom = surface.pixels().end() - kWidth; // no ink of the label on this row
        EXPECT_EQ(std::count(bottom, bottom + fill, 0xFFFFFFu) +
                      std::count(bottom + fill, bottom + kWidth, 0u),
                  kWidth)
            << proc;
        EXPECT_EQ(coloursOf(top - 1, 1), Colours{0x204060}) << proc;
    }
    // After 0%: a black strip with the label in the text colour, centred.
    reference.resize(kWidth, kHeight, 0x204060);
    reference.fillBlack(0, top, kWidth, kHeight);
    const auto labelWidth = static_cast<int32_t>(roundHalfEven(reference.textWidth("0%")));
    reference.drawText(kWidth / 2 - labelWidth / 2, top, "0%", 0x00FF00);
    EXPECT_EQ(surface.pixels(), reference.pixels());
}

TEST_F(Pixel, CharsetChangedInPlaceChangesLaterText) {
    control.Font().charset = 238; // byte 0xE6: c-acute in code page 1250, zhe in 1251
    control.Tekst("\xE6\xE6\xE6");
    const std::vector<uint32_t> eastern = surface.pixels();
    control.Color(0); // clears the image
    control.SetFontCharset(204);
    control.Tekst("\xE6\xE6\xE6");
    EXPECT_NE(surface.pixels(), eastern);
}

} // namespace
} // namespace qly
