// The in-memory surface (row copies, clipping, solid glyphs, the code page of the font's
// charset) and the PNG files the rendering tool writes from it, read back with libpng.
#include "common/error.h"
#include "platform/posix/code_pages.h"
#include "platform/posix/png_writer.h"
#include "platform/posix/software_surface.h"
#include "support/temp_folder.h"

#include <array>
#include <climits>
#include <gtest/gtest.h>
#include <png.h>
#include <set>

namespace qly::posix {
namespace {

// The rows, top down, after the copies on a one-pixel-wide image whose row y is y + 1.
std::vector<uint32_t> afterCopies(std::initializer_list<std::array<int32_t, 3>> copies) {
    SoftwareSurface s;
    s.resize(1, 8, 0);
    for (int32_t y = 0; y < 8; ++y) {
        s.setPixel(0, y, y + 1);
    }
    for (const auto& [from, to, rows] : copies) {
        s.copyRows(from, to, rows);
    }
    return s.pixels();
}

TEST(SoftwareSurface, OverlappingRowCopiesMoveAsABlockAndRowsOutsideAreLeftOut) {
    using Rows = std::vector<uint32_t>;
    EXPECT_EQ(afterCopies({{0, 2, 5}}), (Rows{1, 2, 1, 2, 3, 4, 5, 8}));
    EXPECT_EQ(afterCopies({{2, 1, 6}}), (Rows{1, 3, 4, 5, 6, 7, 8, 8}));
    // Sources -3..-1 do not exist: rows 0 and 1 land on 3 and 4.
    EXPECT_EQ(afterCopies({{-3, 0, 5}, {6, 7, 10}}), (Rows{1, 2, 3, 1, 2, 6, 7, 7}));
    EXPECT_EQ(
        afterCopies({{0, 3, -4}, {INT32_MAX, INT32_MIN, INT32_MAX}, {INT32_MIN, 0, INT32_MAX}}),
        (Rows{1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST(SoftwareSurface, FillInvertAndGlyphsAreClippedToTheImage) {
    SoftwareSurface s;
    s.resize(4, 3, 0x0000FF);
    s.fillBlack(-2, 2, 4, 100);
    s.invert(3, -1, INT32_MAX, INT32_MAX);
    s.invert(0, 0, -1, 3);
    s.fillBlack(INT32_MIN, INT32_MIN, 5, 5);
    EXPECT_EQ(s.pixels(), (std::vector<uint32_t>{0xFF, 0xFF, 0xFF, 0xFFFF00, 0xFF, 0xFF, 0xFF,
                                                 0xFFFF00, 0, 0, 0xFF, 0xFFFF00}));
    s.resize(30, 12, 0xFFFFFF);
    s.drawText(-4, -3, "Ag", 0x123456);
    s.drawText(INT32_MAX - 2, INT32_MIN + 1, "Wj", 0x123456);
    EXPECT_EQ(std::set<uint32_t>(s.pixels().begin(), s.pixels().end()),
              (std::set<uint32_t>{0xFFFFFF, 0x123456})); // solid: no half-tones
    EXPECT_EQ(s.pixel(0, 0), 0x123456u);                 // the clipped "A" reaches the corner
}

TEST(SoftwareSurface, NinePointsAreATwelvePixelEmAndBytesShowTheCharsetsGlyphs) {
    SoftwareSurface s;
    FontSpec font;
    font.charset = 238;
    s.setFont(font);
    EXPECT_EQ(s.textHeight(""), 14); // ascent plus descent: 11 + 3
    // 0xB3 is l-stroke in 1250, the Ukrainian i in 1251; 0xE6 c-acute against zhe.
    EXPECT_EQ(s.textWidth("\xB3"), s.textWidth("l"));
    const double cAcute = s.textWidth("\xE6");
    EXPECT_EQ(cAcute, s.textWidth("c"));
    font.charset = 204;
    s.setFont(font);
    EXPECT_GT(s.textWidth("\xE6"), cAcute);
    EXPECT_EQ(s.resolveColor(static_cast<int32_t>(0x8000000Eu)), 0xFFFFFFu); // highlight text
    EXPECT_EQ(s.resolveColor(static_cast<int32_t>(0x800000FFu)), 0u);        // no such index
    SoftwareSurface missing("/nonexistent-font-folder"); // fails when text is first needed
    EXPECT_THROW(missing.drawText(0, 0, "a", 0), Error);
}

TEST(CodePages, EveryByteRoundTripsAndUtf8BecomesBytesOfTheCodePage) {
    for (unsigned page : {1250u, 1251u, 1252u, 1253u, 1254u, 1255u, 1256u, 1257u, 1258u, 874u}) {
        for (int b = 0; b < 256; ++b) {
            const auto byte = static_cast<unsigned char>(b);
            ASSERT_EQ(fromUnicode(toUnicode(byte, page), page), byte) << page << " " << b;
        }
    }
    EXPECT_EQ(toUnicode(0xE9, 9999), U'\u00E9'); // an unknown page is read as 1252
    EXPECT_EQ(utf8ToCodePage("Żółw", 1250), "\xAF\xF3\xB3w");
    EXPECT_EQ(utf8ToCodePage("Игра", 1250), "????");
    // Malformed: a stray continuation byte, a cut lead byte, an invalid lead byte, a cut end.
    EXPECT_EQ(utf8ToCodePage("\x80\xD0 \xFF\xE2\x82", 1251), "?? ???");
}

TEST(PngWriter, WritesEveryPixelWithRedFromTheLowByteAndRefusesBadInput) {
    test::TempFolder folder;
    writePng(folder.file("a.png"), 3, 2, {0x0000FF, 0x00FF00, 0xFF0000, 0, 0xFFFFFF, 0x123456});
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_NE(png_image_begin_read_from_file(&image, folder.file("a.png").c_str()), 0);
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
    ASSERT_NE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr), 0);
    EXPECT_EQ(image.width, 3u);
    EXPECT_EQ(image.height, 2u);
    EXPECT_EQ(rgb, (std::vector<png_byte>{255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255,
                                          0x56, 0x34, 0x12}));
    EXPECT_THROW(writePng(folder.file("a.png"), 2, 2, std::vector<uint32_t>(3)), Error);
    EXPECT_THROW(writePng(folder.file("a.png"), 0, 0, {}), Error);
    EXPECT_THROW(writePng(folder.file("missing/a.png"), 1, 1, {0}), Error);
}

} // namespace
} // namespace qly::posix
