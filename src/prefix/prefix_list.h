// The Wine prefixes a user has: the default one and the prefix Steam keeps for each game it
// runs through its compatibility layer, in every Steam library.
#pragma once

#include "platform/file_system.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qly {

struct FoundPrefix {
    std::string path;  // the prefix folder (holding system.reg), Linux path
    std::string label; // "default", or "Steam app <id>"
};

// $WINEPREFIX when set and not empty, else ~/.wine.
std::string DefaultPrefix(const std::optional<std::string>& winePrefix, const std::string& home);

// The Steam installations looked at under home: ~/.steam/steam, ~/.local/share/Steam and the
// Flatpak one.
std::vector<std::string> SteamRoots(const std::string& home);

// The default prefix (when it holds a system.reg), then steamapps/compatdata/<id>/pfx of every
// library of every Steam installation that has one; each prefix once.
std::vector<FoundPrefix> FindPrefixes(FileSystem& files, const std::string& defaultPrefix,
                                      const std::vector<std::string>& steamRoots);

} // namespace qly
