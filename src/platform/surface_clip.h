// Clipping of Surface operations to the image, shared by the surfaces so that every one of
// them treats arguments outside the image alike (and none overflows on extreme ones).
#pragma once

#include <algorithm>
#include <cstdint>

namespace qly {

// A rectangle or a run of rows inside the image, in image coordinates.
struct ClippedRect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t w = 0;
    int32_t h = 0;
};
struct ClippedRows {
    int32_t from = 0;
    int32_t to = 0;
    int32_t rows = 0;
};

// The part of the rectangle (x, y, w, h) inside an imageW x imageH image; w or h is 0 when
// nothing is left.
inline ClippedRect clipRect(int32_t x, int32_t y, int32_t w, int32_t h, int32_t imageW,
                            int32_t imageH) {
    const int64_t left = std::max<int64_t>(x, 0);
    const int64_t top = std::max<int64_t>(y, 0);
    const int64_t right = std::min<int64_t>(int64_t{x} + w, imageW);
    const int64_t bottom = std::min<int64_t>(int64_t{y} + h, imageH);
    if (left >= right || top >= bottom) {
        return {};
    }
    return {static_cast<int32_t>(left), static_cast<int32_t>(top),
            static_cast<int32_t>(right - left), static_cast<int32_t>(bottom - top)};
}

// The rows of a copy of `rows` rows from row `from` to row `to` whose source and destination
// both lie inside an image of imageH rows; rows is 0 when none do.
inline ClippedRows clipRowCopy(int32_t from, int32_t to, int32_t rows, int32_t imageH) {
    const int64_t first = std::max<int64_t>({0, -int64_t{from}, -int64_t{to}});
    const int64_t last =
        std::min<int64_t>({int64_t{rows}, int64_t{imageH} - from, int64_t{imageH} - to});
    if (first >= last) {
        return {};
    }
    return {static_cast<int32_t>(from + first), static_cast<int32_t>(to + first),
            static_cast<int32_t>(last - first)};
}

} // namespace qly
