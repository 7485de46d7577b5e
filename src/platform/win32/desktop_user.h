// The user of the desktop, as opposed to the installer's own token: the installer runs
// elevated, possibly as another account whose password a standard user typed, while what it
// opens and leaves behind for the user belongs to the user who sits at the desktop.
#pragma once

#include <optional>
#include <string>

namespace qly::win32 {

// True when this process runs with an elevated (administrator) token.
bool RunsElevated();

// Opens target (an address or a document) through the desktop's own shell, so that it runs
// as the desktop's user, unelevated. False when there is no such shell to ask or it refused.
bool OpenAsDesktopUser(const std::wstring& target);

// The folder csidl (a CSIDL_ number) of the user who owns the desktop's shell; nothing when
// that shell or its user's token cannot be had.
std::optional<std::wstring> DesktopUserFolder(int csidl);

} // namespace qly::win32
