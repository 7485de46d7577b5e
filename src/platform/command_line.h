// The arguments part of a Windows command line, as the program's own command line string.
#pragma once

#include <string>
#include <string_view>

namespace qly {

// Everything after the program's name in a raw Windows command line, with the blanks (spaces
// and tabs) before the first argument removed. The name ends at its closing quote when it
// starts with one, else at the first blank; an unclosed quote takes the whole line.
std::string argumentsAfterProgramName(std::string_view commandLine);

} // namespace qly
