// SHA-256 digests of the files of a patch tree, for writing and checking update.sha256.
#pragma once

#include "platform/sha256.h"
#include "update/manifest.h"

#include <filesystem>
#include <vector>

namespace qly::tools {

// The digest of the file's bytes. Throws Error when it cannot be read.
Sha256Digest HashFile(const std::filesystem::path& file, HashService& hashes);

// One entry per ordinary file below folder, with its path relative to folder ("\"
// separators), sorted by path. Throws Error on a link, a special file or an unreadable file,
// since the manifest would not describe what the installer copies.
std::vector<ManifestEntry> HashPatchTree(const std::filesystem::path& folder, HashService& hashes);

} // namespace qly::tools
