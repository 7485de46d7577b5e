#include "update/game_folder_lock.h"

namespace qly {

namespace {
constexpr int kRetryPauseMs = 250;
}

std::unique_ptr<HeldFolderLock> WaitForFolderLock(FolderLocks& locks, MessageLoop& loop,
                                                  const std::string& folder) {
    const uint32_t start = loop.tickCount();
    for (;;) {
        if (auto held = locks.tryLock(folder)) {
            return held;
        }
        // Signed difference: a wrap of the tick counter does not end the wait early.
        if (static_cast<int32_t>(loop.tickCount() - start) >= kFolderLockWaitMs) {
            return nullptr;
        }
        // A real pause (not a busy wait), then the window's messages.
        loop.sleep(kRetryPauseMs);
        loop.yield();
    }
}

} // namespace qly
