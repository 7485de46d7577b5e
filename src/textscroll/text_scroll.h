// TextScroll: a rectangular text area whose lines scroll in from the bottom edge pixel row by
// pixel row, with an optional one-pixel halo around the glyphs, and across whose bottom rows a
// percentage bar can be drawn. The image on the Surface is the only record of what is shown:
// nothing is redrawn from memory. Every scroll step pauses, yields to the message loop and
// presents, so the window's handlers run in the middle of Cls and Tekst; the Drawing flag
// drops the Cls, Tekst and Bar calls they make meanwhile.
#pragma once

#include "platform/message_loop.h"
#include "platform/surface.h"
#include "textscroll/property_bag.h"
#include "textscroll/text_area.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qly {

class TextScroll : public TextArea {
public:
    static constexpr int32_t kDefaultColorFont = 0xFFFFFF;
    static constexpr int32_t kDefaultColor = 0;
    static constexpr int16_t kDefaultSpaceL = 5;
    static constexpr int16_t kDefaultSpaceW = 5;
    static constexpr int16_t kDefaultSpeedScroll = 10;

    // A control drawing on surface and yielding to loop, both outliving it. It starts with the
    // default property values and ambientFont (the font of the window that holds it), and with
    // the surface's current size, filled with the background colour.
    TextScroll(Surface& surface, MessageLoop& loop, FontSpec ambientFont = {});

    // The halo switch: true as -1. Reading gives true for any nonzero switch, but only -1
    // draws the halo (a stored 1 reads true and draws none).
    void Antyalias(bool vnew);
    bool Antyalias() const { return halo_ != 0; }

    // The control's own font: a caller may change it in place (the charset, when the language
    // changes) and every later measuring and drawing uses the change.
    FontSpec& Font() { return font_; }
    const FontSpec& Font() const { return font_; }
    void Font(const FontSpec& NewFont) { font_ = NewFont; }

    // Colours in the 32-bit colour form (0x00BBGGRR, or 0x80000000 + n for system colour n).
    void ColorFont(int32_t vnew) { colorFont_ = vnew; }
    int32_t ColorFont() const { return colorFont_; }
    // Sets the background colour and fills the whole image with it.
    void Color(int32_t vNewValue);
    int32_t Color() const { return color_; }

    // x of every line's left edge; lines wrap at the width less this margin.
    void SpaceL(int16_t vnew) { spaceL_ = vnew; }
    int16_t SpaceL() const { return spaceL_; }
    // Blank pixel rows scrolled in after each line (none when 0 or less).
    void SpaceW(int16_t vnew) { spaceW_ = vnew; }
    int16_t SpaceW() const { return spaceW_; }

    // Milliseconds of pause after each one-pixel scroll step (none when 0 or less). Set from
    // a number (rounded half to even), or from a numeric string; a value outside
    // -32768..32767 throws Error("Overflow"), anything else Error("Type mismatch"), and either
    // leaves the pause as it was.
    void SpeedScroll(double sp);
    void SpeedScroll(int64_t sp);
    void SpeedScroll(int32_t sp) { SpeedScroll(int64_t{sp}); }
    void SpeedScroll(std::string_view sp);
    int16_t SpeedScroll() const { return speedScroll_; }

    // Scrolls everything out of the top, five rows a step; returns when the area shows only
    // the old row 0. Does nothing while Drawing.
    void Cls() override;
    // Word-wraps sss to the width less SpaceL and scrolls its lines in; returns when all of
    // it is shown. " " shows an empty line. Does nothing while Drawing.
    void Tekst(std::string sss) override;
    // The lines Tekst would scroll in for sss with the current size, font and SpaceL, without
    // drawing: at least one, an empty one for an empty text.
    std::vector<std::string> WrapLines(std::string sss);
    // Draws the percentage strip across the bottom rows: black, the label proc% centred, the
    // left proc percent of it inverted. Does nothing while Drawing.
    void Bar(int16_t proc) override;
    void SetFontCharset(int32_t charset) override { font_.charset = charset; }
    // Places the control and makes the image r's size, filled with the background colour.
    void Move(const Rect& r) override;
    Rect bounds() const { return bounds_; }

    // True from the start of Cls, Tekst or Bar until Cls or Bar ends or a line of Tekst has
    // scrolled in; never left true by an error.
    bool Drawing() const { return drawing_ != 0; }

    // Loads the stored properties; an entry that does not convert throws Error, leaving the
    // entries before it applied. Absent entries give the defaults.
    void ReadProperties(const PropertyBag& bag);
    // Stores the properties, leaving out those that hold their default value.
    void WriteProperties(PropertyBag& bag) const;

private:
    // Sets Drawing for the scope; clears it on the way out, by return or by exception.
    class DrawingScope;

    // Scrolls one line in from the bottom edge and clears Drawing at its end.
    void ScrollLineIn(const std::string& line);
    // The halo colour: the per-channel mean of the text and background colours, taken apart
    // as raw values (system colours are not resolved).
    int32_t MixColor() const;
    // Length of the next line of s in characters: the wrapping rule, plus a break inside a
    // word that cannot otherwise go on a line. At least 1 for a non-empty s.
    size_t nextLineLength(const std::string& s, int32_t avail);
    // Length of the line that s starts on an area width pixels wide: all of s when it fits.
    size_t wrapLength(const std::string& s, int32_t width);
    double measureWidth(const std::string& s);
    void draw(int32_t x, int32_t y, const std::string& s, int32_t colour);
    void pause(int ms);

    Surface& surface_;
    MessageLoop& loop_;
    FontSpec ambientFont_;
    FontSpec font_;
    int32_t colorFont_ = kDefaultColorFont;
    int32_t color_ = kDefaultColor;
    Rect bounds_;

    int16_t speedScroll_ = kDefaultSpeedScroll;
    int16_t spaceW_ = kDefaultSpaceW;
    int16_t spaceL_ = kDefaultSpaceL;
    int16_t drawing_ = 0;
    int16_t halo_ = 0;
};

// The stored instance data of the installer's TextScroll1.
PropertyBag TextScroll1Properties();

} // namespace qly
