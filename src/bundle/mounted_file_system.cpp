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

void MountedFileSystem::createFolder(const std::string& path) {
    route(path).createFolder(path);
}

void MountedFileSystem::deleteFile(const std::string& path) {
    route(path).deleteFile(path);
}

void MountedFileSystem::removeQuietly(const std::string& path) noexcept {
    route(path).removeQuietly(path);
}

void MountedFileSystem::sameSide(std::initializer_list<const std::string*> paths) const {
    for (const std::string* path : paths) {
        if (isMounted(*path) != isMounted(**paths.begin())) {
            throw Error("cannot move " + **paths.begin() + " across the packed patch",
                        FailureKind::AccessDenied, 0, *path);
        }
    }
}

void MountedFileSystem::replaceFile(const std::string& from, const std::string& to) {
    sameSide({&from, &to});
    route(to).replaceFile(from, to);
}

std::unique_ptr<File> MountedFileSystem::open(const std::string& path, OpenMode mode) {
    return route(path).open(path, mode);
}

std::optional<int64_t> MountedFileSystem::freeBytes(const std::string& path) {
    return route(path).freeBytes(path);
}

std::optional<uint32_t> MountedFileSystem::statusOf(const std::string& path) {
    return route(path).statusOf(path);
}

void MountedFileSystem::checkReplaceable(const std::string& path) {
    route(path).checkReplaceable(path);
}

void MountedFileSystem::replaceWithBackup(const std::string& staged, const std::string& destination,
                                          const std::string& backup) {
    sameSide({&staged, &destination, &backup});
    route(destination).replaceWithBackup(staged, destination, backup);
}

void MountedFileSystem::replaceFileDurably(const std::string& from, const std::string& to) {
    sameSide({&from, &to});
    route(to).replaceFileDurably(from, to);
}

bool MountedFileSystem::removeFolder(const std::string& path) {
    return route(path).removeFolder(path);
}

bool MountedFileSystem::syncVolume(const std::string& path) {
    return route(path).syncVolume(path);
}

std::optional<FileIdentity> MountedFileSystem::identityOf(const std::string& path) {
    return route(path).identityOf(path);
}

std::unique_ptr<FolderHold> MountedFileSystem::holdFolder(const std::string& path) {
    return route(path).holdFolder(path);
}

} // namespace qly
