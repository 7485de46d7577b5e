#include "update/file_version.h"

#include <cstdint>

namespace qly {

double FileVersionNumber(VersionResource& versions, const std::string& path) {
    const auto parts = versions.fileVersion(path);
    if (!parts) {
        return 0;
    }
    const auto part = [&](std::size_t i) {
        return static_cast<double>(static_cast<int16_t>((*parts)[i]));
    };
    double number = part(3);
    number += part(2) * 100;
    number += part(1) * 100000;
    number += part(0) * 10000000;
    return number;
}

double SystemFileVersion(VersionResource& versions, const std::string& name) {
    return FileVersionNumber(versions, versions.systemFolder() + "\\" + name);
}

} // namespace qly
