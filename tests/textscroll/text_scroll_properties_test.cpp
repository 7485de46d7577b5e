// The seven properties: defaults, the stored data of TextScroll1, save and load, and the
// variant conversions of SpeedScroll.
#include "common/error.h"
#include "platform/posix/software_surface.h"
#include "support/fake_message_loop.h"
#include "support/fake_surface.h"
#include "textscroll/text_scroll.h"
#include "textscroll/value_conversion.h"

#include <gtest/gtest.h>
#include <string>

namespace qly {
namespace {

FontSpec ambient() {
    FontSpec f;
    f.face = "MS Sans Serif";
    f.size = 8.25;
    return f;
}

class Properties : public ::testing::Test {
protected:
    void expectDefaults(const TextScroll& c) {
        EXPECT_FALSE(c.Antyalias());
        EXPECT_EQ(c.Font(), ambient());
        EXPECT_EQ(c.ColorFont(), 0xFFFFFF);
        EXPECT_EQ(c.Color(), 0);
        EXPECT_EQ(c.SpaceL(), 5);
        EXPECT_EQ(c.SpaceW(), 5);
        EXPECT_EQ(c.SpeedScroll(), 10);
        EXPECT_FALSE(c.Drawing());
    }

    test::FakeSurface surface;
    test::FakeMessageLoop loop;
    TextScroll control{surface, loop, ambient()};
};

TEST_F(Properties, NewControlAndEmptyDataGiveTheDefaults) {
    expectDefaults(control);
    control.ReadProperties(TextScroll1Properties());
    control.ReadProperties(PropertyBag{});
    expectDefaults(control);
}

TEST_F(Properties, TextScroll1StartsWithItsStoredValues) {
    control.ReadProperties(TextScroll1Properties());
    EXPECT_EQ(control.Font().face, "Arial");
    EXPECT_EQ(control.Font().size, 9.0);
    EXPECT_EQ(control.Font().weight, 400);
    EXPECT_EQ(control.Font().charset, 238);
    EXPECT_FALSE(control.Font().italic || control.Font().underline || control.Font().strikethrough);
    EXPECT_EQ(control.ColorFont(), static_cast<int32_t>(0x8000000Eu));
    EXPECT_EQ(control.Color(), 0);
    EXPECT_EQ(control.SpaceL(), 2);
    EXPECT_EQ(control.SpaceW(), 0);
    EXPECT_EQ(control.SpeedScroll(), 2);
    EXPECT_TRUE(control.Antyalias());
}

TEST_F(Properties, DefaultValuesAreNotWritten) {
    PropertyBag bag;
    control.WriteProperties(bag);
    EXPECT_TRUE(bag.empty());
    control.SpaceL(2);
    control.WriteProperties(bag);
    ASSERT_EQ(bag.size(), 1u);
    EXPECT_EQ(bag.entries().begin()->first, "spacel"); // stored in lower case
}

TEST_F(Properties, EveryValueSurvivesSaveAndLoad) {
    PropertyBag stored;
    stored.write("Antyalias", int32_t{1}); // true, yet not the halo's -1
    control.ReadProperties(stored);
    FontSpec font;
    font.face = "Arial";
    font.size = 12.5;
    font.weight = 700;
    font.italic = true;
    font.underline = true;
    font.strikethrough = true;
    font.charset = 204;
    control.Font(font);
    control.ColorFont(static_cast<int32_t>(0x8000000Eu));
    control.Color(0x123456);
    control.SpaceL(-7);
    control.SpaceW(0);
    control.SpeedScroll(int32_t{-32768});

    PropertyBag bag;
    control.WriteProperties(bag);
    test::FakeSurface otherSurface;
    TextScroll copy(otherSurface, loop, ambient());
    copy.ReadProperties(bag);
    EXPECT_EQ(copy.Font(), font);
    EXPECT_EQ(copy.ColorFont(), control.ColorFont());
    EXPECT_EQ(copy.Color(), 0x123456);
    EXPECT_EQ(copy.SpaceL(), -7);
    EXPECT_EQ(copy.SpaceW(), 0);
    EXPECT_EQ(copy.SpeedScroll(), -32768);
    EXPECT_TRUE(copy.Antyalias());
    // The switch value itself (1) travels too: saving the copy writes what was read.
    PropertyBag again;
    copy.WriteProperties(again);
    EXPECT_EQ(toInt16(*again.find("antyalias")), 1);
}

TEST_F(Properties, KeysMatchWhateverTheirCase) {
    PropertyBag bag;
    bag.write("SPACEL", int32_t{9});
    bag.write("speedScroll", std::string("7"));
    control.ReadProperties(bag);
    EXPECT_EQ(control.SpaceL(), 9);
    EXPECT_EQ(control.SpeedScroll(), 7);
    EXPECT_NE(bag.find("SpaceL"), nullptr);
}

TEST_F(Properties, EntryThatDoesNotConvertStopsTheLoadThere) {
    PropertyBag bag;
    bag.write("colorfont", int32_t{0x0000FF});
    bag.write("spacel", int32_t{1});
    bag.write("spacew", std::string("wide"));
    bag.write("speedscroll", int32_t{3});
    EXPECT_THROW(control.ReadProperties(bag), Error);
    EXPECT_EQ(control.ColorFont(), 0x0000FF);
    EXPECT_EQ(control.SpaceL(), 1);
    EXPECT_EQ(control.SpaceW(), 5);
    EXPECT_EQ(control.SpeedScroll(), 10);

    PropertyBag badFont;
    badFont.write("font", int32_t{3});
    EXPECT_THROW(control.ReadProperties(badFont), Error);
}

TEST_F(Properties, SpeedScrollConvertsLikeTheHostsIntegerConversion) {
    control.SpeedScroll(2.5);
    EXPECT_EQ(control.SpeedScroll(), 2);
    control.SpeedScroll(3.5);
    EXPECT_EQ(control.SpeedScroll(), 4);
    control.SpeedScroll("7");
    EXPECT_EQ(control.SpeedScroll(), 7);
    control.SpeedScroll(" 12.5 ");
    EXPECT_EQ(control.SpeedScroll(), 12);
    control.SpeedScroll(-32768.5); // rounds to the even -32768, still in range
    EXPECT_EQ(control.SpeedScroll(), -32768);
    control.SpeedScroll(int32_t{32767});
    EXPECT_EQ(control.SpeedScroll(), 32767);
}

TEST_F(Properties, SpeedScrollOutOfRangeOrNotNumericKeepsTheOldValue) {
    control.SpeedScroll(int32_t{6});
    const auto expectError = [&](auto value, const std::string& message) {
        try {
            control.SpeedScroll(value);
            ADD_FAILURE() << "no error for " << message;
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
        EXPECT_EQ(control.SpeedScroll(), 6);
    };
    expectError(32767.5, "Overflow"); // rounds to 32768
    expectError(int64_t{40000}, "Overflow");
    expectError(int32_t{-32769}, "Overflow");
    expectError("1e9", "Overflow");
    expectError("seven", "Type mismatch");
    expectError("", "Type mismatch");
    expectError("7x", "Type mismatch");
}

TEST_F(Properties, ColourAndMoveRefillTheImageWithTheBackground) {
    posix::SoftwareSurface image;
    image.resize(10, 10, 0x111111);
    TextScroll c(image, loop);
    EXPECT_EQ(image.pixel(9, 9), 0u); // the control starts with its background, black
    c.Color(0x000080);
    EXPECT_EQ(image.pixel(5, 5), 0x000080u);
    c.Color(static_cast<int32_t>(0x80000005u)); // system colour: resolved
    c.Move({3, 4, 30, 20});
    EXPECT_EQ(image.width(), 30);
    EXPECT_EQ(image.height(), 20);
    EXPECT_EQ(image.pixel(29, 19), image.resolveColor(c.Color()));
    EXPECT_EQ(c.bounds().left, 3);
}

TEST_F(Properties, CharsetChangedThroughFontChangesLaterText) {
    // Byte 0xE6 is c-acute in code page 1250 and zhe in code page 1251.
    const std::string bytes = "\xE6\xE6\xE6";
    posix::SoftwareSurface east;
    posix::SoftwareSurface cyrillic;
    posix::SoftwareSurface switched;
    for (auto* s : {&east, &cyrillic, &switched}) {
        s->resize(60, 30, 0);
    }
    TextScroll a(east, loop);
    TextScroll b(cyrillic, loop);
    TextScroll c(switched, loop);
    a.Font().charset = 238;
    b.SetFontCharset(204);
    c.Font().charset = 238;
    c.Font().charset = 204; // in place, no property write
    a.Tekst(bytes);
    b.Tekst(bytes);
    c.Tekst(bytes);
    EXPECT_NE(east.pixels(), cyrillic.pixels());
    EXPECT_EQ(switched.pixels(), cyrillic.pixels());
}

} // namespace
} // namespace qly
