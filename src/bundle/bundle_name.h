// Names of the files packed in a patch: relative paths below the bundle's folder, UTF-8, with
// "\" between folders. A name read from a download is checked before anything is made of it,
// so that no packed entry can point outside the folder it is copied into.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qly {

// Why Windows would refuse component (one file or folder name, UTF-8) or take it for another,
// or nothing when it takes it as it is: control characters, the characters < > : " / \ | ? *,
// a dot or a blank at its end, and device names with any extension and blanks before it
// (CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM and LPT with a digit 0-9 or a superscript 1-3).
// The one rule for the patch maker's check, the packer and the installer's run.
std::optional<std::string> WindowsNameProblem(std::string_view component);

// Why name cannot stand for a file inside a bundle on Windows, or nothing when it can:
// refused are empty names and components, "." and "..", a leading "\" or "/" (absolute
// paths), invalid UTF-8, and any component that WindowsNameProblem refuses.
std::optional<std::string> BundleNameProblem(std::string_view name);

// The form in which two spellings of one packed path compare equal: letter case lowered, "\"
// separators, no leading ".\" and no trailing "\".
std::string BundlePathKey(std::string_view path);

} // namespace qly
