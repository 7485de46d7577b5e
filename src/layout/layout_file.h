// The layout file "qlypatch.ini" beside the program: texts and numbers by section and key.
#pragma once

#include "platform/controls.h"
#include "platform/profile_file.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qly {

// Converts profile text to a number: blanks, tabs and line feeds anywhere are ignored; then an
// optional sign, digits with at most one decimal point, and an optional E or D exponent (either
// case) with its own sign are read, up to the first character that fits none of these. The
// value is rounded half to even. 0 when the text does not start with a number. Values beyond
// the 32-bit range are clamped to INT32_MIN / INT32_MAX. No hexadecimal or octal prefixes.
int32_t ParseIniNumber(std::string_view text);

// The full path of the layout file "qlypatch.ini" in the program's folder. (The profile reader
// would look for a bare name in the Windows folder, not in the working folder.)
std::string LayoutFilePath(const std::string& programFolder);

class LayoutFile {
public:
    // The profile reader's buffer, in characters: values come back cut to one less.
    static constexpr std::size_t kBufferSize = 255;

    // path: the full path of the layout file. Every read consults the file afresh.
    LayoutFile(ProfileFile& profile, std::string path)
        : profile_(profile), path_(std::move(path)) {}

    // The value, at most 254 characters; empty when the file, section or key is missing.
    std::string ReadIniString(const std::string& section, const std::string& key) const;
    // The value as a number (ParseIniNumber); 0 when missing, empty or not a number.
    int32_t ReadIniNumber(const std::string& section, const std::string& key) const;
    // The names of section's keys in the file's order; empty when the file or section is
    // missing.
    std::vector<std::string> keys(const std::string& section) const;

    const std::string& path() const { return path_; }

private:
    ProfileFile& profile_;
    std::string path_;
};

// The area of a control's section: "x", "y", "szer" and "wys". Negative sizes are not valid
// for a control and become 0.
Rect ReadLayoutArea(const LayoutFile& layout, const std::string& section);

} // namespace qly
