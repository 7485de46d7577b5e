// The game folder's lock on Windows: LockFileEx on the first byte of the lock file, which Wine
// turns into the POSIX record lock the Linux program takes.
#pragma once

#include "platform/folder_lock.h"

namespace qly::win32 {

class Win32FolderLocks : public FolderLocks {
public:
    std::unique_ptr<HeldFolderLock> tryLock(const std::string& folder) override;
};

} // namespace qly::win32
