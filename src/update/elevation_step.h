// The update run's decision to hand itself over to an elevated copy of the program, before it
// changes anything in the game folder.
#pragma once

#include "platform/elevation.h"

#include <functional>
#include <string>

namespace qly {

struct ElevationResult {
    enum class Kind {
        NotNeeded,  // this process may write there (or is elevated already): it goes on
        HandedOver, // an elevated copy ran the update; exitCode is its exit code
        Refused,    // the user refused the administrator prompt, or it could not be shown
    };
    Kind kind = Kind::NotNeeded;
    int exitCode = 0;
};

// The arguments of the elevated copy: commandLine's own, then the choices made here, so that
// the copy neither looks for the game nor picks its language again (a later switch wins).
std::string ElevatedArguments(const std::string& commandLine, const std::string& folder,
                              const std::string& langCode);

// Hands the run over when this user cannot write in folder and the program is not elevated.
// Each step is told to log.
ElevationResult EnsureRightsFor(Elevation& elevation, const std::string& folder,
                                const std::string& arguments,
                                const std::function<void(const std::string&)>& log);

} // namespace qly
