// PNG files written from an image, read back with libpng.
#include "common/error.h"
#include "platform/posix/png_writer.h"
#include "support/temp_folder.h"

#include <cstring>
#include <gtest/gtest.h>
#include <png.h>
#include <vector>

namespace qly::posix {
namespace {

std::vector<png_byte> readRgb(const std::string& path, png_uint_32& w, png_uint_32& h) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    EXPECT_NE(png_image_begin_read_from_file(&image, path.c_str()), 0) << image.message;
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
    EXPECT_NE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr), 0) << image.message;
    w = image.width;
    h = image.height;
    return rgb;
}

TEST(PngWriter, WritesEveryPixelWithRedFromTheLowByte) {
    test::TempFolder folder;
    const std::string path = folder.file("image.png");
    const std::vector<uint32_t> pixels = {0x0000FF, 0x00FF00, 0xFF0000, //
                                          0x000000, 0xFFFFFF, 0x123456};
    writePng(path, 3, 2, pixels);
    png_uint_32 w = 0;
    png_uint_32 h = 0;
    const std::vector<png_byte> rgb = readRgb(path, w, h);
    EXPECT_EQ(w, 3u);
    EXPECT_EQ(h, 2u);
    const std::vector<png_byte> expected = {255, 0, 0, 0,   255, 0,   0,    0,    255,
                                            0,   0, 0, 255, 255, 255, 0x56, 0x34, 0x12};
    EXPECT_EQ(rgb, expected);
}

TEST(PngWriter, RefusesMismatchedSizesAndUnwritablePaths) {
    test::TempFolder folder;
    EXPECT_THROW(writePng(folder.file("a.png"), 2, 2, std::vector<uint32_t>(3)), Error);
    EXPECT_THROW(writePng(folder.file("a.png"), 0, 0, {}), Error);
    EXPECT_THROW(writePng(folder.file("missing/a.png"), 1, 1, {0}), Error);
}

} // namespace
} // namespace qly::posix
