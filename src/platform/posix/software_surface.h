// A Surface held in memory: a 32-bit pixel buffer with text set by FreeType. The face "Arial"
// and every other face are set in Liberation Sans, which has Arial's metrics, so that lines
// wrap on Linux where they wrap on Windows. Glyphs are drawn solid, without anti-aliasing, as
// GDI draws non-antialiased text; 96 dots per inch, so 9 points are 12 pixels to the em.
#pragma once

#include "platform/surface.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qly::posix {

class SoftwareSurface : public Surface {
public:
    // fontFolder holds LiberationSans-{Regular,Bold,Italic,BoldItalic}.ttf; they are opened on
    // the first measuring or drawing, and a missing one then throws Error.
    explicit SoftwareSurface(std::string fontFolder = "/usr/share/fonts/truetype/liberation");
    ~SoftwareSurface() override;
    SoftwareSurface(const SoftwareSurface&) = delete;
    SoftwareSurface& operator=(const SoftwareSurface&) = delete;
    SoftwareSurface(SoftwareSurface&&) noexcept;
    SoftwareSurface& operator=(SoftwareSurface&&) noexcept;

    int32_t width() const override { return width_; }
    int32_t height() const override { return height_; }
    void resize(int32_t w, int32_t h, uint32_t rgb) override;
    void copyRows(int32_t from, int32_t to, int32_t rows) override;
    void setFont(const FontSpec& font) override;
    void drawText(int32_t x, int32_t y, const std::string& bytes, uint32_t rgb) override;
    double textWidth(const std::string& bytes) override;
    double textHeight(const std::string& bytes) override;
    void fillBlack(int32_t x, int32_t y, int32_t w, int32_t h) override;
    void invert(int32_t x, int32_t y, int32_t w, int32_t h) override;
    void present() override { ++presents_; }
    // System colours are those of the standard Windows scheme.
    uint32_t resolveColor(int32_t colour) const override;

    // The pixel at (x, y) as 0x00BBGGRR; 0 outside the image.
    uint32_t pixel(int32_t x, int32_t y) const;
    // Sets the pixel at (x, y); nothing outside the image.
    void setPixel(int32_t x, int32_t y, uint32_t rgb);
    // Row after row from the top, width() pixels each, 0x00BBGGRR.
    const std::vector<uint32_t>& pixels() const { return pixels_; }
    // How often present() was called.
    int presents() const { return presents_; }

private:
    struct Typesetter;

    int32_t width_ = 0;
    int32_t height_ = 0;
    std::vector<uint32_t> pixels_;
    int presents_ = 0;
    std::unique_ptr<Typesetter> typesetter_;
};

} // namespace qly::posix
