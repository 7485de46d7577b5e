// Hashing beside the copy with Windows' own threads, locks and conditions, and CNG: the
// digests the caller's thread would give, and a hasher dropped mid-stream neither hanging nor
// crashing. How the worker's errors reach the caller does not depend on the platform's threads
// and is tested natively.
#include "platform/overlapped_hash_service.h"
#include "platform/win32/cng_hash_service.h"
#include "platform/win32/win32_thread_service.h"

#include <gtest/gtest.h>
#include <mutex>
#include <string>

namespace qly::win32 {
namespace {

TEST(Win32ThreadService, AThreadWaitsOnTheMonitorAndIsJoinedByItsOwner) {
    Win32ThreadService threads;
    auto monitor = threads.newMonitor();
    int turn = 0;
    DWORD workerId = 0;
    {
        auto thread = threads.start([&] {
            std::unique_lock lock(*monitor);
            while (turn != 1) {
                monitor->wait();
            }
            workerId = GetCurrentThreadId();
            turn = 2;
            monitor->notifyAll();
        });
        std::unique_lock lock(*monitor);
        turn = 1;
        monitor->notifyAll();
        while (turn != 2) {
            monitor->wait();
        }
    }
    EXPECT_NE(workerId, 0u);
    EXPECT_NE(workerId, GetCurrentThreadId());
}

TEST(OverlappedHashService, CngDigestsOnAWin32WorkerMatchKnownVectors) {
    CngHashService cng;
    Win32ThreadService threads;
    OverlappedHashService service(cng, threads, {4096, 2});
    const std::string million(1000000, 'a');
    for (const std::size_t piece : {std::size_t{1000}, std::size_t{62000}, million.size()}) {
        SCOPED_TRACE(piece);
        auto hasher = service.newSha256();
        for (std::size_t at = 0; at < million.size(); at += piece) {
            hasher->update(
                std::span<const char>(million).subspan(at, std::min(piece, million.size() - at)));
        }
        EXPECT_EQ(ToHex(hasher->finish()),
                  "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    }
    // Dropped after many slots were handed over: returns, and the service still works.
    auto dropped = service.newSha256();
    for (int i = 0; i < 100; ++i) {
        dropped->update(std::span<const char>(million).first(10000));
    }
    dropped.reset();
    auto hasher = service.newSha256();
    hasher->update(std::span<const char>("abc", 3));
    EXPECT_EQ(ToHex(hasher->finish()),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

} // namespace
} // namespace qly::win32
