// A RandomAccessFile over bytes held in memory: an installer read whole, or a test's file.
#pragma once

#include "common/error.h"
#include "platform/random_access_file.h"

#include <algorithm>
#include <string>

namespace qly {

class MemoryFile : public RandomAccessFile {
public:
    explicit MemoryFile(std::string bytes) : bytes_(std::move(bytes)) {}
    int64_t size() const override { return std::ssize(bytes_); }
    void readAt(int64_t offset, std::span<char> out) override {
        if (offset < 0 || offset > size() || std::ssize(out) > size() - offset) {
            throw Error("read past the end of a file in memory");
        }
        std::copy_n(bytes_.data() + offset, out.size(), out.data());
    }
    const std::string& bytes() const { return bytes_; }

private:
    std::string bytes_;
};

} // namespace qly
