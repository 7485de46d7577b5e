// Lines scrolling in and Cls, pixel for pixel on the in-memory surface.
#include "common/rounding.h"
#include "platform/posix/software_surface.h"
#include "support/fake_message_loop.h"
#include "textscroll/text_scroll.h"

#include <gtest/gtest.h>
#include <set>
#include <vector>

namespace qly {
namespace {

constexpr int32_t kWidth = 194;
constexpr int32_t kHeight = 80;

using Pixels = std::vector<uint32_t>;

class Scrolling : public ::testing::Test {
protected:
    Scrolling() { surface.resize(kWidth, kHeight, 0); }

    // A row 0 that differs from the background, column by column.
    static uint32_t rowZeroColour(int32_t x) {
        return 0x102030u * static_cast<uint32_t>(x % 5 + 1);
    }
    void paintRowZero() {
        for (int32_t x = 0; x < kWidth; ++x) {
            surface.setPixel(x, 0, rowZeroColour(x));
        }
    }
    Pixels row(int32_t y) const {
        Pixels out;
        for (int32_t x = 0; x < kWidth; ++x) {
            out.push_back(surface.pixel(x, y));
        }
        return out;
    }
    Pixels rowZero() const {
        Pixels out;
        for (int32_t x = 0; x < kWidth; ++x) {
            out.push_back(rowZeroColour(x));
        }
        return out;
    }
    // The text cell height n of the control's font.
    int32_t cellOf(const TextScroll& control) {
        reference.setFont(control.Font());
        return static_cast<int32_t>(roundHalfEven(reference.textHeight("")));
    }
    std::set<uint32_t> coloursIn(const posix::SoftwareSurface& s) const {
        return {s.pixels().begin(), s.pixels().end()};
    }

    posix::SoftwareSurface surface;
    posix::SoftwareSurface reference;
    test::FakeMessageLoop loop;
};

TEST_F(Scrolling, LineCostsCellHeightPlusOnePlusGapPauses) {
    for (int16_t gap : {0, 5, -3}) {
        test::FakeMessageLoop counting;
        TextScroll control(surface, counting);
        control.SpaceW(gap);
        const int32_t n = cellOf(control);
        const int32_t steps = n + 1 + (gap > 0 ? gap : 0);
        control.Tekst("Hello");
        EXPECT_EQ(counting.yields(), steps) << "gap " << gap;
        EXPECT_EQ(counting.sleptMs(), steps * control.SpeedScroll()) << "gap " << gap;
    }
}

TEST_F(Scrolling, BlankLineBringsInRowsCopiedFromRowZero) {
    TextScroll control(surface, loop);
    control.SpaceW(2);
    paintRowZero();
    const int32_t n = cellOf(control);
    control.Tekst(" ");
    // n + 1 + SpaceW new rows, and the old bottom row, cleared at the first step.
    const int32_t firstNew = kHeight - (n + 1 + 2) - 1;
    for (int32_t y = 0; y < kHeight; ++y) {
        const Pixels expected = (y == 0 || y >= firstNew) ? rowZero() : Pixels(kWidth, 0);
        ASSERT_EQ(row(y), expected) << "row " << y;
    }
}

TEST_F(Scrolling, RowZeroNeverChangesUnderLineScrolling) {
    TextScroll control(surface, loop);
    control.ReadProperties(TextScroll1Properties());
    paintRowZero();
    for (int i = 0; i < 6; ++i) {
        control.Tekst("Zainstaluj teraz: ten tekst jest dłuższy niż jedna linia obszaru.");
    }
    EXPECT_EQ(row(0), rowZero());
}

TEST_F(Scrolling, FinishedLineLiesAboveOneBackgroundRow) {
    TextScroll control(surface, loop);
    control.SpaceL(3);
    control.SpaceW(0);
    const int32_t n = cellOf(control);
    control.Tekst("Quillory patch");

    reference.resize(kWidth, kHeight, 0);
    reference.drawText(3, kHeight - n - 1, "Quillory patch", 0xFFFFFF);
    EXPECT_EQ(surface.pixels(), reference.pixels());
}

TEST_F(Scrolling, HaloSurroundsTheLineExceptOnItsLowestRow) {
    TextScroll control(surface, loop);
    control.Antyalias(true);
    control.SpaceW(0);
    const int32_t n = cellOf(control);
    const int32_t top = kHeight - n - 1;
    control.Tekst("Witaj w grze");

    reference.resize(kWidth, kHeight, 0);
    reference.drawText(4, top, "Witaj w grze", 0x808080);
    reference.drawText(6, top, "Witaj w grze", 0x808080);
    reference.copyRows(0, kHeight - 2, 1); // only the halo-less final draw reaches this row
    reference.drawText(5, top, "Witaj w grze", 0xFFFFFF);
    EXPECT_EQ(surface.pixels(), reference.pixels());
    EXPECT_EQ(coloursIn(surface), (std::set<uint32_t>{0, 0x808080, 0xFFFFFF}));
}

TEST_F(Scrolling, StoredColoursMixToAlmostBlackHalo) {
    TextScroll control(surface, loop);
    control.ReadProperties(TextScroll1Properties());
    control.Tekst("Witaj");
    // 0x8000000E taken apart raw is red 14, green 1, blue 1; halved against black: 7, 0, 0.
    // The text itself is system colour 14, resolved.
    EXPECT_EQ(coloursIn(surface),
              (std::set<uint32_t>{0, 0x000007, surface.resolveColor(control.ColorFont())}));
}

TEST_F(Scrolling, OnlyMinusOneSwitchesTheHaloOn) {
    PropertyBag bag;
    bag.write("antyalias", int32_t{1});
    TextScroll control(surface, loop);
    control.ReadProperties(bag);
    EXPECT_TRUE(control.Antyalias());
    control.Tekst("Witaj");
    EXPECT_EQ(coloursIn(surface), (std::set<uint32_t>{0, 0xFFFFFF}));
}

TEST_F(Scrolling, ClsTakesRoundedFifthOfHeightPlusOneSteps) {
    for (auto [height, steps] : {std::pair{184, 38}, {12, 3}, {13, 4}, {7, 2}, {3, 2}}) {
        posix::SoftwareSurface area;
        area.resize(kWidth, height, 0);
        test::FakeMessageLoop counting;
        TextScroll control(area, counting);
        control.Cls();
        EXPECT_EQ(counting.yields(), steps) << "height " << height;
        EXPECT_EQ(counting.sleptMs(), 5 * steps) << "height " << height;
        EXPECT_FALSE(control.Drawing());
    }
}

TEST_F(Scrolling, ClsLeavesEveryRowACopyOfTheOldRowZero) {
    TextScroll control(surface, loop);
    control.Tekst("Some text to scroll away");
    control.Bar(40);
    paintRowZero();
    control.Cls();
    for (int32_t y = 0; y < kHeight; ++y) {
        ASSERT_EQ(row(y), rowZero()) << "row " << y;
    }
}

} // namespace
} // namespace qly
