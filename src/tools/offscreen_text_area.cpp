#include "tools/offscreen_text_area.h"

#include "common/rounding.h"

#include <algorithm>

namespace qly::tools {

OffscreenTextArea::OffscreenTextArea(const Rect& size, int32_t charset)
    : control_(surface_, loop_) {
    control_.ReadProperties(TextScroll1Properties());
    control_.Move({0, 0, size.width, size.height});
    control_.SetFontCharset(charset);
}

int32_t OffscreenTextArea::lineRows() {
    surface_.setFont(control_.Font());
    return static_cast<int32_t>(roundHalfEven(surface_.textHeight(""))) + 1 +
           std::max<int32_t>(0, control_.SpaceW());
}

} // namespace qly::tools
