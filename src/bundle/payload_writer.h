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

// The entries of folder on files that match pattern, without "." and "..", sorted by name so
// that the same tree always packs the same way.
std::vector<DirEntry> SortedEntries(FileSystem& files, const std::string& folder,
                                    const std::string& pattern);

// Adds folder (a path on files, ending with a separator) as the packed folder `name` with
// everything below it, sorted, folder links skipped; returns the number of files added.
// Throws Error, before adding it, for a name no Windows folder could hold.
int64_t AddFolderTree(PayloadWriter& writer, FileSystem& files, const std::string& folder,
                      const std::string& name);

} // namespace qly
