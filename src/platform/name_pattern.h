// Matching of names against listing patterns, for file services that cannot ask the system.
#pragma once

#include <string>

namespace qly {

// Windows-like name matching: "*" any run, "?" one character, letters without regard to case;
// "*.*" matches every name.
bool matchesPattern(const std::string& name, const std::string& pattern);

} // namespace qly
