#include "platform/win32/gdi_surface.h"

#include "common/error.h"
#include "platform/surface_clip.h"
#include "platform/win32/wide_string.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace qly::win32 {

namespace {

// 0x00BBGGRR to the DIB's pixel layout, 0x00RRGGBB.
uint32_t toDibPixel(uint32_t rgb) {
    return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
}

} // namespace

GdiSurface::GdiSurface(HWND window) : window_(window), dc_(CreateCompatibleDC(nullptr)) {
    if (!dc_) {
        throw Error("GDI: no memory device context");
    }
    SetBkMode(dc_.get(), TRANSPARENT);
    SetTextAlign(dc_.get(), TA_LEFT | TA_TOP | TA_NOUPDATECP);
}

void GdiSurface::resize(int32_t w, int32_t h, uint32_t rgb) {
    w = std::max(w, 0);
    h = std::max(h, 0);
    UniqueBitmap bitmap;
    void* bits = nullptr;
    if (w > 0 && h > 0) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h; // top-down: row 0 first in memory
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        bitmap.reset(CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!bitmap || bits == nullptr) {
            throw Error("GDI: no bitmap of " + std::to_string(w) + " x " + std::to_string(h));
        }
    }
    // Put the old bitmap out of the DC before it is deleted.
    bitmapSelection_.restore();
    if (bitmap) {
        bitmapSelection_ = ScopedSelection(dc_.get(), bitmap.get());
    }
    bitmap_ = std::move(bitmap);
    bits_ = static_cast<uint32_t*>(bits);
    width_ = bitmap_ ? w : 0;
    height_ = bitmap_ ? h : 0;
    if (bits_ != nullptr) {
        GdiFlush();
        std::fill(bits_, bits_ + static_cast<size_t>(width_) * static_cast<size_t>(height_),
                  toDibPixel(rgb & 0xFFFFFF));
    }
}

void GdiSurface::copyRows(int32_t from, int32_t to, int32_t rows) {
    const ClippedRows r = clipRowCopy(from, to, rows, height_);
    if (r.rows > 0 && width_ > 0) {
        BitBlt(dc_.get(), 0, r.to, width_, r.rows, dc_.get(), 0, r.from, SRCCOPY);
    }
}

void GdiSurface::useFont() {
    if (current_ == wanted_) {
        return;
    }
    // Points to pixels at 96 dots per inch, whatever the display's: the text area is laid out
    // in skin pixels, so a font that grew with the system's scale would wrap and fit its lines
    // differently. Rounded as MulDiv rounds; a negative height asks for the em size.
    const int pixels =
        static_cast<int>(std::clamp(std::round(wanted_.size * kLayoutDpi / 72.0), 1.0, 1000.0));
    UniqueFont font(CreateFontW(
        -pixels, 0, 0, 0, wanted_.weight, wanted_.italic ? TRUE : FALSE,
        wanted_.underline ? TRUE : FALSE, wanted_.strikethrough ? TRUE : FALSE,
        static_cast<DWORD>(wanted_.charset & 0xFF), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
        NONANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, toWide(wanted_.face).c_str()));
    if (!font) {
        throw Error("GDI: cannot create the font " + wanted_.face);
    }
    fontSelection_.restore();
    fontSelection_ = ScopedSelection(dc_.get(), font.get());
    font_ = std::move(font);
    current_ = wanted_;
}

std::wstring GdiSurface::wide(const std::string& bytes) const {
    return fromCodePage(bytes, codePageOfCharset(current_ ? current_->charset : 0));
}

void GdiSurface::drawText(int32_t x, int32_t y, const std::string& bytes, uint32_t rgb) {
    useFont();
    const std::wstring text = wide(bytes);
    SetTextColor(dc_.get(), rgb & 0xFFFFFF);
    TextOutW(dc_.get(), x, y, text.c_str(), static_cast<int>(text.size()));
}

double GdiSurface::textWidth(const std::string& bytes) {
    useFont();
    const std::wstring text = wide(bytes);
    SIZE size{};
    if (!GetTextExtentPoint32W(dc_.get(), text.c_str(), static_cast<int>(text.size()), &size)) {
        throw Error("GDI: cannot measure text");
    }
    return size.cx;
}

double GdiSurface::textHeight(const std::string&) {
    useFont();
    TEXTMETRICW metrics{};
    if (!GetTextMetricsW(dc_.get(), &metrics)) {
        throw Error("GDI: cannot measure text");
    }
    return metrics.tmHeight;
}

void GdiSurface::fillBlack(int32_t x, int32_t y, int32_t w, int32_t h) {
    const ClippedRect r = clipRect(x, y, w, h, width_, height_);
    if (r.w > 0) {
        BitBlt(dc_.get(), r.x, r.y, r.w, r.h, nullptr, 0, 0, BLACKNESS);
    }
}

void GdiSurface::invert(int32_t x, int32_t y, int32_t w, int32_t h) {
    const ClippedRect r = clipRect(x, y, w, h, width_, height_);
    if (r.w > 0) {
        BitBlt(dc_.get(), r.x, r.y, r.w, r.h, nullptr, 0, 0, DSTINVERT);
    }
}

void GdiSurface::present() {
    if (window_ == nullptr) {
        return;
    }
    WindowDc target(window_);
    if (target.get() != nullptr) {
        paint(target.get());
    }
}

void GdiSurface::paint(HDC dc) const {
    if (width_ > 0 && height_ > 0) {
        BitBlt(dc, 0, 0, width_, height_, dc_.get(), 0, 0, SRCCOPY);
    }
}

uint32_t GdiSurface::resolveColor(int32_t colour) const {
    const auto raw = static_cast<uint32_t>(colour);
    if ((raw & 0xFF000000u) == 0x80000000u) {
        return static_cast<uint32_t>(GetSysColor(static_cast<int>(raw & 0x00FFFFFFu))) & 0xFFFFFF;
    }
    return raw & 0xFFFFFF;
}

} // namespace qly::win32
