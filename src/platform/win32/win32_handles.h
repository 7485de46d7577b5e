// Owners of Windows handles: each object closes, deletes or releases its handle exactly once,
// so that no other code calls DeleteObject, DeleteDC, ReleaseDC, RegCloseKey or FindClose by
// hand.
#pragma once

#include <windows.h>
// After windows.h, whose types it uses.
#include <shlobj.h>
#include <utility>

namespace qly::win32 {

// A handle with one release function. Empty when it holds the type's null value.
template <typename Handle, typename Releaser> class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle h) noexcept : handle_(h) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Handle get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != Handle{}; }
    // Gives the handle up without releasing it (for a handle the system takes over).
    Handle release() noexcept { return std::exchange(handle_, Handle{}); }
    // Releases the held handle, if any, and holds h instead.
    void reset(Handle h = Handle{}) noexcept {
        Handle old = std::exchange(handle_, h);
        if (old != Handle{}) {
            Releaser{}(old);
        }
    }

private:
    Handle handle_{};
};

struct GdiObjectReleaser {
    void operator()(HGDIOBJ h) const noexcept { DeleteObject(h); }
};
struct MemoryDcReleaser {
    void operator()(HDC dc) const noexcept { DeleteDC(dc); }
};
struct RegKeyReleaser {
    void operator()(HKEY key) const noexcept { RegCloseKey(key); }
};
struct ItemListReleaser {
    void operator()(LPITEMIDLIST list) const noexcept { CoTaskMemFree(list); }
};
struct FileHandleReleaser {
    void operator()(HANDLE h) const noexcept { CloseHandle(h); }
};

using UniqueBitmap = UniqueHandle<HBITMAP, GdiObjectReleaser>;
using UniqueFont = UniqueHandle<HFONT, GdiObjectReleaser>;
using UniqueRegion = UniqueHandle<HRGN, GdiObjectReleaser>;
using UniqueMemoryDc = UniqueHandle<HDC, MemoryDcReleaser>;
using UniqueRegKey = UniqueHandle<HKEY, RegKeyReleaser>;
using UniqueItemList = UniqueHandle<LPITEMIDLIST, ItemListReleaser>;

// A file handle; INVALID_HANDLE_VALUE (what CreateFileW returns on failure) counts as empty.
class UniqueFile {
public:
    UniqueFile() = default;
    explicit UniqueFile(HANDLE h) noexcept : handle_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
    HANDLE get() const noexcept { return handle_.get(); }
    explicit operator bool() const noexcept { return static_cast<bool>(handle_); }

private:
    UniqueHandle<HANDLE, FileHandleReleaser> handle_;
};

// The common device context of a window, from GetDC until the end of the scope.
class WindowDc {
public:
    explicit WindowDc(HWND window) noexcept : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_ != nullptr) {
            ReleaseDC(window_, dc_);
        }
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;

    HDC get() const noexcept { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

struct FindCloser {
    void operator()(HANDLE h) const noexcept { FindClose(h); }
};
// A search begun by FindFirstFileW; holds only a handle other than INVALID_HANDLE_VALUE.
using UniqueFind = UniqueHandle<HANDLE, FindCloser>;

// Selects an object into a device context and puts the previous one back when it ends, so that
// the object can be deleted afterwards (GDI refuses to delete a selected object).
class ScopedSelection {
public:
    ScopedSelection() = default;
    ScopedSelection(HDC dc, HGDIOBJ object) noexcept
        : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~ScopedSelection() { restore(); }
    ScopedSelection(ScopedSelection&& other) noexcept
        : dc_(std::exchange(other.dc_, nullptr)),
          previous_(std::exchange(other.previous_, nullptr)) {}
    ScopedSelection& operator=(ScopedSelection&& other) noexcept {
        if (this != &other) {
            restore();
            dc_ = std::exchange(other.dc_, nullptr);
            previous_ = std::exchange(other.previous_, nullptr);
        }
        return *this;
    }
    ScopedSelection(const ScopedSelection&) = delete;
    ScopedSelection& operator=(const ScopedSelection&) = delete;

    // Puts the previous object back now; harmless when already done.
    void restore() noexcept {
        if (dc_ != nullptr && previous_ != nullptr && previous_ != HGDI_ERROR) {
            SelectObject(dc_, previous_);
        }
        dc_ = nullptr;
        previous_ = nullptr;
    }

private:
    HDC dc_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

} // namespace qly::win32
