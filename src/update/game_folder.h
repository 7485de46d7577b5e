// Where the game is installed: the registry entries of its two editions.
#pragma once

#include "platform/registry.h"

#include <string>

namespace qly {

inline constexpr const char* kFullEditionKey = "SOFTWARE\\Brantmoor Games\\Quillory";
inline constexpr const char* kDemoEditionKey = "SOFTWARE\\Brantmoor Games\\Quillory DEMO";
inline constexpr const char* kInstallPathValue = "Install Path";
// Appended to the DEMO edition's install path to reach its game folder.
inline constexpr const char* kDemoSubfolder = "\\Quillory DEMO";
// The file that marks a folder as the game's.
inline constexpr const char* kGameProgram = "\\main.exe";

// The REG_SZ value valueName of subKey under HKEY_LOCAL_MACHINE, or defaultValue when the key
// or value is missing, has another type or cannot be read.
std::string RegReadString(Registry& registry, const std::string& subKey,
                          const std::string& valueName, const std::string& defaultValue);

} // namespace qly
