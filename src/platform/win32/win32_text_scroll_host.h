// The child window that shows the TextScroll control: it owns the control and the GDI surface
// the control draws on, paints that surface on WM_PAINT, and moves with the layout.
#pragma once

#include "platform/message_loop.h"
#include "platform/win32/gdi_surface.h"
#include "textscroll/text_scroll.h"

#include <windows.h>

namespace qly::win32 {

class Win32TextScrollHost : public TextArea {
public:
    static constexpr const wchar_t* kClassName = L"QlyTextScroll";

    // A child of parent, starting with the stored properties of TextScroll1 and no size
    // until Move places it.
    Win32TextScrollHost(HWND parent, int id, MessageLoop& loop);
    ~Win32TextScrollHost() override;
    Win32TextScrollHost(const Win32TextScrollHost&) = delete;
    Win32TextScrollHost& operator=(const Win32TextScrollHost&) = delete;

    void Cls() override { control_.Cls(); }
    void Tekst(std::string sss) override { control_.Tekst(std::move(sss)); }
    void Bar(int16_t proc) override { control_.Bar(proc); }
    void SetFontCharset(int32_t charset) override { control_.SetFontCharset(charset); }
    // Moves the child window and makes the control's image the new size.
    void Move(const Rect& r) override;

    // True while the control draws and drops Cls, Tekst and Bar.
    bool drawing() const { return control_.Drawing(); }
    HWND handle() const { return window_; }

private:
    static HWND createWindow(HWND parent, int id, Win32TextScrollHost* host);
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // Declared in the order they are made: the window, the surface showing in it, the control.
    HWND window_;
    GdiSurface surface_;
    TextScroll control_;
};

} // namespace qly::win32
