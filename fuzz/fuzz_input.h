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

} // namespace qly::fuzz
