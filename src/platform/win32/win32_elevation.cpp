#include "platform/win32/win32_elevation.h"

#include "common/error.h"
#include "platform/win32/long_path.h"
#include "platform/win32/wide_string.h"
#include "platform/win32/win32_handles.h"

#include <shellapi.h>
#include <string>

namespace qly::win32 {

bool Win32Elevation::elevated() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) {
        return false;
    }
    const UniqueHandle<HANDLE, FileHandleReleaser> token(raw);
    TOKEN_ELEVATION elevation{};
    DWORD length = 0;
    return GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof(elevation),
                               &length) &&
           elevation.TokenIsElevated != 0;
}

bool Win32Elevation::canWriteIn(const std::string& folder) {
    // A name of this process's own, created new: never a file someone placed there.
    const std::string probe = folder + "\\qlypatch-" + std::to_string(GetCurrentProcessId()) + "-" +
                              std::to_string(GetTickCount()) + ".probe";
    const UniqueFile file(CreateFileW(
        systemPath(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    return file || GetLastError() != ERROR_ACCESS_DENIED;
}

std::optional<int> Win32Elevation::runElevated(const std::string& arguments) {
    std::wstring program(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n =
            GetModuleFileNameW(nullptr, program.data(), static_cast<DWORD>(program.size()));
        if (n == 0) {
            throw Error("the program cannot tell its own file", FailureKind::Other,
                        static_cast<int64_t>(GetLastError()), "");
        }
        if (n < program.size()) {
            program.resize(n);
            break;
        }
        program.resize(program.size() * 2);
    }
    const std::wstring parameters = toWide(arguments);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"runas";
    info.lpFile = program.c_str();
    info.lpParameters = parameters.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info)) {
        const DWORD code = GetLastError();
        if (code == ERROR_CANCELLED) {
            return std::nullopt; // the user said no at the prompt
        }
        throw Error("the elevated installer cannot be started", FailureKind::Other,
                    static_cast<int64_t>(code), "");
    }
    const UniqueHandle<HANDLE, FileHandleReleaser> process(info.hProcess);
    if (!process) {
        throw Error("the elevated installer was started without a process to wait for");
    }
    // Waits with the thread's messages dispatched, so that the window still paints.
    for (;;) {
        const DWORD woken =
            MsgWaitForMultipleObjects(1, &info.hProcess, FALSE, INFINITE, QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0) {
            break;
        }
        if (woken != WAIT_OBJECT_0 + 1) {
            throw Error("waiting for the elevated installer failed", FailureKind::Other,
                        static_cast<int64_t>(GetLastError()), "");
        }
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    DWORD exitCode = 1;
    GetExitCodeProcess(process.get(), &exitCode);
    return static_cast<int>(exitCode);
}

} // namespace qly::win32
