// The registry of a Wine prefix as a Linux program needs it: HKEY_LOCAL_MACHINE from the
// prefix's system.reg, the 32-bit view (Software\Wow6432Node) first as the Windows program
// reads it, HKEY_CURRENT_USER from its user.reg (one view), and values that are Windows paths
// turned into the Linux paths they stand for.
#pragma once

#include "platform/registry.h"
#include "prefix/prefix_paths.h"

#include <string>

namespace qly {

class PrefixRegistry final : public Registry {
public:
    // hive: HKEY_LOCAL_MACHINE of the prefix (system.reg); paths maps its paths. Both outlive
    // this object.
    PrefixRegistry(Registry& hive, const PrefixPaths& paths) : hive_(hive), paths_(paths) {}
    // user: HKEY_CURRENT_USER of the prefix (user.reg); outlives this object.
    PrefixRegistry(Registry& hive, Registry& user, const PrefixPaths& paths)
        : hive_(hive), user_(&user), paths_(paths) {}

    using Registry::readString;
    std::optional<std::string> readString(RegistryRoot root, const std::string& subKey,
                                          const std::string& valueName) override;
    std::string lastView() const override { return lastView_; }
    // The value as the registry holds it, before a Windows path was mapped.
    const std::string& lastWindowsValue() const { return lastWindowsValue_; }

private:
    Registry& hive_;
    Registry* user_ = nullptr; // none: HKEY_CURRENT_USER holds nothing
    const PrefixPaths& paths_;
    std::string lastView_;
    std::string lastWindowsValue_;
};

// subKey under Software\Wow6432Node when it lies under Software (the view a 32-bit program
// sees on a 64-bit system); nothing for keys elsewhere.
std::optional<std::string> Wow64Key(const std::string& subKey);

} // namespace qly
