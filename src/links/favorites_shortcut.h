// The Internet shortcut the installer leaves in the user's Favorites.
#pragma once

#include "platform/file_system.h"
#include "platform/shell.h"

#include <string>

namespace qly {

// title as a file name that stays inside its folder: path separators, the characters a
// Windows file name cannot hold, control characters and leading dots become "_".
std::string FavoritesFileTitle(const std::string& title);

// Writes (or replaces) FavoritesFileTitle(title) + ".URL" in the Favorites folder with the
// lines "[InternetShortcut]" and "URL=" + link, each ended by CR LF. Gives up silently on
// any failure.
void MakeFavoritesShortcut(Shell& shell, FileSystem& files, const std::string& title,
                           const std::string& link) noexcept;

} // namespace qly
