#include "platform/file_system.h"

#include <exception>

namespace qly {

uint32_t AttributesOf(FileSystem& files, const std::string& path) {
    try {
        return files.statusOf(path).value_or(kInvalidAttributes);
    } catch (const std::exception&) {
        // Only the transaction needs "cannot tell" apart from "not there"; these callers
        // act on neither.
        return kInvalidAttributes;
    }
}

bool FileExists(FileSystem& files, const std::string& path) {
    const uint32_t attrs = AttributesOf(files, path);
    return attrs != kInvalidAttributes &&
           (attrs & (kAttrDirectory | kAttrHidden | kAttrSystem)) == 0;
}

bool Exists(FileSystem& files, const std::string& path) {
    return AttributesOf(files, path) != kInvalidAttributes;
}

} // namespace qly
