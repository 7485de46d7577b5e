// A file's version as one comparable number.
#pragma once

#include "platform/version_resource.h"

#include <string>

namespace qly {

// revision + build * 100 + minor * 100000 + major * 10000000, each part read as a signed
// 16-bit value; 0 for a file without a version resource. Parts overlap when build >= 1000 or
// revision >= 100: the comparison uses the plain sum.
double FileVersionNumber(VersionResource& versions, const std::string& path);

// FileVersionNumber of name in the system folder.
double SystemFileVersion(VersionResource& versions, const std::string& name);

} // namespace qly
