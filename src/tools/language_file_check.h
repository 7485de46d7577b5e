// The checks of one language file's text that hold in any encoding: header, entries, closing
// apostrophes, keys and size, judged by how the installer's lookup reads the file.
#pragma once

#include "tools/finding.h"

#include <optional>
#include <string>
#include <vector>

namespace qly::tools {

// An entry as written: a line starting with "/" key "/".
struct LanguageEntry {
    std::string key;
    size_t offset = 0;    // of the opening "/"
    size_t textStart = 0; // two characters after the closing "/"
    size_t textEnd = 0;   // the closing apostrophe, or npos
};

// The entries in file order.
std::vector<LanguageEntry> LanguageEntries(const std::string& text);

// The header code between the first "[" and the first "]" after it, as written (not cut or
// padded), or nothing when the file has no complete header.
std::optional<std::string> LanguageHeaderCode(const std::string& text);

// True for the keys the installer looks up: those of its key list, and every number of the
// message series whose first key is on it ("przed7").
bool IsLanguageKeyRead(const std::string& key);

// The text of key as the installer's lookup reads it from the file's bytes.
std::string LanguageText(const std::string& text, const std::string& key);

// The charset the installer gives the language's fonts ("#skrypt"), when it has a single-byte
// code page of its own (0 Western included); nothing otherwise.
std::optional<int32_t> LanguageCharset(const std::string& text);

// Findings about text, the bytes of the language file reported as file (its size aside);
// textIsUtf8 for a language file's UTF-8 source, whose texts are quoted as they are.
std::vector<Finding> CheckLanguageFile(const std::string& file, const std::string& text,
                                       bool textIsUtf8 = false);

// A finding when a language file of size bytes is too large for the installer.
std::optional<Finding> CheckLanguageFileSize(const std::string& file, size_t size);

} // namespace qly::tools
