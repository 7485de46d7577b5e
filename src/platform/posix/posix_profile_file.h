// Profile files read on POSIX systems, with the answers of the Windows profile reader.
#pragma once

#include "platform/profile_file.h"

#include <string_view>

namespace qly::posix {

// Reads the file afresh on every call. Lines end in LF or CR LF; a UTF-8 byte order mark is
// skipped. "[name]" opens a section and "key=value" lines belong to the section above them;
// lines above the first header form a section with an empty name; lines without "=" or
// starting with ";" are ignored. Names compare without regard to ASCII letter case; the first
// matching section and, inside it, the first matching key win. Windows paths ("\" separators)
// are accepted. Characters are counted as UTF-8 sequences, so the cut never splits one.
class PosixProfileFile final : public ProfileFile {
public:
    std::string getString(const std::string& path, const std::string& section,
                          const std::string& key, const std::string& defaultValue,
                          std::size_t bufferSize) override;
    std::vector<std::string> keys(const std::string& path, const std::string& section) override;
};

// The same answer for a file whose bytes are text.
std::string ProfileString(std::string_view text, const std::string& section, const std::string& key,
                          const std::string& defaultValue, std::size_t bufferSize);
// The key names of section in a file whose bytes are text, in file order.
std::vector<std::string> ProfileKeys(std::string_view text, const std::string& section);

} // namespace qly::posix
