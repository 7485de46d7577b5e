#include "layout/window_geometry.h"

namespace qly {
namespace {

// Both buttons stand 8 pixels from the top, close 10 pixels from the right edge, minimize 2
// pixels left of close.
constexpr int32_t kButtonTop = 8;
constexpr int32_t kCloseRightMargin = 10;
constexpr int32_t kButtonGap = 2;

} // namespace

WindowLayout ReadWindowLayout(const LayoutFile& layout) {
    WindowLayout out;
    out.linkRight = ReadLayoutArea(layout, "linkright");
    out.linkLeft = ReadLayoutArea(layout, "linkleft");
    out.button = ReadLayoutArea(layout, "button");
    out.select = ReadLayoutArea(layout, "select");
    out.textArea = ReadLayoutArea(layout, "textscroll");
    return out;
}

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

Rect CloseButtonArea(int32_t windowWidth, Rect button) {
    return {windowWidth - button.width - kCloseRightMargin, kButtonTop, button.width,
            button.height};
}

Rect MinimizeButtonArea(int32_t windowWidth, Rect button, int32_t closeWidth) {
    return {windowWidth - 2 * closeWidth - kCloseRightMargin - kButtonGap, kButtonTop, button.width,
            button.height};
}

} // namespace qly
