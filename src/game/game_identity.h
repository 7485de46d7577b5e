// Which game a bundle patches, from the layout file's section "game": where the game is
// registered, the program that marks its folder, and the window's title and caption. A
// bundle that says nothing gets the values the installer always had.
#pragma once

#include "layout/layout_file.h"
#include "platform/registry.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qly {

// One registry key that may name the game's folder.
struct GameRegistryKey {
    RegistryRoot root = RegistryRoot::LocalMachine;
    std::string subKey;    // below the root
    std::string subfolder; // appended to the value to reach the game folder ("\Quillory DEMO")
};

// A store's record of the game, tried after the registry keys.
struct GameStoreEntry {
    enum class Kind { Steam, Gog, Uninstall };
    Kind kind = Kind::Steam;
    std::string id; // the app id, the game id, the uninstall key's name
};

struct GameIdentity {
    std::vector<GameRegistryKey> registryKeys;
    std::string registryValue;
    // True when the layout file named the keys; false for the installer's own two editions.
    bool ownKeys = false;
    std::vector<GameStoreEntry> stores; // in the order the layout file has them
    std::string exe;                    // the game's program, a bare file name
    std::string title;                  // the window's title
    std::string caption;                // the caption while copying; %1 is the percentage
    bool browse = false;                // offer the folder browser when no lookup finds the game
};

// The keys and values of the layout file's section "game" read here.
inline constexpr const char* kGameSection = "game";

// The identity of a bundle whose layout file names none of it.
GameIdentity DefaultGameIdentity();

// The identity the layout file gives; each key it lacks (or leaves empty) keeps its default.
GameIdentity ReadGameIdentity(const LayoutFile& layout);

// "HKLM\SOFTWARE\Studio\Game" (also "HKCU\", "HKEY_LOCAL_MACHINE\", "HKEY_CURRENT_USER\", any
// letter case) as a key; nothing for another root, no key below it, or an empty text.
std::optional<GameRegistryKey> ParseGameRegistryKey(std::string_view text);
// The key as the layout file writes it: "HKLM\..." or "HKCU\...".
std::string FormatGameRegistryKey(const GameRegistryKey& key);

// Why name cannot be the game's program (a folder in it, a name Windows refuses); empty when
// it can.
std::string GameProgramNameProblem(std::string_view name);

// The caption with the percentage in place of each "%1"; a blank right before it gives way
// to the minus sign of a negative one.
std::string ProgressCaption(std::string_view caption, int16_t percent);

} // namespace qly
