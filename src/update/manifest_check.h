// The patch tree checked against its manifest (update.sha256) while the engine copies it:
// every file listed and every listed file there, each file's SHA-256 taken from the bytes as
// they are copied (no second read) and compared before the file is put in place.
#pragma once

#include "common/error.h"
#include "engine/source_check.h"
#include "platform/file_system.h"
#include "platform/sha256.h"
#include "update/manifest.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace qly {

class ManifestCheck : public SourceCheck {
public:
    // Paths are compared without regard to letter case, as Windows names files.
    ManifestCheck(HashService& hashes, const std::vector<ManifestEntry>& entries);

    // Throws Error naming the first file of the tree the manifest does not list (Damaged),
    // else the first listed file the tree lacks (Vanished).
    void checkListing(const std::vector<std::string>& files) override;
    std::unique_ptr<File> watch(const std::string& file, std::unique_ptr<File> source) override;
    // Throws Error (Damaged) when the bytes read of file do not have the manifest's digest.
    void checkCopied(const std::string& file) override;

    // The file (relative to the patch tree) found unlisted, missing or damaged; empty while
    // none was.
    const std::string& damagedFile() const { return damaged_; }

private:
    [[noreturn]] void damaged(const std::string& file, const std::string& why,
                              FailureKind kind = FailureKind::Damaged);

    HashService& hashes_;
    std::map<std::string, ManifestEntry> expected_; // by lower-case path
    std::string watched_;                           // the file being hashed
    std::unique_ptr<Sha256> hasher_;
    std::string damaged_;
};

// The check by the manifest file at path (update.sha256 beside update\); null when there is
// no such file. Throws Error when it cannot be read or a line of it is malformed.
std::unique_ptr<ManifestCheck> LoadManifestCheck(FileSystem& files, HashService& hashes,
                                                 const std::string& path);

} // namespace qly
