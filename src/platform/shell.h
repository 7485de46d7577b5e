// The shell: folder browser, special folders, opening a target with its program.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace qly {

// Where the folder browser opens: the whole tree from the desktop, or with the Program Files
// folder (where a 32-bit game installs) already chosen.
enum class BrowseStart { Desktop, ProgramFiles };

class Shell {
public:
    virtual ~Shell() = default;
    // Modal folder browser over the main window, showing title (bytes of the code page of the
    // GDI charset titleCharset), opened at start; file-system folders only. Returns the chosen
    // path (no trailing separator except for a drive root), empty on cancel.
    virtual std::string browseForFolder(const std::string& title, int32_t titleCharset,
                                        BrowseStart start) = 0;
    std::string browseForFolder(const std::string& title, int32_t titleCharset) {
        return browseForFolder(title, titleCharset, BrowseStart::Desktop);
    }
    // The user's Favorites folder, or nothing when it cannot be found.
    virtual std::optional<std::string> favoritesFolder() = 0;
    // Opens target (an address or a document) with its associated program; failures ignored.
    virtual void open(const std::string& target) = 0;
};

} // namespace qly
