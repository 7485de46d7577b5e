#include "bundle/mounted_file_system.h"

#include "bundle/bundle_name.h"
#include "common/error.h"

#include <algorithm>

namespace qly {

MountedFileSystem::MountedFileSystem(FileSystem& base, FileSystem& mounted, std::string prefix)
    : base_(base), mounted_(mounted), prefixKey_(BundlePathKey(prefix)) {}

bool MountedFileSystem::isMounted(const std::string& path) const {
    const std::string key = BundlePathKey(path);
    return key == prefixKey_ || key.starts_with(prefixKey_ + '\\');
}

std::unique_ptr<DirListing> MountedFileSystem::list(const std::string& folder,
                                                    const std::string& pattern) {
    return route(folder).list(folder, pattern);
}

uint32_t MountedFileSystem::attributes(const std::string& path) {
    return route(path).attributes(path);
}

bool MountedFileSystem::fileExists(const std::string& path) {
    return route(path).fileExists(path);
}

bool MountedFileSystem::exists(const std::string& path) {
    return route(path).exists(path);
}

void MountedFileSystem::createFolder(const std::string& path) {
    route(path).createFolder(path);
}

void MountedFileSystem::deleteFile(const std::string& path) {
    route(path).deleteFile(path);
}

void MountedFileSystem::removeQuietly(const std::string& path) noexcept {
    route(path).removeQuietly(path);
}

void MountedFileSystem::replaceFile(const std::string& from, const std::string& to) {
    if (isMounted(from) != isMounted(to)) {
        throw Error("cannot move " + from + " to " + to + " across the packed patch");
    }
    route(to).replaceFile(from, to);
}

std::unique_ptr<File> MountedFileSystem::open(const std::string& path, OpenMode mode) {
    return route(path).open(path, mode);
}

std::optional<int64_t> MountedFileSystem::freeBytes(const std::string& path) {
    return route(path).freeBytes(path);
}

} // namespace qly
