// The command-line switches on any arguments: the split never keeps a quote and splits its
// own quoted join back to the same arguments; what the switches hold is what was given.
#include "fuzz_input.h"
#include "update/command_switches.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view line = qly::fuzz::AsText(data, size);
    const std::vector<std::string> arguments = qly::SplitArguments(line);
    std::string quoted;
    for (const std::string& argument : arguments) {
        qly::fuzz::Require(argument.find('"') == std::string::npos, "an argument kept a quote");
        quoted += (quoted.empty() ? "\"" : " \"") + argument + "\"";
    }
    qly::fuzz::Require(qly::SplitArguments(quoted) == arguments, "quoted arguments split apart");

    const qly::Switches switches = qly::ParseSwitches(line);
    qly::fuzz::Require(!switches.dir || !switches.dir->empty(), "an empty folder was taken");
    qly::fuzz::Require(!switches.log || !switches.log->empty(), "an empty log file was taken");
    if (switches.lang) {
        for (const char c : *switches.lang) {
            qly::fuzz::Require(c < 'a' || c > 'z', "a language code in small letters");
        }
    }
    qly::fuzz::Require(!switches.reset || qly::HidesProgress(line), "-reset read into a line");
    return 0;
}
