// The command line's program name split on any line: what is left is the line's own tail,
// with no blank in front.
#include "fuzz_input.h"
#include "platform/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view line = qly::fuzz::AsText(data, size);
    const std::string arguments = qly::argumentsAfterProgramName(line);
    qly::fuzz::Require(line.ends_with(arguments), "arguments are not the line's tail");
    qly::fuzz::Require(arguments.empty() || (arguments.front() != ' ' && arguments.front() != '\t'),
                       "arguments start with a blank");
    qly::fuzz::Require(arguments.size() < line.size() || line.empty(),
                       "the program's name was kept");
    return 0;
}
