#include "platform/win32/win32_random_access_file.h"

#include "common/error.h"
#include "platform/win32/wide_string.h"

#include <algorithm>
#include <windows.h>

namespace qly::win32 {

namespace {

[[noreturn]] void fail(const std::string& what, const std::string& path) {
    const DWORD code = GetLastError();
    throw Error(what + " " + path + " (error " + std::to_string(code) + ")");
}

} // namespace

Win32RandomAccessFile::Win32RandomAccessFile(const std::string& path)
    : handle_(CreateFileW(toWide(path).c_str(), GENERIC_READ,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)),
      path_(path) {
    if (!handle_) {
        fail("cannot open", path);
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handle_.get(), &size)) {
        fail("cannot measure", path);
    }
    size_ = size.QuadPart;
}

void Win32RandomAccessFile::readAt(int64_t offset, std::span<char> out) {
    if (offset < 0 || offset > size_ || std::ssize(out) > size_ - offset) {
        throw Error("read past the end of " + path_);
    }
    std::size_t done = 0;
    while (done < out.size()) {
        const auto position = static_cast<uint64_t>(offset) + done;
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(position & 0xFFFFFFFFu);
        at.OffsetHigh = static_cast<DWORD>(position >> 32);
        const auto want = static_cast<DWORD>(std::min<std::size_t>(out.size() - done, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(handle_.get(), out.data() + done, want, &got, &at)) {
            fail("cannot read", path_);
        }
        if (got == 0) {
            throw Error("read past the end of " + path_);
        }
        done += got;
    }
}

} // namespace qly::win32
