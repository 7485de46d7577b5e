// What a folder below the game folder holds, for a run that removes the folder to put a file
// in its place: the run may take away only what it can name.
#pragma once

#include "platform/file_system.h"

#include <string>
#include <vector>

namespace qly {

struct FolderContents {
    std::vector<std::string> files;   // relative to the root, as spelled there
    std::vector<std::string> folders; // relative to the root, each after the folders below it
};

// Everything below root + relative (root a prefix ending with "\"), the folder itself last
// among the folders. Throws Error (Link) naming an entry that is a link, junction or other
// reparse point, and Error when a folder cannot be listed.
FolderContents ListFolderContents(FileSystem& fs, const std::string& root,
                                  const std::string& relative);

// True when relative lies inside folder (both relative, letter case ignored).
bool IsInside(const std::string& relative, const std::string& folder);

} // namespace qly
