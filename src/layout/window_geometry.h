// The installer window's geometry, written once for the window and for its preview: where the
// layout file puts the controls, the ellipses that round the corners, and the close and
// minimize buttons the window places at its top right.
#pragma once

#include "layout/layout_file.h"
#include "platform/controls.h"

#include <cstdint>

namespace qly {

// The ellipses that round the window's corners.
inline constexpr int32_t kCornerWidth = 32;
inline constexpr int32_t kCornerHeight = 32;
// The size of the close and minimize buttons' pictures.
inline constexpr Rect kChromeButton{0, 0, 20, 20};
// The height the language selector takes from its font; the layout gives it none.
inline constexpr int32_t kSelectHeight = 20;

// The areas the layout file gives the window's controls.
struct WindowLayout {
    Rect linkRight; // Image1
    Rect linkLeft;  // Image2
    Rect button;    // Command1
    Rect select;    // Combo1, whose height is the one its font gives it, not this one
    Rect textArea;  // TextScroll1
};

// The control areas of the layout file, each by ReadLayoutArea.
WindowLayout ReadWindowLayout(const LayoutFile& layout);

// True when the pixel (x, y) of a w x h window belongs to its rounded region.
bool InsideRoundRegion(int32_t x, int32_t y, int32_t w, int32_t h);

// Where a close button of button's size stands in a window windowWidth pixels wide.
Rect CloseButtonArea(int32_t windowWidth, Rect button = kChromeButton);
// Where a minimize button of button's size stands, left of a close button closeWidth wide.
Rect MinimizeButtonArea(int32_t windowWidth, Rect button = kChromeButton,
                        int32_t closeWidth = kChromeButton.width);

} // namespace qly
