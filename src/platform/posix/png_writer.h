// Writes a pixel image as an 8-bit RGB PNG file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qly::posix {

// Writes the width x height image held row after row in pixels (0x00BBGGRR each) to path,
// replacing the file. Throws Error when the sizes do not match or the file cannot be written.
void writePng(const std::string& path, int32_t width, int32_t height,
              const std::vector<uint32_t>& pixels);

} // namespace qly::posix
