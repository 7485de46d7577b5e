#include "platform/posix/posix_thread_service.h"

#include "common/error.h"

#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace qly::posix {
namespace {

class StdMonitor : public Monitor {
public:
    void lock() override { mutex_.lock(); }
    void unlock() override { mutex_.unlock(); }
    void wait() override {
        // The caller holds the lock and keeps holding it after the wait.
        std::unique_lock<std::mutex> held(mutex_, std::adopt_lock);
        condition_.wait(held);
        held.release();
    }
    void notifyAll() override { condition_.notify_all(); }

private:
    std::mutex mutex_;
    std::condition_variable condition_;
};

class StdThread : public Thread {
public:
    explicit StdThread(std::function<void()> task) : thread_(std::move(task)) {}
    ~StdThread() override { thread_.join(); }
    StdThread(const StdThread&) = delete;
    StdThread& operator=(const StdThread&) = delete;

private:
    std::thread thread_;
};

} // namespace

std::unique_ptr<Monitor> PosixThreadService::newMonitor() {
    return std::make_unique<StdMonitor>();
}

std::unique_ptr<Thread> PosixThreadService::start(std::function<void()> task) {
    try {
        return std::make_unique<StdThread>(std::move(task));
    } catch (const std::system_error& e) {
        throw Error(std::string("cannot start a thread: ") + e.what(), FailureKind::Other,
                    e.code().value(), "");
    }
}

} // namespace qly::posix
