// One update run per game folder at a time: a lock every installer process sees, the Windows
// program and the Linux one on the same Wine prefix alike (a byte-range lock on a file in the
// folder, which Wine keeps as a POSIX record lock on the same file).
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace qly {

// The file the lock is taken on, in the game folder. The run that holds the lock removes it
// before it lets go; a run that then gets the lock on the removed file notices and tries again.
// A file left by a run that crashed is simply taken over.
inline constexpr std::string_view kFolderLockName = "qlypatch.lock";

// A held lock; released, and its file removed, when it goes (the lock alone when the process
// ends otherwise).
class HeldFolderLock {
public:
    virtual ~HeldFolderLock() = default;
};

class FolderLocks {
public:
    virtual ~FolderLocks() = default;
    // Takes the lock of folder (no trailing separator) without waiting; nothing when another
    // process holds it. Throws Error when the lock file cannot be opened safely (a link, a
    // folder or a file with other names in its place).
    virtual std::unique_ptr<HeldFolderLock> tryLock(const std::string& folder) = 0;
};

} // namespace qly
