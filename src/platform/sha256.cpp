#include "platform/sha256.h"

namespace qly {

std::string ToHex(const Sha256Digest& d) {
    constexpr char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(d.size() * 2);
    for (const uint8_t byte : d) {
        out += digits[byte >> 4];
        out += digits[byte & 0x0F];
    }
    return out;
}

} // namespace qly
