// The integrity manifest of a patch tree (update.sha256 inside update\): one line per file,
// its SHA-256 and its path, as the common sha256sum tool writes and checks it.
#pragma once

#include "platform/sha256.h"

#include <string>
#include <string_view>
#include <vector>

namespace qly {

struct ManifestEntry {
    std::string path; // relative to update\, "\" separators, UTF-8
    Sha256Digest digest;
};

// Reads lines "<64 hex digits> *path" or "<64 hex digits>  path" ("/" separators); CR LF line
// ends, a UTF-8 byte order mark and blank lines are accepted. Throws qly::Error naming the line
// number on a malformed line, an absolute path, a ".." component or a path given twice.
std::vector<ManifestEntry> ParseManifest(std::string_view text);

// The manifest text: "  " separators, "/" in paths, LF line ends, sorted by path.
std::string FormatManifest(const std::vector<ManifestEntry>& entries);

} // namespace qly
