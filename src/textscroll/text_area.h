// What the installer's window asks of its scrolling text control.
#pragma once

#include "platform/controls.h"
#include "textscroll/line_sink.h"

#include <cstdint>

namespace qly {

class TextArea : public LineSink {
public:
    // Scrolls everything out; returns when the area is empty.
    virtual void Cls() = 0;
    // Draws the percentage strip across the bottom rows.
    virtual void Bar(int16_t proc) = 0;
    // Sets the charset of the control's font in place (as the language loader does).
    virtual void SetFontCharset(int32_t charset) = 0;
    // Places and sizes the control over its window (pixels).
    virtual void Move(const Rect& r) = 0;
};

} // namespace qly
