// Read-only access to string values under HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER.
#pragma once

#include <optional>
#include <string>

namespace qly {

enum class RegistryRoot { LocalMachine, CurrentUser };

class Registry {
public:
    virtual ~Registry() = default;
    // The text of a REG_SZ value (cut at its first NUL) under root; nothing when the key or
    // value is missing, has another type, or cannot be read.
    virtual std::optional<std::string> readString(RegistryRoot root, const std::string& subKey,
                                                  const std::string& valueName) = 0;
    // The same under HKEY_LOCAL_MACHINE.
    std::optional<std::string> readString(const std::string& subKey, const std::string& valueName) {
        return readString(RegistryRoot::LocalMachine, subKey, valueName);
    }
    // The view of the registry that answered the last readString that found its value
    // ("32-bit", "64-bit"); empty when the system has only one view or nothing was found.
    virtual std::string lastView() const { return {}; }
};

} // namespace qly
