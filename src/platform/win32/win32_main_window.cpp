#include "platform/win32/win32_main_window.h"

#include "common/error.h"
#include "platform/win32/wide_string.h"
#include "platform/win32/win32_controls.h"

#include <algorithm>
#include <utility>

namespace qly::win32 {
void Win32MainWindow::registerClass(HINSTANCE instance, int iconResource) {
    WNDCLASSEXW cls{};
    cls.cbSize = sizeof(cls);
    if (GetClassInfoExW(instance, kClassName, &cls)) {
        return;
    }
    cls.style = CS_DBLCLKS;
    cls.lpfnWndProc = windowProc;
    cls.hInstance = instance;
    cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    if (iconResource != 0) {
        // Shared icons belong to the system; nothing to destroy.
        cls.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(iconResource),
                                                  IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                                  GetSystemMetrics(SM_CYICON), LR_SHARED));
        cls.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(iconResource),
                                                    IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                    GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    }
    cls.lpszClassName = kClassName;
    if (RegisterClassExW(&cls) == 0) {
        throw Error("cannot register the main window's class");
    }
}

Win32MainWindow::Win32MainWindow(HINSTANCE instance, int iconResource) {
    registerClass(instance, iconResource);
    // A borderless popup with the system menu and minimize box still gets a task bar button
    // and can be minimized and restored from it. Children paint themselves (WS_CLIPCHILDREN);
    // the link areas copy the skin beneath them.
    window_ = CreateWindowExW(WS_EX_APPWINDOW, kClassName, L"",
                              WS_POPUP | WS_MINIMIZEBOX | WS_SYSMENU | WS_CLIPCHILDREN, 0, 0, 0, 0,
                              nullptr, nullptr, instance, this);
    if (window_ == nullptr) {
        throw Error("cannot create the main window");
    }
    // The installer runs elevated; the shell that announces the task bar button does not, and
    // its message would be filtered out without this.
    taskbarButtonCreated_ = RegisterWindowMessageW(L"TaskbarButtonCreated");
    if (taskbarButtonCreated_ != 0) {
        ChangeWindowMessageFilterEx(window_, taskbarButtonCreated_, MSGFLT_ALLOW, nullptr);
    }
}

Win32MainWindow::~Win32MainWindow() {
    if (window_ != nullptr) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

LRESULT CALLBACK Win32MainWindow::windowProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<Win32MainWindow*>(
            reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Win32MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return self->handle(message, wParam, lParam);
}

LRESULT Win32MainWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == taskbarButtonCreated_ && message != 0) {
        taskbarList_.reset(); // a new shell: a new list
        showTaskbarState();
        return 0;
    }
    switch (message) {
    case WM_QUERYENDSESSION:
        // Ending the session now would cut off the change of the game's files midway.
        return sessionEndBlocked_ ? FALSE : TRUE;
    case WM_ERASEBKGND: {
        RECT area{};
        GetClientRect(window_, &area);
        paintSkin(reinterpret_cast<HDC>(wParam), area, area.left, area.top);
        return 1;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window_, &ps);
        paintSkin(dc, ps.rcPaint, ps.rcPaint.left, ps.rcPaint.top);
        EndPaint(window_, &ps);
        return 0;
    }
    case WM_DRAWITEM:
        paintChildBackground(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            // Enter, as the dialog keyboard interface reports it: it presses the focused
            // button, whichever it is (no button of this window is a default button).
            HWND focus = GetFocus();
            if (ChildControl::from(focus) != nullptr &&
                (SendMessageW(focus, WM_GETDLGCODE, 0, 0) & DLGC_BUTTON) != 0) {
                SendMessageW(focus, BM_CLICK, 0, 0);
            }
            return 0;
        }
        if (auto* control = ChildControl::from(reinterpret_cast<HWND>(lParam))) {
            control->onCommand(HIWORD(wParam));
        }
        return 0;
    case WM_SETCURSOR:
        if (setChildCursor(reinterpret_cast<HWND>(wParam))) {
            return TRUE;
        }
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
        pressedButton_ = message;
        callHandler(events_.mouseDown);
        pressedButton_ = 0;
        return message == WM_XBUTTONDOWN ? TRUE : 0;
    case WM_MOUSEMOVE:
        if (drag_) {
            followCursor();
        }
        return 0;
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
    case WM_XBUTTONUP:
        if (drag_ && message == drag_->releaseMessage) {
            ReleaseCapture(); // ends the drag through WM_CAPTURECHANGED
        }
        return message == WM_XBUTTONUP ? TRUE : 0;
    case WM_CAPTURECHANGED:
        drag_.reset();
        return 0;
    case WM_ACTIVATE:
        // Keep the keyboard focus on the control that had it, as a dialog does.
        if (LOWORD(wParam) == WA_INACTIVE) {
            lastFocus_ = GetFocus();
        } else if (lastFocus_ != nullptr && IsWindow(lastFocus_) && IsChild(window_, lastFocus_)) {
            SetFocus(lastFocus_);
            return 0;
        }
        break;
    case WM_CLOSE:
        close();
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY: {
        HWND window = std::exchange(window_, nullptr);
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        return DefWindowProcW(window, message, wParam, lParam);
    }
    default:
        break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

void Win32MainWindow::close() {
    // A close from outside the program (task bar, Alt+F4) asks the logic first; a close that
    // arrives while an earlier one is unloading is dropped.
    if (closing_) {
        return;
    }
    closing_ = true;
    bool allowed = true;
    if (events_.queryUnload) {
        try {
            allowed = events_.queryUnload();
        } catch (...) {
            allowed = false;
        }
    }
    if (allowed) {
        callHandler(events_.unload);
        destroy();
    }
    closing_ = false;
}

void Win32MainWindow::paintSkin(HDC dc, const RECT& area, int x, int y) const {
    if (!skinDc_) {
        // Without a skin (released at unload) the window is plain black.
        RECT target{x, y, x + (area.right - area.left), y + (area.bottom - area.top)};
        FillRect(dc, &target, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        return;
    }
    BitBlt(dc, x, y, area.right - area.left, area.bottom - area.top, skinDc_.get(), area.left,
           area.top, SRCCOPY);
}

void Win32MainWindow::paintChildBackground(const DRAWITEMSTRUCT& item) const {
    // An owner-drawn child is transparent: it shows the skin under its own place.
    RECT place = item.rcItem;
    MapWindowPoints(item.hwndItem, window_, reinterpret_cast<POINT*>(&place), 2);
    paintSkin(item.hDC, place, item.rcItem.left, item.rcItem.top);
    // The only mark of a link area is its focus rectangle, for keyboard users.
    if ((item.itemState & ODS_FOCUS) != 0 && (item.itemState & ODS_NOFOCUSRECT) == 0) {
        DrawFocusRect(item.hDC, &item.rcItem);
    }
}

bool Win32MainWindow::setChildCursor(HWND child) const {
    if (child == window_) {
        return false;
    }
    const ChildControl* control = ChildControl::from(child);
    HCURSOR cursor = control != nullptr ? control->cursor() : nullptr;
    if (cursor == nullptr) {
        return false;
    }
    SetCursor(cursor);
    return true;
}

void Win32MainWindow::setCaption(const std::string& text) {
    caption_ = text;
    const std::wstring wide = fromCodePage(text, CP_ACP);
    SetWindowTextW(window_, wide.c_str());
}

void Win32MainWindow::loadSkin(const std::string& path) {
    const std::wstring widePath = toWide(path);
    UniqueBitmap bitmap(static_cast<HBITMAP>(
        LoadImageW(nullptr, widePath.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE)));
    if (!bitmap) {
        throw Error("cannot load the skin bitmap " + path);
    }
    BITMAP description{};
    GetObjectW(bitmap.get(), sizeof(description), &description);

    UniqueMemoryDc dc;
    {
        WindowDc windowDc(window_);
        dc.reset(CreateCompatibleDC(windowDc.get()));
    }
    if (!dc) {
        throw Error("cannot make a drawing context for the skin");
    }
    ScopedSelection selection(dc.get(), bitmap.get());

    releaseSkin();
    skin_ = std::move(bitmap);
    skinDc_ = std::move(dc);
    skinSelection_ = std::move(selection);
    skinSize_ = SIZE{description.bmWidth, description.bmHeight};

    // Centred on the work area of the primary screen, the usual place for an installer.
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    int left = work.left + ((work.right - work.left) - skinSize_.cx) / 2;
    int top = work.top + ((work.bottom - work.top) - skinSize_.cy) / 2;
    SetWindowPos(window_, nullptr, left, top, skinSize_.cx, skinSize_.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(window_, nullptr, TRUE);
}

void Win32MainWindow::releaseSkin() {
    skinSelection_.restore();
    skinDc_.reset();
    skin_.reset();
}

RECT Win32MainWindow::outerRect() const {
    RECT rc{};
    if (IsIconic(window_)) {
        // A minimized window reports its icon's place; its own size is the restored one.
        WINDOWPLACEMENT placement{};
        placement.length = sizeof(placement);
        GetWindowPlacement(window_, &placement);
        return placement.rcNormalPosition;
    }
    GetWindowRect(window_, &rc);
    return rc;
}

int32_t Win32MainWindow::width() const {
    RECT rc = outerRect();
    return rc.right - rc.left;
}

int32_t Win32MainWindow::height() const {
    RECT rc = outerRect();
    return rc.bottom - rc.top;
}

void Win32MainWindow::setRoundRegion(int32_t cornerWidth, int32_t cornerHeight) {
    UniqueRegion region(CreateRoundRectRgn(0, 0, width(), height(), cornerWidth, cornerHeight));
    if (region && SetWindowRgn(window_, region.get(), TRUE) != 0) {
        region.release(); // the window owns it now
    }
}

void Win32MainWindow::show() {
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
    SetForegroundWindow(window_);
}

void Win32MainWindow::minimize() {
    ShowWindow(window_, SW_MINIMIZE);
}

void Win32MainWindow::beginDrag() {
    // The system's own move loop ends only when the left button goes up: started from another
    // button it would leave the window stuck to the pointer. Those buttons move the window
    // here, with the mouse captured until the same button is released.
    UINT release = 0;
    switch (pressedButton_) {
    case WM_RBUTTONDOWN:
        release = WM_RBUTTONUP;
        break;
    case WM_MBUTTONDOWN:
        release = WM_MBUTTONUP;
        break;
    case WM_XBUTTONDOWN:
        release = WM_XBUTTONUP;
        break;
    default:
        ReleaseCapture();
        SendMessageW(window_, WM_NCLBUTTONDOWN, HTCAPTION, 0);
        return;
    }
    Drag drag{};
    drag.releaseMessage = release;
    GetCursorPos(&drag.cursorStart);
    RECT rc{};
    GetWindowRect(window_, &rc);
    drag.windowStart = POINT{rc.left, rc.top};
    SetCapture(window_);
    drag_ = drag;
}

void Win32MainWindow::followCursor() {
    POINT now{};
    GetCursorPos(&now);
    SetWindowPos(window_, nullptr, drag_->windowStart.x + (now.x - drag_->cursorStart.x),
                 drag_->windowStart.y + (now.y - drag_->cursorStart.y), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32MainWindow::setTaskbarProgress(int16_t percent) {
    taskbar_.state = TaskbarShown::State::Progress;
    taskbar_.percent = std::clamp<int16_t>(percent, 0, 100);
    showTaskbarState();
}

void Win32MainWindow::setTaskbarError() {
    taskbar_.state = TaskbarShown::State::Error;
    showTaskbarState();
}

void Win32MainWindow::clearTaskbarProgress() {
    taskbar_.state = TaskbarShown::State::None;
    taskbar_.percent = 0;
    showTaskbarState();
}

void Win32MainWindow::showTaskbarState() {
    taskbar_.shownByShell = false;
    if (window_ == nullptr) {
        return;
    }
    if (!taskbarList_) {
        if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_ITaskbarList3, taskbarList_.putVoid())) ||
            !taskbarList_ || FAILED(taskbarList_->HrInit())) {
            taskbarList_.reset();
            return;
        }
    }
    HRESULT hr = S_OK;
    switch (taskbar_.state) {
    case TaskbarShown::State::None:
        hr = taskbarList_->SetProgressState(window_, TBPF_NOPROGRESS);
        break;
    case TaskbarShown::State::Progress:
        hr = taskbarList_->SetProgressState(window_, TBPF_NORMAL);
        if (SUCCEEDED(hr)) {
            hr = taskbarList_->SetProgressValue(window_, taskbar_.percent, 100);
        }
        break;
    case TaskbarShown::State::Error:
        // A failure before any progress still shows: as a full red bar.
        hr = taskbarList_->SetProgressState(window_, TBPF_ERROR);
        if (SUCCEEDED(hr)) {
            hr = taskbarList_->SetProgressValue(window_,
                                                taskbar_.percent > 0 ? taskbar_.percent : 100, 100);
        }
        break;
    }
    taskbar_.shownByShell = SUCCEEDED(hr);
}

void Win32MainWindow::blockSessionEnd(const std::string& reason, int32_t charset) {
    sessionEndBlocked_ = true;
    if (window_ != nullptr) {
        const std::wstring wide = fromCodePage(reason, codePageOfCharset(charset));
        ShutdownBlockReasonCreate(window_, wide.c_str());
    }
}

void Win32MainWindow::allowSessionEnd() {
    sessionEndBlocked_ = false;
    if (window_ != nullptr) {
        ShutdownBlockReasonDestroy(window_);
    }
}

void Win32MainWindow::destroy() {
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
}

} // namespace qly::win32
