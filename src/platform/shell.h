// The shell: folder browser, special folders, opening a target with its program.
#pragma once

#include <optional>
#include <string>

namespace qly {

class Shell {
public:
    virtual ~Shell() = default;
    // Modal folder browser over the main window, showing title; file-system folders only.
    // Returns the chosen path (no trailing separator except for a drive root), empty on cancel.
    virtual std::string browseForFolder(const std::string& title) = 0;
    // The user's Favorites folder, or nothing when it cannot be found.
    virtual std::optional<std::string> favoritesFolder() = 0;
    // Opens target (an address or a document) with its associated program; failures ignored.
    virtual void open(const std::string& target) = 0;
};

} // namespace qly
