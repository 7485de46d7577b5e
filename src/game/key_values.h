// The text "key values" files a game store keeps on disk (a list of library folders, an app's
// manifest): "key" "value" pairs and "key" { ... } sections, nested. They come from a folder
// other programs write, so the reader takes any bytes: what does not parse is skipped.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qly {

struct KeyValues {
    std::string key;
    std::string value;               // a pair's value; empty for a section
    std::vector<KeyValues> children; // a section's entries, in file order
    bool section = false;

    // The first entry below this one whose key is key, ASCII letter case ignored; null when
    // there is none.
    const KeyValues* child(std::string_view key) const;
    // The value of child(key) when that is a pair; empty otherwise.
    std::string valueOf(std::string_view key) const;
};

// Sections nested deeper than this are read but their entries are dropped.
inline constexpr int kMaxKeyValuesDepth = 16;

// The entries of text as the children of an unnamed root section. Keys and values are quoted
// ("\\" "\"" "\n" "\t" escapes undone; an unclosed quote ends at the end of the text) or bare
// words; "//" starts a comment to the end of the line; a "[$CONDITION]" after a value is
// ignored. A key followed by "}" or by nothing is dropped, a "}" without its "{" is ignored,
// and sections still open at the end are closed there.
KeyValues ParseKeyValues(std::string_view text);

} // namespace qly
