// Code pages of the charsets, for the in-memory surface and the rendering tool.
#include "platform/posix/code_pages.h"

#include <gtest/gtest.h>

namespace qly::posix {
namespace {

TEST(CodePages, BytesMapToTheirCharacters) {
    EXPECT_EQ(toUnicode(0xB9, 1250), U'\u0105'); // a-ogonek
    EXPECT_EQ(toUnicode(0x9C, 1250), U'\u015B'); // s-acute
    EXPECT_EQ(toUnicode(0xA3, 1250), U'\u0141'); // L-stroke
    EXPECT_EQ(toUnicode(0xC0, 1251), U'\u0410'); // Cyrillic A
    EXPECT_EQ(toUnicode(0xFF, 1251), U'\u044F'); // ya
    EXPECT_EQ(toUnicode(0xA8, 1251), U'\u0401'); // Yo
    EXPECT_EQ(toUnicode(0x80, 1252), U'\u20AC'); // euro
    EXPECT_EQ(toUnicode(0x81, 1252), U'\u0081'); // undefined: same number
    EXPECT_EQ(toUnicode('A', 1251), U'A');
    EXPECT_EQ(toUnicode(0xE9, 9999), U'\u00E9'); // unknown page read as 1252
}

TEST(CodePages, EveryByteRoundTrips) {
    for (unsigned page : {1250u, 1251u, 1252u, 1253u, 1254u, 1255u, 1256u, 1257u, 1258u, 874u}) {
        for (int b = 0; b < 256; ++b) {
            const auto byte = static_cast<unsigned char>(b);
            ASSERT_EQ(fromUnicode(toUnicode(byte, page), page), byte) << page << " " << b;
        }
    }
}

TEST(CodePages, Utf8TextBecomesBytesOfTheCodePage) {
    EXPECT_EQ(utf8ToCodePage("Łatka żółć", 1250), "\xA3"
                                                  "atka \xBF\xF3\xB3\xE6");
    EXPECT_EQ(utf8ToCodePage("Игра", 1251), "\xC8\xE3\xF0\xE0");
    EXPECT_EQ(utf8ToCodePage("Игра", 1250), "????");
    // Malformed sequences: a stray continuation byte, a cut lead byte, an invalid lead byte.
    EXPECT_EQ(utf8ToCodePage("a\x80"
                             "b\xD0",
                             1251),
              "a?b?");
    EXPECT_EQ(utf8ToCodePage("\xFF\xE2\x82", 1252), "???");
}

} // namespace
} // namespace qly::posix
