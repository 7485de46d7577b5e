// Helpers shared by the fuzz targets: the input as text, and a property failure that the
// fuzzer records as a crash with the input that caused it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace qly::fuzz {

inline std::string_view AsText(const uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// Stops the run when a property of the parser does not hold; libFuzzer keeps the input.
inline void Require(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "property broken: %s\n", what);
        std::abort();
    }
}

// The first text between open and close in text (both excluded), at most 64 bytes; empty when
// there is none. Lets a target ask for a name the input itself defines.
inline std::string_view FirstBetween(std::string_view text, char open, char close) {
    const std::size_t start = text.find(open);
    if (start == std::string_view::npos) {
        return {};
    }
    const std::size_t end = text.find(close, start + 1);
    if (end == std::string_view::npos || end - start - 1 > 64) {
        return {};
    }
    return text.substr(start + 1, end - start - 1);
}

// True for well-formed UTF-8: shortest forms only, no surrogates, nothing above U+10FFFF.
inline bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        const std::size_t extra = lead >= 0xC2 && lead < 0xE0   ? 1
                                  : lead >= 0xE0 && lead < 0xF0 ? 2
                                  : lead >= 0xF0 && lead < 0xF5 ? 3
                                                                : 0;
        if (extra == 0 || text.size() - i <= extra) {
            return false;
        }
        uint32_t code = lead & (0x3Fu >> extra);
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            code = code << 6 | (next & 0x3Fu);
        }
        constexpr uint32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
        if (code < kSmallest[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        i += extra + 1;
    }
    return true;
}

} // namespace qly::fuzz
