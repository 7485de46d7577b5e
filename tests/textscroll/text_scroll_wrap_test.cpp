// Word wrapping of Tekst, on a surface where every character is 10 pixels wide.
#include "support/fake_message_loop.h"
#include "support/fake_surface.h"
#include "textscroll/text_scroll.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace qly {
namespace {

using Lines = std::vector<std::string>;

class TekstWrap : public ::testing::Test {
protected:
    // An area whose lines have avail pixels: width avail + SpaceL (2).
    Lines linesOf(const std::string& text, int32_t avail) {
        surface.texts.clear();
        surface.resize(avail + 2, 50, 0);
        TextScroll control(surface, loop);
        control.SpaceL(2);
        control.SpaceW(0);
        control.Tekst(text);
        // Every line is first drawn with its cell just below the bottom edge.
        return surface.textsAt(2, 50);
    }

    test::FakeSurface surface;
    test::FakeMessageLoop loop;
};

TEST_F(TekstWrap, TextThatFitsIsOneLineAndEmptyTextOneEmptyLine) {
    EXPECT_EQ(linesOf("aa bb", 60), (Lines{"aa bb"}));
    EXPECT_EQ(linesOf("aaaaaa", 60), (Lines{"aaaaaa"})); // exactly avail wide still fits
}

TEST_F(TekstWrap, EmptyTextShowsOneEmptyLine) {
    EXPECT_EQ(linesOf("", 60), (Lines{""}));
    EXPECT_EQ(linesOf(" ", 60), (Lines{" "}));
}

TEST_F(TekstWrap, LineEndsBeforeAWordWhoseFirstLetterDoesNotFit) {
    // "aa bb c" is 70 wide, not narrower than 70, although "aa bb" alone would fit.
    EXPECT_EQ(linesOf("aa bb cc", 70), (Lines{"aa ", "bb cc"}));
    // One pixel more and the second word stays on the first line.
    EXPECT_EQ(linesOf("aa bb cc", 71), (Lines{"aa bb ", "cc"}));
}

TEST_F(TekstWrap, EverySpaceOfARunIsACandidateAndTheLineKeepsThem) {
    EXPECT_EQ(linesOf("aa   bb cc", 70), (Lines{"aa   ", "bb cc"}));
    // Only the position after the first space of the run fits: the line ends inside it.
    EXPECT_EQ(linesOf("aa   bb", 45), (Lines{"aa ", "  bb"}));
}

TEST_F(TekstWrap, WordWiderThanTheLineBreaksAtTheLastCharacterThatFits) {
    EXPECT_EQ(linesOf("abcdefghij", 35), (Lines{"abc", "def", "ghi", "j"}));
    EXPECT_EQ(linesOf("xy abcdefghij z", 40), (Lines{"xy ", "abcd", "efgh", "ij z"}));
}

TEST_F(TekstWrap, WordThatFitsOnlyWithoutTheNextLetterIsNotSplit) {
    // "aaaaa b" is 70: the rule finds no break, yet the first word with its space fits.
    EXPECT_EQ(linesOf("aaaaa bb", 60), (Lines{"aaaaa ", "bb"}));
}

TEST_F(TekstWrap, CharacterWiderThanTheLineStillShowsOnePerLine) {
    EXPECT_EQ(linesOf("abc", 5), (Lines{"a", "b", "c"}));
    // SpaceL beyond the width leaves no room at all; the text still ends.
    EXPECT_EQ(linesOf("ab", -2), (Lines{"a", "b"}));
}

TEST_F(TekstWrap, MarginIsReadAgainForEveryLine) {
    surface.resize(62, 50, 0);
    TextScroll control(surface, loop);
    control.SpaceL(2);
    control.SpaceW(0);
    // While the first line scrolls, the margin grows, so the remainder wraps narrower.
    loop.at(1, [&] { control.SpaceL(22); });
    control.Tekst("aaa bbb cc");
    EXPECT_EQ(surface.textsAt(2, 50), (Lines{"aaa "}));
    EXPECT_EQ(surface.textsAt(22, 50), (Lines{"bbb ", "cc"}));
}

} // namespace
} // namespace qly
