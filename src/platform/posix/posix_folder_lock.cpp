#include "platform/posix/posix_folder_lock.h"

#include "common/error.h"
#include "platform/posix/posix_file_system.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qly::posix {
namespace {

// The open lock file; once it is the run's, its name goes with the lock.
class HeldPosixLock : public HeldFolderLock {
public:
    explicit HeldPosixLock(int fd) : fd_(fd) {}
    ~HeldPosixLock() override {
        // Removed while still locked: a run waiting on this file finds it gone once it has the
        // lock, and tries again on a new one (see tryLock).
        if (!path_.empty()) {
            struct stat there {};
            if (::lstat(path_.c_str(), &there) == 0 && there.st_ino == ino_ &&
                there.st_dev == dev_) {
                ::unlink(path_.c_str());
            }
        }
        // Closing the descriptor releases the record lock (the process's only one on the file).
        ::close(fd_);
    }
    HeldPosixLock(const HeldPosixLock&) = delete;
    HeldPosixLock& operator=(const HeldPosixLock&) = delete;

    void own(const std::string& path, const struct stat& st) {
        path_ = path;
        dev_ = st.st_dev;
        ino_ = st.st_ino;
    }

private:
    int fd_;
    std::string path_;
    dev_t dev_ = 0;
    ino_t ino_ = 0;
};

[[noreturn]] void refuse(const std::string& path, const std::string& why, int code) {
    throw Error("cannot use the lock file " + path + ": " + why, FailureKind::AccessDenied, code,
                path);
}

} // namespace

std::unique_ptr<HeldFolderLock> PosixFolderLocks::tryLock(const std::string& folder) {
    const std::string path = nativePath(folder + "\\" + std::string(kFolderLockName));
    // Never through a link planted in the lock file's place: O_NOFOLLOW refuses a symbolic
    // link, and the checks below a hard link or anything but a plain file.
    const int fd =
        ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0) {
        const int code = errno;
        refuse(path, code == ELOOP ? "it is a link" : std::strerror(code), code);
    }
    auto held = std::make_unique<HeldPosixLock>(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        refuse(path, std::strerror(errno), errno);
    }
    if (!S_ISREG(st.st_mode) || st.st_nlink != 1) {
        refuse(path, "it is not a plain file of its own", 0);
    }
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 1;
    if (::fcntl(fd, F_SETLK, &lock) != 0) {
        const int code = errno;
        if (code == EACCES || code == EAGAIN) {
            return nullptr; // another process holds it
        }
        refuse(path, std::strerror(code), code);
    }
    // The run that held it may have removed the file between our open and our lock: a lock
    // on a file without its name guards nothing. The caller tries again.
    struct stat there {};
    if (::lstat(path.c_str(), &there) != 0 || there.st_ino != st.st_ino ||
        there.st_dev != st.st_dev) {
        return nullptr;
    }
    held->own(path, st);
    // Kept open to the end: closing any descriptor of the file would drop the record lock.
    return held;
}

} // namespace qly::posix
