#include "game/steam_library.h"

#include "game/key_values.h"

#include <algorithm>

namespace qly {

namespace {

bool allDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string withoutTrailingSeparators(std::string path) {
    while (path.size() > 1 && (path.back() == '/' || path.back() == '\\') &&
           !(path.size() == 3 && path[1] == ':')) {
        path.pop_back();
    }
    return path;
}

} // namespace

bool IsSteamAppId(std::string_view text) {
    return text.size() <= 10 && allDigits(text);
}

std::vector<std::string> SteamLibraryPaths(std::string_view vdf) {
    std::vector<std::string> paths;
    const KeyValues root = ParseKeyValues(vdf);
    for (const KeyValues& top : root.children) {
        for (const KeyValues& entry : top.children) {
            std::string path;
            if (entry.section) {
                path = entry.valueOf("path");
            } else if (allDigits(entry.key)) {
                path = entry.value;
            }
            if (!path.empty()) {
                paths.push_back(withoutTrailingSeparators(std::move(path)));
            }
        }
    }
    return paths;
}

std::optional<std::string> SteamInstallDir(std::string_view acf, std::string_view appId) {
    const KeyValues root = ParseKeyValues(acf);
    const KeyValues* state = root.child("AppState");
    if (state == nullptr || !state->section) {
        return std::nullopt;
    }
    // A manifest copied from another app, or renamed, is not this game's.
    const std::string id = state->valueOf("appid");
    if (!id.empty() && id != appId) {
        return std::nullopt;
    }
    const std::string dir = state->valueOf("installdir");
    if (dir.empty() || dir == "." || dir == ".." ||
        dir.find_first_of("/\\:") != std::string::npos) {
        return std::nullopt;
    }
    return dir;
}

} // namespace qly
