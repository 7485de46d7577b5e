// GoogleTest's thread start-up signal for MinGW's win32 thread model, which lacks the
// std::mutex and std::condition_variable GoogleTest would build it from. Force-included ahead
// of GoogleTest with GTEST_HAS_NOTIFICATION_ set (see CMakeLists.txt).
#pragma once

#include <windows.h>

namespace testing::internal {

// Lets a controller thread hold back new threads until it notifies them (a manual-reset event).
class Notification {
public:
    Notification() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~Notification() { CloseHandle(event_); }
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify() { SetEvent(event_); }
    void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

private:
    HANDLE event_;
};

} // namespace testing::internal
