#include "platform/win32/win32_file_system.h"

#include "common/error.h"
#include "platform/win32/long_path.h"
#include "platform/win32/wide_string.h"
#include "platform/win32/win32_handles.h"

#include <algorithm>
#include <windows.h>

namespace qly::win32 {

namespace {

// ERROR_DISK_QUOTA_EXCEEDED, which the MinGW headers lack.
constexpr DWORD kDiskQuotaExceeded = 1295;

FailureKind kindOf(DWORD code) {
    switch (code) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
        return FailureKind::InUse;
    case ERROR_ACCESS_DENIED:
    case ERROR_PRIVILEGE_NOT_HELD:
        return FailureKind::AccessDenied;
    case ERROR_WRITE_PROTECT:
        return FailureKind::ReadOnly;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case kDiskQuotaExceeded: // the user's quota is as full as a full disk for this run
        return FailureKind::DiskFull;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return FailureKind::Vanished;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
    case ERROR_DIR_NOT_EMPTY:
    case ERROR_DIRECTORY:
        return FailureKind::InTheWay;
    default:
        return FailureKind::Other;
    }
}

[[noreturn]] void failWith(DWORD code, const std::string& what, const std::string& path) {
    throw Error(what + " " + path + " (error " + std::to_string(code) + ")", kindOf(code), code,
                path);
}

// The error of the call just made, captured before anything else can change it.
[[noreturn]] void fail(const std::string& what, const std::string& path) {
    failWith(GetLastError(), what, path);
}

int64_t sizeOf(const WIN32_FIND_DATAW& data) {
    return static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) |
                                data.nFileSizeLow);
}

class Win32DirListing : public DirListing {
public:
    Win32DirListing(HANDLE find, const WIN32_FIND_DATAW& first, std::string folder)
        : find_(find), pending_(first), folder_(std::move(folder)) {}

    bool next(DirEntry& entry) override {
        if (!hasPending_) {
            if (!FindNextFileW(find_.get(), &pending_)) {
                if (GetLastError() == ERROR_NO_MORE_FILES) {
                    return false;
                }
                fail("cannot read the listing of", folder_);
            }
        }
        hasPending_ = false;
        entry.name = fromWide(pending_.cFileName);
        entry.attributes = pending_.dwFileAttributes;
        entry.size = sizeOf(pending_);
        return true;
    }

private:
    UniqueFind find_;
    WIN32_FIND_DATAW pending_;
    std::string folder_;
    bool hasPending_ = true;
};

class Win32File : public File {
public:
    Win32File(UniqueFile handle, std::string path)
        : handle_(std::move(handle)), path_(std::move(path)) {}

    std::size_t read(std::span<char> out) override {
        std::size_t done = 0;
        while (done < out.size()) {
            const DWORD want =
                static_cast<DWORD>(std::min<std::size_t>(out.size() - done, 1u << 30));
            DWORD got = 0;
            if (!ReadFile(handle_.get(), out.data() + done, want, &got, nullptr)) {
                fail("cannot read", path_);
            }
            if (got == 0) {
                break;
            }
            done += got;
        }
        return done;
    }

    void readAt(int64_t offset, std::span<char> out) override {
        std::size_t done = 0;
        while (done < out.size()) {
            const DWORD want =
                static_cast<DWORD>(std::min<std::size_t>(out.size() - done, 1u << 30));
            const auto at = static_cast<uint64_t>(offset) + done;
            OVERLAPPED where{};
            where.Offset = static_cast<DWORD>(at);
            where.OffsetHigh = static_cast<DWORD>(at >> 32);
            DWORD got = 0;
            if (!ReadFile(handle_.get(), out.data() + done, want, &got, &where)) {
                fail("cannot read", path_);
            }
            if (got == 0) {
                throw Error("cannot read " + path_ + " (it ends early)");
            }
            done += got;
        }
    }

    void write(std::span<const char> data) override {
        std::size_t done = 0;
        while (done < data.size()) {
            const DWORD want =
                static_cast<DWORD>(std::min<std::size_t>(data.size() - done, 1u << 30));
            DWORD put = 0;
            if (!WriteFile(handle_.get(), data.data() + done, want, &put, nullptr)) {
                fail("cannot write", path_);
            }
            if (put == 0) {
                throw Error("cannot write " + path_ + " (nothing written)");
            }
            done += put;
        }
    }

    int64_t length() override {
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(handle_.get(), &size)) {
            fail("cannot measure", path_);
        }
        return size.QuadPart;
    }

    void flush() override {
        if (!FlushFileBuffers(handle_.get())) {
            fail("cannot flush", path_);
        }
    }

private:
    UniqueFile handle_;
    std::string path_;
};

} // namespace

std::unique_ptr<DirListing> Win32FileSystem::list(const std::string& folder,
                                                  const std::string& pattern) {
    WIN32_FIND_DATAW first{};
    // The basic information level skips the short 8.3 names nobody here reads.
    HANDLE find = FindFirstFileExW(systemPath(folder + pattern).c_str(), FindExInfoBasic, &first,
                                   FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) {
        // Only "nothing matches" is an empty listing; a folder that cannot be read must not
        // make its part of the tree silently disappear.
        if (GetLastError() == ERROR_FILE_NOT_FOUND) {
            return nullptr;
        }
        fail("cannot list", folder);
    }
    return std::make_unique<Win32DirListing>(find, first, folder);
}

void Win32FileSystem::createFolder(const std::string& path) {
    if (!CreateDirectoryW(systemPath(path).c_str(), nullptr)) {
        fail("cannot create the folder", path);
    }
}

void Win32FileSystem::deleteFile(const std::string& path) {
    if (!DeleteFileW(systemPath(path).c_str())) {
        fail("cannot delete", path);
    }
}

void Win32FileSystem::removeQuietly(const std::string& path) noexcept {
    try {
        DeleteFileW(systemPath(path).c_str());
    } catch (...) {
        // Only the conversion can throw (out of memory); clean-up gives up quietly.
    }
}

void Win32FileSystem::replaceFile(const std::string& from, const std::string& to) {
    const std::wstring target = systemPath(to);
    constexpr DWORD kBlocking =
        FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    const DWORD attrs = GetFileAttributesW(target.c_str());
    const bool cleared = attrs != INVALID_FILE_ATTRIBUTES &&
                         (attrs & FILE_ATTRIBUTE_DIRECTORY) == 0 && (attrs & kBlocking) != 0 &&
                         SetFileAttributesW(target.c_str(), attrs & ~kBlocking);
    if (!MoveFileExW(systemPath(from).c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        const DWORD code = GetLastError();
        if (cleared) {
            SetFileAttributesW(target.c_str(), attrs);
        }
        SetLastError(code);
        fail("cannot put in place", to);
    }
}

std::unique_ptr<File> Win32FileSystem::open(const std::string& path, OpenMode mode) {
    DWORD access = GENERIC_READ;
    DWORD disposition = OPEN_EXISTING;
    DWORD flags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN;
    switch (mode) {
    case OpenMode::Read:
        break;
    case OpenMode::ReadWrite:
        access = GENERIC_READ | GENERIC_WRITE;
        disposition = OPEN_EXISTING;
        flags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;
        break;
    case OpenMode::CreateAlways:
        access = GENERIC_WRITE;
        disposition = CREATE_ALWAYS;
        break;
    case OpenMode::CreateNew:
        // CREATE_NEW fails on any entry of the name: a planted link or hard link is never
        // written through.
        access = GENERIC_WRITE;
        disposition = CREATE_NEW;
        flags |= FILE_FLAG_OPEN_REPARSE_POINT;
        break;
    }
    UniqueFile handle(CreateFileW(systemPath(path).c_str(), access, FILE_SHARE_READ, nullptr,
                                  disposition, flags, nullptr));
    if (!handle) {
        fail("cannot open", path);
    }
    return std::make_unique<Win32File>(std::move(handle), path);
}

std::optional<int64_t> Win32FileSystem::freeBytes(const std::string& path) {
    // The folder itself is asked, not its drive's root: a mount point or a share is a volume
    // of its own, and a network path has no drive letter at all. A folder not yet created is
    // on the volume of the nearest one above it that exists.
    std::string probe = path;
    for (;;) {
        // A network share is only recognised with its trailing separator.
        if (!probe.empty() && probe.back() != '\\' && probe.back() != '/') {
            probe += '\\';
        }
        ULARGE_INTEGER available{};
        ULARGE_INTEGER total{};
        ULARGE_INTEGER totalFree{};
        if (GetDiskFreeSpaceExW(probe.empty() ? nullptr : systemPath(probe).c_str(), &available,
                                &total, &totalFree)) {
            // What this user may still write: less than the volume's free bytes under a quota.
            return static_cast<int64_t>(available.QuadPart);
        }
        const DWORD code = GetLastError();
        if (code != ERROR_FILE_NOT_FOUND && code != ERROR_PATH_NOT_FOUND) {
            return std::nullopt;
        }
        const std::size_t end = probe.find_last_not_of("\\/");
        const std::size_t slash = end == std::string::npos ? end : probe.find_last_of("\\/", end);
        if (slash != std::string::npos && slash > 0) {
            probe.resize(slash + 1);
        } else if (!probe.empty() && probe.find(':') == std::string::npos &&
                   probe.front() != '\\' && probe != ".\\") {
            probe = ".\\"; // the top of a relative path: the working folder
        } else {
            return std::nullopt; // a drive or share that is not there
        }
    }
}

std::optional<uint32_t> Win32FileSystem::statusOf(const std::string& path) {
    const DWORD attrs = GetFileAttributesW(systemPath(path).c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) {
            return std::nullopt;
        }
        failWith(code, "cannot look up", path);
    }
    return attrs;
}

void Win32FileSystem::checkReplaceable(const std::string& path) {
    const std::optional<uint32_t> attrs = statusOf(path);
    if (!attrs) {
        return;
    }
    if ((*attrs & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        failWith(ERROR_DIRECTORY, "a folder stands at", path);
    }
    if ((*attrs & FILE_ATTRIBUTE_READONLY) != 0) {
        throw Error("read-only: " + path, FailureKind::ReadOnly, ERROR_ACCESS_DENIED, path);
    }
    // The access a replacement needs, with every sharing mode granted: the open fails with a
    // sharing violation exactly when another program holds the file without letting it go.
    UniqueFile probe(CreateFileW(systemPath(path).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!probe) {
        fail("cannot replace", path);
    }
}

void Win32FileSystem::replaceWithBackup(const std::string& staged, const std::string& destination,
                                        const std::string& backup) {
    // ReplaceFileW carries the replaced file's attributes, security descriptor and creation
    // time over to the replacement; the old file stays under the backup name. Not every
    // implementation of it does the first and the last, so those two are set again after it.
    const std::wstring target = systemPath(destination);
    WIN32_FILE_ATTRIBUTE_DATA old{};
    const bool known = GetFileAttributesExW(target.c_str(), GetFileExInfoStandard, &old);
    if (!ReplaceFileW(target.c_str(), systemPath(staged).c_str(), systemPath(backup).c_str(),
                      REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
        fail("cannot put in place", destination);
    }
    if (known) {
        UniqueFile replaced(CreateFileW(target.c_str(), FILE_WRITE_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (replaced) {
            SetFileTime(replaced.get(), &old.ftCreationTime, nullptr, nullptr);
        }
        SetFileAttributesW(target.c_str(), old.dwFileAttributes);
    }
}

void Win32FileSystem::replaceFileDurably(const std::string& from, const std::string& to) {
    if (!MoveFileExW(systemPath(from).c_str(), systemPath(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        fail("cannot put in place", to);
    }
}

bool Win32FileSystem::removeFolder(const std::string& path) {
    if (!RemoveDirectoryW(systemPath(path).c_str())) {
        const DWORD code = GetLastError();
        if (code == ERROR_DIR_NOT_EMPTY) {
            return false;
        }
        failWith(code, "cannot remove the folder", path);
    }
    return true;
}

bool Win32FileSystem::syncVolume(const std::string& path) {
    // Flushing a whole volume needs a handle to the volume itself, which only an administrator
    // may open for writing; without one the caller flushes file by file.
    std::wstring mount(MAX_PATH + 1, L'\0');
    if (!GetVolumePathNameW(systemPath(path).c_str(), mount.data(),
                            static_cast<DWORD>(mount.size()))) {
        return false;
    }
    mount.resize(wcslen(mount.c_str()));
    // Only a drive root ("C:\") names a volume device that can be opened as "\\.\C:".
    if (mount.size() != 3 || mount[1] != L':') {
        return false;
    }
    const std::wstring device = L"\\\\.\\" + mount.substr(0, 2);
    UniqueFile volume(CreateFileW(device.c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                  nullptr));
    return volume && FlushFileBuffers(volume.get());
}

namespace {

// Opens path itself, a reparse point not followed, for the attribute and identity queries.
UniqueFile openEntry(const std::string& path, DWORD share) {
    return UniqueFile(
        CreateFileW(systemPath(path).c_str(), FILE_READ_ATTRIBUTES, share, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

class Win32FolderHold : public FolderHold {
public:
    explicit Win32FolderHold(UniqueFile handle) : handle_(std::move(handle)) {}

private:
    UniqueFile handle_;
};

} // namespace

std::optional<FileIdentity> Win32FileSystem::identityOf(const std::string& path) {
    const UniqueFile handle =
        openEntry(path, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    if (!handle) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) {
            return std::nullopt;
        }
        failWith(code, "cannot look up", path);
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle.get(), &info)) {
        fail("cannot look up", path);
    }
    return FileIdentity{info.dwVolumeSerialNumber,
                        (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

std::unique_ptr<FolderHold> Win32FileSystem::holdFolder(const std::string& path) {
    // No delete sharing: while the handle is open, nobody can move or remove the folder to put
    // a junction in its place.
    UniqueFile handle = openEntry(path, FILE_SHARE_READ | FILE_SHARE_WRITE);
    if (!handle) {
        fail("cannot open the folder", path);
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle.get(), &info)) {
        fail("cannot look up", path);
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        throw Error("a link stands at " + path, FailureKind::Link, 0, path);
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        failWith(ERROR_DIRECTORY, "not a folder:", path);
    }
    return std::make_unique<Win32FolderHold>(std::move(handle));
}

} // namespace qly::win32
