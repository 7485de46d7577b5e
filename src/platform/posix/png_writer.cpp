#include "platform/posix/png_writer.h"

#include "common/error.h"

#include <cstring>
#include <png.h>

namespace qly::posix {

namespace {

// The simplified libpng interface reports errors through its control structure instead of a
// long jump, which keeps C++ destructors out of harm's way.
class PngImage {
public:
    PngImage() {
        std::memset(&image_, 0, sizeof image_);
        image_.version = PNG_IMAGE_VERSION;
    }
    ~PngImage() { png_image_free(&image_); }
    PngImage(const PngImage&) = delete;
    PngImage& operator=(const PngImage&) = delete;
    png_image& get() { return image_; }

private:
    png_image image_;
};

} // namespace

void writePng(const std::string& path, int32_t width, int32_t height,
              const std::vector<uint32_t>& pixels) {
    if (width <= 0 || height <= 0 ||
        pixels.size() != static_cast<size_t>(width) * static_cast<size_t>(height)) {
        throw Error("PNG: image of " + std::to_string(width) + " x " + std::to_string(height) +
                    " pixels does not match its " + std::to_string(pixels.size()) + " pixels");
    }
    std::vector<png_byte> rgb;
    rgb.reserve(pixels.size() * 3);
    for (uint32_t p : pixels) {
        rgb.push_back(static_cast<png_byte>(p & 0xFF));
        rgb.push_back(static_cast<png_byte>((p >> 8) & 0xFF));
        rgb.push_back(static_cast<png_byte>((p >> 16) & 0xFF));
    }
    PngImage image;
    png_image& im = image.get();
    im.width = static_cast<png_uint_32>(width);
    im.height = static_cast<png_uint_32>(height);
    im.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&im, path.c_str(), 0, rgb.data(), 0, nullptr)) {
        throw Error("PNG: cannot write " + path + ": " + im.message);
    }
}

PngPixels readPng(const std::string& path) {
    PngImage image;
    png_image& im = image.get();
    if (!png_image_begin_read_from_file(&im, path.c_str())) {
        throw Error("PNG: cannot read " + path + ": " + im.message);
    }
    im.format = PNG_FORMAT_RGB;
    std::vector<png_byte> rgb(PNG_IMAGE_SIZE(im));
    png_color black{0, 0, 0};
    if (!png_image_finish_read(&im, &black, rgb.data(), 0, nullptr)) {
        throw Error("PNG: cannot read " + path + ": " + im.message);
    }
    PngPixels out;
    out.width = static_cast<int32_t>(im.width);
    out.height = static_cast<int32_t>(im.height);
    out.pixels.reserve(rgb.size() / 3);
    for (size_t i = 0; i + 2 < rgb.size(); i += 3) {
        out.pixels.push_back(uint32_t{rgb[i]} | uint32_t{rgb[i + 1]} << 8 |
                             uint32_t{rgb[i + 2]} << 16);
    }
    return out;
}

} // namespace qly::posix
