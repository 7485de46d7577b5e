// The registry of the native build: one hive (system.reg is HKEY_LOCAL_MACHINE, user.reg
// HKEY_CURRENT_USER) read from a text file in the format
// Wine keeps its system.reg in:
//   [Software\\Brantmoor Games\\Quillory] 1700000000
//   "Install Path"="C:\\Games\\Quillory"
// Key names escape "\" as "\\"; values are "name"="text" (REG_SZ) with \\ \" \n \r \t \0 and
// \x<hex> escapes; "@" is the unnamed value. Every other value type reads as missing.
#pragma once

#include "platform/registry.h"

#include <istream>
#include <string>

namespace qly::posix {

class RegFileRegistry final : public Registry {
public:
    // path: the .reg file (native path); read afresh on every query. A missing file holds no
    // keys.
    explicit RegFileRegistry(std::string path) : path_(std::move(path)) {}

    using Registry::readString;
    // Keys and value names compare without regard to ASCII letter case; the first matching
    // key and value win. The file is one hive: root is not looked at.
    std::optional<std::string> readString(RegistryRoot root, const std::string& subKey,
                                          const std::string& valueName) override;

private:
    std::string path_;
};

// The same lookup over a registry file open for reading.
std::optional<std::string> ReadRegFileString(std::istream& file, const std::string& subKey,
                                             const std::string& valueName);

} // namespace qly::posix
