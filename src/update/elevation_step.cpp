#include "update/elevation_step.h"

#include "common/error.h"

namespace qly {

std::string ElevatedArguments(const std::string& commandLine, const std::string& folder,
                              const std::string& langCode) {
    std::string arguments = commandLine;
    const auto add = [&arguments](const std::string& argument) {
        if (!arguments.empty()) {
            arguments += ' ';
        }
        arguments += argument;
    };
    if (!langCode.empty()) {
        add("/LANG=" + langCode);
    }
    // Quoted whole: folders have blanks, and no Windows name holds a double quote.
    add("\"/DIR=" + folder + "\"");
    return arguments;
}

ElevationResult EnsureRightsFor(Elevation& elevation, const std::string& folder,
                                const std::string& arguments,
                                const std::function<void(const std::string&)>& log) {
    if (elevation.canWriteIn(folder)) {
        return {};
    }
    if (elevation.elevated()) {
        // Elevated and still refused: asking again would loop; the run reports the refusal.
        log("rights: " + folder + " refuses even an administrator; the run goes on and reports it");
        return {};
    }
    log("rights: this user cannot write in " + folder +
        "; the installer starts again with administrator rights: " + arguments);
    std::optional<int> code;
    try {
        code = elevation.runElevated(arguments);
    } catch (const Error& e) {
        log(std::string("rights: the elevated installer could not be started: ") + e.what());
        return {ElevationResult::Kind::Refused, 0};
    }
    if (!code) {
        log("rights: the user refused administrator rights; nothing was changed");
        return {ElevationResult::Kind::Refused, 0};
    }
    log("rights: the elevated installer ended with exit code " + std::to_string(*code));
    return {ElevationResult::Kind::HandedOver, *code};
}

} // namespace qly
