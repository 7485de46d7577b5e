// Message series: entries prefix1, prefix2, ... shown one line each until the first missing
// or empty entry.
#pragma once

#include <string>

namespace qly {

class LanguageState;
class LineSink;

// Shows the series of prefix ("przed", "poz", "neg") from the language in force.
void ShowMessageLines(const LanguageState& lang, LineSink& sink, const std::string& prefix);

} // namespace qly
