#include "platform/win32/win32_message_loop.h"

#include "common/error.h"
#include "platform/win32/wide_string.h"

#include <string>

namespace qly::win32 {

void Win32MessageLoop::dispatch(MSG& msg) {
    if (mainWindow_ != nullptr && IsWindow(mainWindow_) && IsDialogMessageW(mainWindow_, &msg)) {
        return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

void Win32MessageLoop::yield() {
    if (quit_) {
        return;
    }
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quit_ = true;
            exitCode_ = static_cast<int>(msg.wParam);
            return;
        }
        dispatch(msg);
    }
}

uint32_t Win32MessageLoop::tickCount() {
    return GetTickCount();
}

void Win32MessageLoop::sleep(int ms) {
    if (ms <= 0) {
        return;
    }
    if (!timerTried_) {
        timerTried_ = true;
        // Windows 10 1803 and later; older systems refuse the flag.
        constexpr DWORD kHighResolution = 0x00000002; // CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
        timer_.reset(CreateWaitableTimerExW(nullptr, nullptr, kHighResolution, TIMER_ALL_ACCESS));
    }
    if (timer_) {
        LARGE_INTEGER due{};
        due.QuadPart = -10000LL * ms; // relative, in 100 ns units
        if (SetWaitableTimer(timer_.get(), &due, 0, nullptr, nullptr, FALSE) &&
            WaitForSingleObject(timer_.get(), INFINITE) == WAIT_OBJECT_0) {
            return;
        }
    }
    if (!winmmTried_) {
        winmmTried_ = true;
        try {
            winmm_.emplace(L"winmm.dll");
            beginPeriod_ = winmm_->function<decltype(beginPeriod_)>("timeBeginPeriod");
            endPeriod_ = winmm_->function<decltype(endPeriod_)>("timeEndPeriod");
        } catch (const Error&) {
            beginPeriod_ = nullptr; // the pause is then only as fine as the system tick
        }
    }
    // Raised only around the wait: a finer tick for the whole run would cost every program
    // on the machine power.
    const bool raised = beginPeriod_ != nullptr && beginPeriod_(1) == 0;
    Sleep(static_cast<DWORD>(ms));
    if (raised) {
        endPeriod_(1);
    }
}

void Win32MessageLoop::messageBox(const std::string& text) {
    HWND owner = mainWindow_ != nullptr && IsWindow(mainWindow_) ? mainWindow_ : nullptr;
    std::wstring title(256, L'\0');
    int n =
        owner != nullptr ? GetWindowTextW(owner, title.data(), static_cast<int>(title.size())) : 0;
    title.resize(static_cast<std::size_t>(n));
    const std::wstring wideText = fromCodePage(text, CP_ACP);
    MessageBoxW(owner, wideText.c_str(), title.c_str(), MB_OK);
}

int Win32MessageLoop::run() {
    MSG msg;
    while (!quit_) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            quit_ = true;
            exitCode_ = static_cast<int>(msg.wParam);
        } else if (got == -1) {
            // Only an invalid window filter makes GetMessage fail; there is none here.
            break;
        } else {
            dispatch(msg);
        }
    }
    return exitCode_;
}

} // namespace qly::win32
