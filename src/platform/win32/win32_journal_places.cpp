#include "platform/win32/win32_journal_places.h"

#include "common/error.h"
#include "platform/win32/long_path.h"
#include "platform/win32/wide_string.h"
#include "platform/win32/win32_handles.h"

#include <aclapi.h>
#include <sddl.h>
#include <utility>
#include <vector>

namespace qly::win32 {

namespace {

struct LocalReleaser {
    void operator()(HLOCAL memory) const noexcept { LocalFree(memory); }
};
using UniqueLocal = UniqueHandle<HLOCAL, LocalReleaser>;

// Owned by the Administrators; SYSTEM and the Administrators alone may do anything, nothing is
// inherited from the parent (whose list lets every user create folders).
constexpr const wchar_t* kAdministratorsOnly = L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

// Every right that changes the folder, what is in it, or who may do so.
constexpr DWORD kChangingRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA |
                                  FILE_WRITE_ATTRIBUTES | FILE_DELETE_CHILD | DELETE | WRITE_DAC |
                                  WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

// The account of this process's token: an elevated administrator, when a place is asked for.
// Windows makes the Administrators the owner of what such a process creates, unless a policy
// makes it the creator's own account (as Wine always does).
std::vector<unsigned char> processUser() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) {
        return {};
    }
    const UniqueHandle<HANDLE, FileHandleReleaser> token(raw);
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> buffer(size);
    if (size == 0 || !GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) {
        return {};
    }
    const PSID sid = reinterpret_cast<const TOKEN_USER*>(buffer.data())->User.Sid;
    const DWORD length = GetLengthSid(sid);
    const auto* bytes = static_cast<const unsigned char*>(sid);
    return std::vector<unsigned char>(bytes, bytes + length);
}

bool isAdministrative(PSID sid, const std::vector<unsigned char>& user) {
    if (sid == nullptr || !IsValidSid(sid)) {
        return false;
    }
    return IsWellKnownSid(sid, WinLocalSystemSid) ||
           IsWellKnownSid(sid, WinBuiltinAdministratorsSid) ||
           (!user.empty() && EqualSid(sid, const_cast<unsigned char*>(user.data())));
}

// The SID as text ("S-1-5-32-544"), for the log.
std::string sidText(PSID sid) {
    LPWSTR text = nullptr;
    if (sid == nullptr || !ConvertSidToStringSidW(sid, &text)) {
        return "an unknown account";
    }
    const UniqueLocal owner(text);
    return fromWide(text);
}

[[noreturn]] void unsafe(const std::string& folder, const std::string& why) {
    throw Error("the folder for journals " + folder + " " + why, FailureKind::AccessDenied, 0,
                folder);
}

std::string commonAppData() {
    wchar_t path[MAX_PATH] = {};
    const HRESULT result =
        SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path);
    if (FAILED(result)) {
        throw Error("the common application data folder is unknown", FailureKind::Other,
                    static_cast<int64_t>(result), "");
    }
    return fromWide(path);
}

// Makes folder for the Administrators alone unless it is there, then checks what is there.
void ensureAdministratorsOnly(const std::string& folder) {
    PSECURITY_DESCRIPTOR raw = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kAdministratorsOnly, SDDL_REVISION_1,
                                                              &raw, nullptr)) {
        throw Error("the access list for journals cannot be made", FailureKind::Other,
                    GetLastError(), folder);
    }
    const UniqueLocal descriptor(raw);
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), raw, FALSE};
    if (!CreateDirectoryW(systemPath(folder).c_str(), &attributes) &&
        GetLastError() != ERROR_ALREADY_EXISTS) {
        throw Error("cannot create the folder for journals " + folder, FailureKind::Other,
                    GetLastError(), folder);
    }
    CheckAdministratorsOnly(folder);
}

} // namespace

void CheckAdministratorsOnly(const std::string& folder) {
    // The folder itself, never what a link would lead to.
    const UniqueFile handle(
        CreateFileW(systemPath(folder).c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!handle) {
        throw Error("cannot open the folder for journals " + folder, FailureKind::Other,
                    GetLastError(), folder);
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle.get(), &info)) {
        throw Error("cannot inspect the folder for journals " + folder, FailureKind::Other,
                    GetLastError(), folder);
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        throw Error("the folder for journals is a link: " + folder, FailureKind::Link, 0, folder);
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        unsafe(folder, "is not a folder");
    }
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR raw = nullptr;
    const DWORD read = GetSecurityInfo(handle.get(), SE_FILE_OBJECT,
                                       OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                       &owner, nullptr, &dacl, nullptr, &raw);
    if (read != ERROR_SUCCESS) {
        throw Error("cannot read who may write the folder for journals " + folder,
                    FailureKind::Other, read, folder);
    }
    const UniqueLocal descriptor(raw);
    const std::vector<unsigned char> user = processUser();
    if (!isAdministrative(owner, user)) {
        unsafe(folder, "is owned by " + sidText(owner) + ", not by the Administrators");
    }
    if (dacl == nullptr) {
        unsafe(folder, "lets everybody write");
    }
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(dacl, i, &ace)) {
            unsafe(folder, "has an access list that cannot be read");
        }
        const auto* header = static_cast<const ACE_HEADER*>(ace);
        if (header->AceType == ACCESS_DENIED_ACE_TYPE || header->AceType == SYSTEM_AUDIT_ACE_TYPE) {
            continue; // takes nothing away from the check
        }
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) {
            unsafe(folder, "has an access entry of a kind not checked here");
        }
        const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
        auto* sid = const_cast<DWORD*>(&allowed->SidStart);
        if ((allowed->Mask & kChangingRights) != 0 && !isAdministrative(sid, user)) {
            unsafe(folder, "lets " + sidText(sid) + " write, not only the Administrators");
        }
    }
}

Win32JournalPlaces::Win32JournalPlaces(Elevation& elevation, HashService& hashes,
                                       std::optional<std::string> base)
    : elevation_(elevation), hashes_(hashes), base_(std::move(base)) {}

std::optional<std::string> Win32JournalPlaces::placeFor(const std::string& gameFolder) {
    if (!elevation_.elevated()) {
        return std::nullopt;
    }
    const std::string base = base_ ? *base_ : commonAppData() + "\\qlypatch";
    ensureAdministratorsOnly(base);
    // The full path, so that a relative spelling meets the same journals.
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetFullPathNameW(toWide(gameFolder).c_str(),
                                         static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (n == 0) {
            throw Error("the game folder's full path is unknown", FailureKind::Other,
                        GetLastError(), gameFolder);
        }
        if (n < full.size()) {
            full.resize(n);
            break;
        }
        full.resize(n);
    }
    const std::string place = base + "\\" + JournalPlaceKey(hashes_, fromWide(full), true);
    ensureAdministratorsOnly(place);
    return place + "\\";
}

} // namespace qly::win32
