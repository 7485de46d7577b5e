// Administrator rights, asked for only when the game folder needs them: the installer starts
// as the user who ran it, and hands the run over to an elevated copy of itself when that user
// cannot write where the patch must go.
#pragma once

#include <optional>
#include <string>

namespace qly {

class Elevation {
public:
    virtual ~Elevation() = default;
    // True when the program already runs with administrator rights.
    virtual bool elevated() = 0;
    // False when this user is refused the creation of a file in folder (no rights there); true
    // otherwise, also when folder does not exist (the run then reports that itself).
    virtual bool canWriteIn(const std::string& folder) = 0;
    // Starts this program again with administrator rights and arguments (the system asks the
    // user), waits for its end and returns its exit code; nothing when the user refused.
    // Throws Error when it cannot be started at all.
    virtual std::optional<int> runElevated(const std::string& arguments) = 0;
};

} // namespace qly
