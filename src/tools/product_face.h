// The face a packed patch shows in the file's properties, the download and the elevation
// prompt: the layout file's [product] section and the icon beside the skin.
#pragma once

#include "bundle/icon_file.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace qly::tools {

inline constexpr const char* kProductSection = "product";
inline constexpr const char* kIconName = "icon.ico";

// The [product] keys and the version-resource strings they set. `version` also sets the
// fixed version numbers and ProductVersion.
struct ProductKey {
    const char* key;
    const char* resourceString;
};
inline constexpr ProductKey kProductKeys[] = {
    {"company", "CompanyName"},
    {"description", "FileDescription"},
    {"name", "ProductName"},
    {"version", "FileVersion"},
};

struct ProductFace {
    // The values of kProductKeys in their order, empty when not given; UTF-8.
    std::string values[std::size(kProductKeys)];
    std::optional<std::string> icon; // the bytes of icon.ico, when the bundle has one

    bool hasProduct() const;
    const std::string& value(std::string_view key) const;
};

// The bundle's face as written in its files, unchecked.
ProductFace ReadProductFace(const std::filesystem::path& bundle);

// program (an installer with nothing appended) wearing face: its version resource's strings
// and numbers from [product], its icons from icon.ico. Without either, program unchanged. What
// the check refuses is left out (a version that is no version keeps the numbers, an icon that
// is no icon the installer's own). Throws Error for a program it cannot rewrite.
std::string ApplyProductFace(std::string program, const ProductFace& face);

} // namespace qly::tools
