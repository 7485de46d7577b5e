// The integrity manifest's reader on any text: a refused manifest is refused with an error,
// an accepted one names only safe paths, each once, and is written back to a text that reads
// as the same manifest.
#include "common/error.h"
#include "fuzz_input.h"
#include "update/manifest.h"

#include <algorithm>
#include <set>

namespace {

bool sameEntries(std::vector<qly::ManifestEntry> a, std::vector<qly::ManifestEntry> b) {
    const auto byPath = [](const qly::ManifestEntry& x, const qly::ManifestEntry& y) {
        return x.path < y.path;
    };
    std::ranges::sort(a, byPath);
    std::ranges::sort(b, byPath);
    return std::ranges::equal(a, b, [](const qly::ManifestEntry& x, const qly::ManifestEntry& y) {
        return x.path == y.path && x.digest == y.digest;
    });
}

// Relative, with "\" separators, and every part a plain name.
bool insideTree(std::string_view path) {
    if (path.empty() || (path.size() >= 2 && path[1] == ':')) {
        return false;
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = path.find_first_of("\\/", start);
        const std::string_view part = path.substr(start, end - start);
        if (part.empty() || part == "." || part == ".." || (end != path.npos && path[end] == '/')) {
            return false;
        }
        if (end == path.npos) {
            return true;
        }
        start = end + 1;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::vector<qly::ManifestEntry> entries;
    try {
        entries = qly::ParseManifest(qly::fuzz::AsText(data, size));
    } catch (const qly::Error&) {
        return 0;
    }
    std::set<std::string> paths;
    for (const qly::ManifestEntry& entry : entries) {
        const std::string& path = entry.path;
        qly::fuzz::Require(insideTree(path), "an unsafe path accepted");
        qly::fuzz::Require(path.find('/') == std::string::npos, "a path kept a \"/\"");
        qly::fuzz::Require(paths.insert(path).second, "a path given twice");
    }
    std::vector<qly::ManifestEntry> again;
    try {
        again = qly::ParseManifest(qly::FormatManifest(entries));
    } catch (const qly::Error&) {
        qly::fuzz::Require(false, "a manifest written by the tool is refused");
    }
    qly::fuzz::Require(sameEntries(entries, again), "the manifest does not read back");
    return 0;
}
