// Pixel images as 8-bit RGB PNG files: written for pictures, read back for comparing them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qly::posix {

// Writes the width x height image held row after row in pixels (0x00BBGGRR each) to path,
// replacing the file. Throws Error when the sizes do not match or the file cannot be written.
void writePng(const std::string& path, int32_t width, int32_t height,
              const std::vector<uint32_t>& pixels);

struct PngPixels {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels; // row after row from the top, 0x00BBGGRR
};

// The image of the PNG file at path, any colour type, composed onto black where it has
// transparency. Throws Error when it cannot be read.
PngPixels readPng(const std::string& path);

} // namespace qly::posix
