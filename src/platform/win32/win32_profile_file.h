// Profile files read by the Windows profile reader.
#pragma once

#include "platform/profile_file.h"

namespace qly::win32 {

// GetPrivateProfileStringW with the full path; values and names travel as UTF-8. The
// buffer size counts UTF-16 units, as Windows counts them.
class Win32ProfileFile final : public ProfileFile {
public:
    std::string getString(const std::string& path, const std::string& section,
                          const std::string& key, const std::string& defaultValue,
                          std::size_t bufferSize) override;
    // The names the reader gives for a null key, in the file's order.
    std::vector<std::string> keys(const std::string& path, const std::string& section) override;
};

} // namespace qly::win32
