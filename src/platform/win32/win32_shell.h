// The Windows shell: folder browser, the Favorites folder, opening a target.
#pragma once

#include "platform/shell.h"

#include <windows.h>

namespace qly::win32 {

class Win32Shell : public Shell {
public:
    // owner: the window the folder browser is modal to (may be set later).
    explicit Win32Shell(HWND owner = nullptr) : owner_(owner) {}
    void setOwner(HWND owner) { owner_ = owner; }

    // The title's bytes are taken in the ANSI code page; the path comes back as UTF-8.
    std::string browseForFolder(const std::string& title, int32_t titleCharset) override;
    std::optional<std::string> favoritesFolder() override;
    // target is UTF-8; owned by the active window; the outcome is not examined.
    void open(const std::string& target) override;

private:
    HWND owner_;
};

} // namespace qly::win32
