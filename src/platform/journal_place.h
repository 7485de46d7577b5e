// Where an update run keeps its journal. A run with administrator rights writes into a game
// folder that standard users may write too; a journal there could be planted, changed or
// removed by one of them to steer or block its recovery. So such a run keeps its journals in
// a folder only administrators (and the system) can write, one folder per game folder.
#pragma once

#include "platform/sha256.h"

#include <optional>
#include <string>
#include <string_view>

namespace qly {

class JournalPlaces {
public:
    virtual ~JournalPlaces() = default;
    // The folder (ending with a separator) for the journals of runs on gameFolder, made for
    // administrators only when missing and checked to be so when found; nothing when this
    // process has no administrator rights (its journals stay in the game folder, which its
    // user could write anyway). Throws Error when the place cannot be made, or is not safe:
    // a link, another owner, or write access for anybody else.
    virtual std::optional<std::string> placeFor(const std::string& gameFolder) = 0;
};

// The name of gameFolder's own folder in the place: a hash of its spelling with "\" for "/"
// and no trailing separator, letters folded to lower case when foldCase (Windows' names), so
// that every spelling of one folder meets the same journals.
std::string JournalPlaceKey(HashService& hashes, std::string_view gameFolder, bool foldCase);

} // namespace qly
