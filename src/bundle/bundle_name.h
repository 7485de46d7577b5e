// Names of the files packed in a patch: relative paths below the bundle's folder, UTF-8, with
// "\" between folders. A name read from a download is checked before anything is made of it,
// so that no packed entry can point outside the folder it is copied into.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qly {

// Why name cannot stand for a file inside a bundle on Windows, or nothing when it can:
// refused are empty names and components, "." and "..", a leading "\" or "/" (absolute
// paths), ":" (drive letters, streams), characters Windows does not allow in names, control
// characters, invalid UTF-8, components ending in a dot or a blank (Windows drops those, so
// two names would meet) and device names such as "CON" or "lpt1.txt".
std::optional<std::string> BundleNameProblem(std::string_view name);

// The form in which two spellings of one packed path compare equal: letter case lowered, "\"
// separators, no leading ".\" and no trailing "\".
std::string BundlePathKey(std::string_view path);

} // namespace qly
