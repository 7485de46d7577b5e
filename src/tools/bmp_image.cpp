#include "tools/bmp_image.h"

#include "common/error.h"

#include <bit>
#include <limits>

namespace qly::tools {
namespace {

constexpr uint32_t kRgb = 0;
constexpr uint32_t kRle8 = 1;
constexpr uint32_t kRle4 = 2;
constexpr uint32_t kBitFields = 3;

uint32_t u32(const std::string& b, size_t at) {
    if (at + 4 > b.size()) {
        throw Error("the file ends inside its header");
    }
    return static_cast<uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

uint16_t u16(const std::string& b, size_t at) {
    if (at + 2 > b.size()) {
        throw Error("the file ends inside its header");
    }
    return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) |
                                 static_cast<unsigned char>(b[at + 1]) << 8);
}

// The 8-bit value of the bits of pixel under mask.
uint32_t channel(uint32_t pixel, uint32_t mask) {
    if (mask == 0) {
        return 0;
    }
    const int shift = std::countr_zero(mask);
    const uint32_t maximum = mask >> shift;
    return ((pixel & mask) >> shift) * 255 / maximum;
}

} // namespace

BmpImage ReadBmp(const std::string& bytes) {
    if (bytes.size() < 26 || bytes[0] != 'B' || bytes[1] != 'M') {
        throw Error("not a bitmap file (no \"BM\" at its start)");
    }
    const uint32_t dataOffset = u32(bytes, 10);
    const uint32_t headerSize = u32(bytes, 14);
    BmpImage image;
    int64_t height = 0;
    uint32_t compression = kRgb;
    uint32_t coloursUsed = 0;
    const bool core = headerSize == 12;
    if (core) {
        image.width = u16(bytes, 18);
        height = u16(bytes, 20);
        image.bitsPerPixel = u16(bytes, 24);
    } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 108 ||
               headerSize == 124) {
        image.width = static_cast<int32_t>(u32(bytes, 18));
        height = static_cast<int32_t>(u32(bytes, 22));
        image.bitsPerPixel = u16(bytes, 28);
        compression = u32(bytes, 30);
        coloursUsed = u32(bytes, 46);
    } else {
        throw Error("unknown bitmap header of " + std::to_string(headerSize) + " bytes");
    }
    const bool topDown = height < 0;
    image.height = static_cast<int32_t>(topDown ? -height : height);
    if (image.width <= 0 || image.height <= 0) {
        throw Error("the bitmap has no pixels (" + std::to_string(image.width) + " x " +
                    std::to_string(height) + ")");
    }
    const int32_t bpp = image.bitsPerPixel;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) {
        throw Error(std::to_string(bpp) + " bits per pixel is not a bitmap depth");
    }
    if (compression == kRle8 || compression == kRle4) {
        if (topDown || (compression == kRle8 ? bpp != 8 : bpp != 4)) {
            throw Error("a run-length encoded bitmap must be bottom-up with 8 or 4 bits");
        }
        image.compressed = true;
        return image;
    }
    if (compression != kRgb && !(compression == kBitFields && (bpp == 16 || bpp == 32))) {
        throw Error("compression " + std::to_string(compression) +
                    " is not one the loader reads from a file");
    }

    // Colour masks: after a 40-byte header when given as bit fields, inside larger headers.
    uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
    if (bpp == 32) {
        masks[0] = 0xFF0000;
        masks[1] = 0xFF00;
        masks[2] = 0xFF;
    }
    if (compression == kBitFields) {
        for (size_t i = 0; i < 3; ++i) {
            masks[i] = u32(bytes, 14 + 40 + 4 * i);
        }
    }
    std::vector<uint32_t> palette;
    if (bpp <= 8) {
        const size_t entrySize = core ? 3 : 4;
        const uint32_t count =
            coloursUsed != 0 && coloursUsed < (1u << bpp) ? coloursUsed : (1u << bpp);
        const size_t at = 14 + headerSize;
        for (uint32_t i = 0; i < count; ++i) {
            const size_t e = at + i * entrySize;
            if (e + 3 > bytes.size()) {
                throw Error("the file ends inside its colour table");
            }
            // Entries are blue, green, red; pixels are kept as 0x00BBGGRR.
            palette.push_back(static_cast<uint32_t>(static_cast<unsigned char>(bytes[e])) << 16 |
                              static_cast<uint32_t>(static_cast<unsigned char>(bytes[e + 1])) << 8 |
                              static_cast<unsigned char>(bytes[e + 2]));
        }
    }
    const uint64_t stride = (static_cast<uint64_t>(image.width) * bpp + 31) / 32 * 4;
    if (dataOffset > bytes.size() || stride * image.height > bytes.size() - dataOffset) {
        throw Error("the file holds fewer pixel bytes than its " + std::to_string(image.width) +
                    " x " + std::to_string(image.height) + " pixels need");
    }
    image.pixels.resize(static_cast<size_t>(image.width) * static_cast<size_t>(image.height));
    for (int32_t y = 0; y < image.height; ++y) {
        const int32_t fileRow = topDown ? y : image.height - 1 - y;
        const size_t row = dataOffset + static_cast<size_t>(stride) * static_cast<size_t>(fileRow);
        for (int32_t x = 0; x < image.width; ++x) {
            uint32_t rgb = 0;
            if (bpp <= 8) {
                const size_t bit = static_cast<size_t>(x) * static_cast<size_t>(bpp);
                const auto byte = static_cast<unsigned char>(bytes[row + bit / 8]);
                const uint32_t index = (byte >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
                rgb = index < palette.size() ? palette[index] : 0;
            } else if (bpp == 24) {
                const size_t p = row + static_cast<size_t>(x) * 3;
                rgb = static_cast<uint32_t>(static_cast<unsigned char>(bytes[p])) << 16 |
                      static_cast<uint32_t>(static_cast<unsigned char>(bytes[p + 1])) << 8 |
                      static_cast<unsigned char>(bytes[p + 2]);
            } else {
                const size_t p = row + static_cast<size_t>(x) * static_cast<size_t>(bpp / 8);
                const uint32_t value = bpp == 16 ? u16(bytes, p) : u32(bytes, p);
                rgb = channel(value, masks[2]) << 16 | channel(value, masks[1]) << 8 |
                      channel(value, masks[0]);
            }
            image.pixels[static_cast<size_t>(y) * static_cast<size_t>(image.width) +
                         static_cast<size_t>(x)] = rgb;
        }
    }
    return image;
}

} // namespace qly::tools
