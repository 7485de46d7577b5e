#include "prefix/case_matching_file_system.h"

#include "engine/path_case.h"

#include <algorithm>
#include <utility>

namespace qly {

namespace {

std::string slashes(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

// Folder and name of a path with "/" separators; the folder of "/x" is "/".
std::pair<std::string, std::string> split(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return {"", path};
    }
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

} // namespace

CaseMatchingFileSystem::Names& CaseMatchingFileSystem::namesOf(const std::string& folder) {
    auto it = folders_.find(folder);
    if (it != folders_.end()) {
        return it->second;
    }
    Names names;
    // A folder that is not there (yet), or a file in a folder's place, has no names; listing
    // it would be a failure.
    const std::optional<uint32_t> status = inner_.statusOf(folder);
    if (!status || (*status & kAttrDirectory) == 0) {
        return folders_.emplace(folder, std::move(names)).first->second;
    }
    if (auto listing = inner_.list(folder, "*")) {
        DirEntry entry;
        while (listing->next(entry)) {
            names[lowerCase(entry.name)].insert(entry.name);
        }
    }
    return folders_.emplace(folder, std::move(names)).first->second;
}

std::string CaseMatchingFileSystem::resolve(const std::string& path) {
    if (path.empty() || (path[0] != '/' && path[0] != '\\')) {
        return path;
    }
    const std::string native = slashes(path);
    if (native == "/") {
        return native;
    }
    const auto [folder, name] = split(native);
    // Folders are resolved once; names are looked up in the folder's remembered listing, so
    // that a run over many files asks the disk once per folder, not once per name.
    auto known = resolvedFolders_.find(folder);
    if (known == resolvedFolders_.end()) {
        known = resolvedFolders_.emplace(folder, resolve(folder)).first;
    }
    const std::string& realFolder = known->second;
    if (name.empty() || name == "." || name == "..") {
        return realFolder + "/" + name;
    }
    const Names& names = namesOf(realFolder);
    const auto match = names.find(lowerCase(name));
    const std::string& actual =
        match == names.end() || match->second.contains(name) ? name : *match->second.begin();
    return realFolder == "/" ? "/" + actual : realFolder + "/" + actual;
}

void CaseMatchingFileSystem::takeGivenName(const std::string& given, const std::string& real) {
    const std::string wanted = split(slashes(given)).second;
    const auto [folder, name] = split(real);
    if (wanted.empty() || wanted == name) {
        return;
    }
    const std::string renamed = folder == "/" ? "/" + wanted : folder + "/" + wanted;
    inner_.replaceFile(real, renamed);
    removed(real);
    added(renamed);
}

void CaseMatchingFileSystem::added(const std::string& resolvedPath) {
    const auto [folder, name] = split(resolvedPath);
    if (const auto it = folders_.find(folder); it != folders_.end()) {
        it->second[lowerCase(name)].insert(name);
    }
}

void CaseMatchingFileSystem::removed(const std::string& resolvedPath) {
    const auto [folder, name] = split(resolvedPath);
    if (const auto it = folders_.find(folder); it != folders_.end()) {
        const auto names = it->second.find(lowerCase(name));
        if (names != it->second.end()) {
            names->second.erase(name);
            if (names->second.empty()) {
                it->second.erase(names);
            }
        }
    }
    // A folder removed takes its names along, and a name that no longer stands resolves the
    // paths below it anew: where a file gave way to a folder in other letter case, they lead
    // into the folder.
    const std::string below = resolvedPath + "/";
    std::erase_if(folders_, [&](const auto& entry) {
        return entry.first == resolvedPath || entry.first.starts_with(below);
    });
    std::erase_if(resolvedFolders_, [&](const auto& entry) {
        return entry.second == resolvedPath || entry.second.starts_with(below);
    });
}

std::unique_ptr<DirListing> CaseMatchingFileSystem::list(const std::string& folder,
                                                         const std::string& pattern) {
    return inner_.list(resolve(folder), pattern);
}

void CaseMatchingFileSystem::createFolder(const std::string& path) {
    const std::string real = resolve(path);
    inner_.createFolder(real);
    added(real);
}

void CaseMatchingFileSystem::deleteFile(const std::string& path) {
    const std::string real = resolve(path);
    inner_.deleteFile(real);
    removed(real);
}

void CaseMatchingFileSystem::removeQuietly(const std::string& path) noexcept {
    try {
        const std::string real = resolve(path);
        inner_.removeQuietly(real);
        if (!Exists(inner_, real)) {
            removed(real);
        }
    } catch (...) {
        // Clean-up never fails the caller.
    }
}

void CaseMatchingFileSystem::replaceFile(const std::string& from, const std::string& to) {
    const std::string realFrom = resolve(from);
    const std::string realTo = resolve(to);
    inner_.replaceFile(realFrom, realTo);
    removed(realFrom);
    added(realTo);
    takeGivenName(to, realTo);
}

std::unique_ptr<File> CaseMatchingFileSystem::open(const std::string& path, OpenMode mode) {
    const std::string real = resolve(path);
    std::unique_ptr<File> file = inner_.open(real, mode);
    if (mode != OpenMode::Read) {
        added(real);
    }
    return file;
}

std::optional<int64_t> CaseMatchingFileSystem::freeBytes(const std::string& path) {
    return inner_.freeBytes(resolve(path));
}

std::optional<uint32_t> CaseMatchingFileSystem::statusOf(const std::string& path) {
    return inner_.statusOf(resolve(path));
}

void CaseMatchingFileSystem::checkReplaceable(const std::string& path) {
    inner_.checkReplaceable(resolve(path));
}

void CaseMatchingFileSystem::replaceWithBackup(const std::string& staged,
                                               const std::string& destination,
                                               const std::string& backup) {
    const std::string realStaged = resolve(staged);
    const std::string realDestination = resolve(destination);
    const std::string realBackup = resolve(backup);
    inner_.replaceWithBackup(realStaged, realDestination, realBackup);
    removed(realStaged);
    added(realDestination);
    added(realBackup);
    takeGivenName(destination, realDestination);
}

void CaseMatchingFileSystem::replaceFileDurably(const std::string& from, const std::string& to) {
    const std::string realFrom = resolve(from);
    const std::string realTo = resolve(to);
    inner_.replaceFileDurably(realFrom, realTo);
    removed(realFrom);
    added(realTo);
    takeGivenName(to, realTo);
}

bool CaseMatchingFileSystem::removeFolder(const std::string& path) {
    const std::string real = resolve(path);
    const bool gone = inner_.removeFolder(real);
    if (gone) {
        removed(real); // a folder made again later may take another letter case
    }
    return gone;
}

bool CaseMatchingFileSystem::syncVolume(const std::string& path) {
    return inner_.syncVolume(resolve(path));
}

std::optional<FileIdentity> CaseMatchingFileSystem::identityOf(const std::string& path) {
    return inner_.identityOf(resolve(path));
}

std::unique_ptr<FolderHold> CaseMatchingFileSystem::holdFolder(const std::string& path) {
    return inner_.holdFolder(resolve(path));
}

} // namespace qly
