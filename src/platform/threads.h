// Threads of the host system, for work that runs beside the caller's own (hashing while the
// engine copies). The platform chooses how they are made.
#pragma once

#include <functional>
#include <memory>

namespace qly {

// A lock with one condition to wait on under it. lock() and unlock() make it usable with
// std::unique_lock and std::lock_guard.
class Monitor {
public:
    virtual ~Monitor() = default;
    virtual void lock() = 0;
    virtual void unlock() = 0;
    // Called with the lock held: releases it until notifyAll() (or a spurious wake-up), then
    // takes it again. Callers wait in a loop on their own condition.
    virtual void wait() = 0;
    // Wakes every thread waiting on this monitor.
    virtual void notifyAll() = 0;
};

// A running thread; the destructor waits until its task has returned.
class Thread {
public:
    virtual ~Thread() = default;
};

class ThreadService {
public:
    virtual ~ThreadService() = default;
    virtual std::unique_ptr<Monitor> newMonitor() = 0;
    // Runs task on a new thread. task must not throw. Throws Error when the system cannot
    // start a thread.
    virtual std::unique_ptr<Thread> start(std::function<void()> task) = 0;
};

} // namespace qly
