// Files a run installs that are made while they are read instead of copied from a tree (a
// patch's files rebuilt from deltas against the game's old ones). The copy engine stages,
// counts and commits them like copied files.
#pragma once

#include "platform/file_system.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qly {

class MadeFiles {
public:
    struct Entry {
        std::string path; // relative to the destination, "\" separators
        int64_t size = 0; // the made file's length
    };

    virtual ~MadeFiles() = default;
    // The files to make, in the order they are staged.
    virtual std::vector<Entry> files() = 0;
    // The files the run removes, relative to the destination.
    virtual std::vector<std::string> removals() = 0;
    // The bytes of files()[index], in order. The read that returns the last byte throws Error
    // (Damaged) when the bytes are not those of the file meant. Throws Error.
    virtual std::unique_ptr<File> open(std::size_t index) = 0;
};

} // namespace qly
