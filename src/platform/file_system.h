// File services of the host system. Paths are UTF-8 Windows-style paths ("\" separators,
// relative names resolved against the working folder); implementations translate them.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace qly {

// Windows attribute bits, as the listing and the attribute query report them.
inline constexpr uint32_t kAttrReadOnly = 0x1;
inline constexpr uint32_t kAttrHidden = 0x2;
inline constexpr uint32_t kAttrSystem = 0x4;
inline constexpr uint32_t kAttrDirectory = 0x10;
inline constexpr uint32_t kAttrReparsePoint = 0x400;
inline constexpr uint32_t kInvalidAttributes = 0xFFFFFFFF;

struct DirEntry {
    std::string name; // the entry's own name, no folder
    uint32_t attributes = 0;
    int64_t size = 0;
};

// An open directory listing; closing it is the destructor's job.
class DirListing {
public:
    virtual ~DirListing() = default;
    // Fills entry with the next entry; false when the listing is exhausted. Throws Error on a
    // failure other than exhaustion.
    virtual bool next(DirEntry& entry) = 0;
};

// An open file for binary access; closed by the destructor.
class File {
public:
    virtual ~File() = default;
    // Reads up to out.size() bytes at the current position; returns the count read. Throws Error.
    virtual std::size_t read(std::span<char> out) = 0;
    // Writes all of data at the current position. Throws Error (disk full included).
    virtual void write(std::span<const char> data) = 0;
    // Current length of the file in bytes. Throws Error.
    virtual int64_t length() = 0;
    // Makes what was written so far durable: on the disk, not only in the system's cache.
    // Throws Error.
    virtual void flush() = 0;
    // Moves up to n bytes from source's position to this file's position, advancing both;
    // returns the count moved. The default goes through buffer; implementations may copy
    // inside the kernel.
    virtual std::size_t transferFrom(File& source, std::size_t n, std::string& buffer);
    // Fills out with the bytes at offset, whatever the current position (which it may move).
    // Throws Error when they are not all there, or when the file cannot be read at a position
    // (the default).
    virtual void readAt(int64_t offset, std::span<char> out);
};

enum class OpenMode {
    Read,         // existing file, read only
    ReadWrite,    // existing file only (never created), positioned at the start, contents kept
    CreateAlways, // created or truncated, write access
    CreateNew,    // created new, write access; fails when any entry (a link too) has the name
};

// What tells one file from another on its volume: it stays with the file through renames and
// hard links, so it proves that a file found later is the one seen before.
struct FileIdentity {
    uint64_t volume = 0;
    uint64_t file = 0;
    bool operator==(const FileIdentity&) const = default;
};

// A folder held open: while it lives, the folder is what was checked, and (where the system
// allows) no other program can move, delete or replace it.
class FolderHold {
public:
    virtual ~FolderHold() = default;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Lists the entries of folder matching a "*"/"?" pattern (the pattern "*.*" matches every
    // name). Returns null only when the folder exists and nothing in it matches; throws Error
    // for every other failure (missing folder, access denied, name too long, ...), so that a
    // folder that cannot be read is never taken for an empty one.
    virtual std::unique_ptr<DirListing> list(const std::string& folder,
                                             const std::string& pattern) = 0;
    // Creates one folder level. Throws Error on failure.
    virtual void createFolder(const std::string& path) = 0;
    // Deletes one file. Throws Error on failure (read-only, in use); a missing file is a failure.
    virtual void deleteFile(const std::string& path) = 0;
    // Deletes a file if it exists; never throws. For clean-up paths.
    virtual void removeQuietly(const std::string& path) noexcept = 0;
    // Puts from in place of to, replacing any file there (hidden, system and read-only ones
    // included) in one step. Throws Error on failure.
    virtual void replaceFile(const std::string& from, const std::string& to) = 0;
    // Opens path for binary access. Throws Error on failure.
    virtual std::unique_ptr<File> open(const std::string& path, OpenMode mode) = 0;
    // Free bytes the caller may still write on the volume holding path (within its quota), or
    // nothing when the query fails.
    virtual std::optional<int64_t> freeBytes(const std::string& path) = 0;

    // The exact lookups and moves of the update transaction: they never answer a failure as
    // "not there", so that an undo never acts on a wrong answer.
    //
    // Attribute bits of path; nothing when no entry of that name exists. Throws Error when
    // the answer cannot be had.
    virtual std::optional<uint32_t> statusOf(const std::string& path) = 0;
    // Throws Error (InUse, AccessDenied, ReadOnly, InTheWay) when the existing file at path
    // could not be replaced now, for example because another program holds it open without
    // sharing; returns when it could, or when nothing is there.
    virtual void checkReplaceable(const std::string& path) = 0;
    // Puts staged in place of destination and keeps the old destination as backup, on the
    // same volume; the new file takes over the old one's attributes (and, where the system
    // has them, its security descriptor and creation time). At every moment either
    // destination or backup holds the old file. Throws Error.
    virtual void replaceWithBackup(const std::string& staged, const std::string& destination,
                                   const std::string& backup) = 0;
    // replaceFile whose effect is on the disk when it returns. Throws Error.
    virtual void replaceFileDurably(const std::string& from, const std::string& to) = 0;
    // Removes an empty folder. False when the folder holds entries (it is then kept); throws
    // Error on any other failure.
    virtual bool removeFolder(const std::string& path) = 0;
    // Makes every write so far to the volume holding path durable. False when the system does
    // not allow that for a whole volume here; the caller then flushes its files one by one.
    virtual bool syncVolume(const std::string& path) = 0;
    // Identity of the entry at path itself (a link is never followed); nothing when no entry
    // of that name exists. Throws Error when the answer cannot be had.
    virtual std::optional<FileIdentity> identityOf(const std::string& path) = 0;
    // Opens the folder at path without following a link and holds it until the hold is
    // destroyed. Throws Error with FailureKind::Link when path is a link, junction or other
    // reparse point, and Error for every other failure.
    virtual std::unique_ptr<FolderHold> holdFolder(const std::string& path) = 0;
};

// The plain questions, asked through statusOf for every implementation. They answer from the
// entry at path itself, never from what a link there points at (a link to a file counts as a
// file, a dangling link as an entry, as Windows answers), and a lookup that fails is
// "nothing there": they throw nothing of their own.
//
// Attribute bits of path, or kInvalidAttributes when there is no entry or it cannot be read.
uint32_t AttributesOf(FileSystem& files, const std::string& path);
// True when an ordinary file is at path: folders, hidden and system files do not count.
bool FileExists(FileSystem& files, const std::string& path);
// True when a folder or a file of any kind is at path.
bool Exists(FileSystem& files, const std::string& path);

} // namespace qly
