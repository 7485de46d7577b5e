// Skin bitmaps read as the system loader reads them.
#include "common/error.h"
#include "tools/bmp_image.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace qly::tools {
namespace {

void put32(std::string& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    }
}

// A file with a 40-byte header, extra (palette or masks) after it, then the rows as given.
std::string bmp(int32_t w, int32_t h, uint16_t bpp, uint32_t compression, const std::string& extra,
                const std::string& rows) {
    std::string b(54, '\0');
    b[0] = 'B';
    b[1] = 'M';
    put32(b, 2, static_cast<uint32_t>(54 + extra.size() + rows.size()));
    put32(b, 10, static_cast<uint32_t>(54 + extra.size()));
    put32(b, 14, 40);
    put32(b, 18, static_cast<uint32_t>(w));
    put32(b, 22, static_cast<uint32_t>(h));
    b[26] = 1;
    b[28] = static_cast<char>(bpp);
    put32(b, 30, compression);
    if (bpp <= 8) {
        put32(b, 46, static_cast<uint32_t>(extra.size() / 4)); // colours in the palette
    }
    return b + extra + rows;
}

TEST(BmpImageTest, ReadsEveryUncompressedDepthInDisplayOrder) {
    using Pixels = std::vector<uint32_t>;
    // 24 bits, bottom-up, rows padded to 4 bytes: the file's first row is the bottom one.
    const std::string rows24 = std::string("\x01\x02\x03\x04\x05\x06\0\0", 8) +
                               std::string("\x0A\x0B\x0C\x0D\x0E\x0F\0\0", 8);
    EXPECT_EQ(ReadBmp(bmp(2, 2, 24, 0, "", rows24)).pixels,
              (Pixels{0x0A0B0C, 0x0D0E0F, 0x010203, 0x040506}));
    // Top-down (negative height).
    EXPECT_EQ(ReadBmp(bmp(2, -2, 24, 0, "", rows24)).pixels,
              (Pixels{0x010203, 0x040506, 0x0A0B0C, 0x0D0E0F}));
    // 8 bits through a palette of blue, green, red entries.
    const std::string palette8("\xFF\0\0\0\0\xFF\0\0", 8);
    EXPECT_EQ(ReadBmp(bmp(3, 1, 8, 0, palette8, std::string("\x01\x00\x01\0", 4))).pixels,
              (Pixels{0x00FF00, 0xFF0000, 0x00FF00}));
    // 1 bit: the high bit is the left pixel.
    const std::string palette1("\0\0\0\0\xFF\xFF\xFF\0", 8);
    EXPECT_EQ(ReadBmp(bmp(3, 1, 1, 0, palette1, std::string("\xA0\0\0\0", 4))).pixels,
              (Pixels{0xFFFFFF, 0, 0xFFFFFF}));
    // 16 bits with 5-6-5 masks, and 32 bits with default masks.
    const std::string masks565("\0\xF8\0\0\xE0\x07\0\0\x1F\0\0\0", 12);
    EXPECT_EQ(ReadBmp(bmp(1, 1, 16, 3, masks565, std::string("\x1F\xF8\0\0", 4))).pixels,
              (Pixels{0xFF00FF}));
    EXPECT_EQ(ReadBmp(bmp(1, 1, 32, 0, "", std::string("\x10\x20\x30\0", 4))).pixels,
              (Pixels{0x102030}));
}

TEST(BmpImageTest, RefusesWhatTheLoaderRefusesAndKnowsCompressedFiles) {
    const std::string rows(8, '\0');
    const std::vector<std::pair<std::string, std::string>> bad{
        {"GIF89a" + std::string(40, '\0'), "not a bitmap"},
        {bmp(2, 2, 24, 0, "", rows).substr(0, 60), "fewer pixel bytes"},
        {bmp(0, 2, 24, 0, "", rows), "no pixels"},
        {bmp(2, 1, 7, 0, "", rows), "7 bits"},
        {bmp(2, 1, 24, 3, "", rows), "compression 3"},
        {bmp(2, 1, 24, 4, "", rows), "compression 4"},
    };
    for (const auto& [bytes, why] : bad) {
        try {
            ReadBmp(bytes);
            ADD_FAILURE() << "accepted: " << why;
        } catch (const Error& e) {
            EXPECT_THAT(e.what(), testing::HasSubstr(why));
        }
    }
    const BmpImage rle = ReadBmp(bmp(451, 304, 8, 1, std::string(1024, '\0'), "\0\1"));
    EXPECT_TRUE(rle.compressed);
    EXPECT_EQ(rle.width, 451);
    EXPECT_TRUE(rle.pixels.empty());
}

} // namespace
} // namespace qly::tools
