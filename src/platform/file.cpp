#include "common/error.h"
#include "platform/file_system.h"

namespace qly {

std::size_t File::transferFrom(File& source, std::size_t n, std::string& buffer) {
    buffer.resize(n);
    std::size_t got = source.read(std::span<char>(buffer.data(), n));
    write(std::span<const char>(buffer.data(), got));
    return got;
}

void File::readAt(int64_t, std::span<char>) {
    throw Error("this file cannot be read at a position");
}

} // namespace qly
