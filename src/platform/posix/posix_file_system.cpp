// Only this folder talks to POSIX; everything here reports failures as qly::Error with the
// system's reason, captured where the call was made.
#include "platform/posix/posix_file_system.h"

#include "common/error.h"
#include "platform/name_pattern.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <utility>

namespace qly::posix {

namespace {

FailureKind kindOf(int err) {
    switch (err) {
    case ETXTBSY:
    case EBUSY:
        return FailureKind::InUse;
    case EACCES:
    case EPERM:
        return FailureKind::AccessDenied;
    case EROFS:
        return FailureKind::ReadOnly;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return FailureKind::DiskFull;
    case ENOENT:
    case ENOTDIR:
        return FailureKind::Vanished;
    case EISDIR:
    case EEXIST:
    case ENOTEMPTY:
        return FailureKind::InTheWay;
    default:
        return FailureKind::Other;
    }
}

[[noreturn]] void fail(const std::string& what, const std::string& path, int err) {
    throw Error(what + " " + path + ": " + std::strerror(err), kindOf(err), err, path);
}

// What is known of the entry name in the folder open as at, itself (a link is not
// followed); nothing when it is not there. Throws Error when it cannot be looked up.
std::optional<struct stat> ownStatus(int at, const std::string& name) {
    struct stat own {};
    if (fstatat(at, name.c_str(), &own, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return std::nullopt;
        }
        fail("cannot look up", name, errno);
    }
    return own;
}

// The folder part of a native path ("." for a bare name).
std::string parentFolder(const std::string& native) {
    const std::size_t end = native.find_last_not_of('/');
    const std::size_t slash = end == std::string::npos ? std::string::npos : native.rfind('/', end);
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : native.substr(0, slash);
}

// fsync of a folder, so that the names created or renamed in it are on the disk.
void syncFolder(const std::string& native) {
    const int fd = ::open(native.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        fail("cannot open the folder", native, errno);
    }
    const int rc = fsync(fd);
    const int err = errno;
    ::close(fd);
    if (rc != 0) {
        fail("cannot flush the folder", native, err);
    }
}

bool isHiddenName(const char* name) {
    return name[0] == '.' && std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0;
}

// The last component of a native path, ignoring trailing separators.
std::string baseName(const std::string& native) {
    std::size_t end = native.find_last_not_of('/');
    if (end == std::string::npos) {
        return {};
    }
    std::size_t start = native.rfind('/', end);
    start = start == std::string::npos ? 0 : start + 1;
    return native.substr(start, end - start + 1);
}

// Maps what lstat said about an entry to Windows attribute bits; follows a symbolic link
// through statAt to tell a folder link from a file link.
template <typename StatFollow>
uint32_t attributesOf(const struct stat& own, const char* name, StatFollow statFollow,
                      int64_t* size) {
    struct stat st = own;
    uint32_t attrs = 0;
    if (S_ISLNK(own.st_mode)) {
        if (!statFollow(st)) {
            // A dangling link: present, but nothing to read behind it.
            *size = 0;
            return kAttrReparsePoint;
        }
        if (S_ISDIR(st.st_mode)) {
            attrs |= kAttrReparsePoint;
        }
    }
    if (S_ISDIR(st.st_mode)) {
        attrs |= kAttrDirectory;
        *size = 0;
    } else {
        *size = static_cast<int64_t>(st.st_size);
    }
    if (isHiddenName(name)) {
        attrs |= kAttrHidden;
    }
    if ((st.st_mode & S_IWUSR) == 0) {
        attrs |= kAttrReadOnly;
    }
    return attrs;
}

struct DirCloser {
    void operator()(DIR* dir) const noexcept { closedir(dir); }
};

class PosixDirListing : public DirListing {
public:
    PosixDirListing(std::unique_ptr<DIR, DirCloser> dir, std::string folder, std::string pattern)
        : dir_(std::move(dir)), folder_(std::move(folder)), pattern_(std::move(pattern)),
          matchAll_(pattern_ == "*" || pattern_ == "*.*") {}

    // Reads ahead to the first match so that a listing without one is reported as unopenable.
    bool prime() { return advance(); }

    bool next(DirEntry& entry) override {
        if (!hasPending_) {
            return false;
        }
        entry = std::move(pending_);
        advance();
        return true;
    }

private:
    bool advance() {
        hasPending_ = false;
        for (;;) {
            errno = 0;
            const dirent* d = readdir(dir_.get());
            if (d == nullptr) {
                if (errno != 0) {
                    fail("cannot read the listing of", folder_, errno);
                }
                return false;
            }
            if (!matchAll_ && !matchesPattern(d->d_name, pattern_)) {
                continue;
            }
            pending_.name = d->d_name;
            pending_.size = 0;
            const int fd = dirfd(dir_.get());
            struct stat own {};
            if (fstatat(fd, d->d_name, &own, AT_SYMLINK_NOFOLLOW) != 0) {
                // Gone or unreadable since the listing was read.
                pending_.attributes = kInvalidAttributes;
            } else {
                pending_.attributes = attributesOf(
                    own, d->d_name,
                    [&](struct stat& st) { return fstatat(fd, d->d_name, &st, 0) == 0; },
                    &pending_.size);
            }
            hasPending_ = true;
            return true;
        }
    }

    std::unique_ptr<DIR, DirCloser> dir_;
    std::string folder_;
    std::string pattern_;
    bool matchAll_;
    DirEntry pending_;
    bool hasPending_ = false;
};

class PosixFile : public File {
public:
    PosixFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    ~PosixFile() override { ::close(fd_); }
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;

    std::size_t read(std::span<char> out) override {
        std::size_t done = 0;
        while (done < out.size()) {
            const ssize_t got = ::read(fd_, out.data() + done, out.size() - done);
            if (got < 0) {
                if (errno == EINTR) {
                    continue;
                }
                fail("cannot read", path_, errno);
            }
            if (got == 0) {
                break;
            }
            done += static_cast<std::size_t>(got);
        }
        return done;
    }

    void readAt(int64_t offset, std::span<char> out) override {
        std::size_t done = 0;
        while (done < out.size()) {
            const ssize_t got = ::pread(fd_, out.data() + done, out.size() - done,
                                        static_cast<off_t>(offset) + static_cast<off_t>(done));
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                fail("cannot read", path_, got < 0 ? errno : EIO);
            }
            done += static_cast<std::size_t>(got);
        }
    }

    void write(std::span<const char> data) override {
        std::size_t done = 0;
        while (done < data.size()) {
            const ssize_t put = ::write(fd_, data.data() + done, data.size() - done);
            if (put < 0) {
                if (errno == EINTR) {
                    continue;
                }
                fail("cannot write", path_, errno);
            }
            done += static_cast<std::size_t>(put);
        }
        wrote(data.size());
    }

    int64_t length() override {
        struct stat st {};
        if (fstat(fd_, &st) != 0) {
            fail("cannot measure", path_, errno);
        }
        return static_cast<int64_t>(st.st_size);
    }

    void flush() override {
        if (fsync(fd_) != 0) {
            fail("cannot flush", path_, errno);
        }
    }

    // Copies inside the kernel when both ends are files here and the kernel can; falls back
    // to the buffer for the rest of this call otherwise.
    std::size_t transferFrom(File& source, std::size_t n, std::string& buffer) override {
        auto* from = dynamic_cast<PosixFile*>(&source);
        if (from == nullptr || !inKernel_) {
            return File::transferFrom(source, n, buffer);
        }
        std::size_t done = 0;
        while (done < n) {
            const ssize_t moved = copy_file_range(from->fd_, nullptr, fd_, nullptr, n - done, 0);
            if (moved < 0) {
                if (errno == EINTR) {
                    continue;
                }
                if (done == 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL ||
                                  errno == EOPNOTSUPP || errno == EBADF)) {
                    inKernel_ = false;
                    return File::transferFrom(source, n, buffer);
                }
                fail("cannot copy into", path_, errno);
            }
            if (moved == 0) {
                break;
            }
            done += static_cast<std::size_t>(moved);
        }
        wrote(done);
        return done;
    }

private:
    // Everything written is flushed before the run commits; starting the disk on each large
    // stretch as it is written lets that flush find little left to do, instead of the whole
    // file at once. Only a hint: failures here surface at the flush.
    void wrote(std::size_t n) {
        written_ += static_cast<off_t>(n);
        if (written_ - started_ >= kWriteBackStretch) {
            sync_file_range(fd_, started_, written_ - started_, SYNC_FILE_RANGE_WRITE);
            started_ = written_;
        }
    }

    static constexpr off_t kWriteBackStretch = off_t{8} << 20;

    int fd_;
    std::string path_;
    bool inKernel_ = true;
    off_t written_ = 0; // bytes written through this handle, from its start
    off_t started_ = 0; // write-back already asked for up to here
};

// An open descriptor, closed once.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) noexcept : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Descriptor& operator=(Descriptor&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }
    int get() const noexcept { return fd_; }

private:
    int fd_;
};

[[noreturn]] void linkOnTheWay(const std::string& native) {
    throw Error("a link stands on the way to " + native, FailureKind::Link, ELOOP, native);
}

// Opens the folder relative (parts separated by "/", none "." or "..") below the folder
// open as base, following no link. Throws Error (Link for a link on the way).
Descriptor openBeneath(int base, const std::string& relative, const std::string& native) {
    open_how how{};
    how.flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS;
    const long fd = syscall(SYS_openat2, base, relative.c_str(), &how, sizeof(how));
    if (fd >= 0) {
        return Descriptor(static_cast<int>(fd));
    }
    if (errno == ELOOP || errno == EXDEV) {
        linkOnTheWay(native);
    }
    if (errno != ENOSYS && errno != EPERM && errno != E2BIG) {
        fail("cannot open the folder of", native, errno);
    }
    // An older kernel (or a sandbox that refuses the call): one part at a time.
    Descriptor folder(fcntl(base, F_DUPFD_CLOEXEC, 0));
    if (folder.get() < 0) {
        fail("cannot open the folder of", native, errno);
    }
    std::size_t start = 0;
    while (start < relative.size()) {
        std::size_t end = relative.find('/', start);
        end = end == std::string::npos ? relative.size() : end;
        const std::string part = relative.substr(start, end - start);
        Descriptor next(
            openat(folder.get(), part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (next.get() < 0) {
            const int error = errno;
            struct stat own {};
            if (fstatat(folder.get(), part.c_str(), &own, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISLNK(own.st_mode)) {
                linkOnTheWay(native);
            }
            fail("cannot open the folder of", native, error);
        }
        folder = std::move(next);
        start = end + 1;
    }
    return folder;
}

} // namespace

struct PosixFileSystem::Located {
    Descriptor folder; // none: the working folder
    std::string name;  // relative to folder
    int at() const { return folder.get() < 0 ? AT_FDCWD : folder.get(); }
};

void PosixFileSystem::confineBelow(const std::string& folder) {
    std::string native = nativePath(folder);
    while (native.size() > 1 && native.back() == '/') {
        native.pop_back();
    }
    if (std::find(confined_.begin(), confined_.end(), native) == confined_.end()) {
        confined_.push_back(native);
    }
}

PosixFileSystem::Located PosixFileSystem::locate(const std::string& native) const {
    std::string path = native;
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    for (const std::string& root : confined_) {
        const std::string prefix = root == "/" ? root : root + "/";
        if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0) {
            continue;
        }
        const std::string relative = path.substr(prefix.size());
        std::size_t start = 0;
        while (start <= relative.size()) {
            std::size_t end = relative.find('/', start);
            end = end == std::string::npos ? relative.size() : end;
            const std::string part = relative.substr(start, end - start);
            if (part.empty() || part == "." || part == "..") {
                fail("cannot reach", native, EINVAL);
            }
            start = end + 1;
        }
        // The confined folder itself may be a link (a game moved to another drive).
        Descriptor base(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (base.get() < 0) {
            fail("cannot open the folder", root, errno);
        }
        const std::size_t slash = relative.rfind('/');
        if (slash == std::string::npos) {
            return Located{std::move(base), relative};
        }
        return Located{openBeneath(base.get(), relative.substr(0, slash), native),
                       relative.substr(slash + 1)};
    }
    return Located{Descriptor(), native};
}

std::optional<PosixFileSystem::Located>
PosixFileSystem::locateIfThere(const std::string& native) const {
    try {
        return locate(native);
    } catch (const Error& e) {
        // A folder on the way that is missing (or a file): the entry is not there either.
        if (e.kind() == FailureKind::Vanished) {
            return std::nullopt;
        }
        throw;
    }
}

std::string nativePath(const std::string& path) {
    std::string out = path;
    for (char& c : out) {
        if (c == '\\') {
            c = '/';
        }
    }
    return out;
}

std::unique_ptr<DirListing> PosixFileSystem::list(const std::string& folder,
                                                  const std::string& pattern) {
    std::string native = nativePath(folder);
    if (native.empty()) {
        native = ".";
    }
    std::unique_ptr<DIR, DirCloser> dir(opendir(native.c_str()));
    if (!dir) {
        fail("cannot list", native, errno);
    }
    auto listing = std::make_unique<PosixDirListing>(std::move(dir), native, pattern);
    if (!listing->prime()) {
        return nullptr;
    }
    return listing;
}

void PosixFileSystem::createFolder(const std::string& path) {
    const std::string native = nativePath(path);
    const Located entry = locate(native);
    if (mkdirat(entry.at(), entry.name.c_str(), 0777) != 0) {
        fail("cannot create the folder", native, errno);
    }
}

void PosixFileSystem::deleteFile(const std::string& path) {
    const std::string native = nativePath(path);
    const Located entry = locate(native);
    if (unlinkat(entry.at(), entry.name.c_str(), 0) != 0) {
        fail("cannot delete", native, errno);
    }
}

void PosixFileSystem::removeQuietly(const std::string& path) noexcept {
    try {
        deleteFile(path);
    } catch (const std::exception&) {
        // Clean-up only: what cannot be removed (or reached) stays.
    }
}

void PosixFileSystem::replaceFile(const std::string& from, const std::string& to) {
    const std::string target = nativePath(to);
    const Located source = locate(nativePath(from));
    const Located destination = locate(target);
    if (renameat(source.at(), source.name.c_str(), destination.at(), destination.name.c_str()) !=
        0) {
        fail("cannot put in place", target, errno);
    }
}

std::optional<uint32_t> PosixFileSystem::statusOf(const std::string& path) {
    const std::string native = nativePath(path);
    const std::optional<Located> found = locateIfThere(native);
    if (!found) {
        return std::nullopt;
    }
    const Located& entry = *found;
    const std::optional<struct stat> own = ownStatus(entry.at(), entry.name);
    if (!own) {
        return std::nullopt;
    }
    int64_t size = 0;
    const uint32_t attrs = attributesOf(
        *own, baseName(native).c_str(),
        [&](struct stat& st) { return fstatat(entry.at(), entry.name.c_str(), &st, 0) == 0; },
        &size);
    // The transaction's lookup tells every link, a file link too, as Windows does: the run
    // must never act through one. (Listings show a file link as its file, for the scans.)
    return S_ISLNK(own->st_mode) ? attrs | kAttrReparsePoint : attrs;
}

void PosixFileSystem::checkReplaceable(const std::string& path) {
    const std::string native = nativePath(path);
    struct stat st {};
    if (lstat(native.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return;
        }
        fail("cannot look up", native, errno);
    }
    if (S_ISDIR(st.st_mode)) {
        fail("a folder stands at", native, EISDIR);
    }
    if ((st.st_mode & S_IWUSR) == 0) {
        fail("read-only:", native, EROFS);
    }
    // Replacing renames within the folder, which needs write access to it; a file that cannot
    // be opened for writing (a running program's image, a locked device) is in use.
    if (access(parentFolder(native).c_str(), W_OK) != 0) {
        fail("cannot write in the folder of", native, errno);
    }
    const int fd = ::open(native.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0) {
        // A link is replaced as a name, never written through; that needs no open.
        if (errno == ELOOP) {
            return;
        }
        fail("cannot replace", native, errno);
    }
    ::close(fd);
}

void PosixFileSystem::replaceWithBackup(const std::string& staged, const std::string& destination,
                                        const std::string& backup) {
    const std::string from = nativePath(staged);
    const std::string target = nativePath(destination);
    const std::string keep = nativePath(backup);
    const Located source = locate(from);
    const Located old = locate(target);
    const Located kept = locate(keep);
    struct stat was {};
    if (fstatat(old.at(), old.name.c_str(), &was, AT_SYMLINK_NOFOLLOW) != 0) {
        fail("cannot look up", target, errno);
    }
    // The new file takes the old one's permissions (and owner, where we may set it), set
    // through a descriptor of the staged file itself.
    if (!S_ISLNK(was.st_mode)) {
        const Descriptor file(
            openat(source.at(), source.name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        if (file.get() < 0) {
            fail("cannot open", from, errno);
        }
        if (fchmod(file.get(), was.st_mode & 07777) != 0) {
            fail("cannot set the permissions of", from, errno);
        }
        if (fchown(file.get(), was.st_uid, was.st_gid) != 0 && errno != EPERM) {
            fail("cannot set the owner of", from, errno);
        }
    }
    // A second name for the old file, then one rename: the destination name never goes
    // missing. A file system without hard links gets two renames instead.
    if (unlinkat(kept.at(), kept.name.c_str(), 0) != 0 && errno != ENOENT) {
        fail("cannot clear the backup name", keep, errno);
    }
    if (linkat(old.at(), old.name.c_str(), kept.at(), kept.name.c_str(), 0) != 0) {
        if (errno != EPERM && errno != EOPNOTSUPP && errno != EMLINK && errno != EXDEV) {
            fail("cannot keep a backup of", target, errno);
        }
        if (renameat(old.at(), old.name.c_str(), kept.at(), kept.name.c_str()) != 0) {
            fail("cannot keep a backup of", target, errno);
        }
    }
    if (renameat(source.at(), source.name.c_str(), old.at(), old.name.c_str()) != 0) {
        fail("cannot put in place", target, errno);
    }
}

void PosixFileSystem::replaceFileDurably(const std::string& from, const std::string& to) {
    const std::string target = nativePath(to);
    const Located source = locate(nativePath(from));
    const Located destination = locate(target);
    if (renameat(source.at(), source.name.c_str(), destination.at(), destination.name.c_str()) !=
        0) {
        fail("cannot put in place", target, errno);
    }
    if (destination.folder.get() < 0) {
        syncFolder(parentFolder(target));
    } else if (fsync(destination.folder.get()) != 0) {
        fail("cannot flush the folder of", target, errno);
    }
}

bool PosixFileSystem::removeFolder(const std::string& path) {
    const std::string native = nativePath(path);
    const Located entry = locate(native);
    if (unlinkat(entry.at(), entry.name.c_str(), AT_REMOVEDIR) != 0) {
        if (errno == ENOTEMPTY || errno == EEXIST) {
            return false;
        }
        fail("cannot remove the folder", native, errno);
    }
    return true;
}

bool PosixFileSystem::syncVolume(const std::string& path) {
    std::string native = nativePath(path);
    if (native.empty()) {
        native = ".";
    }
    const int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        fail("cannot open", native, errno);
    }
    const int rc = syncfs(fd);
    const int err = errno;
    ::close(fd);
    if (rc != 0) {
        fail("cannot flush the volume of", native, err);
    }
    return true;
}

std::unique_ptr<File> PosixFileSystem::open(const std::string& path, OpenMode mode) {
    const std::string native = nativePath(path);
    int flags = O_CLOEXEC;
    switch (mode) {
    case OpenMode::Read:
        flags |= O_RDONLY;
        break;
    case OpenMode::ReadWrite:
        flags |= O_RDWR | O_NOFOLLOW;
        break;
    case OpenMode::CreateAlways:
        flags |= O_WRONLY | O_CREAT | O_TRUNC;
        break;
    case OpenMode::CreateNew:
        // O_EXCL refuses any entry of the name, a link or a planted hard link included.
        flags |= O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW;
        break;
    }
    // Below a confined folder nothing is ever written through a link.
    const Located entry = locate(native);
    if (mode != OpenMode::Read && entry.folder.get() >= 0) {
        flags |= O_NOFOLLOW;
    }
    const int fd = openat(entry.at(), entry.name.c_str(), flags, 0666);
    if (fd < 0) {
        fail("cannot open", native, errno);
    }
    auto file = std::make_unique<PosixFile>(fd, native);
    // A folder opens for reading here but not on Windows; refuse it the same way. (Opening
    // one for writing fails by itself.)
    struct stat st {};
    if (mode == OpenMode::Read && (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode))) {
        fail("cannot open", native, EISDIR);
    }
    return file;
}

std::optional<FileIdentity> PosixFileSystem::identityOf(const std::string& path) {
    const std::optional<Located> found = locateIfThere(nativePath(path));
    if (!found) {
        return std::nullopt;
    }
    const Located& entry = *found;
    const std::optional<struct stat> own = ownStatus(entry.at(), entry.name);
    if (!own) {
        return std::nullopt;
    }
    return FileIdentity{static_cast<uint64_t>(own->st_dev), static_cast<uint64_t>(own->st_ino)};
}

namespace {

class PosixFolderHold : public FolderHold {
public:
    explicit PosixFolderHold(int fd) : fd_(fd) {}
    ~PosixFolderHold() override { ::close(fd_); }
    PosixFolderHold(const PosixFolderHold&) = delete;
    PosixFolderHold& operator=(const PosixFolderHold&) = delete;

private:
    int fd_;
};

} // namespace

std::unique_ptr<FolderHold> PosixFileSystem::holdFolder(const std::string& path) {
    const std::string native = nativePath(path);
    const Located entry = locate(native);
    const int fd =
        openat(entry.at(), entry.name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ELOOP || errno == ENOTDIR) {
            struct stat own {};
            if (fstatat(entry.at(), entry.name.c_str(), &own, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISLNK(own.st_mode)) {
                throw Error("a link stands at " + native, FailureKind::Link, ELOOP, path);
            }
        }
        fail("cannot open the folder", native, errno);
    }
    return std::make_unique<PosixFolderHold>(fd);
}

std::optional<int64_t> PosixFileSystem::freeBytes(const std::string& path) {
    std::string probe = nativePath(path);
    for (;;) {
        if (probe.empty()) {
            probe = ".";
        }
        struct statvfs vfs {};
        if (statvfs(probe.c_str(), &vfs) == 0) {
            // The blocks an unprivileged writer may use: the volume's reserve is not ours.
            return static_cast<int64_t>(vfs.f_bavail) * static_cast<int64_t>(vfs.f_frsize);
        }
        if (errno != ENOENT && errno != ENOTDIR) {
            return std::nullopt;
        }
        // Step up to the parent folder: the volume that would hold the path.
        std::size_t end = probe.find_last_not_of('/');
        if (end == std::string::npos || probe == ".") {
            return std::nullopt;
        }
        std::size_t slash = probe.rfind('/', end);
        if (slash == std::string::npos) {
            probe = ".";
        } else if (slash == 0) {
            probe = "/";
        } else {
            probe.resize(slash);
        }
    }
}

void MakeExecutable(const std::string& path) {
    if (::chmod(nativePath(path).c_str(), 0755) != 0) {
        throw Error("cannot mark " + path + " as a program: " + std::strerror(errno));
    }
}

} // namespace qly::posix
