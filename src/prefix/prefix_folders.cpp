#include "prefix/prefix_folders.h"

namespace qly {

std::string PrefixSystemFolder(const PrefixPaths& paths, FileSystem& files) {
    const std::optional<std::string> wow64 = paths.linuxPath("C:\\windows\\syswow64");
    if (wow64 && Exists(files, *wow64)) {
        return *wow64;
    }
    return paths.linuxPath("C:\\windows\\system32")
        .value_or(paths.prefix() + "/drive_c/windows/system32");
}

std::optional<std::string> PrefixFavoritesFolder(const PrefixPaths& paths, FileSystem& files,
                                                 const std::string& user) {
    for (const std::string& name : {user, std::string("steamuser")}) {
        if (name.empty()) {
            continue;
        }
        const std::optional<std::string> home = paths.linuxPath("C:\\users\\" + name);
        if (home && Exists(files, *home)) {
            return paths.descend(*home, "Favorites");
        }
    }
    return paths.linuxPath("C:\\users\\" + user + "\\Favorites");
}

} // namespace qly
