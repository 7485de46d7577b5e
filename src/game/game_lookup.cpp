#include "game/game_lookup.h"

#include "engine/path_case.h"
#include "game/steam_library.h"

#include <algorithm>
#include <array>

namespace qly {

namespace {

// Store records are read whole; larger ones are not what they claim to be.
constexpr std::size_t kMaxRecordBytes = std::size_t{1} << 20;

std::optional<std::string> readString(Registry& registry, RegistryRoot root,
                                      const std::string& subKey, const std::string& value) {
    try {
        std::optional<std::string> text = registry.readString(root, subKey, value);
        if (text && text->empty()) {
            return std::nullopt; // an empty value is no record
        }
        return text;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::string localPath(const GameLookupServices& services, const std::string& recorded) {
    if (services.localPath) {
        return services.localPath(recorded).value_or(std::string());
    }
    std::string path = recorded;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string withoutTrailingSeparator(std::string path) {
    // A drive root keeps its separator; the callers add none of their own after it.
    if (path.size() > 1 && (path.back() == '\\' || path.back() == '/') &&
        !(path.size() == 3 && path[1] == ':')) {
        path.pop_back();
    }
    return path;
}

// The text of the file at path, nothing when it is missing, too large or unreadable.
std::optional<std::string> smallFile(FileSystem& files, const std::string& path) {
    try {
        if (!FileExists(files, path)) {
            return std::nullopt;
        }
        const std::unique_ptr<File> file = files.open(path, OpenMode::Read);
        if (file->length() > static_cast<int64_t>(kMaxRecordBytes)) {
            return std::nullopt;
        }
        std::string text;
        std::array<char, 16384> buffer{};
        while (const std::size_t n = file->read(buffer)) {
            text.append(buffer.data(), n);
            if (text.size() > kMaxRecordBytes) {
                return std::nullopt;
            }
        }
        return text;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<FoundGame> fromRegistryKey(const GameIdentity& identity, std::size_t index,
                                         const GameLookupServices& services) {
    const GameRegistryKey& key = identity.registryKeys[index];
    const std::optional<std::string> value =
        readString(services.registry, key.root, key.subKey, identity.registryValue);
    if (!value) {
        return std::nullopt;
    }
    FoundGame found;
    // Registry values are taken as they are: the prefix's registry maps its own paths.
    found.folder = *value + key.subfolder;
    found.registryView = services.registry.lastView();
    if (identity.ownKeys) {
        found.source = GameSource::RegistryKey;
        found.from = FormatGameRegistryKey(key);
    } else {
        found.source = index == 0 ? GameSource::FullEdition : GameSource::DemoEdition;
    }
    return found;
}

std::optional<FoundGame> fromSteam(const std::string& appId, const GameLookupServices& services) {
    if (!IsSteamAppId(appId)) {
        return std::nullopt;
    }
    for (const std::string& installation : SteamInstallations(services.registry)) {
        const std::string root = withoutTrailingSeparator(localPath(services, installation));
        if (root.empty()) {
            continue;
        }
        std::optional<std::string> vdf =
            smallFile(services.files, root + "\\steamapps\\libraryfolders.vdf");
        if (!vdf) {
            vdf = smallFile(services.files, root + "\\config\\libraryfolders.vdf");
        }
        // The installation's own folder is a library too, listed or not.
        std::vector<std::string> libraries{root};
        for (const std::string& recorded :
             vdf ? SteamLibraryPaths(*vdf) : std::vector<std::string>{}) {
            const std::string library = withoutTrailingSeparator(localPath(services, recorded));
            if (!library.empty() &&
                std::find(libraries.begin(), libraries.end(), library) == libraries.end()) {
                libraries.push_back(library);
            }
        }
        for (const std::string& library : libraries) {
            const std::string apps = library + "\\steamapps";
            const std::optional<std::string> manifest =
                smallFile(services.files, apps + "\\appmanifest_" + appId + ".acf");
            const std::optional<std::string> dir =
                manifest ? SteamInstallDir(*manifest, appId) : std::nullopt;
            if (dir) {
                return FoundGame{apps + "\\common\\" + *dir, GameSource::Steam,
                                 "Steam app " + appId + ", library " + library, ""};
            }
        }
    }
    return std::nullopt;
}

std::optional<FoundGame> fromRegistryRecord(const GameLookupServices& services, GameSource source,
                                            const std::string& from,
                                            std::initializer_list<GameRegistryKey> keys,
                                            const std::string& valueName) {
    for (const GameRegistryKey& key : keys) {
        if (const auto value = readString(services.registry, key.root, key.subKey, valueName)) {
            return FoundGame{withoutTrailingSeparator(*value), source, from,
                             services.registry.lastView()};
        }
    }
    return std::nullopt;
}

// A name that stays one key below its parent.
bool isKeyName(const std::string& name) {
    return !name.empty() && name.find('\\') == std::string::npos;
}

std::optional<FoundGame> fromStore(const GameStoreEntry& store,
                                   const GameLookupServices& services) {
    switch (store.kind) {
    case GameStoreEntry::Kind::Steam:
        return fromSteam(store.id, services);
    case GameStoreEntry::Kind::Gog:
        if (!isKeyName(store.id)) {
            return std::nullopt;
        }
        return fromRegistryRecord(
            services, GameSource::Gog, "GOG game " + store.id,
            {{RegistryRoot::LocalMachine, "SOFTWARE\\GOG.com\\Games\\" + store.id, ""}}, "path");
    case GameStoreEntry::Kind::Uninstall: {
        if (!isKeyName(store.id)) {
            return std::nullopt;
        }
        const std::string key =
            "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + store.id;
        return fromRegistryRecord(
            services, GameSource::Uninstall, "uninstall entry " + store.id,
            {{RegistryRoot::LocalMachine, key, ""}, {RegistryRoot::CurrentUser, key, ""}},
            "InstallLocation");
    }
    }
    return std::nullopt;
}

} // namespace

std::vector<std::string> SteamInstallations(Registry& registry) {
    std::vector<std::string> found;
    for (const auto& [root, key, value] :
         {std::tuple{RegistryRoot::CurrentUser, "Software\\Valve\\Steam", "SteamPath"},
          std::tuple{RegistryRoot::LocalMachine, "SOFTWARE\\Valve\\Steam", "InstallPath"}}) {
        if (auto path = readString(registry, root, key, value)) {
            if (std::find(found.begin(), found.end(), *path) == found.end()) {
                found.push_back(std::move(*path));
            }
        }
    }
    return found;
}

FoundGame FindGame(const GameIdentity& identity, const GameLookupServices& services) {
    for (std::size_t i = 0; i < identity.registryKeys.size(); ++i) {
        if (auto found = fromRegistryKey(identity, i, services)) {
            return *found;
        }
    }
    for (const GameStoreEntry& store : identity.stores) {
        if (auto found = fromStore(store, services)) {
            return *found;
        }
    }
    return {};
}

std::optional<std::string> GameProgramIn(FileSystem& files, const std::string& folder,
                                         const std::string& exe) {
    if (folder.empty() || exe.empty() || !GameProgramNameProblem(exe).empty()) {
        return std::nullopt;
    }
    try {
        const std::string wanted = lowerCase(exe);
        // The listing takes its folder with the separator (a drive root has its own).
        const bool separated = folder.back() == '\\' || folder.back() == '/';
        std::unique_ptr<DirListing> listing = files.list(separated ? folder : folder + "\\", exe);
        DirEntry entry;
        while (listing && listing->next(entry)) {
            if (lowerCase(entry.name) != wanted) {
                continue;
            }
            const std::string path = (separated ? folder : folder + "\\") + entry.name;
            // The same test as for any ordinary file: no folder, nothing hidden or system.
            if (FileExists(files, path)) {
                return path;
            }
        }
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

} // namespace qly
