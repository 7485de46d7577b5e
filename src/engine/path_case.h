// Lower-case forms of paths, for comparisons that ignore letter case as Windows does.
#pragma once

#include <string>
#include <string_view>

namespace qly {

// text with ASCII letters and the capitals of Latin-1, Latin Extended-A, Greek and Cyrillic
// lowered; any other byte, valid UTF-8 or not, is kept as it is.
std::string lowerCase(std::string_view text);

} // namespace qly
