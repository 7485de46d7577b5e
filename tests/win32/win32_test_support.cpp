#include "win32_test_support.h"

#include "platform/win32/wide_string.h"
#include "platform/win32/win32_handles.h"

#include <atomic>
#include <shellapi.h>
#include <stdexcept>

namespace qly::win32::test {

TempFolder::TempFolder() {
    static std::atomic<int> counter{0};
    std::wstring base(MAX_PATH + 1, L'\0');
    base.resize(GetTempPathW(static_cast<DWORD>(base.size()), base.data()));
    std::wstring folder = base + L"qlypatch-w32-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                          std::to_wstring(counter++);
    if (!CreateDirectoryW(folder.c_str(), nullptr)) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    path_ = fromWide(folder);
}

TempFolder::~TempFolder() {
    // SHFileOperationW wants a list ending in two NULs.
    std::wstring from = toWide(path_);
    from.push_back(L'\0');
    SHFILEOPSTRUCTW op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NO_UI;
    SHFileOperationW(&op);
}

void writeFile(const std::string& path, const std::string& bytes) {
    UniqueFile file(CreateFileW(toWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file ||
        !WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
        throw std::runtime_error("cannot write " + path);
    }
}

std::string readFile(const std::string& path) {
    UniqueFile file(CreateFileW(toWide(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return {};
    }
    std::string out(static_cast<std::size_t>(GetFileSize(file.get(), nullptr)), '\0');
    DWORD got = 0;
    ReadFile(file.get(), out.data(), static_cast<DWORD>(out.size()), &got, nullptr);
    out.resize(got);
    return out;
}

namespace {

void put16(std::string& out, uint32_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void put32(std::string& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

} // namespace

void writeBitmap(const std::string& path, int32_t w, int32_t h, uint32_t rgb) {
    const uint32_t stride = (static_cast<uint32_t>(w) * 3 + 3) & ~3u;
    const uint32_t pixels = stride * static_cast<uint32_t>(h);
    std::string out = "BM";
    put32(out, 54 + pixels);
    put32(out, 0);
    put32(out, 54);
    put32(out, 40);
    put32(out, static_cast<uint32_t>(w));
    put32(out, static_cast<uint32_t>(h));
    put16(out, 1);
    put16(out, 24);
    for (int i = 0; i < 6; ++i) {
        put32(out, 0);
    }
    for (int32_t y = 0; y < h; ++y) {
        std::string row;
        for (int32_t x = 0; x < w; ++x) {
            row.push_back(static_cast<char>(rgb & 0xFF));
            row.push_back(static_cast<char>((rgb >> 8) & 0xFF));
            row.push_back(static_cast<char>((rgb >> 16) & 0xFF));
        }
        row.resize(stride, '\0');
        out += row;
    }
    writeFile(path, out);
}

} // namespace qly::win32::test
