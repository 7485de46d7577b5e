// Finding the game's folder from what the machine records about it: the registry keys of the
// bundle's identity, then the stores it names (Steam's library folders, GOG's registry key, an
// uninstall entry), in that order. One service for every front end: the window, the run
// without one, and the Linux program, which gives it the prefix's registry and paths.
#pragma once

#include "game/game_identity.h"
#include "platform/file_system.h"
#include "platform/registry.h"

#include <functional>
#include <optional>
#include <string>

namespace qly {

// Where the game folder came from.
enum class GameSource {
    None,
    FullEdition, // the installer's own registry keys
    DemoEdition,
    RegistryKey, // a key the layout file names
    Steam,
    Gog,
    Uninstall,
    DirSwitch,
    Browser,
};

// A path as a store's record writes it (a Windows path), as this program opens it. Empty: the
// path as it is, with "/" separators turned into "\".
using LocalPathOf = std::function<std::optional<std::string>(const std::string& recorded)>;

struct GameLookupServices {
    Registry& registry;
    FileSystem& files;
    LocalPathOf localPath;
};

struct FoundGame {
    std::string folder; // as this program opens it; empty when nothing was found
    GameSource source = GameSource::None;
    std::string from;         // the key, app or entry that named it, for the log
    std::string registryView; // the registry's view that answered, when one did
};

// The first folder the identity's records name (a registry value that is present and not
// empty, an installed Steam app, ...), whether or not it holds the game: a stale record is
// the user's to correct, and a later one is not consulted.
FoundGame FindGame(const GameIdentity& identity, const GameLookupServices& services);

// The path of the game's program exe in folder, its name matched without regard to letter
// case; nothing when the folder holds no such ordinary, visible file or cannot be read.
std::optional<std::string> GameProgramIn(FileSystem& files, const std::string& folder,
                                         const std::string& exe);

// The Steam installations the registry names: the user's SteamPath, then the machine's
// InstallPath; as recorded.
std::vector<std::string> SteamInstallations(Registry& registry);

} // namespace qly
