// A whole tree read through the file services, to compare trees of any file system: the real
// folder, the fake, the payload packed behind an exe.
#pragma once

#include "platform/file_system.h"

#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace qly::test {

using Tree = std::map<std::string, std::string>;

// Every entry below folder ("" for the top, else ending in "\"), by its path relative to folder:
// a folder as "<path>\" with no contents, a file with its contents read in the engine's
// 62000-byte steps. A listed size or a length that differs from the bytes read fails the test.
inline Tree ReadTree(FileSystem& fs, const std::string& folder) {
    Tree tree;
    std::vector<std::string> pending{""};
    while (!pending.empty()) {
        const std::string below = pending.back();
        pending.pop_back();
        auto listing = fs.list(folder + below, "*");
        DirEntry entry;
        while (listing && listing->next(entry)) {
            const std::string path = below + entry.name;
            if (entry.name == "." || entry.name == "..") {
                continue;
            }
            if ((entry.attributes & kAttrDirectory) != 0) {
                tree[path + "\\"] = "";
                pending.push_back(path + "\\");
                continue;
            }
            auto file = fs.open(folder + path, OpenMode::Read);
            std::string contents;
            std::string chunk(62000, '\0');
            while (const std::size_t n = file->read(chunk)) {
                contents.append(chunk, 0, n);
            }
            EXPECT_EQ(entry.size, std::ssize(contents)) << path;
            EXPECT_EQ(file->length(), std::ssize(contents)) << path;
            tree[path] = contents;
        }
    }
    return tree;
}

} // namespace qly::test
