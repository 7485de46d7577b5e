#include "prefix/prefix_paths.h"

#include "engine/path_case.h"

#include <cctype>
#include <utility>
#include <vector>

namespace qly {

namespace {

std::vector<std::string> components(const std::string& path, bool backslashToo) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c == '/' || (backslashToo && c == '\\')) {
            parts.push_back(std::move(part));
            part.clear();
        } else {
            part += c;
        }
    }
    parts.push_back(std::move(part));
    return parts;
}

std::string joined(const std::string& folder, const std::string& name) {
    return folder.ends_with('/') ? folder + name : folder + "/" + name;
}

} // namespace

bool IsWindowsPath(const std::string& path) {
    return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) != 0 &&
           path[1] == ':' && (path.size() == 2 || path[2] == '\\' || path[2] == '/');
}

std::string NormalLinuxPath(const std::string& path) {
    std::vector<std::string> kept;
    for (std::string& part : components(path, false)) {
        if (part.empty() || part == ".") {
            continue;
        }
        if (part == "..") {
            if (!kept.empty()) {
                kept.pop_back();
            }
            continue;
        }
        kept.push_back(std::move(part));
    }
    std::string out;
    for (const std::string& part : kept) {
        out += "/" + part;
    }
    return out.empty() ? "/" : out;
}

PrefixPaths::PrefixPaths(FileSystem& files, LinkReader readLink, std::string prefix)
    : files_(files), readLink_(std::move(readLink)), prefix_(NormalLinuxPath(prefix)) {}

std::optional<std::string> PrefixPaths::driveRoot(char letter) const {
    const std::string link = joined(prefix_, "dosdevices/") +
                             static_cast<char>(std::tolower(static_cast<unsigned char>(letter))) +
                             ":";
    const std::optional<std::string> target = readLink_(link);
    if (!target || target->empty()) {
        return std::nullopt;
    }
    // Wine writes its own links relative ("../drive_c"); links made by hand may be absolute.
    return NormalLinuxPath(target->front() == '/' ? *target
                                                  : joined(prefix_, "dosdevices/") + *target);
}

std::string PrefixPaths::descend(std::string base, const std::string& relative) const {
    // "." and ".." are resolved on the names first, as Windows does, never above base.
    std::vector<std::string> parts;
    for (std::string& part : components(relative, true)) {
        if (part == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
        } else if (!part.empty() && part != ".") {
            parts.push_back(std::move(part));
        }
    }
    bool existing = true;
    for (const std::string& part : parts) {
        std::string next = joined(base, part);
        if (existing && !Exists(files_, next)) {
            std::string found;
            // Below a folder that is not there, nothing is either.
            if (!Exists(files_, base)) {
                existing = false;
            } else if (auto listing = files_.list(base, "*")) {
                const std::string wanted = lowerCase(part);
                DirEntry entry;
                while (found.empty() && listing->next(entry)) {
                    if (lowerCase(entry.name) == wanted) {
                        found = entry.name;
                    }
                }
            }
            if (found.empty()) {
                existing = false; // the rest is not there: keep the names as given
            } else {
                next = joined(base, found);
            }
        }
        base = std::move(next);
    }
    return base;
}

std::optional<std::string> PrefixPaths::linuxPath(const std::string& windowsPath) const {
    if (!IsWindowsPath(windowsPath)) {
        return std::nullopt;
    }
    const std::optional<std::string> root = driveRoot(windowsPath[0]);
    if (!root) {
        return std::nullopt;
    }
    return descend(*root, windowsPath.substr(2));
}

LocalPathOf PrefixLocalPath(const PrefixPaths& paths) {
    return [&paths](const std::string& recorded) -> std::optional<std::string> {
        return IsWindowsPath(recorded) ? paths.linuxPath(recorded) : std::optional(recorded);
    };
}

} // namespace qly
