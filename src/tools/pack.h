// qlypatch-tool pack: one exe from a bundle folder, the installer followed by a payload of
// the bundle's files, ready to be signed.
#pragma once

#include "platform/file_system.h"
#include "platform/random_access_file.h"
#include "platform/sha256.h"

#include <functional>
#include <memory>
#include <ostream>
#include <span>
#include <string>
#include <vector>

namespace qly::tools {

struct PackServices {
    FileSystem& files;
    HashService& hashes;
    // Opens a file for reading at chosen positions (the packed exe, read back).
    std::function<std::unique_ptr<RandomAccessFile>(const std::string&)> openRandom;
    std::ostream& out;
    // Marks the finished file as a program (mode 0755); none where the file system has no
    // such mark.
    std::function<void(const std::string&)> makeExecutable;
};

// What the bundle folder lacks of layout file, skin, language files and patch tree, one line
// each; empty when it is complete.
std::vector<std::string> MissingBundleParts(FileSystem& files, const std::string& bundle);

// `pack BUNDLE -o OUT.exe [--installer EXE] [--force]`, installer defaulting to
// defaultInstaller. Refuses an incomplete bundle naming what is missing, a bundle the check
// finds errors in (naming them; --force packs it anyway), an installer that is no Windows
// program or already carries data behind it, and names no exe could hold (Error). The packed
// exe wears the bundle's [product] and icon.ico (product_face.h), with its header checksum
// brought up to date. A signed installer loses its signature (the packed exe is signed
// afterwards). OUT.exe is written under a temporary name and put in place, executable, when
// complete and read back. Returns 0.
int Pack(std::span<const std::string> args, const PackServices& services,
         const std::string& defaultInstaller);

} // namespace qly::tools
