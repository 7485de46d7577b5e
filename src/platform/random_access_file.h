// A file read at chosen positions: the installer reads its own exe this way, to find and serve
// what was packed behind the program.
#pragma once

#include <cstdint>
#include <span>

namespace qly {

class RandomAccessFile {
public:
    virtual ~RandomAccessFile() = default;
    // Length of the file in bytes, as it was when opened.
    virtual int64_t size() const = 0;
    // Fills out with the bytes at offset. Throws Error when they are not all there or the
    // read fails.
    virtual void readAt(int64_t offset, std::span<char> out) = 0;
};

} // namespace qly
