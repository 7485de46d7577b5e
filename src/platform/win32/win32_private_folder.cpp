#include "platform/win32/win32_private_folder.h"

#include "common/error.h"
#include "platform/win32/wide_string.h"
#include "platform/win32/win32_handles.h"

#include <array>
#include <string_view>
#include <vector>
#include <windows.h>
// After windows.h, whose types they use.
#include <ntsecapi.h>
#include <sddl.h>

namespace qly::win32 {

namespace {

struct LocalReleaser {
    void operator()(HLOCAL memory) const noexcept { LocalFree(memory); }
};

// The current user's SID in its string form ("S-1-5-21-...").
std::wstring currentUserSid() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) {
        throw Error("cannot read the user's identity");
    }
    const UniqueHandle<HANDLE, FileHandleReleaser> token(raw);
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    std::vector<char> buffer(size);
    if (size == 0 || !GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) {
        throw Error("cannot read the user's identity");
    }
    const auto* user = reinterpret_cast<const TOKEN_USER*>(buffer.data());
    LPWSTR text = nullptr;
    if (!ConvertSidToStringSidW(user->User.Sid, &text)) {
        throw Error("cannot read the user's identity");
    }
    const UniqueHandle<HLOCAL, LocalReleaser> owner(text);
    return text;
}

// 16 random hexadecimal digits from the system's generator.
std::wstring randomName() {
    std::array<unsigned char, 8> bytes{};
    if (!RtlGenRandom(bytes.data(), static_cast<ULONG>(bytes.size()))) {
        throw Error("cannot draw a random name");
    }
    // Written by hand: a printf here would link the C runtime's whole formatter.
    constexpr std::wstring_view kDigits = L"0123456789abcdef";
    std::wstring name = L"qlypatch-";
    for (unsigned char b : bytes) {
        name += kDigits[b >> 4];
        name += kDigits[b & 0xf];
    }
    return name;
}

// Removes folder and everything below it; what cannot be removed stays.
void removeTree(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    if (const HANDLE first = FindFirstFileW((folder + L"\\*").c_str(), &data);
        first != INVALID_HANDLE_VALUE) {
        // Closed before the folder itself is removed.
        const UniqueFind find(first);
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            const std::wstring path = folder + L"\\" + name;
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                removeTree(path);
            } else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(find.get(), &data));
    }
    RemoveDirectoryW(folder.c_str());
}

} // namespace

Win32PrivateFolder::Win32PrivateFolder() {
    std::wstring temp(MAX_PATH + 1, L'\0');
    const DWORD n = GetTempPathW(static_cast<DWORD>(temp.size()), temp.data());
    if (n == 0 || n > temp.size()) {
        throw Error("cannot find the temporary folder");
    }
    temp.resize(n);
    // Full access for this user alone, inherited by everything inside; no other entry.
    const std::wstring sddl = L"D:P(A;OICI;FA;;;" + currentUserSid() + L")";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                              &descriptor, nullptr)) {
        throw Error("cannot describe a private folder");
    }
    const UniqueHandle<HLOCAL, LocalReleaser> owner(descriptor);
    SECURITY_ATTRIBUTES security{sizeof(SECURITY_ATTRIBUTES), descriptor, FALSE};
    // A name already taken is drawn again: never reuse a folder someone else may have made.
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::wstring folder = temp + randomName();
        if (CreateDirectoryW(folder.c_str(), &security)) {
            path_ = fromWide(folder);
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            break;
        }
    }
    throw Error("cannot create a private folder in " + fromWide(temp));
}

Win32PrivateFolder::~Win32PrivateFolder() {
    const std::wstring folder = toWide(path_);
    // The program may have made the folder its working folder, which Windows will not remove.
    const std::wstring parent = folder.substr(0, folder.find_last_of(L"\\"));
    SetCurrentDirectoryW(parent.c_str());
    removeTree(folder);
}

} // namespace qly::win32
