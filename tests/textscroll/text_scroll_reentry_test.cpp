// Calls that arrive from the window's handlers while the control is drawing, and errors
// raised in the middle of drawing.
#include "common/error.h"
#include "support/fake_message_loop.h"
#include "support/fake_surface.h"
#include "textscroll/text_scroll.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace qly {
namespace {

using Lines = std::vector<std::string>;

// Cells 10 high and no gap: every line takes 11 steps. "aaa bbb" wraps into two lines.
class Reentry : public ::testing::Test {
protected:
    Reentry() {
        surface.resize(62, 40, 0);
        control.SpaceL(2);
        control.SpaceW(0);
    }
    Lines linesShown() const { return surface.textsAt(2, 40); }

    test::FakeSurface surface;
    test::FakeMessageLoop loop;
    TextScroll control{surface, loop};
};

TEST_F(Reentry, TekstDuringTheFirstLineIsDroppedAndDuringTheSecondRunsNested) {
    std::vector<bool> drawingSeen;
    loop.at(3, [&] {
        drawingSeen.push_back(control.Drawing());
        control.Tekst("x");
    });
    loop.at(14, [&] {
        drawingSeen.push_back(control.Drawing());
        control.Tekst("y");
    });
    control.Tekst("aaa bbb");
    EXPECT_EQ(drawingSeen, (std::vector<bool>{true, false}));
    EXPECT_EQ(linesShown(), (Lines{"aaa ", "bbb", "y"}));
    EXPECT_EQ(loop.yields(), 3 * 11);
    EXPECT_FALSE(control.Drawing());
}

TEST_F(Reentry, CallsDuringClsDoNothing) {
    loop.at(2, [&] {
        control.Tekst("late");
        control.Bar(50);
        control.Cls();
    });
    control.Cls();
    EXPECT_TRUE(surface.texts.empty());
    EXPECT_EQ(loop.yields(), 9); // 40 / 5 + 1 steps of Cls alone
}

TEST_F(Reentry, ClsDuringTheSecondLineRunsAndTheLineGoesOn) {
    loop.at(12, [&] { control.Cls(); });
    control.Tekst("aaa bbb");
    EXPECT_EQ(loop.yields(), 2 * 11 + 9);
    EXPECT_EQ(linesShown(), (Lines{"aaa ", "bbb"}));
}

TEST_F(Reentry, ErrorWhileDrawingALinePropagatesAndFreesTheControl) {
    surface.failDrawAt = 4;
    EXPECT_THROW(control.Tekst("aaa bbb"), Error);
    EXPECT_FALSE(control.Drawing());
    surface.failDrawAt = 0;
    surface.texts.clear();
    control.Tekst("ok");
    EXPECT_EQ(linesShown(), (Lines{"ok"}));
}

TEST_F(Reentry, ErrorFromAHandlerDuringClsPropagatesAndFreesTheControl) {
    loop.at(2, [] { throw Error("handler failed"); });
    EXPECT_THROW(control.Cls(), Error);
    EXPECT_FALSE(control.Drawing());
    const int before = loop.yields();
    control.Cls();
    EXPECT_EQ(loop.yields() - before, 9);
}

TEST_F(Reentry, FailedMeasurementInBarOrTekstFreesTheControl) {
    surface.failMeasure = true;
    EXPECT_THROW(control.Bar(10), Error);
    EXPECT_FALSE(control.Drawing());
    EXPECT_THROW(control.Tekst("abc"), Error);
    EXPECT_FALSE(control.Drawing());
    surface.failMeasure = false;
    control.Bar(10);
    EXPECT_EQ(surface.texts.back().text, "10%");
}

} // namespace
} // namespace qly
