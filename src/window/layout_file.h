// The layout file "qlypatch.ini" beside the program: texts and numbers by section and key.
#pragma once

#include "platform/profile_file.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace qly {

// Converts profile text to a number: blanks anywhere ignored, sign, decimals, E/D exponent,
// leading number only, rounded half to even into 32 bits; 0 when it does not start with one.
int32_t ParseIniNumber(std::string_view text);

class LayoutFile {
public:
    // path: the full path of the layout file.
    LayoutFile(ProfileFile& profile, std::string path)
        : profile_(profile), path_(std::move(path)) {}

    // The value, at most 254 characters; empty when missing.
    std::string ReadIniString(const std::string& section, const std::string& key) const;
    // The value as a number; 0 when missing or not a number.
    int32_t ReadIniNumber(const std::string& section, const std::string& key) const;

private:
    ProfileFile& profile_;
    std::string path_;
};

} // namespace qly
