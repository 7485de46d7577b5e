// File services on Linux. Accepts the program's Windows-style paths: every "\" is read as "/",
// so "update\a.txt" is relative to the working folder. Windows attributes are mapped:
// hidden = a name starting with "." (there is no system attribute here), read-only = no write
// permission for the owner, a symbolic link to a folder = reparse point and folder.
#pragma once

#include "platform/file_system.h"

#include <optional>
#include <string>
#include <vector>

namespace qly::posix {

class PosixFileSystem : public FileSystem {
public:
    // From now on, whatever is created, opened for writing, renamed, linked, looked up or
    // removed below folder is reached from folder down without following a link: each folder
    // on the way is opened as itself (openat2 with RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS where
    // the kernel has it, else openat with O_NOFOLLOW one part at a time) and the change is made
    // relative to the last one. A folder swapped for a link after the run checked it is then
    // refused (FailureKind::Link), never gone through. folder itself may be a link.
    void confineBelow(const std::string& folder);

    std::unique_ptr<DirListing> list(const std::string& folder,
                                     const std::string& pattern) override;
    void createFolder(const std::string& path) override;
    void deleteFile(const std::string& path) override;
    void removeQuietly(const std::string& path) noexcept override;
    void replaceFile(const std::string& from, const std::string& to) override;
    std::unique_ptr<File> open(const std::string& path, OpenMode mode) override;
    // Free blocks available to an unprivileged writer (f_bavail) on the volume holding the nearest
    // existing ancestor of path.
    std::optional<int64_t> freeBytes(const std::string& path) override;
    std::optional<uint32_t> statusOf(const std::string& path) override;
    // There is no sharing mode here: a file is "in use" only when the system refuses to open
    // it for writing (a running program's image); a folder that may not be written is access
    // denied.
    void checkReplaceable(const std::string& path) override;
    // A hard link keeps the backup, so the destination name is never missing; permissions and
    // owner carry over.
    void replaceWithBackup(const std::string& staged, const std::string& destination,
                           const std::string& backup) override;
    void replaceFileDurably(const std::string& from, const std::string& to) override;
    bool removeFolder(const std::string& path) override;
    // syncfs of the volume holding path (which must exist).
    bool syncVolume(const std::string& path) override;
    std::optional<FileIdentity> identityOf(const std::string& path) override;
    std::unique_ptr<FolderHold> holdFolder(const std::string& path) override;

private:
    struct Located;
    // Where the entry at native is reached: below a confined folder, its folder opened by the
    // walk and its own name; elsewhere, the working folder and native itself.
    Located locate(const std::string& native) const;
    // locate, or nothing when a folder on the way is not there.
    std::optional<Located> locateIfThere(const std::string& native) const;

    std::vector<std::string> confined_; // native, without a trailing separator
};

// The native form of a Windows-style path: "\" becomes "/".
std::string nativePath(const std::string& path);

// Marks the file at path as a program anyone may run (mode 0755). Throws Error.
void MakeExecutable(const std::string& path);

} // namespace qly::posix
