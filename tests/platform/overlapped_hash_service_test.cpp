// SHA-256 on a worker thread: the same digests as on the caller's thread, however the bytes
// arrive; the worker's errors reach the caller; a hasher dropped mid-stream neither hangs nor
// leaves the worker holding it; the bytes waiting for the worker stay bounded.
#include "common/error.h"
#include "platform/overlapped_hash_service.h"
#include "platform/posix/libcrypto_hash_service.h"
#include "platform/posix/posix_thread_service.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <gtest/gtest.h>
#include <mutex>
#include <random>
#include <string>
#include <thread>

namespace qly {
namespace {

using Sizes = OverlappedHashService::Sizes;

std::string randomBytes(std::size_t n) {
    std::mt19937 random(11);
    std::string bytes(n, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random());
    }
    return bytes;
}

Sha256Digest digestInPieces(HashService& service, std::string_view data, std::size_t piece) {
    auto hasher = service.newSha256();
    for (std::size_t at = 0; at < data.size(); at += piece) {
        hasher->update(std::span<const char>(data.substr(at, piece)));
    }
    return hasher->finish();
}

TEST(OverlappedHashService, DigestsMatchTheCallersThreadAcrossPiecesSlotsAndQueueWrapAround) {
    posix::LibcryptoHashService plain;
    posix::PosixThreadService threads;
    const std::string data = randomBytes(300007);
    const Sha256Digest expected = digestInPieces(plain, data, data.size());
    for (const Sizes sizes : {Sizes{1000, 1}, Sizes{4096, 3}, Sizes{}}) {
        OverlappedHashService service(plain, threads, sizes);
        for (const std::size_t piece : {std::size_t{1}, std::size_t{999}, std::size_t{1000},
                                        std::size_t{1001}, std::size_t{62000}, data.size()}) {
            SCOPED_TRACE(std::to_string(sizes.slot) + " " + std::to_string(piece));
            EXPECT_EQ(digestInPieces(service, data, piece), expected);
        }
        // Streams of every length around one slot: hashed here, handed over, or both.
        for (const std::size_t n :
             {std::size_t{0}, sizes.slot - 1, sizes.slot, sizes.slot + 1, 3 * sizes.slot + 5}) {
            SCOPED_TRACE(n);
            const std::string_view part = std::string_view(data).substr(0, n);
            EXPECT_EQ(digestInPieces(service, part, 700), digestInPieces(plain, part, n + 1));
        }
    }
}

TEST(OverlappedHashService, InterleavedStreamsStayApartAndTheDigestIsTakenOnce) {
    posix::LibcryptoHashService plain;
    posix::PosixThreadService threads;
    OverlappedHashService service(plain, threads, Sizes{512, 2});
    const std::string first = randomBytes(10000);
    const std::string second = first.substr(3) + "tail";
    auto a = service.newSha256();
    auto b = service.newSha256();
    for (std::size_t at = 0; at < 10000; at += 333) {
        a->update(std::span<const char>(std::string_view(first).substr(at, 333)));
        b->update(std::span<const char>(std::string_view(second).substr(at, 333)));
    }
    EXPECT_EQ(b->finish(), digestInPieces(plain, second, second.size()));
    EXPECT_EQ(a->finish(), digestInPieces(plain, first, first.size()));
    EXPECT_THROW(a->finish(), Error);
    EXPECT_THROW(a->update(std::span<const char>("x", 1)), Error);
}

// Threads that cannot be started: hashing stays on the caller's thread and stays right.
class NoThreads : public ThreadService {
public:
    std::unique_ptr<Monitor> newMonitor() override { return real_.newMonitor(); }
    std::unique_ptr<Thread> start(std::function<void()>) override {
        throw Error("no threads here");
    }

private:
    posix::PosixThreadService real_;
};

TEST(OverlappedHashService, WithoutAThreadTheCallerHashesAndGetsTheSameDigest) {
    posix::LibcryptoHashService plain;
    NoThreads threads;
    OverlappedHashService service(plain, threads, Sizes{100, 2});
    const std::string data = randomBytes(5000);
    EXPECT_EQ(digestInPieces(service, data, 77), digestInPieces(plain, data, data.size()));
}

// Inner hashers that count the bytes they are given, fail after failAfter bytes, and hold the
// worker at the gate while it is closed. Bytes hashed on the test's own thread never wait.
class GatedHashes : public HashService {
public:
    std::unique_ptr<Sha256> newSha256() override { return std::make_unique<Gated>(*this); }

    void open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        opened_.notify_all();
    }

    std::size_t failAfter = SIZE_MAX;
    std::atomic<std::size_t> hashed = 0;
    std::atomic<int> alive = 0;
    std::atomic<bool> workerAtGate = false;
    // The thread whose bytes never wait at the gate: the one hashing the short streams.
    std::atomic<std::thread::id> callerThread = std::this_thread::get_id();

private:
    class Gated : public Sha256 {
    public:
        explicit Gated(GatedHashes& owner) : owner_(owner) { ++owner_.alive; }
        ~Gated() override { --owner_.alive; }
        void update(std::span<const char> data) override {
            if (std::this_thread::get_id() != owner_.callerThread.load()) {
                owner_.workerAtGate = true;
                std::unique_lock lock(owner_.mutex_);
                owner_.opened_.wait(lock, [&] { return owner_.open_; });
            }
            if (owner_.hashed + data.size() > owner_.failAfter) {
                throw Error("the hasher broke down", FailureKind::Other, 42, "");
            }
            owner_.hashed += data.size();
        }
        Sha256Digest finish() override { return Sha256Digest{}; }

    private:
        GatedHashes& owner_;
    };

    std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = false;
};

// The worker's error reaches the caller, however late in the stream it comes: a failure in
// the middle stops the caller within two slots (a queue of one, each wait lets it run empty),
// and one in the last slot, the short tail given at finish, is thrown by finish instead of a
// digest of nothing.
TEST(OverlappedHashService, AnErrorOfTheWorkerReachesTheCaller) {
    struct Case {
        std::size_t failAfter;
        std::size_t length;
        bool byUpdate;      // thrown by an update, before the end of the stream
        std::size_t hashed; // bytes the inner hasher took: none after the failed slot
    };
    for (const Case c : {Case{250, 1000, true, 200}, Case{1010, 1030, false, 1000}}) {
        SCOPED_TRACE(c.failAfter);
        posix::PosixThreadService threads;
        GatedHashes inner;
        inner.open();
        inner.failAfter = c.failAfter;
        OverlappedHashService service(inner, threads, Sizes{100, 1});
        const std::string data(c.length, 'x');
        auto hasher = service.newSha256();
        hasher->update(std::span<const char>(data).first(100)); // on this thread: fine
        std::size_t at = 100;
        try {
            for (; at < data.size(); at += 50) {
                hasher->update(std::span<const char>(data).subspan(
                    at, std::min<std::size_t>(50, data.size() - at)));
            }
            hasher->finish();
            FAIL() << "the worker's error was lost";
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), "the hasher broke down");
            EXPECT_EQ(e.systemCode(), 42);
        }
        if (c.byUpdate) {
            EXPECT_LT(at, 500u) << "the caller went on handing over bytes after the failure";
        } else {
            EXPECT_GE(at, c.length); // thrown by finish
        }
        EXPECT_EQ(inner.hashed, c.hashed);
    }
}

// Counts the threads waiting on its monitor, so that a test knows when one is blocked there.
class ObservedThreads : public ThreadService {
public:
    std::unique_ptr<Monitor> newMonitor() override {
        return std::make_unique<Observed>(real_.newMonitor(), waiting);
    }
    std::unique_ptr<Thread> start(std::function<void()> task) override {
        return real_.start(std::move(task));
    }
    std::atomic<int> waiting = 0;

private:
    class Observed : public Monitor {
    public:
        Observed(std::unique_ptr<Monitor> real, std::atomic<int>& waiting)
            : real_(std::move(real)), waiting_(waiting) {}
        void lock() override { real_->lock(); }
        void unlock() override { real_->unlock(); }
        void wait() override {
            ++waiting_;
            real_->wait();
            --waiting_;
        }
        void notifyAll() override { real_->notifyAll(); }

    private:
        std::unique_ptr<Monitor> real_;
        std::atomic<int>& waiting_;
    };
    posix::PosixThreadService real_;
};

// Polls condition for up to ten seconds; false when it never held.
template <typename Condition> bool eventually(Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

TEST(OverlappedHashService, AHasherDroppedMidStreamSkipsItsQueuedBytesAndDoesNotHang) {
    ObservedThreads threads;
    GatedHashes inner;
    {
        OverlappedHashService service(inner, threads, Sizes{100, 2});
        const std::string data(400, 'x');
        auto hasher = service.newSha256();
        // 100 bytes here, then one slot held at the gate and two queued behind it.
        for (std::size_t at = 0; at < data.size(); at += 100) {
            hasher->update(std::span<const char>(data).subspan(at, 100));
        }
        ASSERT_TRUE(eventually([&] { return inner.workerAtGate.load(); }));
        // The gate opens once the hasher's destruction is waiting for the held slot (the
        // worker, at the gate, is not waiting on the monitor).
        std::thread opener([&] {
            eventually([&] { return threads.waiting > 0; });
            inner.open();
        });
        hasher.reset();
        opener.join();
        EXPECT_EQ(inner.hashed, 200u);
        EXPECT_EQ(inner.alive, 0);
    }
    // The service's destruction stopped and joined its worker.
    EXPECT_EQ(inner.hashed, 200u);
}

TEST(OverlappedHashService, ACallerAheadOfTheWorkerWaitsWithOnlyAQueueOfBytesOutstanding) {
    ObservedThreads threads;
    GatedHashes inner;
    OverlappedHashService service(inner, threads, Sizes{100, 3});
    auto hasher = service.newSha256();
    std::atomic<std::size_t> given = 0;
    std::thread caller([&] {
        inner.callerThread = std::this_thread::get_id();
        const std::string data(100, 'x');
        for (int i = 0; i < 20; ++i) {
            hasher->update(std::span<const char>(data));
            given += data.size();
            if (i == 1) {
                // The first slot handed over is at the gate before the queue fills.
                eventually([&] { return inner.workerAtGate.load(); });
            }
        }
        hasher->finish();
    });
    // 100 bytes hashed on the caller's thread, 100 at the gate, 300 queued; the caller then
    // waits with the next 100 in hand.
    EXPECT_TRUE(
        eventually([&] { return inner.workerAtGate && given == 500 && threads.waiting > 0; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(given, 500u);
    inner.open();
    caller.join();
    EXPECT_EQ(inner.hashed, 2000u);
}

} // namespace
} // namespace qly
