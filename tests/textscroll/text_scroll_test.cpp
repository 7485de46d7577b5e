// Word wrapping, calls from the window's handlers while the control draws, errors in the middle
// of drawing, and the stored properties; every character is 10 pixels wide, every cell 10 high.
#include "support/fake_message_loop.h"
#include "support/fake_surface.h"
#include "textscroll/text_scroll.h"

#include <gtest/gtest.h>

namespace qly {
namespace {

using Lines = std::vector<std::string>;

// A control 62 x 40 with SpaceL 2 and no gap: every line takes 11 steps, Cls 40 / 5 + 1 = 9.
class Flow : public ::testing::Test {
protected:
    void SetUp() override {
        surface.resize(62, 40, 0);
        control.SpaceL(2);
        control.SpaceW(0);
    }
    test::FakeSurface surface;
    test::FakeMessageLoop loop;
    const FontSpec ambient{"MS Sans Serif", 8.25};
    TextScroll control{surface, loop, ambient};
};

TEST_F(Flow, TekstAndWrapLinesBreakAfterTheLastSpaceWhoseNextLetterFitsAndSplitOnlyTooLongWords) {
    const struct {
        std::string text;
        int32_t avail; // the width less SpaceL
        Lines lines;
    } rows[] = {
        {"aaaaaa", 60, {"aaaaaa"}}, // exactly as wide as the line still fits
        {"", 60, {""}},
        // "aa bb c" is 70 wide, not narrower than 70, although "aa bb" alone would fit.
        {"aa bb cc", 70, {"aa ", "bb cc"}},
        {"aa bb cc", 71, {"aa bb ", "cc"}},
        {"aa   bb cc", 70, {"aa   ", "bb cc"}}, // the line keeps its spaces
        {"aa   bb", 45, {"aa ", "  bb"}},       // every space of a run is a candidate
        {"abcdefghij", 35, {"abc", "def", "ghi", "j"}},
        {"xy abcdefghij z", 40, {"xy ", "abcd", "efgh", "ij z"}},
        {"aaaaa bb", 60, {"aaaaa ", "bb"}}, // fits only without the next letter: not split
        {"ab", -2, {"a", "b"}}, // no room at all: one character a line, and the text ends
    };
    for (const auto& row : rows) {
        surface.resize(row.avail + 2, 50, 0);
        surface.textsAt.clear();
        control.Tekst(row.text);
        // Every line is first drawn with its cell just below the bottom edge.
        EXPECT_EQ((surface.textsAt[{2, 50}]), row.lines) << row.text << " in " << row.avail;
        // The same lines, told without drawing (for the bundle check), and nothing drawn.
        const int yieldsBefore = loop.yields();
        EXPECT_EQ(control.WrapLines(row.text), row.lines) << row.text << " in " << row.avail;
        EXPECT_EQ(loop.yields(), yieldsBefore);
    }
}

TEST_F(Flow, MarginIsReadAgainForEveryLine) {
    loop.at(1, [&] { control.SpaceL(22); });
    control.Tekst("aaa bbb cc");
    EXPECT_EQ((surface.textsAt[{2, 40}]), (Lines{"aaa "}));
    EXPECT_EQ((surface.textsAt[{22, 40}]), (Lines{"bbb ", "cc"}));
}

TEST_F(Flow, TekstDuringTheFirstLineIsDroppedAndDuringTheSecondRunsNested) {
    std::vector<bool> drawingSeen;
    for (const auto& [yield, text] : {std::pair{3, "x"}, {14, "y"}}) {
        loop.at(yield, [&, text] {
            drawingSeen.push_back(control.Drawing());
            control.Tekst(text);
        });
    }
    control.Tekst("aaa bbb");
    EXPECT_EQ(drawingSeen, (std::vector<bool>{true, false}));
    EXPECT_EQ((surface.textsAt[{2, 40}]), (Lines{"aaa ", "bbb", "y"}));
    EXPECT_EQ(loop.yields(), 3 * 11);
    EXPECT_FALSE(control.Drawing());
}

TEST_F(Flow, CallsDuringClsDoNothingAndClsDuringASecondLineRuns) {
    loop.at(2, [&] {
        control.Tekst("late");
        control.Bar(50);
        control.Cls();
    });
    control.Cls();
    EXPECT_TRUE(surface.textsAt.empty());
    EXPECT_EQ(loop.yields(), 9);
    loop.at(9 + 12, [&] { control.Cls(); });
    control.Tekst("aaa bbb");
    EXPECT_EQ(loop.yields(), 9 + 2 * 11 + 9);
    EXPECT_EQ((surface.textsAt[{2, 40}]), (Lines{"aaa ", "bbb"}));
}

TEST_F(Flow, ErrorsWhileDrawingPropagateAndFreeTheControl) {
    surface.failDrawAt = 4;
    EXPECT_THROW(control.Tekst("aaa bbb"), Error);
    EXPECT_FALSE(control.Drawing());
    loop.at(loop.yields() + 2, [] { throw Error("handler failed"); });
    EXPECT_THROW(control.Cls(), Error);
    EXPECT_FALSE(control.Drawing());
    surface.failDrawAt = surface.draws + 1;
    EXPECT_THROW(control.Bar(10), Error);
    EXPECT_FALSE(control.Drawing());
    surface.failDrawAt = 0;
    surface.textsAt.clear();
    control.Tekst("ok");
    EXPECT_EQ((surface.textsAt[{2, 40}]), (Lines{"ok"}));
}

TEST_F(Flow, EveryValueSurvivesSaveAndLoadAndDefaultsAreNotWritten) {
    PropertyBag stored;
    stored.write("ANTYALIAS", int32_t{1}); // true, yet not the halo's -1; keys in any case
    control.ReadProperties(stored);
    control.Font({"Arial", 12.5, 700, true, true, true, 204});
    control.ColorFont(static_cast<int32_t>(0x8000000Eu));
    control.Color(0x123456);
    control.SpaceL(-7);
    control.SpaceW(0);
    control.SpeedScroll(int32_t{-32768});
    PropertyBag bag;
    control.WriteProperties(bag);
    EXPECT_EQ(bag.size(), 7u);
    EXPECT_EQ(*bag.find("antyalias"), PropertyValue{int32_t{1}}); // the switch value itself
    TextScroll copy(surface, loop, ambient);
    copy.ReadProperties(bag);
    PropertyBag again;
    copy.WriteProperties(again);
    EXPECT_EQ(again.entries(), bag.entries());
    // Loading empty data brings back every default (the font: the ambient one).
    copy.ReadProperties(PropertyBag{});
    PropertyBag none;
    copy.WriteProperties(none);
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(copy.Font(), ambient);
}

TEST_F(Flow, EntryThatDoesNotConvertStopsTheLoadThere) {
    PropertyBag bag;
    bag.write("colorfont", int32_t{0x0000FF});
    bag.write("spacel", int32_t{1});
    bag.write("spacew", std::string("wide"));
    bag.write("speedscroll", int32_t{3});
    EXPECT_THROW(control.ReadProperties(bag), Error);
    EXPECT_EQ(control.ColorFont(), 0x0000FF);
    EXPECT_EQ(control.SpaceL(), 1);
    EXPECT_EQ(control.SpaceW(), 0); // as it was
    EXPECT_EQ(control.SpeedScroll(), 10);
    bag.write("font", int32_t{3}); // read first
    EXPECT_THROW(control.ReadProperties(bag), Error);
}

TEST_F(Flow, SpeedScrollRoundsHalfToEvenAndKeepsItsValueOnOverflowOrMismatch) {
    const auto set = [&](auto value) {
        control.SpeedScroll(int32_t{6});
        try {
            control.SpeedScroll(value);
            return std::to_string(control.SpeedScroll());
        } catch (const Error& e) {
            return std::string(e.what()) + (control.SpeedScroll() == 6 ? "" : " and changed");
        }
    };
    EXPECT_EQ(set(2.5), "2");
    EXPECT_EQ(set(3.5), "4");
    EXPECT_EQ(set(" 12.5 "), "12");
    EXPECT_EQ(set(-32768.5), "-32768");  // rounds to the even -32768, still in range
    EXPECT_EQ(set(32767.5), "Overflow"); // rounds to 32768
    EXPECT_EQ(set(int64_t{40000}), "Overflow");
    EXPECT_EQ(set("1e9"), "Overflow");
    EXPECT_EQ(set("seven"), "Type mismatch");
    EXPECT_EQ(set("7x"), "Type mismatch");
}

} // namespace
} // namespace qly
