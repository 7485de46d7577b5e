// Gives a Windows program a new resource tree: the tree is written as a new last section, the
// resource directory points at it, and the headers are brought up to date.
#pragma once

#include "bundle/resource_tree.h"

#include <string>
#include <string_view>

namespace qly {

// program with tree as its resources, placed right after the last section's data (a symbol
// table there moves behind it). program must end where its image ends (nothing appended, no
// signature). The old resources' bytes are zeroed where they lay, and a section named
// ".rsrc" that held them is renamed ".oldrsrc". The checksum is left to
// SetPeChecksum, once whatever follows the program is written. Throws Error, naming the
// reason, for a program whose headers or resources cannot be read or leave no room for one
// more section header.
std::string ReplaceResources(std::string_view program, const ResourceTree& tree);

// The resource tree of program. Throws Error when it cannot be read.
ResourceTree ResourcesOf(std::string_view program);

} // namespace qly
