#include "platform/win32/desktop_user.h"

#include "platform/win32/com_ptr.h"
#include "platform/win32/win32_handles.h"

#include <windows.h>
// After windows.h, whose types they use.
#include <exdisp.h>
#include <oleauto.h>
#include <servprov.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>

namespace qly::win32 {
namespace {

using UniqueKernelHandle = UniqueHandle<HANDLE, FileHandleReleaser>;

struct BstrReleaser {
    void operator()(BSTR s) const noexcept { SysFreeString(s); }
};
using UniqueBstr = UniqueHandle<BSTR, BstrReleaser>;

// The dispatch object of the shell that draws the desktop: the application object behind the
// desktop's folder view. Empty when any step of the way is missing.
ComPtr<IShellDispatch2> desktopShellDispatch() {
    ComPtr<IShellWindows> windows;
    if (FAILED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                windows.putVoid()))) {
        return {};
    }
    VARIANT anywhere{}; // VT_EMPTY: no location, no root
    LONG desktopWindow = 0;
    ComPtr<IDispatch> found;
    if (windows->FindWindowSW(&anywhere, &anywhere, SWC_DESKTOP, &desktopWindow, SWFO_NEEDDISPATCH,
                              found.put()) != S_OK ||
        !found) {
        return {};
    }
    ComPtr<IServiceProvider> services;
    ComPtr<IShellBrowser> browser;
    ComPtr<IShellView> view;
    ComPtr<IDispatch> background;
    ComPtr<IShellFolderViewDual> folderView;
    ComPtr<IDispatch> application;
    ComPtr<IShellDispatch2> shell;
    if (FAILED(found->QueryInterface(IID_IServiceProvider, services.putVoid())) ||
        FAILED(
            services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.putVoid())) ||
        FAILED(browser->QueryActiveShellView(view.put())) ||
        FAILED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.putVoid())) ||
        FAILED(background->QueryInterface(IID_IShellFolderViewDual, folderView.putVoid())) ||
        FAILED(folderView->get_Application(application.put())) || !application ||
        FAILED(application->QueryInterface(IID_IShellDispatch2, shell.putVoid()))) {
        return {};
    }
    return shell;
}

} // namespace

bool RunsElevated() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) {
        return false;
    }
    const UniqueKernelHandle token(raw);
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    return GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof(elevation), &size) &&
           elevation.TokenIsElevated != 0;
}

bool OpenAsDesktopUser(const std::wstring& target) {
    const ComPtr<IShellDispatch2> shell = desktopShellDispatch();
    if (!shell) {
        return false;
    }
    const UniqueBstr file(SysAllocString(target.c_str()));
    const UniqueBstr verb(SysAllocString(L"open"));
    if (!file || !verb) {
        return false;
    }
    VARIANT none{}; // VT_EMPTY: no arguments, no working folder
    VARIANT operation{};
    operation.vt = VT_BSTR;
    operation.bstrVal = verb.get();
    VARIANT show{};
    show.vt = VT_I4;
    show.lVal = SW_SHOWNORMAL;
    return SUCCEEDED(shell->ShellExecute(file.get(), none, none, operation, show));
}

std::optional<std::wstring> DesktopUserFolder(int csidl) {
    HWND desktop = GetShellWindow();
    DWORD processId = 0;
    if (desktop == nullptr || GetWindowThreadProcessId(desktop, &processId) == 0 ||
        processId == 0) {
        return std::nullopt;
    }
    const UniqueKernelHandle process(
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    HANDLE raw = nullptr;
    if (!process ||
        !OpenProcessToken(process.get(), TOKEN_QUERY | TOKEN_IMPERSONATE | TOKEN_DUPLICATE, &raw)) {
        return std::nullopt;
    }
    const UniqueKernelHandle token(raw);
    std::wstring path(MAX_PATH + 1, L'\0');
    if (SHGetFolderPathW(nullptr, csidl, token.get(), SHGFP_TYPE_CURRENT, path.data()) != S_OK) {
        return std::nullopt;
    }
    path.resize(path.find(L'\0'));
    if (path.empty()) {
        return std::nullopt;
    }
    return path;
}

} // namespace qly::win32
