#include "engine/folder_contents.h"

#include "common/error.h"
#include "engine/path_case.h"

#include <algorithm>

namespace qly {

namespace {

void listInto(FileSystem& fs, const std::string& root, const std::string& relative,
              FolderContents& out) {
    if (auto listing = fs.list(root + relative + "\\", "*")) {
        DirEntry entry;
        while (listing->next(entry)) {
            if (entry.name == "." || entry.name == "..") {
                continue;
            }
            const std::string path = relative + "\\" + entry.name;
            if ((entry.attributes & kAttrReparsePoint) != 0) {
                throw Error("a link or junction stands in the game folder: " + path,
                            FailureKind::Link, 0, path);
            }
            if ((entry.attributes & kAttrDirectory) != 0) {
                listInto(fs, root, path, out);
            } else {
                out.files.push_back(path);
            }
        }
    }
    out.folders.push_back(relative);
}

} // namespace

FolderContents ListFolderContents(FileSystem& fs, const std::string& root,
                                  const std::string& relative) {
    FolderContents out;
    listInto(fs, root, relative, out);
    return out;
}

bool IsInside(const std::string& relative, const std::string& folder) {
    std::string inside = lowerCase(relative);
    std::ranges::replace(inside, '/', '\\');
    std::string prefix = lowerCase(folder) + "\\";
    std::ranges::replace(prefix, '/', '\\');
    return inside.size() > prefix.size() && inside.starts_with(prefix);
}

} // namespace qly
