#include "platform/win32/win32_text_scroll_host.h"

#include "common/error.h"

#include <algorithm>

namespace qly::win32 {

HWND Win32TextScrollHost::createWindow(HWND parent, int id, Win32TextScrollHost* host) {
    auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE));
    WNDCLASSEXW cls{};
    cls.cbSize = sizeof(cls);
    if (!GetClassInfoExW(instance, kClassName, &cls)) {
        cls.lpfnWndProc = windowProc;
        cls.hInstance = instance;
        cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        cls.lpszClassName = kClassName;
        if (RegisterClassExW(&cls) == 0) {
            throw Error("cannot register the text area's class");
        }
    }
    // Created hidden: it is shown once the surface and the control exist to paint it.
    HWND window =
        CreateWindowExW(0, kClassName, L"", WS_CHILD, 0, 0, 0, 0, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, host);
    if (window == nullptr) {
        throw Error("cannot create the text area");
    }
    return window;
}

Win32TextScrollHost::Win32TextScrollHost(HWND parent, int id, MessageLoop& loop)
    : window_(createWindow(parent, id, this)), surface_(window_), control_(surface_, loop) {
    control_.ReadProperties(TextScroll1Properties());
    ShowWindow(window_, SW_SHOWNA);
}

Win32TextScrollHost::~Win32TextScrollHost() {
    if (IsWindow(window_)) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

void Win32TextScrollHost::Move(const Rect& r) {
    MoveWindow(window_, r.left, r.top, std::max(r.width, 0), std::max(r.height, 0), TRUE);
    control_.Move(r);
}

LRESULT CALLBACK Win32TextScrollHost::windowProc(HWND window, UINT message, WPARAM wParam,
                                                 LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* created = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(created->lpCreateParams));
    }
    auto* host = reinterpret_cast<Win32TextScrollHost*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_ERASEBKGND:
        // The surface covers the whole window; erasing first would only flicker.
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        if (host != nullptr) {
            host->surface_.paint(dc);
        }
        EndPaint(window, &ps);
        return 0;
    }
    case WM_NCDESTROY:
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace qly::win32
