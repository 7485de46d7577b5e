// The thread's Windows message loop: the yield that long operations call, the main loop that
// runs until the program quits, the tick count, sleeping and the message box.
#pragma once

#include "platform/message_loop.h"
#include "platform/win32/system_library.h"
#include "platform/win32/win32_handles.h"

#include <optional>
#include <windows.h>

namespace qly::win32 {

class Win32MessageLoop : public MessageLoop {
public:
    // The window whose controls take keyboard navigation (Tab, arrows) and owns message boxes.
    void setMainWindow(HWND window) { mainWindow_ = window; }

    // Dispatches every pending message, then returns. A WM_QUIT seen here is kept for run(),
    // so that a nested yield cannot swallow the end of the program.
    void yield() override;
    uint32_t tickCount() override;
    // Waits ms milliseconds to within about one, not to the next 15.6 ms system tick: on a
    // high-resolution waitable timer where the system has one, otherwise with the timer
    // resolution raised to 1 ms for the wait alone.
    void sleep(int ms) override;
    // Text in the ANSI code page, titled with the main window's caption.
    void messageBox(const std::string& text) override;

    // Dispatches messages until WM_QUIT; returns its exit code.
    int run();
    bool quitRequested() const { return quit_; }

private:
    void dispatch(MSG& msg);

    // Made at the first pause; empty when the system has no high-resolution timer.
    UniqueHandle<HANDLE, FileHandleReleaser> timer_;
    bool timerTried_ = false;
    // winmm.dll for the timer resolution, loaded from the system folder at the first pause
    // that needs it (it is not a KnownDLL); empty when it cannot be loaded.
    std::optional<SystemLibrary> winmm_;
    UINT(WINAPI* beginPeriod_)(UINT) = nullptr; // timeBeginPeriod, 0 when raised
    UINT(WINAPI* endPeriod_)(UINT) = nullptr;
    bool winmmTried_ = false;
    HWND mainWindow_ = nullptr;
    bool quit_ = false;
    int exitCode_ = 0;
};

} // namespace qly::win32
