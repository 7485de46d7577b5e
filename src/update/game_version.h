// The game version a patch is made for: the layout file's section "game" names it (key
// "version", and "maxversion" for a range), and the game's main.exe must carry a file version
// within it before anything in the game folder is touched.
#pragma once

#include "languages/language_state.h"
#include "layout/layout_file.h"
#include "platform/version_resource.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qly {

using VersionWords = std::array<uint16_t, 4>;

// "1.1.0.0": exactly four decimal numbers of 0 to 65535 joined by dots, blanks around the
// whole ignored. Nothing for anything else.
std::optional<VersionWords> ParseVersion(std::string_view text);
std::string FormatVersion(const VersionWords& version);

// What the layout file asks for, as written there (for the message) and as numbers; the
// numbers are missing when the text is not a version, and such a requirement is never met.
struct GameVersionRequirement {
    std::string text; // "1.1.0.0", or "1.1.0.0 - 1.3.0.0" for a range
    std::optional<VersionWords> lowest;
    std::optional<VersionWords> highest;
};

// The requirement of the layout file; nothing when it has no "version" in section "game".
std::optional<GameVersionRequirement> ReadGameVersionRequirement(const LayoutFile& layout);

// Whether a game program of version found (nothing: no version resource) meets required:
// between lowest and highest, both included, comparing the four numbers in order.
bool VersionAccepted(const std::optional<VersionWords>& found,
                     const GameVersionRequirement& required);

// Nothing when the game program at gameProgram meets the layout file's requirement (or there
// is none); otherwise the line that tells the user, in the language in force, which version
// was found and which one the patch needs.
std::optional<std::string> GameVersionRefusal(const LayoutFile& layout, VersionResource& versions,
                                              const std::string& gameProgram,
                                              const LanguageState& lang);

} // namespace qly
