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

// Opens path itself, never what a link or junction there points to, to look at it; kept from
// being renamed or replaced (no delete sharing) while open. Empty when it cannot be opened.
UniqueFile openForDeletion(const std::wstring& path) {
    return UniqueFile(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                                  nullptr));
}

// Lets a read-only entry be deleted. The attributes are changed through the handle, so they
// are the entry's own, never those of a link's target.
void clearReadOnly(const UniqueFile& entry, DWORD attributes) {
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        FILE_BASIC_INFO basic{};
        basic.FileAttributes = (attributes & ~FILE_ATTRIBUTE_READONLY) | FILE_ATTRIBUTE_ARCHIVE;
        SetFileInformationByHandle(entry.get(), FileBasicInfo, &basic, sizeof(basic));
    }
}

// Removes path and, when it is a real folder, everything below it; what cannot be removed
// stays. A link or junction (another process of the same user may plant one in the folder) is
// removed itself: never followed, never recursed into. Each folder is held open while it is
// emptied, so that it cannot be swapped for a link meanwhile. listed are the attributes the
// folder's listing gave the entry.
void removeTree(const std::wstring& path, DWORD listed = 0) {
    // What the name says it is. Wine shows a Unix symbolic link to a folder as a reparse point
    // here, but opens the folder it points to, and removes that folder when asked to remove the
    // link: such an entry stays.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    const bool namedLink = ((listed | (attributes == INVALID_FILE_ATTRIBUTES ? 0 : attributes)) &
                            FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    bool folder = false;
    {
        const UniqueFile entry = openForDeletion(path);
        BY_HANDLE_FILE_INFORMATION info{};
        if (!entry || !GetFileInformationByHandle(entry.get(), &info)) {
            return;
        }
        const bool link = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        if (namedLink && !link) {
            return; // the handle is not the entry itself: nothing done through it is safe
        }
        folder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (folder && !link) {
            WIN32_FIND_DATAW data;
            if (const HANDLE first = FindFirstFileW((path + L"\\*").c_str(), &data);
                first != INVALID_HANDLE_VALUE) {
                const UniqueFind find(first);
                do {
                    const std::wstring name = data.cFileName;
                    if (name != L"." && name != L"..") {
                        removeTree(path + L"\\" + name, data.dwFileAttributes);
                    }
                } while (FindNextFileW(find.get(), &data));
            }
        }
        clearReadOnly(entry, info.dwFileAttributes);
    }
    // Removed by name once let go (the handle shares no deletion): should the entry be swapped
    // for a link meanwhile, both calls remove the link itself, never what it points to.
    if (folder) {
        RemoveDirectoryW(path.c_str());
    } else {
        DeleteFileW(path.c_str());
    }
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

void RemoveTreeWithoutFollowingLinks(const std::string& path) {
    removeTree(toWide(path));
}

} // namespace qly::win32
