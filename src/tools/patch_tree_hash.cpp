#include "tools/patch_tree_hash.h"

#include "common/error.h"

#include <algorithm>
#include <fstream>

namespace qly::tools {

Sha256Digest HashFile(const std::filesystem::path& file, HashService& hashes) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw Error("cannot read " + file.string());
    }
    std::unique_ptr<Sha256> hasher = hashes.newSha256();
    std::string buffer(1 << 20, '\0');
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        hasher->update(std::span<const char>(buffer.data(), static_cast<size_t>(in.gcount())));
    }
    if (in.bad()) {
        throw Error("cannot read " + file.string());
    }
    return hasher->finish();
}

std::vector<ManifestEntry> HashPatchTree(const std::filesystem::path& folder, HashService& hashes) {
    namespace fs = std::filesystem;
    std::vector<ManifestEntry> entries;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
        const fs::file_status status = entry.symlink_status();
        if (fs::is_directory(status)) {
            continue;
        }
        if (!fs::is_regular_file(status)) {
            throw Error(entry.path().string() + " is a link or a special file, not a file");
        }
        std::string path = entry.path().lexically_relative(folder).generic_string();
        std::ranges::replace(path, '/', '\\');
        entries.push_back({std::move(path), HashFile(entry.path(), hashes)});
    }
    std::ranges::sort(entries, {}, &ManifestEntry::path);
    return entries;
}

} // namespace qly::tools
