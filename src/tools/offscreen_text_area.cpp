#include "tools/offscreen_text_area.h"

#include "common/rounding.h"

#include <algorithm>

namespace qly::tools {

namespace {

// Larger areas stand beyond any screen; they are cut so that a typing slip in the layout file
// cannot ask for gigabytes of pixels.
constexpr int32_t kMaxSide = 8192;

} // namespace

OffscreenTextArea::OffscreenTextArea(const Rect& size, int32_t charset)
    : control_(surface_, loop_) {
    control_.ReadProperties(TextScroll1Properties());
    control_.Move(
        {0, 0, std::clamp(size.width, 0, kMaxSide), std::clamp(size.height, 0, kMaxSide)});
    control_.SetFontCharset(charset);
}

int32_t OffscreenTextArea::lineRows() {
    surface_.setFont(control_.Font());
    return static_cast<int32_t>(roundHalfEven(surface_.textHeight(""))) + 1 +
           std::max<int32_t>(0, control_.SpaceW());
}

} // namespace qly::tools
