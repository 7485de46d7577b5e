#include "platform/command_line.h"

namespace qly {

std::string argumentsAfterProgramName(std::string_view commandLine) {
    std::size_t end = 0;
    if (!commandLine.empty() && commandLine.front() == '"') {
        // Windows takes the program's name literally up to the next quote: no escapes.
        std::size_t close = commandLine.find('"', 1);
        end = close == std::string_view::npos ? commandLine.size() : close + 1;
    } else {
        end = commandLine.find_first_of(" \t");
        if (end == std::string_view::npos) {
            end = commandLine.size();
        }
    }
    std::string_view rest = commandLine.substr(end);
    std::size_t first = rest.find_first_not_of(" \t");
    return first == std::string_view::npos ? std::string() : std::string(rest.substr(first));
}

} // namespace qly
