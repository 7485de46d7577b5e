// The TextScroll image on Windows: a 32-bit DIB section selected into a memory DC, with text
// drawn by GDI in a non-antialiased font of the control's charset. present() copies the image
// onto the child window that shows it; that window's WM_PAINT calls paint().
#pragma once

#include "platform/surface.h"
#include "platform/win32/win32_handles.h"

#include <cstdint>
#include <optional>
#include <string>
#include <windows.h>

namespace qly::win32 {

class GdiSurface : public Surface {
public:
    // The dots per inch that font sizes are converted at, at any system scale.
    static constexpr int kLayoutDpi = 96;

    // window shows the image; it may be null, and then nothing is shown. Throws Error when
    // no memory DC can be had.
    explicit GdiSurface(HWND window);
    GdiSurface(const GdiSurface&) = delete;
    GdiSurface& operator=(const GdiSurface&) = delete;

    int32_t width() const override { return width_; }
    int32_t height() const override { return height_; }
    // Throws Error when the bitmap cannot be created.
    void resize(int32_t w, int32_t h, uint32_t rgb) override;
    void copyRows(int32_t from, int32_t to, int32_t rows) override;
    void setFont(const FontSpec& font) override { wanted_ = font; }
    void drawText(int32_t x, int32_t y, const std::string& bytes, uint32_t rgb) override;
    double textWidth(const std::string& bytes) override;
    double textHeight(const std::string& bytes) override;
    void fillBlack(int32_t x, int32_t y, int32_t w, int32_t h) override;
    void invert(int32_t x, int32_t y, int32_t w, int32_t h) override;
    void present() override;
    uint32_t resolveColor(int32_t colour) const override;

    // Copies the image onto dc at (0, 0), for the showing window's WM_PAINT.
    void paint(HDC dc) const;

private:
    // Selects the font last set, creating it when it changed. Throws Error when GDI fails.
    void useFont();
    // The bytes in the code page of the current font's charset, as UTF-16.
    std::wstring wide(const std::string& bytes) const;

    // Declared so that the selections are undone before the objects they select go.
    HWND window_;
    UniqueMemoryDc dc_;
    UniqueBitmap bitmap_;
    UniqueFont font_;
    ScopedSelection bitmapSelection_;
    ScopedSelection fontSelection_;
    uint32_t* bits_ = nullptr;
    int32_t width_ = 0;
    int32_t height_ = 0;
    FontSpec wanted_;
    std::optional<FontSpec> current_;
};

} // namespace qly::win32
