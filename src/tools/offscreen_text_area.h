// The installer's text area (TextScroll1 with its stored properties) on the software surface,
// for setting texts as the window sets them, without a window.
#pragma once

#include "platform/controls.h"
#include "platform/posix/software_surface.h"
#include "textscroll/text_scroll.h"
#include "tools/no_wait_loop.h"

#include <cstdint>

namespace qly::tools {

class OffscreenTextArea {
public:
    // An area of size's width and height (at most 8192 pixels each), its font in charset.
    OffscreenTextArea(const Rect& size, int32_t charset);
    OffscreenTextArea(const OffscreenTextArea&) = delete;
    OffscreenTextArea& operator=(const OffscreenTextArea&) = delete;

    TextScroll& control() { return control_; }
    const posix::SoftwareSurface& surface() const { return surface_; }
    // The pixel rows one line takes as it scrolls in, its gap after it included.
    int32_t lineRows();

private:
    posix::SoftwareSurface surface_;
    NoWaitLoop loop_;
    TextScroll control_;
};

} // namespace qly::tools
