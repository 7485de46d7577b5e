#include "patch/block_codec.h"

#include "common/error.h"
#include "patch/lzma_block.h"

#include <climits>
#include <zlib.h>

namespace qly::patch {

namespace {

[[noreturn]] void damaged(const char* why) {
    throw Error(std::string("damaged patch block: ") + why, FailureKind::Damaged, 0, "");
}

const uint8_t* bytesOf(std::span<const char> s) {
    return reinterpret_cast<const uint8_t*>(s.data());
}

void inflateExactly(std::span<const char> packed, std::span<char> out) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) {
        throw Error("cannot start the zlib decoder");
    }
    z.next_in = const_cast<Bytef*>(bytesOf(packed));
    z.avail_in = static_cast<uInt>(packed.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int rc = inflate(&z, Z_FINISH);
    const bool whole = rc == Z_STREAM_END && z.avail_out == 0 && z.avail_in == 0;
    inflateEnd(&z);
    if (!whole) {
        damaged("the zlib stream does not hold the block");
    }
}

} // namespace

void DecompressBlock(Codec codec, std::span<const char> packed, std::span<char> out) {
    if (out.size() > kMaxBlockSize || packed.size() > UINT_MAX) {
        damaged("a block larger than any writer makes");
    }
    switch (codec) {
    case Codec::Stored:
        if (packed.size() != out.size()) {
            damaged("a stored block of the wrong size");
        }
        std::copy(packed.begin(), packed.end(), out.begin());
        return;
    case Codec::Lzma:
        if (qly_lzma_decode(bytesOf(packed), packed.size(), reinterpret_cast<uint8_t*>(out.data()),
                            out.size()) != 0) {
            damaged("the LZMA stream does not hold the block");
        }
        return;
    case Codec::Zlib:
        inflateExactly(packed, out);
        return;
    }
    damaged("an unknown codec");
}

uint32_t Crc32(std::span<const char> data, uint32_t crc) {
    // zlib takes lengths as uInt: long spans go in slices.
    while (!data.empty()) {
        const std::size_t n = std::min<std::size_t>(data.size(), 1u << 30);
        crc = static_cast<uint32_t>(crc32(crc, bytesOf(data), static_cast<uInt>(n)));
        data = data.subspan(n);
    }
    return crc;
}

} // namespace qly::patch
