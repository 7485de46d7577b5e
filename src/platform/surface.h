// The pixel image a text control draws on, and the font it draws with. Coordinates are pixels
// with (0, 0) at the top left; every operation clips to the image, so no argument can reach
// outside it. Colours given to the surface are resolved RGB values, 0x00BBGGRR.
#pragma once

#include <cstdint>
#include <string>

namespace qly {

// A font as the control holds it: face name, size in points, weight (400 normal, 700 bold),
// style flags and the GDI charset that decides which glyphs the text bytes show.
struct FontSpec {
    std::string face = "Arial";
    double size = 9.0;
    int32_t weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;
    int32_t charset = 0;

    bool operator==(const FontSpec&) const = default;
};

class Surface {
public:
    virtual ~Surface() = default;

    virtual int32_t width() const = 0;
    virtual int32_t height() const = 0;
    // Makes the image w x h pixels (negative sizes count as 0), every pixel rgb.
    virtual void resize(int32_t w, int32_t h, uint32_t rgb) = 0;

    // Copies `rows` full-width rows starting at row `from` onto the rows starting at row `to`.
    // Overlapping rows move as a block, as if all were read before any is written. Rows whose
    // source or destination lies outside the image are left out.
    virtual void copyRows(int32_t from, int32_t to, int32_t rows) = 0;

    // Later measuring and drawing use font. Cheap when font is the one already in use.
    virtual void setFont(const FontSpec& font) = 0;
    // Draws the single-byte text with the top-left corner of its text cell at (x, y), in rgb,
    // with a transparent background; the bytes are read in the code page of the font's charset.
    virtual void drawText(int32_t x, int32_t y, const std::string& bytes, uint32_t rgb) = 0;
    // Width and height in pixels of bytes set in the current font; the height is that of a
    // text cell (ascent plus descent) whatever the bytes.
    virtual double textWidth(const std::string& bytes) = 0;
    virtual double textHeight(const std::string& bytes) = 0;

    // Sets every pixel of the rectangle to black.
    virtual void fillBlack(int32_t x, int32_t y, int32_t w, int32_t h) = 0;
    // Replaces every pixel of the rectangle by its complement (each channel 255 minus itself).
    virtual void invert(int32_t x, int32_t y, int32_t w, int32_t h) = 0;
    // Shows the image on screen as it is now.
    virtual void present() = 0;

    // The RGB value of a colour in the 32-bit colour form: 0x00BBGGRR as it is, or
    // 0x80000000 + n for the current system colour with index n.
    virtual uint32_t resolveColor(int32_t colour) const = 0;
};

} // namespace qly
