// The patch tree as Windows will receive it.
#include "bundle/bundle_name.h"
#include "common/bundle_files.h"
#include "common/error.h"
#include "common/utf8.h"
#include "engine/path_case.h"
#include "tools/bundle.h"
#include "tools/bundle_checks.h"
#include "tools/patch_tree_hash.h"
#include "update/manifest.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

namespace qly::tools {
namespace {

namespace fs = std::filesystem;

// Longest path the Windows calls take without the long-path prefix (MAX_PATH less its NUL).
constexpr size_t kMaxPath = 259;

size_t utf16Length(const std::string& s) {
    size_t length = 0;
    for (size_t i = 0; i < s.size();) {
        length += NextUtf8(s, i) > 0xFFFF ? 2 : 1;
    }
    return length;
}

void checkManifest(const fs::path& bundle, const std::set<std::string>& files, HashService& hashes,
                   std::vector<Finding>& findings) {
    const std::string file = kManifestName;
    std::string text;
    try {
        text = ReadWhole(bundle / file);
    } catch (const Error& e) {
        findings.push_back({file, 0, Severity::Error, e.what()});
        return;
    }
    std::vector<ManifestEntry> entries;
    try {
        entries = ParseManifest(text);
    } catch (const Error& e) {
        const std::string what = e.what();
        int32_t line = 0;
        if (what.starts_with("line ")) {
            line = std::atoi(what.c_str() + 5);
        }
        findings.push_back({file, line, Severity::Error, what.substr(what.find(": ") + 2)});
        return;
    }
    std::set<std::string> listed;
    for (const ManifestEntry& entry : entries) {
        std::string path = entry.path;
        std::ranges::replace(path, '\\', '/');
        listed.insert(path);
        // The line of the entry: the first line that ends with its path.
        int32_t line = 0;
        int32_t number = 0;
        for (size_t at = 0; at < text.size();) {
            const size_t end = std::min(text.find('\n', at), text.size());
            ++number;
            std::string l = text.substr(at, end - at);
            if (!l.empty() && l.back() == '\r') {
                l.pop_back();
            }
            if (l.ends_with(path) && l.size() >= path.size() + 66) {
                line = number;
                break;
            }
            at = end + 1;
        }
        if (!files.contains(path)) {
            findings.push_back({file, line, Severity::Error,
                                "lists " + path + ", which is not in the patch tree"});
            continue;
        }
        if (HashFile(bundle / kPatchTreeName / path, hashes) != entry.digest) {
            findings.push_back(
                {file, line, Severity::Error, "update/" + path + " does not match its digest"});
        }
    }
    for (const std::string& path : files) {
        if (!listed.contains(path)) {
            findings.push_back({file, 0, Severity::Error,
                                "update/" + path + " is not listed; the installer refuses it"});
        }
    }
}

} // namespace

void CheckPatchTree(const fs::path& bundle, const std::string& gameFolder, HashService& hashes,
                    std::vector<Finding>& findings) {
    const fs::path tree = bundle / kPatchTreeName;
    if (!fs::is_directory(fs::symlink_status(tree))) {
        findings.push_back({"update", 0, Severity::Error, "the patch tree update/ is missing"});
        return;
    }
    std::string prefix = gameFolder;
    if (!prefix.empty() && prefix.back() != '\\' && prefix.back() != '/') {
        prefix += '\\';
    }
    std::set<std::string> files;
    std::map<std::pair<std::string, std::string>, std::string> seen; // (folder, lower) -> name
    // In name order, so that of two names differing in case the later one is reported.
    std::vector<fs::directory_entry> entries;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(tree, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        entries.push_back(*it);
    }
    std::ranges::sort(entries, {}, [](const fs::directory_entry& e) { return e.path(); });
    for (const fs::directory_entry& entry : entries) {
        const fs::path relative = entry.path().lexically_relative(tree);
        const std::string shown = "update/" + relative.generic_string();
        const std::string name = entry.path().filename().string();
        const fs::file_status status = entry.symlink_status();
        if (fs::is_symlink(status)) {
            findings.push_back(
                {shown, 0, Severity::Error, "a link: Windows receives no links from a patch tree"});
            continue;
        }
        if (!fs::is_regular_file(status) && !fs::is_directory(status)) {
            findings.push_back({shown, 0, Severity::Error, "neither a file nor a folder"});
            continue;
        }
        if (const auto why = WindowsNameProblem(name)) {
            findings.push_back({shown, 0, Severity::Error, "Windows refuses this name: " + *why});
        }
        const std::string folder = relative.parent_path().generic_string();
        const auto [other, added] = seen.emplace(std::make_pair(folder, lowerCase(name)), name);
        if (!added) {
            findings.push_back({shown, 0, Severity::Error,
                                "differs from \"" + other->second +
                                    "\" only in letter case: on Windows they are one file"});
        }
        std::string windowsPath = prefix + relative.generic_string();
        std::ranges::replace(windowsPath, '/', '\\');
        if (utf16Length(windowsPath) > kMaxPath) {
            findings.push_back({shown, 0, Severity::Error,
                                "its path in the game folder is " +
                                    std::to_string(utf16Length(windowsPath)) +
                                    " characters long; Windows allows 259"});
        }
        if (fs::is_regular_file(status)) {
            files.insert(relative.generic_string());
        }
    }
    if (ec) {
        findings.push_back({"update", 0, Severity::Error, "cannot list: " + ec.message()});
    }
    if (files.empty()) {
        findings.push_back({"update", 0, Severity::Warning, "the patch tree holds no files",
                            WarningKind::EmptyTree});
    }
    if (fs::exists(bundle / kManifestName)) {
        checkManifest(bundle, files, hashes, findings);
    }
}

} // namespace qly::tools
