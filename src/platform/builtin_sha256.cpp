#include "platform/builtin_sha256.h"

#include "common/error.h"

#include <algorithm>
#include <array>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace qly {

namespace {

using State = std::array<uint32_t, 8>;

constexpr std::size_t kBlock = 64;

constexpr State kInitial = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                            0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

alignas(16) constexpr uint32_t kRound[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

constexpr uint32_t rotr(uint32_t x, int n) {
    return (x >> n) | (x << (32 - n));
}

uint32_t bigEndian32(const unsigned char* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}

void compressPortable(State& s, const unsigned char* data, std::size_t blocks) {
    for (; blocks > 0; --blocks, data += kBlock) {
        uint32_t w[64];
        for (int t = 0; t < 16; ++t) {
            w[t] = bigEndian32(data + 4 * t);
        }
        for (int t = 16; t < 64; ++t) {
            const uint32_t s0 = rotr(w[t - 15], 7) ^ rotr(w[t - 15], 18) ^ (w[t - 15] >> 3);
            const uint32_t s1 = rotr(w[t - 2], 17) ^ rotr(w[t - 2], 19) ^ (w[t - 2] >> 10);
            w[t] = w[t - 16] + s0 + w[t - 7] + s1;
        }
        uint32_t a = s[0], b = s[1], c = s[2], d = s[3], e = s[4], f = s[5], g = s[6], h = s[7];
        for (int t = 0; t < 64; ++t) {
            const uint32_t t1 = h + (rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25)) +
                                ((e & f) ^ (~e & g)) + kRound[t] + w[t];
            const uint32_t t2 =
                (rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
            h = g, g = f, f = e, e = d + t1, d = c, c = b, b = a, a = t1 + t2;
        }
        s[0] += a, s[1] += b, s[2] += c, s[3] += d, s[4] += e, s[5] += f, s[6] += g, s[7] += h;
    }
}

#if defined(__x86_64__) || defined(__i386__)

bool cpuHasShaInstructions() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (__get_cpuid(1, &a, &b, &c, &d) == 0) {
        return false;
    }
    const bool ssse3 = (c & bit_SSSE3) != 0;
    const bool sse41 = (c & bit_SSE4_1) != 0;
    if (__get_cpuid_count(7, 0, &a, &b, &c, &d) == 0) {
        return false;
    }
    return ssse3 && sse41 && (b & bit_SHA) != 0;
}

// The compression function with the SHA extensions: four rounds per pair of sha256rnds2, the
// message schedule by sha256msg1/msg2. The state is kept as the instructions want it, in the
// word orders ABEF and CDGH.
__attribute__((target("sha,sse4.1,ssse3"))) void
compressHardware(State& s, const unsigned char* data, std::size_t blocks) {
    const __m128i byteSwap = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
    __m128i dcba = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.data()));
    __m128i hgfe = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.data() + 4));
    const __m128i cdab = _mm_shuffle_epi32(dcba, 0xB1);
    const __m128i efgh = _mm_shuffle_epi32(hgfe, 0x1B);
    __m128i abef = _mm_alignr_epi8(cdab, efgh, 8);
    __m128i cdgh = _mm_blend_epi16(efgh, cdab, 0xF0);
    for (; blocks > 0; --blocks, data += kBlock) {
        const __m128i abefBefore = abef;
        const __m128i cdghBefore = cdgh;
        __m128i m[4];
        for (int i = 0; i < 16; ++i) {
            __m128i& w = m[i & 3];
            if (i < 4) {
                w = _mm_shuffle_epi8(
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * i)), byteSwap);
            } else {
                // w holds the words 16 back; the three others the 12, 8 and 4 back.
                const __m128i& back12 = m[(i + 1) & 3];
                const __m128i& back8 = m[(i + 2) & 3];
                const __m128i& back4 = m[(i + 3) & 3];
                w = _mm_sha256msg2_epu32(_mm_add_epi32(_mm_sha256msg1_epu32(w, back12),
                                                       _mm_alignr_epi8(back4, back8, 4)),
                                         back4);
            }
            __m128i k =
                _mm_add_epi32(w, _mm_load_si128(reinterpret_cast<const __m128i*>(kRound + 4 * i)));
            cdgh = _mm_sha256rnds2_epu32(cdgh, abef, k);
            k = _mm_shuffle_epi32(k, 0x0E);
            abef = _mm_sha256rnds2_epu32(abef, cdgh, k);
        }
        abef = _mm_add_epi32(abef, abefBefore);
        cdgh = _mm_add_epi32(cdgh, cdghBefore);
    }
    const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
    const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
    dcba = _mm_blend_epi16(feba, dchg, 0xF0);
    hgfe = _mm_alignr_epi8(dchg, feba, 8);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(s.data()), dcba);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(s.data() + 4), hgfe);
}

#else

bool cpuHasShaInstructions() {
    return false;
}

void compressHardware(State& s, const unsigned char* data, std::size_t blocks) {
    compressPortable(s, data, blocks);
}

#endif

class BuiltinSha256 : public Sha256 {
public:
    explicit BuiltinSha256(bool hardware) : hardware_(hardware) {}

    void update(std::span<const char> data) override {
        if (finished_) {
            throw Error("SHA-256: bytes added after the digest was taken");
        }
        if (data.empty()) {
            return; // its data() may be null, which no copy may be given
        }
        auto bytes = reinterpret_cast<const unsigned char*>(data.data());
        std::size_t n = data.size();
        length_ += n;
        if (pending_ > 0) {
            const std::size_t take = std::min(n, kBlock - pending_);
            std::memcpy(tail_.data() + pending_, bytes, take);
            pending_ += take, bytes += take, n -= take;
            if (pending_ < kBlock) {
                return;
            }
            compress(tail_.data(), 1);
            pending_ = 0;
        }
        compress(bytes, n / kBlock);
        pending_ = n % kBlock;
        std::memcpy(tail_.data(), bytes + n - pending_, pending_);
    }

    Sha256Digest finish() override {
        if (finished_) {
            throw Error("SHA-256: the digest was already taken");
        }
        finished_ = true;
        const uint64_t bits = length_ * 8;
        tail_[pending_++] = 0x80;
        if (pending_ > kBlock - 8) {
            std::fill(tail_.begin() + static_cast<std::ptrdiff_t>(pending_), tail_.end(), 0);
            compress(tail_.data(), 1);
            pending_ = 0;
        }
        std::fill(tail_.begin() + static_cast<std::ptrdiff_t>(pending_), tail_.end() - 8, 0);
        for (int i = 0; i < 8; ++i) {
            tail_[kBlock - 1 - i] = static_cast<unsigned char>(bits >> (8 * i));
        }
        compress(tail_.data(), 1);
        Sha256Digest digest;
        for (std::size_t i = 0; i < state_.size(); ++i) {
            for (int j = 0; j < 4; ++j) {
                digest[4 * i + j] = static_cast<uint8_t>(state_[i] >> (24 - 8 * j));
            }
        }
        return digest;
    }

private:
    void compress(const unsigned char* data, std::size_t blocks) {
        if (blocks == 0) {
            return;
        }
        hardware_ ? compressHardware(state_, data, blocks) : compressPortable(state_, data, blocks);
    }

    bool hardware_;
    bool finished_ = false;
    State state_ = kInitial;
    std::array<unsigned char, kBlock> tail_{};
    std::size_t pending_ = 0; // bytes of tail_ waiting for a whole block
    uint64_t length_ = 0;
};

} // namespace

bool HasSha256Instructions() {
    return cpuHasShaInstructions();
}

BuiltinHashService::BuiltinHashService(Sha256Engine engine)
    : hardware_(engine == Sha256Engine::Best && HasSha256Instructions()) {}

std::unique_ptr<Sha256> BuiltinHashService::newSha256() {
    return std::make_unique<BuiltinSha256>(hardware_);
}

} // namespace qly
