// Paths in the form the wide file functions take at any length.
#pragma once

#include <string>

namespace qly::win32 {

// The UTF-8 path as UTF-16 for the wide file functions. A path too long for the classic limit
// (MAX_PATH, less the room CreateDirectoryW keeps for a file name) is made absolute and given
// the "\\?\" form ("\\?\UNC\server\share\..." for a network path), which the system takes up
// to 32,767 characters whether or not long paths are switched on for the machine. Shorter
// paths and paths already in a "\\?\" or "\\.\" form pass unchanged.
std::wstring systemPath(const std::string& utf8);

} // namespace qly::win32
