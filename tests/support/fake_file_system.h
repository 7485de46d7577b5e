// An in-memory FileSystem for tests: Windows-style paths (either separator, letter case
// ignored), hidden/system/read-only attributes, a settable free-space figure, a write limit
// that fills the "disk" mid-file, and a count-down fault hook: "the Nth next call of operation
// X fails", once or for good. Listings return entries in the order they were added, after
// "." and "..".
#pragma once

#include "platform/file_system.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qly::test {

enum class FsOp {
    Any, // matches every operation below
    List,
    ListNext,
    Attributes,
    FileExists,
    Exists,
    CreateFolder,
    DeleteFile,
    ReplaceFile,
    Open,
    Read,
    Write,
    Length,
    FreeBytes,
};

class FakeFileSystem : public FileSystem {
public:
    // Adds a folder and the folders on the way to it.
    void addFolder(const std::string& path, uint32_t attributes = 0);
    // Adds a file and the folders on the way to it; an existing file is rewritten in place
    // (keeping its listing position), and files open on it see the new contents.
    void addFile(const std::string& path, const std::string& contents, uint32_t attributes = 0);
    // Sets the attribute bits of an existing entry (the folder bit is kept as it is);
    // kInvalidAttributes makes the entry one whose attributes cannot be read.
    void setAttributes(const std::string& path, uint32_t attributes);
    // Removes an entry and everything below it.
    void remove(const std::string& path);

    bool isFile(const std::string& path) const;
    bool isFolder(const std::string& path) const;
    // Contents of a file. Throws std::out_of_range for a missing one.
    std::string contents(const std::string& path) const;
    // Every file below (and in) folder, as paths in the form they were added, in no fixed
    // order; folder "" means everything.
    std::vector<std::string> filesBelow(const std::string& folder) const;

    // The figure freeBytes reports (nothing = the query fails). Default: 1 TiB.
    void setFreeBytes(std::optional<int64_t> bytes) { freeBytes_ = bytes; }
    // Bytes that writes may still add in total before they fail as on a full disk.
    void setWriteLimit(int64_t bytes) { writeLimit_ = bytes; }

    // Makes the nth next call (1 = the very next) of op fail; with forGood, every call after
    // it fails too. A failing call throws Error, or answers as the query's failure does
    // (kInvalidAttributes, false, no listing, no figure).
    void failOn(FsOp op, int nth, bool forGood = false);
    void clearFaults() { faults_.clear(); }
    // Calls made so far of op (FsOp::Any: of every operation).
    int calls(FsOp op) const;
    // The operation of the first call that was made to fail, if any.
    std::optional<FsOp> firstFailure() const { return firstFailure_; }

    std::unique_ptr<DirListing> list(const std::string& folder,
                                     const std::string& pattern) override;
    uint32_t attributes(const std::string& path) override;
    bool fileExists(const std::string& path) override;
    bool exists(const std::string& path) override;
    void createFolder(const std::string& path) override;
    void deleteFile(const std::string& path) override;
    void removeQuietly(const std::string& path) noexcept override;
    void replaceFile(const std::string& from, const std::string& to) override;
    std::unique_ptr<File> open(const std::string& path, OpenMode mode) override;
    std::optional<int64_t> freeBytes(const std::string& path) override;

    // Counts a call of op and answers whether it is to fail. Used by the fake's files and
    // listings too.
    bool shouldFail(FsOp op);
    // Takes n bytes from the write limit; false (nothing taken) when fewer are left.
    bool takeWriteRoom(int64_t n);

private:
    struct Node {
        std::string path; // as added
        bool folder = false;
        uint32_t attributes = 0;
        std::shared_ptr<std::string> data;
        uint64_t order = 0;
    };
    struct Fault {
        FsOp op;
        int countdown;
        bool forGood;
        bool fired = false;
    };

    static std::string key(const std::string& path);
    static std::string parentKey(const std::string& k);
    Node* find(const std::string& path);
    const Node* find(const std::string& path) const;
    // The entry for path in a folder that exists; throws Error when the folder is missing.
    void requireParent(const std::string& path) const;

    std::map<std::string, Node> nodes_;
    uint64_t nextOrder_ = 0;
    std::optional<int64_t> freeBytes_ = int64_t{1} << 40;
    std::optional<int64_t> writeLimit_;
    std::vector<Fault> faults_;
    std::map<FsOp, int> calls_;
    std::optional<FsOp> firstFailure_;
};

} // namespace qly::test
