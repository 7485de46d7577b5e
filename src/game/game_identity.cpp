#include "game/game_identity.h"

#include "bundle/bundle_name.h"
#include "common/ascii_case.h"
#include "common/trimmed.h"

#include <algorithm>
#include <array>
#include <utility>

namespace qly {

namespace {

// The layout file's text for key, or fallback when it has none.
std::string textOr(const LayoutFile& layout, const char* key, std::string fallback) {
    std::string text = layout.ReadIniString(kGameSection, key);
    return text.empty() ? std::move(fallback) : text;
}

} // namespace

GameIdentity DefaultGameIdentity() {
    GameIdentity identity;
    identity.registryKeys = {
        {RegistryRoot::LocalMachine, "SOFTWARE\\Brantmoor Games\\Quillory", ""},
        {RegistryRoot::LocalMachine, "SOFTWARE\\Brantmoor Games\\Quillory DEMO", "\\Quillory DEMO"},
    };
    identity.registryValue = "Install Path";
    identity.exe = "main.exe";
    identity.title = "Quillory - Install";
    identity.caption = " %1% QLY!";
    return identity;
}

std::optional<GameRegistryKey> ParseGameRegistryKey(std::string_view text) {
    text = Trimmed(text);
    static constexpr std::array<std::pair<std::string_view, RegistryRoot>, 4> kRoots{{
        {"HKLM\\", RegistryRoot::LocalMachine},
        {"HKEY_LOCAL_MACHINE\\", RegistryRoot::LocalMachine},
        {"HKCU\\", RegistryRoot::CurrentUser},
        {"HKEY_CURRENT_USER\\", RegistryRoot::CurrentUser},
    }};
    for (const auto& [prefix, root] : kRoots) {
        if (text.size() > prefix.size() &&
            AsciiUpperCase(text.substr(0, prefix.size())) == prefix) {
            std::string_view subKey = text.substr(prefix.size());
            while (!subKey.empty() && subKey.back() == '\\') {
                subKey.remove_suffix(1);
            }
            if (subKey.empty() || subKey.front() == '\\') {
                return std::nullopt;
            }
            return GameRegistryKey{root, std::string(subKey), ""};
        }
    }
    return std::nullopt;
}

std::string FormatGameRegistryKey(const GameRegistryKey& key) {
    return (key.root == RegistryRoot::CurrentUser ? "HKCU\\" : "HKLM\\") + key.subKey;
}

std::string GameProgramNameProblem(std::string_view name) {
    if (name.find_first_of("\\/") != std::string_view::npos) {
        return "a file name, without a folder";
    }
    if (const std::optional<std::string> problem = WindowsNameProblem(name)) {
        return *problem;
    }
    return {};
}

GameIdentity ReadGameIdentity(const LayoutFile& layout) {
    GameIdentity identity = DefaultGameIdentity();
    const std::string keys = layout.ReadIniString(kGameSection, "registry");
    std::vector<GameRegistryKey> own;
    for (std::size_t at = 0; at <= keys.size();) {
        const std::size_t end = std::min(keys.find(';', at), keys.size());
        // A key that names no root is left out; the patch maker's check says so.
        if (auto key = ParseGameRegistryKey(std::string_view(keys).substr(at, end - at))) {
            own.push_back(std::move(*key));
        }
        at = end + 1;
    }
    if (!std::string(Trimmed(keys)).empty()) {
        identity.registryKeys = std::move(own);
        identity.ownKeys = true;
    }
    identity.registryValue = textOr(layout, "registryvalue", identity.registryValue);

    // The stores in the order the file has them; a key written twice counts where it first is.
    for (const std::string& name : layout.keys(kGameSection)) {
        const std::string key = AsciiLowerCase(Trimmed(name));
        GameStoreEntry entry;
        if (key == "steam") {
            entry.kind = GameStoreEntry::Kind::Steam;
        } else if (key == "gog") {
            entry.kind = GameStoreEntry::Kind::Gog;
        } else if (key == "uninstall") {
            entry.kind = GameStoreEntry::Kind::Uninstall;
        } else {
            continue;
        }
        entry.id = std::string(Trimmed(layout.ReadIniString(kGameSection, key)));
        const bool known =
            std::any_of(identity.stores.begin(), identity.stores.end(),
                        [&](const GameStoreEntry& e) { return e.kind == entry.kind; });
        if (!entry.id.empty() && !known) {
            identity.stores.push_back(std::move(entry));
        }
    }

    identity.exe = std::string(Trimmed(textOr(layout, "exe", identity.exe)));
    identity.title = textOr(layout, "title", identity.title);
    identity.caption = textOr(layout, "caption", identity.caption);
    identity.browse = layout.ReadIniNumber(kGameSection, "browse") != 0;
    return identity;
}

std::string ProgressCaption(std::string_view caption, int16_t percent) {
    const std::string number = std::to_string(percent);
    std::string out;
    for (std::size_t at = 0; at < caption.size();) {
        if (caption.substr(at, 2) == "%1") {
            if (percent < 0 && !out.empty() && out.back() == ' ') {
                out.pop_back();
            }
            out += number;
            at += 2;
        } else {
            out += caption[at++];
        }
    }
    return out;
}

} // namespace qly
