// Threads, locks and conditions of the C++ library (POSIX threads underneath).
#pragma once

#include "platform/threads.h"

namespace qly::posix {

class PosixThreadService : public ThreadService {
public:
    std::unique_ptr<Monitor> newMonitor() override;
    // Throws qly::Error when the system refuses a new thread.
    std::unique_ptr<Thread> start(std::function<void()> task) override;
};

} // namespace qly::posix
