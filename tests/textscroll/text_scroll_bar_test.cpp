// The percentage strip, pixel for pixel on the in-memory surface.
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
constexpr int32_t kHeight = 60;
constexpr uint32_t kBackground = 0x204060;

class BarStrip : public ::testing::Test {
protected:
    BarStrip() {
        surface.resize(kWidth, kHeight, 0);
        control.Color(static_cast<int32_t>(kBackground));
        probe.setFont(control.Font());
        stripTop = kHeight - static_cast<int32_t>(roundHalfEven(probe.textHeight("")));
    }
    std::set<uint32_t> coloursOfStrip() const {
        std::set<uint32_t> out;
        for (int32_t y = stripTop; y < kHeight; ++y) {
            for (int32_t x = 0; x < kWidth; ++x) {
                out.insert(surface.pixel(x, y));
            }
        }
        return out;
    }

    posix::SoftwareSurface surface;
    posix::SoftwareSurface probe;
    test::FakeMessageLoop loop;
    TextScroll control{surface, loop};
    int32_t stripTop = 0;
};

TEST_F(BarStrip, InvertedWidthIsPercentOfWidthRoundedHalfToEven) {
    for (auto [proc, fill] : {std::pair<int16_t, int32_t>{50, 97},
                              {25, 48},
                              {0, 0},
                              {100, 194},
                              {150, 194},
                              {-5, 0},
                              {32767, 194}}) {
        control.Bar(proc);
        // The bottom row holds no ink of the label (no descenders in digits and '%').
        for (int32_t x = 0; x < kWidth; ++x) {
            ASSERT_EQ(surface.pixel(x, kHeight - 1), x < fill ? 0xFFFFFFu : 0u)
                << "proc " << proc << " x " << x;
        }
        ASSERT_EQ(surface.pixel(0, stripTop - 1), kBackground) << "proc " << proc;
        ASSERT_NE(surface.pixel(0, stripTop), kBackground) << "proc " << proc;
    }
}

TEST_F(BarStrip, LabelIsCentredInTextColourOverBlack) {
    control.ColorFont(0x00FF00);
    control.Bar(0);
    EXPECT_EQ(coloursOfStrip(), (std::set<uint32_t>{0, 0x00FF00}));
    const int32_t labelWidth = static_cast<int32_t>(roundHalfEven(probe.textWidth("0%")));
    const int32_t left = kWidth / 2 - labelWidth / 2;
    int32_t firstInk = kWidth;
    int32_t lastInk = -1;
    for (int32_t y = stripTop; y < kHeight; ++y) {
        for (int32_t x = 0; x < kWidth; ++x) {
            if (surface.pixel(x, y) == 0x00FF00) {
                firstInk = std::min(firstInk, x);
                lastInk = std::max(lastInk, x);
            }
        }
    }
    EXPECT_GE(firstInk, left);
    EXPECT_LT(lastInk, left + labelWidth);
    EXPECT_LE(firstInk, left + 2); // the glyph's side bearing is small
}

TEST_F(BarStrip, FullStripShowsTheLabelInTheComplementOfTheTextColour) {
    control.ColorFont(0x00FF00);
    control.Bar(100);
    EXPECT_EQ(coloursOfStrip(), (std::set<uint32_t>{0xFFFFFF, 0xFF00FF}));
}

TEST_F(BarStrip, SmallerPercentAfterLargerLeavesOnlyTheSmaller) {
    posix::SoftwareSurface alone;
    alone.resize(kWidth, kHeight, 0);
    TextScroll single(alone, loop);
    single.Color(static_cast<int32_t>(kBackground));
    single.Bar(30);

    control.Bar(60);
    control.Bar(30);
    EXPECT_EQ(surface.pixels(), alone.pixels());
}

TEST(BarNarrowArea, LabelWiderThanTheAreaIsClippedOnBothSides) {
    posix::SoftwareSurface surface;
    test::FakeMessageLoop loop;
    surface.resize(20, 40, 0);
    TextScroll control(surface, loop);
    control.Font().size = 20;
    control.Bar(100);
    posix::SoftwareSurface probe;
    probe.setFont(control.Font());
    ASSERT_GT(probe.textWidth("100%"), 40);
    const int32_t top = 40 - static_cast<int32_t>(roundHalfEven(probe.textHeight("")));
    // White strip; the label, in black, runs off both edges.
    bool inkAtLeftEdge = false;
    bool inkAtRightEdge = false;
    for (int32_t y = top; y < 40; ++y) {
        inkAtLeftEdge |= surface.pixel(0, y) == 0;
        inkAtRightEdge |= surface.pixel(19, y) == 0;
    }
    EXPECT_EQ(surface.pixel(0, 39), 0xFFFFFFu);
    EXPECT_TRUE(inkAtLeftEdge);
    EXPECT_TRUE(inkAtRightEdge);
}

} // namespace
} // namespace qly
