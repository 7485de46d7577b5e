#include "patch/x86_transform.h"

#include "bundle/bundle_name.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace qly::patch {

namespace {

constexpr uint32_t kRangeBits = 25; // +-16 MiB: the displacements of calls within one module
constexpr uint32_t kMask = (1u << kRangeBits) - 1;

bool inRange(uint32_t v) {
    const uint32_t top = v >> (kRangeBits - 1);
    return top == 0 || top == (0xFFFFFFFFu >> (kRangeBits - 1));
}

// Adds delta modulo 2^25 and sign-extends: a bijection of the in-range values onto themselves.
uint32_t shift(uint32_t v, uint32_t delta) {
    uint32_t r = (v + delta) & kMask;
    if (r >> (kRangeBits - 1)) {
        r |= ~kMask;
    }
    return r;
}

// An opcode left as it is reads its displacement from the next four bytes; if a conversion
// further on changed one of them, the inverse would judge that opcode on other bytes than the
// transform did. So no conversion starts within four bytes after an opcode left alone, and
// both directions then meet the same opcodes and the same displacement bytes.
template <bool encode> void transform(std::span<char> data) {
    std::size_t i = 0;
    std::optional<std::size_t> leftAlone; // the last E8 or E9 not converted
    while (i + 5 <= data.size()) {
        const auto op = static_cast<uint8_t>(data[i]);
        if (op != 0xE8 && op != 0xE9) {
            ++i;
            continue;
        }
        uint32_t v = 0;
        for (int k = 0; k < 4; ++k) {
            v |= uint32_t{static_cast<uint8_t>(data[i + 1 + k])} << (8 * k);
        }
        if (!inRange(v) || (leftAlone && i - *leftAlone <= 4)) {
            leftAlone = i;
            ++i;
            continue;
        }
        const auto next = static_cast<uint32_t>(i + 5);
        v = encode ? shift(v, next) : shift(v, 0u - next);
        for (int k = 0; k < 4; ++k) {
            data[i + 1 + k] = static_cast<char>(v >> (8 * k) & 0xFF);
        }
        i += 5;
    }
}

} // namespace

bool IsX86Name(std::string_view name) {
    const std::string key = BundlePathKey(name);
    constexpr std::array<std::string_view, 5> kSuffixes{".exe", ".dll", ".sys", ".ocx", ".cpl"};
    for (std::string_view s : kSuffixes) {
        if (key.ends_with(s)) {
            return true;
        }
    }
    return false;
}

bool LooksLikeProgram(std::span<const char> bytes) {
    const std::string_view start(bytes.data(), std::min<std::size_t>(bytes.size(), 4));
    return start.starts_with("MZ");
}

void X86Encode(std::span<char> data) {
    transform<true>(data);
}
void X86Decode(std::span<char> data) {
    transform<false>(data);
}

} // namespace qly::patch
