// Text for the console the program was started from, if any: a GUI program has none of its
// own.
#pragma once

#include <string>

namespace qly::win32 {

// Writes UTF-8 text to the standard output the program was given, or else to the console of
// the process that started it. False when there is neither (started from Explorer).
bool writeToStartingConsole(const std::string& text);

} // namespace qly::win32
