// The update run's hold on its game folder: one run per folder at a time, while the recovery
// of an interrupted run or the update itself changes it.
#pragma once

#include "platform/folder_lock.h"
#include "platform/message_loop.h"

#include <cstdint>
#include <memory>
#include <string>

namespace qly {

// How long a second run waits for the first before it gives up.
inline constexpr int32_t kFolderLockWaitMs = 5000;

// Tries the lock of folder until it is had or kFolderLockWaitMs have passed on the loop's
// clock, pausing between tries with the window kept responsive. Returns nothing when another
// run kept it all that time. Throws Error when the lock file cannot be used safely.
std::unique_ptr<HeldFolderLock> WaitForFolderLock(FolderLocks& locks, MessageLoop& loop,
                                                  const std::string& folder);

} // namespace qly
