#include "platform/win32/win32_shell.h"

#include "platform/win32/desktop_user.h"
#include "platform/win32/wide_string.h"
#include "platform/win32/win32_handles.h"

#include <shellapi.h>
#include <shlobj.h>

namespace qly::win32 {
namespace {

// The longest path the wide file functions take.
constexpr std::size_t kMaxLongPath = 32767;

// The file-system path of an item list; nothing when it has none.
std::optional<std::wstring> pathOf(const UniqueItemList& item) {
    // SHGetPathFromIDListW would cut a deep folder at MAX_PATH characters; the Ex form takes
    // a buffer of any size, and fails rather than cut when the path does not fit.
    std::wstring path(kMaxLongPath + 1, L'\0');
    if (!SHGetPathFromIDListEx(item.get(), path.data(), static_cast<DWORD>(path.size()),
                               GPFIDL_DEFAULT)) {
        return std::nullopt;
    }
    path.resize(path.find(L'\0'));
    return path;
}

// Chooses the folder in lParam once the browser is up.
int CALLBACK selectAtStart(HWND dialog, UINT message, LPARAM, LPARAM folder) {
    if (message == BFFM_INITIALIZED && folder != 0) {
        SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, folder);
    }
    return 0;
}

// Program Files as a 32-bit program sees it ("Program Files (x86)" on 64-bit Windows).
std::wstring programFilesFolder() {
    std::wstring path(MAX_PATH + 1, L'\0');
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILESX86, nullptr, SHGFP_TYPE_CURRENT,
                                path.data())) &&
        FAILED(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT,
                                path.data()))) {
        return {};
    }
    path.resize(path.find(L'\0'));
    return path;
}

} // namespace

std::string Win32Shell::browseForFolder(const std::string& title, int32_t titleCharset,
                                        BrowseStart start) {
    // The prompt is language text: its bytes belong to the language's code page, not to the
    // system's, so a Polish prompt reads right on a Western system too.
    const std::wstring wideTitle = fromCodePage(title, codePageOfCharset(titleCharset));
    BROWSEINFOW info{};
    info.hwndOwner = owner_;
    info.pidlRoot = nullptr;
    info.lpszTitle = wideTitle.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    const std::wstring startFolder =
        start == BrowseStart::ProgramFiles ? programFilesFolder() : std::wstring();
    if (!startFolder.empty()) {
        info.lpfn = selectAtStart;
        info.lParam = reinterpret_cast<LPARAM>(startFolder.c_str());
    }
    UniqueItemList chosen(SHBrowseForFolderW(&info));
    if (!chosen) {
        return {};
    }
    auto path = pathOf(chosen);
    return path ? fromWide(*path) : std::string();
}

void Win32Shell::note(const std::string& line) const {
    if (note_) {
        note_(line);
    }
}

std::optional<std::string> Win32Shell::favoritesFolder() {
    if (RunsElevated()) {
        if (auto folder = DesktopUserFolder(CSIDL_FAVORITES)) {
            note("shell: Favorites of the desktop's user: " + fromWide(*folder));
            return fromWide(*folder);
        }
        note("shell: the desktop's user is unknown; Favorites of the installer's own account");
    }
    LPITEMIDLIST raw = nullptr;
    HRESULT hr = SHGetSpecialFolderLocation(nullptr, CSIDL_FAVORITES, &raw);
    UniqueItemList item(raw);
    if (FAILED(hr) || !item) {
        return std::nullopt;
    }
    auto path = pathOf(item);
    if (!path || path->empty()) {
        return std::nullopt;
    }
    return fromWide(*path);
}

void Win32Shell::open(const std::string& target) {
    const std::wstring wideTarget = toWide(target);
    if (RunsElevated()) {
        if (OpenAsDesktopUser(wideTarget)) {
            note("shell: opened as the desktop's user: " + target);
            return;
        }
        note("shell: the desktop's shell cannot open it; opened elevated: " + target);
    }
    ShellExecuteW(GetActiveWindow(), L"open", wideTarget.c_str(), L"", nullptr, SW_SHOWNORMAL);
}

} // namespace qly::win32
