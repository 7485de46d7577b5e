// A file read at chosen positions through one handle (the installer's own exe).
#pragma once

#include "platform/random_access_file.h"
#include "platform/win32/win32_handles.h"

#include <string>

namespace qly::win32 {

class Win32RandomAccessFile : public RandomAccessFile {
public:
    // Opens path for reading, sharing it with every other reader. Throws Error.
    explicit Win32RandomAccessFile(const std::string& path);
    int64_t size() const override { return size_; }
    void readAt(int64_t offset, std::span<char> out) override;

private:
    UniqueFile handle_;
    std::string path_;
    int64_t size_ = 0;
};

} // namespace qly::win32
