// Icon files (.ico) and the resources a program carries them as: one RT_ICON per picture and
// an RT_GROUP_ICON that lists them.
#pragma once

#include "bundle/resource_tree.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qly {

struct IconPicture {
    uint8_t width = 0; // 0 for 256 and more
    uint8_t height = 0;
    uint8_t colors = 0;
    uint16_t planes = 0;
    uint16_t bitCount = 0;
    std::string bytes; // a PNG, or a bitmap header and its pixels and mask
};

struct IconFileRead {
    std::vector<IconPicture> pictures; // empty when the file is no icon
    std::string problem;               // why it is none
};

// The pictures of an icon file. Refuses, naming the reason, a file that is not an icon (the
// header, an entry outside the file, a picture neither PNG nor bitmap, no picture at all).
IconFileRead ReadIconFile(std::string_view bytes);

// tree with its icons replaced by pictures: every RT_ICON and RT_GROUP_ICON removed, then one
// group under the name and language of the first group it had (1 and US English when none),
// its pictures numbered from 1.
void ReplaceIcons(ResourceTree& tree, const std::vector<IconPicture>& pictures);

} // namespace qly
