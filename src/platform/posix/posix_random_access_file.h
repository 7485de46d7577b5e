// A file read at chosen positions with pread.
#pragma once

#include "platform/random_access_file.h"

#include <string>

namespace qly::posix {

class PosixRandomAccessFile : public RandomAccessFile {
public:
    // Opens path ("\" read as "/") for reading. Throws Error.
    explicit PosixRandomAccessFile(const std::string& path);
    ~PosixRandomAccessFile() override;
    PosixRandomAccessFile(const PosixRandomAccessFile&) = delete;
    PosixRandomAccessFile& operator=(const PosixRandomAccessFile&) = delete;

    int64_t size() const override { return size_; }
    void readAt(int64_t offset, std::span<char> out) override;

private:
    int fd_ = -1;
    std::string path_;
    int64_t size_ = 0;
};

} // namespace qly::posix
