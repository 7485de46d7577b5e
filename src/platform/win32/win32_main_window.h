// The installer's one top-level window: borderless, painted by its skin bitmap, clipped to a
// rounded rectangle, moved by dragging its surface, with a task bar entry so that it can be
// minimized. Its child controls' notifications are routed to their objects.
#pragma once

#include "platform/controls.h"
#include "platform/win32/com_ptr.h"
#include "platform/win32/win32_handles.h"

#include <functional>
#include <optional>
#include <string>
#include <windows.h>
// After windows.h, whose types it uses.
#include <shobjidl.h>

namespace qly::win32 {

// What the window reports to the program's logic. Handlers that are not set do nothing.
struct MainWindowEvents {
    // Asked before a close that did not come from the program; false keeps the window.
    std::function<bool()> queryUnload;
    // Runs once before the window is destroyed by such a close.
    std::function<void()> unload;
    // Any mouse button pressed on the window's own surface (not on a control).
    std::function<void()> mouseDown;
};

class Win32MainWindow : public MainWindow {
public:
    static constexpr const wchar_t* kClassName = L"QlyPatchForm1";

    // Creates the window hidden, with the program's icon (a resource id; 0 for none).
    Win32MainWindow(HINSTANCE instance, int iconResource);
    ~Win32MainWindow() override;
    Win32MainWindow(const Win32MainWindow&) = delete;
    Win32MainWindow& operator=(const Win32MainWindow&) = delete;

    void setEvents(MainWindowEvents events) { events_ = std::move(events); }
    HWND handle() const { return window_; }
    bool alive() const { return window_ != nullptr; }

    // The caption's bytes are taken in the ANSI code page.
    void setCaption(const std::string& text) override;
    std::string caption() const override { return caption_; }
    // Loads the skin (a UTF-8 path), sizes the window to it and centres it on the screen.
    void loadSkin(const std::string& path) override;
    void releaseSkin() override;
    int32_t width() const override;
    int32_t height() const override;
    void setRoundRegion(int32_t cornerWidth, int32_t cornerHeight) override;
    void show() override;
    void minimize() override;
    void beginDrag() override;
    void destroy() override;

    // The task bar button's progress, through the shell's task bar list. Kept when the button
    // does not exist yet and shown when the shell announces it (also after the shell restarts).
    void setTaskbarProgress(int16_t percent) override;
    void setTaskbarError() override;
    void clearTaskbarProgress() override;
    // WM_QUERYENDSESSION is answered FALSE while blocked; the reason is registered with the
    // system, which shows it on the shutdown screen.
    void blockSessionEnd(const std::string& reason, int32_t charset) override;
    void allowSessionEnd() override;

    // What the task bar button is to show, for tests; shownByShell: the shell's task bar list
    // took it (false where there is no task bar, as under a bare X server).
    struct TaskbarShown {
        enum class State { None, Progress, Error } state = State::None;
        int16_t percent = 0;
        bool shownByShell = false;
    };
    const TaskbarShown& taskbarShown() const { return taskbar_; }
    bool sessionEndBlocked() const { return sessionEndBlocked_; }

private:
    static void registerClass(HINSTANCE instance, int iconResource);
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    // Copies the skin under the rectangle area (client coordinates) to dc at (x, y).
    void paintSkin(HDC dc, const RECT& area, int x, int y) const;
    void paintChildBackground(const DRAWITEMSTRUCT& item) const;
    bool setChildCursor(HWND child) const;
    void close();
    RECT outerRect() const;
    // Moves the window by the pointer's way since the drag began.
    void followCursor();
    // Shows taskbar_ on the task bar button, when the shell has one for the window.
    void showTaskbarState();

    // A drag by a button other than the left one, while the window holds the mouse.
    struct Drag {
        UINT releaseMessage; // the button-up message that ends it
        POINT cursorStart;
        POINT windowStart;
    };

    HWND window_ = nullptr;
    MainWindowEvents events_;
    std::string caption_;
    HWND lastFocus_ = nullptr;
    bool closing_ = false;
    UINT pressedButton_ = 0; // the button-down message being handled, 0 outside one
    std::optional<Drag> drag_;

    UINT taskbarButtonCreated_ = 0; // the shell's registered message
    ComPtr<ITaskbarList3> taskbarList_;
    TaskbarShown taskbar_;
    bool sessionEndBlocked_ = false;

    // The skin: the bitmap, and a memory device context holding it selected. Declared in this
    // order so that the selection ends before the context goes and the context before the
    // bitmap.
    UniqueBitmap skin_;
    UniqueMemoryDc skinDc_;
    ScopedSelection skinSelection_;
    SIZE skinSize_{};
};

} // namespace qly::win32
