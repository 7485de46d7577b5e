// File services on Windows through the wide APIs, so that folders outside the ANSI code page
// work. Paths are the program's UTF-8 Windows paths, of any length (see long_path.h).
#pragma once

#include "platform/file_system.h"

namespace qly::win32 {

class Win32FileSystem : public FileSystem {
public:
    std::unique_ptr<DirListing> list(const std::string& folder,
                                     const std::string& pattern) override;
    void createFolder(const std::string& path) override;
    void deleteFile(const std::string& path) override;
    void removeQuietly(const std::string& path) noexcept override;
    // Clears the read-only, hidden and system attributes of the target first, which the
    // replacing move would otherwise refuse.
    void replaceFile(const std::string& from, const std::string& to) override;
    std::unique_ptr<File> open(const std::string& path, OpenMode mode) override;
    // Asks for the folder itself (drive, UNC, mount point or relative path alike), or for the
    // nearest existing folder above a path not yet created.
    std::optional<int64_t> freeBytes(const std::string& path) override;
    std::optional<uint32_t> statusOf(const std::string& path) override;
    // Opens the file for reading, writing and deleting with every sharing mode granted: a
    // sharing violation then means another program holds it.
    void checkReplaceable(const std::string& path) override;
    // ReplaceFileW with a backup name.
    void replaceWithBackup(const std::string& staged, const std::string& destination,
                           const std::string& backup) override;
    void replaceFileDurably(const std::string& from, const std::string& to) override;
    bool removeFolder(const std::string& path) override;
    // Flushes the volume through its device when the path lies on a drive letter's volume and
    // the program may open it (administrators); false otherwise.
    bool syncVolume(const std::string& path) override;
    // The volume serial number and file index, from the entry opened as a reparse point.
    std::optional<FileIdentity> identityOf(const std::string& path) override;
    // Opened without delete sharing, so the folder can be neither moved nor removed meanwhile.
    std::unique_ptr<FolderHold> holdFolder(const std::string& path) override;
};

} // namespace qly::win32
