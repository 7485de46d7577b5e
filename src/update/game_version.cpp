#include "update/game_version.h"

#include "common/trimmed.h"
#include "languages/language_keys.h"

#include <charconv>

namespace qly {

namespace {} // namespace

std::optional<VersionWords> ParseVersion(std::string_view text) {
    text = Trimmed(text);
    VersionWords words{};
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::size_t dot = text.find('.');
        const std::string_view part = text.substr(0, i + 1 < words.size() ? dot : text.size());
        if (part.empty() || (i + 1 < words.size() && dot == std::string_view::npos)) {
            return std::nullopt;
        }
        const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), words[i]);
        if (error != std::errc() || end != part.data() + part.size()) {
            return std::nullopt;
        }
        text.remove_prefix(i + 1 < words.size() ? dot + 1 : text.size());
    }
    return words;
}

std::string FormatVersion(const VersionWords& version) {
    return std::to_string(version[0]) + "." + std::to_string(version[1]) + "." +
           std::to_string(version[2]) + "." + std::to_string(version[3]);
}

std::optional<GameVersionRequirement> ReadGameVersionRequirement(const LayoutFile& layout) {
    const std::string lowest = std::string(Trimmed(layout.ReadIniString("game", "version")));
    if (lowest.empty()) {
        return std::nullopt;
    }
    const std::string highest = std::string(Trimmed(layout.ReadIniString("game", "maxversion")));
    GameVersionRequirement required;
    required.text = highest.empty() ? lowest : lowest + " - " + highest;
    required.lowest = ParseVersion(lowest);
    required.highest = highest.empty() ? required.lowest : ParseVersion(highest);
    return required;
}

bool VersionAccepted(const std::optional<VersionWords>& found,
                     const GameVersionRequirement& required) {
    return found && required.lowest && required.highest && *required.lowest <= *found &&
           *found <= *required.highest;
}

std::optional<std::string> GameVersionRefusal(const LayoutFile& layout, VersionResource& versions,
                                              const std::string& gameProgram,
                                              const LanguageState& lang) {
    const std::optional<GameVersionRequirement> required = ReadGameVersionRequirement(layout);
    if (!required) {
        return std::nullopt;
    }
    const std::optional<VersionWords> found = versions.fileVersion(gameProgram);
    if (VersionAccepted(found, *required)) {
        return std::nullopt;
    }
    const std::string foundText =
        found ? FormatVersion(*found) : LangTextOrBuiltIn(lang, "bez wersji");
    return LangTextWithArguments(lang, "zla wersja", {foundText, required->text});
}

} // namespace qly
