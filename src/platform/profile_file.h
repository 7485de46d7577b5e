// Reader of profile ("ini") files, with the answers of the Windows profile reader.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace qly {

class ProfileFile {
public:
    virtual ~ProfileFile() = default;
    // The value of key in section of the file at path (sections and keys without regard to
    // case, value trimmed, one pair of matching quotes removed), cut to bufferSize - 1
    // characters; defaultValue (cut the same way) when the file, section or key is missing.
    virtual std::string getString(const std::string& path, const std::string& section,
                                  const std::string& key, const std::string& defaultValue,
                                  std::size_t bufferSize) = 0;
    // The names of the keys of section in the file at path, in the order the file has them;
    // empty when the file or section is missing.
    virtual std::vector<std::string> keys(const std::string& path, const std::string& section) = 0;
};

} // namespace qly
