// Journals of elevated runs under %ProgramData%\qlypatch, one folder per game folder, made
// with a protected access list for SYSTEM and Administrators alone; an unelevated run keeps
// them in the game folder, which its user can write anyway.
#pragma once

#include "platform/elevation.h"
#include "platform/journal_place.h"

#include <optional>
#include <string>

namespace qly::win32 {

class Win32JournalPlaces : public JournalPlaces {
public:
    // base: the folder holding the places (the tests give their own); nothing: the system's
    // common application data folder + "\qlypatch", asked of the system, never of the
    // environment, which the user who started the program controls.
    Win32JournalPlaces(Elevation& elevation, HashService& hashes,
                       std::optional<std::string> base = std::nullopt);
    std::optional<std::string> placeFor(const std::string& gameFolder) override;

private:
    Elevation& elevation_;
    HashService& hashes_;
    std::optional<std::string> base_;
};

// Throws Error unless folder is a plain folder (no reparse point) owned by SYSTEM, the
// Administrators or this (elevated) process's own account, and writable by nobody else.
void CheckAdministratorsOnly(const std::string& folder);

} // namespace qly::win32
