// Folder paths as the copy engine takes them.
#pragma once

#include <string>

namespace qly {

// path as a Windows-style folder prefix: "/" turned into "\", and a trailing "\" added.
inline std::string folderPrefix(std::string path) {
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    if (path.empty() || path.back() != '\\') {
        path += '\\';
    }
    return path;
}

} // namespace qly
