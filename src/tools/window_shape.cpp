#include "tools/window_shape.h"

namespace qly::tools {
namespace {

constexpr int32_t kButtonSize = 20;
constexpr int32_t kButtonTop = 8;

} // namespace

bool InsideRoundRegion(int32_t x, int32_t y, int32_t w, int32_t h) {
    if (x < 0 || y < 0 || x >= w || y >= h) {
        return false;
    }
    const double rx = kCornerWidth / 2.0;
    const double ry = kCornerHeight / 2.0;
    const double px = x + 0.5;
    const double py = y + 0.5;
    // Distance into the corner box, measured from the ellipse's centre; none outside corners.
    const double dx = px < rx ? rx - px : (px > w - rx ? px - (w - rx) : 0.0);
    const double dy = py < ry ? ry - py : (py > h - ry ? py - (h - ry) : 0.0);
    return (dx * dx) / (rx * rx) + (dy * dy) / (ry * ry) <= 1.0;
}

Rect CloseButtonArea(int32_t w) {
    return {w - kButtonSize - 10, kButtonTop, kButtonSize, kButtonSize};
}

Rect MinimizeButtonArea(int32_t w) {
    return {w - 2 * kButtonSize - 10 - 2, kButtonTop, kButtonSize, kButtonSize};
}

} // namespace qly::tools
