// The Windows shell: folder browser, the Favorites folder, opening a target.
#pragma once

#include "platform/shell.h"

#include <functional>
#include <windows.h>

namespace qly::win32 {

// Run elevated, it opens targets and finds the Favorites folder as the desktop's user, not as
// the elevated account; where that cannot be done it falls back to its own account and says
// so through the note function (the support log).
class Win32Shell : public Shell {
public:
    using Note = std::function<void(const std::string&)>;

    // owner: the window the folder browser is modal to (may be set later).
    explicit Win32Shell(HWND owner = nullptr, Note note = {})
        : owner_(owner), note_(std::move(note)) {}
    void setOwner(HWND owner) { owner_ = owner; }

    using Shell::browseForFolder;
    // The title's bytes are taken in the language's code page; the path comes back as UTF-8.
    // The tree starts at the desktop either way, so another drive can still be chosen.
    std::string browseForFolder(const std::string& title, int32_t titleCharset,
                                BrowseStart start) override;
    // The desktop user's Favorites folder when elevated, the process's own otherwise.
    std::optional<std::string> favoritesFolder() override;
    // target is UTF-8; opened by the desktop's shell when elevated, otherwise (or when that
    // fails) by this process with the active window as owner; the outcome is not examined.
    void open(const std::string& target) override;

private:
    void note(const std::string& line) const;

    HWND owner_;
    Note note_;
};

} // namespace qly::win32
