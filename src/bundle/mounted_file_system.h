// One file system seen through another: paths below a relative folder prefix ("update\") go
// to the mounted one, every other path to the base. The installer run from a packed exe reads
// its patch tree this way while the game folder stays on the disk.
#pragma once

#include "platform/file_system.h"

#include <initializer_list>
#include <string>

namespace qly {

class MountedFileSystem : public FileSystem {
public:
    // prefix ends with "\"; the mounted file system gets the paths unchanged. Both file
    // systems must outlive this object.
    MountedFileSystem(FileSystem& base, FileSystem& mounted, std::string prefix);

    std::unique_ptr<DirListing> list(const std::string& folder,
                                     const std::string& pattern) override;
    void createFolder(const std::string& path) override;
    void deleteFile(const std::string& path) override;
    void removeQuietly(const std::string& path) noexcept override;
    // Within one of the two file systems only; across them it is refused with an Error.
    void replaceFile(const std::string& from, const std::string& to) override;
    std::unique_ptr<File> open(const std::string& path, OpenMode mode) override;
    std::optional<int64_t> freeBytes(const std::string& path) override;
    std::optional<uint32_t> statusOf(const std::string& path) override;
    void checkReplaceable(const std::string& path) override;
    // Like replaceFile, the three paths must lie on one side.
    void replaceWithBackup(const std::string& staged, const std::string& destination,
                           const std::string& backup) override;
    void replaceFileDurably(const std::string& from, const std::string& to) override;
    bool removeFolder(const std::string& path) override;
    bool syncVolume(const std::string& path) override;
    std::optional<FileIdentity> identityOf(const std::string& path) override;
    std::unique_ptr<FolderHold> holdFolder(const std::string& path) override;

private:
    // True when path is the prefix's folder or lies below it (either separator, any case).
    bool isMounted(const std::string& path) const;
    // Throws Error unless every path lies on the same side.
    void sameSide(std::initializer_list<const std::string*> paths) const;
    FileSystem& route(const std::string& path) const { return isMounted(path) ? mounted_ : base_; }

    FileSystem& base_;
    FileSystem& mounted_;
    std::string prefixKey_; // BundlePathKey of the prefix
};

} // namespace qly
