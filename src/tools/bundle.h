// A bundle as the patch maker's tools read it: the folder beside the installer with the
// layout file, the skin, the language files and the patch tree.
#pragma once

#include "platform/controls.h"
#include "tools/bmp_image.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace qly::tools {

// The areas the layout file gives the window's controls, as the installer places them.
struct WindowLayout {
    Rect linkRight; // Image1
    Rect linkLeft;  // Image2
    Rect button;    // Command1
    Rect select;    // Combo1, with the height its font gives it
    Rect textArea;  // TextScroll1
};

struct BundleLanguage {
    std::string file;  // "lang/name.lng"
    std::string bytes; // the whole file
};

// The layout read by the installer's own reader; a missing file places everything at 0, 0.
// The bytes of the file at path. Throws Error when it cannot be read.
std::string ReadWhole(const std::filesystem::path& path);

WindowLayout ReadWindowLayout(const std::filesystem::path& bundle);

// The skin. Throws Error when it is missing or the loader would refuse it.
BmpImage ReadSkin(const std::filesystem::path& bundle);

// The language files "lang/*.lng" (the extension in any case), in name order.
std::vector<BundleLanguage> ReadLanguages(const std::filesystem::path& bundle);

} // namespace qly::tools
