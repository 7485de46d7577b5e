// Where the game store keeps a game: its library folders (libraryfolders.vdf) and, in one of
// them, the game's manifest (steamapps/appmanifest_<id>.acf) naming the game's folder under
// steamapps/common.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qly {

// The library folders a libraryfolders.vdf names, in file order, trailing separators dropped:
// the "path" of each section below the root (today's layout), or the value of each numbered
// key (the older one).
std::vector<std::string> SteamLibraryPaths(std::string_view vdf);

// The game folder's name under steamapps/common from the text of an app manifest for appId:
// AppState's "installdir". Nothing when the manifest is for another app, or the name is
// missing or would leave steamapps/common ("..", a separator, a drive).
std::optional<std::string> SteamInstallDir(std::string_view acf, std::string_view appId);

// True for a Steam app id: 1 to 10 decimal digits.
bool IsSteamAppId(std::string_view text);

} // namespace qly
