// The file services a program inside a Wine prefix sees: an absolute path names whatever
// existing file or folder matches it without regard to letter case, as under Wine, so that a
// patch's "Data\Levels.dat" replaces the game's "DATA/levels.dat" instead of standing beside
// it. A file put in place of another takes the name it was given, as a rename does under Wine;
// folders keep theirs. Relative paths (the patch's own files) pass through unchanged.
#pragma once

#include "platform/file_system.h"

#include <map>
#include <set>
#include <string>
#include <unordered_map>

namespace qly {

class CaseMatchingFileSystem final : public FileSystem {
public:
    // inner outlives this object. The folders' names are read once and then kept up to date
    // by this object's own changes: changes made by others while it lives go unseen.
    explicit CaseMatchingFileSystem(FileSystem& inner) : inner_(inner) {}

    // The path as it exists on the disk: each existing component exactly when it exists so,
    // else by letter case; components that do not exist are kept as given. "\" becomes "/".
    std::string resolve(const std::string& path);

    std::unique_ptr<DirListing> list(const std::string& folder,
                                     const std::string& pattern) override;
    void createFolder(const std::string& path) override;
    void deleteFile(const std::string& path) override;
    void removeQuietly(const std::string& path) noexcept override;
    void replaceFile(const std::string& from, const std::string& to) override;
    std::unique_ptr<File> open(const std::string& path, OpenMode mode) override;
    std::optional<int64_t> freeBytes(const std::string& path) override;
    std::optional<uint32_t> statusOf(const std::string& path) override;
    void checkReplaceable(const std::string& path) override;
    void replaceWithBackup(const std::string& staged, const std::string& destination,
                           const std::string& backup) override;
    void replaceFileDurably(const std::string& from, const std::string& to) override;
    bool removeFolder(const std::string& path) override;
    bool syncVolume(const std::string& path) override;
    std::optional<FileIdentity> identityOf(const std::string& path) override;
    std::unique_ptr<FolderHold> holdFolder(const std::string& path) override;

private:
    // The names of one folder, by their lower-case form.
    using Names = std::map<std::string, std::set<std::string>>;

    Names& namesOf(const std::string& folder);
    // After a file was put in place at real (found for given): renames it to given's name
    // when that differs in letter case.
    void takeGivenName(const std::string& given, const std::string& real);
    void added(const std::string& resolvedPath);
    void removed(const std::string& resolvedPath);

    FileSystem& inner_;
    std::unordered_map<std::string, Names> folders_;               // by resolved folder
    std::unordered_map<std::string, std::string> resolvedFolders_; // given folder -> resolved
};

} // namespace qly
