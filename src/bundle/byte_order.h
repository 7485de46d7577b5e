// Little-endian integers in byte strings, as the payload and the PE header store them.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace qly {

template <typename T> void AppendLittleEndian(std::string& out, T value) {
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        out += static_cast<char>(static_cast<uint64_t>(value) >> (8 * i) & 0xFF);
    }
}

// The T stored at offset of bytes; the caller has checked that it is all there.
template <typename T> T ReadLittleEndian(std::span<const char> bytes, std::size_t offset) {
    uint64_t value = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        value |= uint64_t{static_cast<uint8_t>(bytes[offset + i])} << (8 * i);
    }
    return static_cast<T>(value);
}

} // namespace qly
