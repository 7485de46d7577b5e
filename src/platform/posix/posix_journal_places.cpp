#include "platform/posix/posix_journal_places.h"

#include "common/error.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace qly::posix {

namespace {

// Makes folder (0700) unless it is there, then checks what is there without following a
// link: a folder of this user's, which nobody else may write.
void ensureOwnFolder(const std::string& folder) {
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        const int error = errno;
        throw Error("cannot create the folder for journals " + folder, FailureKind::Other, error,
                    folder);
    }
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        throw Error("the folder for journals is not a plain folder: " + folder,
                    error == ELOOP || error == ENOTDIR ? FailureKind::Link : FailureKind::Other,
                    error, folder);
    }
    struct stat status {};
    const bool seen = fstat(fd, &status) == 0;
    close(fd);
    if (!seen || !S_ISDIR(status.st_mode) || status.st_uid != geteuid() ||
        (status.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        throw Error("the folder for journals may be written by others: " + folder,
                    FailureKind::AccessDenied, 0, folder);
    }
}

} // namespace

PosixJournalPlaces::PosixJournalPlaces(HashService& hashes, std::string base, bool administrator)
    : hashes_(hashes), base_(std::move(base)), administrator_(administrator) {}

std::optional<std::string> PosixJournalPlaces::placeFor(const std::string& gameFolder) {
    if (!administrator_) {
        return std::nullopt;
    }
    ensureOwnFolder(base_);
    const std::string place = base_ + "/" + JournalPlaceKey(hashes_, gameFolder, false);
    ensureOwnFolder(place);
    return place + "/";
}

bool RunsAsRoot() {
    return geteuid() == 0;
}

} // namespace qly::posix
