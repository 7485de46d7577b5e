#include "platform/posix/posix_random_access_file.h"

#include "common/error.h"
#include "platform/posix/posix_file_system.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qly::posix {

namespace {

[[noreturn]] void fail(const std::string& what, const std::string& path, int err) {
    throw Error(what + " " + path + ": " + std::strerror(err));
}

} // namespace

PosixRandomAccessFile::PosixRandomAccessFile(const std::string& path) : path_(nativePath(path)) {
    fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        fail("cannot open", path_, errno);
    }
    struct stat st {};
    if (fstat(fd_, &st) != 0 || S_ISDIR(st.st_mode)) {
        const int err = S_ISDIR(st.st_mode) ? EISDIR : errno;
        ::close(fd_);
        fail("cannot open", path_, err);
    }
    size_ = static_cast<int64_t>(st.st_size);
}

PosixRandomAccessFile::~PosixRandomAccessFile() {
    ::close(fd_);
}

void PosixRandomAccessFile::readAt(int64_t offset, std::span<char> out) {
    if (offset < 0 || offset > size_ || std::ssize(out) > size_ - offset) {
        throw Error("read past the end of " + path_);
    }
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t got = pread(fd_, out.data() + done, out.size() - done,
                                  static_cast<off_t>(offset + static_cast<int64_t>(done)));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            fail("cannot read", path_, errno);
        }
        if (got == 0) {
            throw Error("read past the end of " + path_);
        }
        done += static_cast<std::size_t>(got);
    }
}

} // namespace qly::posix
