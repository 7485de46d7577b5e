// Writes a payload (see payload_format.h) behind the bytes an output file already holds.
#pragma once

#include "bundle/payload_format.h"
#include "platform/file_system.h"
#include "platform/sha256.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qly {

class PayloadWriter {
public:
    // out is positioned at its end, after `start` bytes (the installer); the header is
    // written at once. out and hashes must outlive the writer.
    PayloadWriter(File& out, int64_t start, HashService& hashes);

    void addFolder(const std::string& name);
    // Copies what is left of source, hashing it on the way.
    void addFile(const std::string& name, File& source);
    // Writes the index, the alignment and the trailer. Throws Error, writing nothing more,
    // when the entries could not be read back (bad or duplicate names).
    void finish();

    const std::vector<PayloadEntry>& entries() const { return entries_; }

private:
    File& out_;
    int64_t start_;
    HashService& hashes_;
    int64_t written_ = 0; // payload bytes so far
    std::vector<PayloadEntry> entries_;
    std::string buffer_;
};

} // namespace qly
