#include "platform/win32/win32_folder_lock.h"

#include "common/error.h"
#include "platform/win32/long_path.h"
#include "platform/win32/win32_handles.h"

namespace qly::win32 {
namespace {

// The open lock file; marked for deletion when the run lets go, so the folder keeps nothing.
class HeldWin32Lock : public HeldFolderLock {
public:
    explicit HeldWin32Lock(UniqueFile file) : file_(std::move(file)) {}
    ~HeldWin32Lock() override {
        // Deleted as the handle closes; a run that waits on it meanwhile finds the name gone
        // once it has the lock, and tries again (see tryLock).
        FILE_DISPOSITION_INFO dispose{};
        dispose.DeleteFile = TRUE;
        SetFileInformationByHandle(file_.get(), FileDispositionInfo, &dispose, sizeof(dispose));
    }
    HeldWin32Lock(const HeldWin32Lock&) = delete;
    HeldWin32Lock& operator=(const HeldWin32Lock&) = delete;

private:
    UniqueFile file_;
};

[[noreturn]] void refuse(const std::string& path, const std::string& why, DWORD code) {
    throw Error("cannot use the lock file " + path + ": " + why, FailureKind::AccessDenied,
                static_cast<int64_t>(code), path);
}

// path opened as itself (a link is not followed), for its identity only.
UniqueFile openAsItself(const std::wstring& path, DWORD access, DWORD disposition) {
    return UniqueFile(CreateFileW(
        path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        disposition, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

bool sameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
           a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}

} // namespace

std::unique_ptr<HeldFolderLock> Win32FolderLocks::tryLock(const std::string& folder) {
    const std::string path = folder + "\\" + std::string(kFolderLockName);
    const std::wstring widePath = systemPath(path);
    // FILE_FLAG_OPEN_REPARSE_POINT: a link or junction planted in the lock file's place is
    // opened as itself, never followed, and refused below.
    UniqueFile file = openAsItself(widePath, GENERIC_READ | GENERIC_WRITE | DELETE, OPEN_ALWAYS);
    if (!file) {
        const DWORD code = GetLastError();
        // A file whose holder has just deleted it cannot be opened until its last handle goes.
        if (code == ERROR_SHARING_VIOLATION ||
            (code == ERROR_ACCESS_DENIED &&
             GetFileAttributesW(widePath.c_str()) != INVALID_FILE_ATTRIBUTES)) {
            return nullptr;
        }
        refuse(path, "error " + std::to_string(code), code);
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file.get(), &info)) {
        refuse(path, "it cannot be examined", GetLastError());
    }
    if ((info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0 ||
        info.nNumberOfLinks != 1) {
        refuse(path, "it is not a plain file of its own", 0);
    }
    OVERLAPPED at{}; // the first byte
    if (!LockFileEx(file.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                    &at)) {
        const DWORD code = GetLastError();
        if (code == ERROR_LOCK_VIOLATION || code == ERROR_IO_PENDING) {
            return nullptr;
        }
        refuse(path, "error " + std::to_string(code), code);
    }
    // The run that held it may have deleted the file between our open and our lock: the name
    // must still lead to the file we locked, else the caller tries again.
    const UniqueFile again = openAsItself(widePath, FILE_READ_ATTRIBUTES, OPEN_EXISTING);
    BY_HANDLE_FILE_INFORMATION now{};
    if (!again || !GetFileInformationByHandle(again.get(), &now) || !sameFile(info, now)) {
        return nullptr;
    }
    return std::make_unique<HeldWin32Lock>(std::move(file));
}

} // namespace qly::win32
