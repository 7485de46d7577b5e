// Threads, slim reader/writer locks and condition variables of Windows (Vista and later):
// MinGW's win32 thread model has no std::thread or std::mutex.
#pragma once

#include "platform/threads.h"

namespace qly::win32 {

class Win32ThreadService : public ThreadService {
public:
    std::unique_ptr<Monitor> newMonitor() override;
    // Throws qly::Error when CreateThread fails.
    std::unique_ptr<Thread> start(std::function<void()> task) override;
};

} // namespace qly::win32
