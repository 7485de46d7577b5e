// The installer window's fixed geometry: its rounded outline and the buttons it places itself.
#pragma once

#include "platform/controls.h"

#include <cstdint>

namespace qly::tools {

// The ellipses that round the window's corners.
inline constexpr int32_t kCornerWidth = 32;
inline constexpr int32_t kCornerHeight = 32;
// The height the language selector takes from its font; the layout gives it none.
inline constexpr int32_t kSelectHeight = 20;

// True when the pixel (x, y) of a w x h window belongs to its rounded region.
bool InsideRoundRegion(int32_t x, int32_t y, int32_t w, int32_t h);

// The close and minimize buttons of a window w pixels wide.
Rect CloseButtonArea(int32_t w);
Rect MinimizeButtonArea(int32_t w);

} // namespace qly::tools
