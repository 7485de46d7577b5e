// A Wine prefix made in a real temporary folder: dosdevices links, a C: drive whose folders
// differ in letter case from the names the registry gives, and a system.reg.
#pragma once

#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_terminal.h"
#include "prefix/prefix_paths.h"
#include "support/temp_folder.h"

#include <filesystem>
#include <string>

namespace qly::test {

struct PrefixFixture {
    PrefixFixture() {
        std::filesystem::create_directories(folder.file("pfx/dosdevices"));
        std::filesystem::create_directories(folder.file("pfx/drive_c/games/QUILLORY"));
        std::filesystem::create_symlink("../drive_c", folder.file("pfx/dosdevices/c:"));
        folder.write("pfx/drive_c/games/QUILLORY/main.exe", "MZ");
    }
    std::string prefix() const { return folder.file("pfx"); }
    std::string drive() const { return folder.file("pfx/drive_c"); }

    TempFolder folder;
    posix::PosixFileSystem disk;
    PrefixPaths paths{disk, posix::ReadLink, folder.file("pfx")};
};

} // namespace qly::test
