// Finds the payload packed behind the running exe and checks its index before anything is
// made of it.
#pragma once

#include "bundle/payload_format.h"
#include "platform/random_access_file.h"
#include "platform/sha256.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qly {

// A payload whose index has been read and found sound.
struct PayloadIndex {
    int64_t start = 0; // file offset of the payload's header; entry offsets count from it
    std::vector<PayloadEntry> entries;
};

struct PayloadLookup {
    enum class Status {
        None,    // a plain program: the bundle is the folder beside it
        Found,   // payload holds the sound index
        Damaged, // a payload is there but cut short or damaged: nothing may be installed
    };
    Status status = Status::None;
    PayloadIndex payload;
    std::string problem; // what is wrong, for the support log, when Damaged
};

// Looks for a payload in exe: its trailer at the end of the file, or just before the
// certificate table the PE header names (up to 7 zero bytes of alignment between them). A
// file whose program is followed by a payload header but no sound trailer (an interrupted
// download) is Damaged, as is any payload whose trailer, header or index is not sound. The
// files' data is not read here; PayloadFileSystem checks it as it is read.
PayloadLookup FindPayload(RandomAccessFile& exe, HashService& hashes);

} // namespace qly
