#include "update/manifest.h"

#include "common/error.h"

#include <algorithm>
#include <optional>
#include <set>

namespace qly {
namespace {

std::optional<uint8_t> hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return static_cast<uint8_t>(c - '0');
    }
    if (c >= 'a' && c <= 'f') {
        return static_cast<uint8_t>(c - 'a' + 10);
    }
    if (c >= 'A' && c <= 'F') {
        return static_cast<uint8_t>(c - 'A' + 10);
    }
    return std::nullopt;
}

std::optional<Sha256Digest> parseDigest(std::string_view hex) {
    Sha256Digest digest{};
    if (hex.size() != digest.size() * 2) {
        return std::nullopt;
    }
    for (size_t i = 0; i < digest.size(); ++i) {
        const auto high = hexDigit(hex[2 * i]);
        const auto low = hexDigit(hex[2 * i + 1]);
        if (!high || !low) {
            return std::nullopt;
        }
        digest[i] = static_cast<uint8_t>(*high << 4 | *low);
    }
    return digest;
}

// The path with "\" separators, or the reason it cannot name a file inside the tree.
std::string windowsPath(std::string_view path, std::string& problem) {
    if (path.empty()) {
        problem = "the path is empty";
        return {};
    }
    if (path.front() == '/' || path.front() == '\\' || (path.size() >= 2 && path[1] == ':')) {
        problem = "the path is absolute";
        return {};
    }
    std::string out;
    size_t start = 0;
    while (start <= path.size()) {
        const size_t end = std::min(path.find_first_of("/\\", start), path.size());
        const std::string_view part = path.substr(start, end - start);
        if (part.empty()) {
            problem = "the path has an empty folder name";
            return {};
        }
        if (part == "..") {
            problem = "the path leaves the tree with \"..\"";
            return {};
        }
        if (part != ".") {
            out += out.empty() ? "" : "\\";
            out += part;
        }
        start = end + 1;
    }
    if (out.empty()) {
        problem = "the path names no file";
    }
    return out;
}

} // namespace

std::vector<ManifestEntry> ParseManifest(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    std::vector<ManifestEntry> entries;
    std::set<std::string> seen;
    size_t lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        if (line.find_first_not_of(" \t") == std::string_view::npos) {
            continue;
        }
        const auto fail = [&](const std::string& why) {
            throw Error("line " + std::to_string(lineNumber) + ": " + why);
        };
        if (line.front() == '\\') {
            // The tool escapes names holding "\" or a line break; no Windows file has either.
            fail("a file name with \"\\\" or a line break");
        }
        const std::optional<Sha256Digest> digest = parseDigest(line.substr(0, 64));
        if (!digest) {
            fail("expected 64 hexadecimal digits at the start");
        }
        if (line.size() < 67 || line[64] != ' ' || (line[65] != ' ' && line[65] != '*')) {
            fail("expected \"  \" or \" *\" and a path after the digest");
        }
        std::string problem;
        std::string path = windowsPath(line.substr(66), problem);
        if (!problem.empty()) {
            fail(problem + ": " + std::string(line.substr(66)));
        }
        if (!seen.insert(path).second) {
            fail("the path is listed twice: " + std::string(line.substr(66)));
        }
        entries.push_back({std::move(path), *digest});
    }
    return entries;
}

std::string FormatManifest(const std::vector<ManifestEntry>& entries) {
    std::vector<std::pair<std::string, const ManifestEntry*>> sorted;
    for (const ManifestEntry& entry : entries) {
        std::string path = entry.path;
        std::ranges::replace(path, '\\', '/');
        sorted.emplace_back(std::move(path), &entry);
    }
    std::ranges::sort(sorted, {},
                      [](const auto& item) -> const std::string& { return item.first; });
    std::string out;
    for (const auto& [path, entry] : sorted) {
        out += ToHex(entry->digest) + "  " + path + "\n";
    }
    return out;
}

} // namespace qly
