#include "patch/block_codec.h"

#include "common/error.h"
#include "patch/lzma_block.h"

#include <algorithm>
#include <array>
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

} // namespace

struct BlockDecoder::State {
    Codec codec;
    std::span<char> out;
    std::size_t stored = 0;                           // Stored: bytes of out filled
    std::array<uint8_t, QLY_LZMA_PROPS_SIZE> props{}; // Lzma: the properties, as they come
    std::size_t propsHeld = 0;
    QlyLzmaDecoder* lzma = nullptr;
    z_stream zlib{};
    bool zlibStarted = false;
    bool zlibEnded = false;

    ~State() {
        qly_lzma_decoder_free(lzma);
        if (zlibStarted) {
            inflateEnd(&zlib);
        }
    }
};

BlockDecoder::BlockDecoder(Codec codec, std::span<char> out) : state_(std::make_unique<State>()) {
    if (out.size() > kMaxBlockSize) {
        damaged("a block larger than any writer makes");
    }
    state_->codec = codec;
    state_->out = out;
    switch (codec) {
    case Codec::Stored:
    case Codec::Lzma:
        return;
    case Codec::Zlib:
        if (inflateInit(&state_->zlib) != Z_OK) {
            throw Error("cannot start the zlib decoder");
        }
        state_->zlibStarted = true;
        state_->zlib.next_out = reinterpret_cast<Bytef*>(out.data());
        state_->zlib.avail_out = static_cast<uInt>(out.size());
        return;
    }
    damaged("an unknown codec");
}

BlockDecoder::~BlockDecoder() = default;

void BlockDecoder::feed(std::span<const char> packed) {
    State& s = *state_;
    switch (s.codec) {
    case Codec::Stored:
        if (packed.size() > s.out.size() - s.stored) {
            damaged("a stored block of the wrong size");
        }
        std::copy(packed.begin(), packed.end(),
                  s.out.begin() + static_cast<std::ptrdiff_t>(s.stored));
        s.stored += packed.size();
        return;
    case Codec::Lzma:
        while (s.lzma == nullptr && !packed.empty()) {
            s.props[s.propsHeld++] = static_cast<uint8_t>(packed.front());
            packed = packed.subspan(1);
            if (s.propsHeld == s.props.size()) {
                s.lzma = qly_lzma_decoder_start(
                    s.props.data(), reinterpret_cast<uint8_t*>(s.out.data()), s.out.size());
                if (s.lzma == nullptr) {
                    damaged("the LZMA stream does not hold the block");
                }
            }
        }
        if (!packed.empty() && qly_lzma_decoder_feed(s.lzma, bytesOf(packed), packed.size()) != 0) {
            damaged("the LZMA stream does not hold the block");
        }
        return;
    case Codec::Zlib:
        // zlib takes lengths as uInt: long spans go in slices.
        while (!packed.empty()) {
            if (s.zlibEnded) {
                damaged("the zlib stream does not hold the block");
            }
            const std::size_t n = std::min<std::size_t>(packed.size(), 1u << 30);
            s.zlib.next_in = const_cast<Bytef*>(bytesOf(packed));
            s.zlib.avail_in = static_cast<uInt>(n);
            const int rc = inflate(&s.zlib, Z_NO_FLUSH);
            if (rc == Z_STREAM_END) {
                s.zlibEnded = true;
            } else if (rc != Z_OK) {
                damaged("the zlib stream does not hold the block");
            }
            const std::size_t used = n - s.zlib.avail_in;
            if (used == 0 && !s.zlibEnded) {
                damaged("the zlib stream does not hold the block"); // the output is full
            }
            packed = packed.subspan(used);
        }
        return;
    }
}

void BlockDecoder::finish() {
    const State& s = *state_;
    switch (s.codec) {
    case Codec::Stored:
        if (s.stored != s.out.size()) {
            damaged("a stored block of the wrong size");
        }
        return;
    case Codec::Lzma:
        if (s.lzma == nullptr || qly_lzma_decoder_finished(s.lzma) != 0) {
            damaged("the LZMA stream does not hold the block");
        }
        return;
    case Codec::Zlib:
        if (!s.zlibEnded || s.zlib.avail_out != 0) {
            damaged("the zlib stream does not hold the block");
        }
        return;
    }
}

void DecompressBlock(Codec codec, std::span<const char> packed, std::span<char> out) {
    if (packed.size() > UINT_MAX) {
        damaged("a block larger than any writer makes");
    }
    BlockDecoder decoder(codec, out);
    decoder.feed(packed);
    decoder.finish();
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
