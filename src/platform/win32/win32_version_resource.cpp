#include "platform/win32/win32_version_resource.h"

#include "platform/win32/long_path.h"
#include "platform/win32/wide_string.h"

#include <vector>
#include <windows.h>

namespace qly::win32 {
namespace {

// Calls a "fill this buffer, return the length" folder query, growing the buffer as asked.
template <typename Query> std::wstring folderFrom(Query query) {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        UINT n = query(buffer.data(), static_cast<UINT>(buffer.size()));
        if (n == 0) {
            return {};
        }
        if (n < buffer.size()) {
            buffer.resize(n);
            return buffer;
        }
        buffer.resize(n + 1);
    }
}

} // namespace

struct Win32VersionResource::Functions {
    SystemLibrary dll{L"version.dll"};
    decltype(&GetFileVersionInfoSizeW) infoSize =
        dll.function<decltype(&GetFileVersionInfoSizeW)>("GetFileVersionInfoSizeW");
    decltype(&GetFileVersionInfoW) info =
        dll.function<decltype(&GetFileVersionInfoW)>("GetFileVersionInfoW");
    decltype(&VerQueryValueW) queryValue =
        dll.function<decltype(&VerQueryValueW)>("VerQueryValueW");
};

Win32VersionResource::Win32VersionResource() = default;
Win32VersionResource::~Win32VersionResource() = default;

std::optional<std::array<uint16_t, 4>> Win32VersionResource::fileVersion(const std::string& path) {
    if (!functions_) {
        functions_ = std::make_unique<Functions>();
    }
    const Functions& version = *functions_;
    const std::wstring widePath = systemPath(path);
    DWORD ignored = 0;
    DWORD size = version.infoSize(widePath.c_str(), &ignored);
    if (size == 0) {
        return std::nullopt;
    }
    std::vector<char> block(static_cast<std::size_t>(size) + 1);
    if (!version.info(widePath.c_str(), 0, size, block.data())) {
        return std::nullopt;
    }
    void* fixed = nullptr;
    UINT length = 0;
    if (!version.queryValue(block.data(), L"\\", &fixed, &length) || fixed == nullptr ||
        length < sizeof(VS_FIXEDFILEINFO)) {
        return std::nullopt;
    }
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
    if (info->dwSignature != 0xFEEF04BD) {
        return std::nullopt;
    }
    return std::array<uint16_t, 4>{HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                                   HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS)};
}

std::string Win32VersionResource::systemFolder() {
    // Fails on 32-bit Windows, where the plain system folder is the 32-bit one.
    std::wstring folder = folderFrom(
        [](wchar_t* buffer, UINT size) { return GetSystemWow64DirectoryW(buffer, size); });
    if (folder.empty()) {
        folder = folderFrom(
            [](wchar_t* buffer, UINT size) { return GetSystemDirectoryW(buffer, size); });
    }
    if (folder.size() > 3 && (folder.back() == L'\\' || folder.back() == L'/')) {
        folder.pop_back();
    }
    return fromWide(folder);
}

} // namespace qly::win32
