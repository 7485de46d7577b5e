// The game folder's lock on Linux: an fcntl record lock on the first byte of the lock file,
// the lock Wine takes for the Windows program's LockFileEx on the same file.
#pragma once

#include "platform/folder_lock.h"

namespace qly::posix {

class PosixFolderLocks : public FolderLocks {
public:
    // folder is a Windows-style path of this file system ("/games/x" or "\\games\\x").
    std::unique_ptr<HeldFolderLock> tryLock(const std::string& folder) override;
};

} // namespace qly::posix
