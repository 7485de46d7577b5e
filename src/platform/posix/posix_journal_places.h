// Journals of runs as root in a folder only root can write (by default /var/lib/qlypatch, one
// folder per game folder below it); a run as another user keeps them in the game folder.
#pragma once

#include "platform/journal_place.h"

#include <string>

namespace qly::posix {

inline constexpr const char* kRootJournalBase = "/var/lib/qlypatch";

class PosixJournalPlaces : public JournalPlaces {
public:
    // administrator: whether this process runs as root (see RunsAsRoot). base is made with
    // mode 0700 when missing; found, it must be this user's own and closed to all others.
    PosixJournalPlaces(HashService& hashes, std::string base, bool administrator);
    std::optional<std::string> placeFor(const std::string& gameFolder) override;

private:
    HashService& hashes_;
    std::string base_;
    bool administrator_;
};

// True when the process's effective user is root.
bool RunsAsRoot();

} // namespace qly::posix
