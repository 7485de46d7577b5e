// Packed installers built in memory for tests: a FakePe followed by a payload of the given
// files and folders, written by the real PayloadWriter.
#pragma once

#include "bundle/payload_writer.h"
#include "platform/posix/libcrypto_hash_service.h"
#include "support/fake_file_system.h"
#include "support/fake_pe.h"

#include <string>
#include <utility>
#include <vector>

namespace qly::test {

// One packed entry: a file with its contents, or a folder when isFolder is set.
struct PackedItem {
    std::string name;
    std::string contents;
    bool isFolder = false;
};

// program followed by a payload of items, in their order.
inline std::string PackedExe(const std::vector<PackedItem>& items,
                             const std::string& program = FakePe()) {
    FakeFileSystem fs;
    posix::LibcryptoHashService hashes;
    auto out = fs.open("out.exe", OpenMode::CreateAlways);
    out->write(program);
    PayloadWriter writer(*out, std::ssize(program), hashes);
    for (const PackedItem& item : items) {
        if (item.isFolder) {
            writer.addFolder(item.name);
        } else {
            fs.addFile("source", item.contents);
            writer.addFile(item.name, *fs.open("source", OpenMode::Read));
        }
    }
    writer.finish();
    out.reset();
    return fs.contents("out.exe");
}

} // namespace qly::test
