#include "platform/win32/win32_thread_service.h"

#include "common/error.h"
#include "platform/win32/win32_handles.h"

namespace qly::win32 {
namespace {

// An SRW lock and a condition variable need no release: they hold no system resources.
class SrwMonitor : public Monitor {
public:
    void lock() override { AcquireSRWLockExclusive(&lock_); }
    void unlock() override { ReleaseSRWLockExclusive(&lock_); }
    void wait() override { SleepConditionVariableSRW(&condition_, &lock_, INFINITE, 0); }
    void notifyAll() override { WakeAllConditionVariable(&condition_); }

private:
    SRWLOCK lock_ = SRWLOCK_INIT;
    CONDITION_VARIABLE condition_ = CONDITION_VARIABLE_INIT;
};

class Win32Thread : public Thread {
public:
    explicit Win32Thread(std::function<void()> task) : task_(std::move(task)) {
        thread_.reset(CreateThread(nullptr, 0, &Win32Thread::run, this, 0, nullptr));
        if (!thread_) {
            // Only a fallback follows (the caller then works alone), so the code is not kept.
            throw Error("cannot start a thread");
        }
    }
    ~Win32Thread() override { WaitForSingleObject(thread_.get(), INFINITE); }
    Win32Thread(const Win32Thread&) = delete;
    Win32Thread& operator=(const Win32Thread&) = delete;

private:
    static DWORD WINAPI run(LPVOID self) {
        static_cast<Win32Thread*>(self)->task_();
        return 0;
    }

    std::function<void()> task_; // before the handle: it outlives the thread that runs it
    UniqueHandle<HANDLE, FileHandleReleaser> thread_;
};

} // namespace

std::unique_ptr<Monitor> Win32ThreadService::newMonitor() {
    return std::make_unique<SrwMonitor>();
}

std::unique_ptr<Thread> Win32ThreadService::start(std::function<void()> task) {
    return std::make_unique<Win32Thread>(std::move(task));
}

} // namespace qly::win32
