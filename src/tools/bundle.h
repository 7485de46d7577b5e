// A bundle as the patch maker's tools read it: the folder beside the installer with the
// layout file, the skin, the language files and the patch tree.
#pragma once

#include "layout/window_geometry.h"
#include "tools/bmp_image.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace qly::tools {

struct BundleLanguage {
    std::string file;  // "lang/name.lng"
    std::string bytes; // the whole file
};

// The bytes of the file at path. Throws Error when it cannot be read.
std::string ReadWhole(const std::filesystem::path& path);

// The layout read by the installer's own reader, the selector as tall as its font makes it; a
// missing file places everything at 0, 0.
WindowLayout ReadWindowLayout(const std::filesystem::path& bundle);

// The skin. Throws Error when it is missing or the loader would refuse it.
BmpImage ReadSkin(const std::filesystem::path& bundle);

// The language files "lang/*.lng" (the extension in any case), in name order.
std::vector<BundleLanguage> ReadLanguages(const std::filesystem::path& bundle);

} // namespace qly::tools
