#include "prefix/prefix_list.h"

#include "game/steam_library.h"

#include <algorithm>
#include <array>

namespace qly {

namespace {

std::optional<std::string> wholeFile(FileSystem& files, const std::string& path) {
    if (!FileExists(files, path)) {
        return std::nullopt;
    }
    try {
        const std::unique_ptr<File> file = files.open(path, OpenMode::Read);
        std::string text;
        std::array<char, 65536> buffer{};
        while (const std::size_t n = file->read(buffer)) {
            text.append(buffer.data(), n);
        }
        return text;
    } catch (const std::exception&) {
        return std::nullopt; // an unreadable list names no library
    }
}

std::string withoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

} // namespace

std::string DefaultPrefix(const std::optional<std::string>& winePrefix, const std::string& home) {
    if (winePrefix && !winePrefix->empty()) {
        return withoutTrailingSlash(*winePrefix);
    }
    return home + "/.wine";
}

std::vector<std::string> SteamRoots(const std::string& home) {
    return {home + "/.steam/steam", home + "/.local/share/Steam",
            home + "/.var/app/com.valvesoftware.Steam/.local/share/Steam"};
}

std::vector<FoundPrefix> FindPrefixes(FileSystem& files, const std::string& defaultPrefix,
                                      const std::vector<std::string>& steamRoots) {
    std::vector<FoundPrefix> found;
    auto add = [&](const std::string& path, const std::string& label) {
        const bool known = std::any_of(found.begin(), found.end(),
                                       [&](const FoundPrefix& p) { return p.path == path; });
        if (!known && FileExists(files, path + "/system.reg")) {
            found.push_back(FoundPrefix{path, label});
        }
    };
    add(defaultPrefix, "default");

    std::vector<std::string> libraries;
    for (const std::string& root : steamRoots) {
        std::optional<std::string> vdf = wholeFile(files, root + "/steamapps/libraryfolders.vdf");
        if (!vdf) {
            vdf = wholeFile(files, root + "/config/libraryfolders.vdf");
        }
        // The list names the installation's own library too; without a list it is the only one.
        std::vector<std::string> named =
            vdf ? SteamLibraryPaths(*vdf) : std::vector<std::string>{root};
        for (std::string& library : named) {
            if (std::find(libraries.begin(), libraries.end(), library) == libraries.end()) {
                libraries.push_back(std::move(library));
            }
        }
    }
    for (const std::string& library : libraries) {
        const std::string compat = library + "/steamapps/compatdata";
        std::vector<std::string> ids;
        // A library without games run through the compatibility layer has no such folder.
        if (!Exists(files, compat)) {
            continue;
        }
        if (auto listing = files.list(compat, "*")) {
            DirEntry entry;
            while (listing->next(entry)) {
                if ((entry.attributes & kAttrDirectory) != 0 && entry.name != "." &&
                    entry.name != "..") {
                    ids.push_back(entry.name);
                }
            }
        }
        // App ids in numeric order.
        std::sort(ids.begin(), ids.end(), [](const std::string& a, const std::string& b) {
            return a.size() != b.size() ? a.size() < b.size() : a < b;
        });
        for (const std::string& id : ids) {
            add(compat + "/" + id + "/pfx", "Steam app " + id);
        }
    }
    return found;
}

} // namespace qly
