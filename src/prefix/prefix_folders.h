// The folders of a Wine prefix that the update run needs besides the game's: the system
// folder a 32-bit program sees, and the Favorites folder of the prefix's user.
#pragma once

#include "prefix/prefix_paths.h"

#include <optional>
#include <string>

namespace qly {

// C:\windows\syswow64 when the prefix has it (a 64-bit prefix, as the 32-bit program sees
// it), else C:\windows\system32; as a Linux path.
std::string PrefixSystemFolder(const PrefixPaths& paths, FileSystem& files);

// C:\users\<user>\Favorites of the prefix's user: the one named user when the prefix has
// that user, else Steam's "steamuser", else user; as a Linux path. Nothing without a C: drive.
std::optional<std::string> PrefixFavoritesFolder(const PrefixPaths& paths, FileSystem& files,
                                                 const std::string& user);

} // namespace qly
