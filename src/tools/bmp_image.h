// Windows bitmap files, read as the system's loader reads them from a file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qly::tools {

struct BmpImage {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitsPerPixel = 0;
    bool compressed = false;      // run-length encoded: accepted by the loader, not decoded here
    std::vector<uint32_t> pixels; // 0x00BBGGRR, top row first; empty when compressed
};

// The image in the bytes of a .bmp file: uncompressed 1, 4, 8, 16, 24 and 32 bits per pixel
// (with or without colour masks), top-down or bottom-up; run-length encoded files give the
// size only. Throws Error naming the fault when the loader would refuse the file.
BmpImage ReadBmp(const std::string& bytes);

} // namespace qly::tools
