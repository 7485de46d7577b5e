// GoogleTest's thread start-up signal for MinGW's win32 thread model, which lacks the
// std::mutex GoogleTest would build it from: a manual-reset event. Force-included ahead of
// GoogleTest with GTEST_HAS_NOTIFICATION_ set (see CMakeLists.txt).
#pragma once

#include <windows.h>

namespace testing::internal {

class Notification {
public:
    Notification() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~Notification() { CloseHandle(event_); }
    void Notify() { SetEvent(event_); }
    void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

private:
    HANDLE event_;
};

} // namespace testing::internal
