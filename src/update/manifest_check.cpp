#include "update/manifest_check.h"

#include "common/error.h"
#include "engine/path_case.h"

#include <set>

namespace qly {

namespace {

// A source file that hashes every byte read from it. The engine's in-kernel copy does not
// recognise it, so the bytes pass through the buffer and through the hasher.
class HashingFile : public File {
public:
    HashingFile(std::unique_ptr<File> inner, Sha256& hasher)
        : inner_(std::move(inner)), hasher_(hasher) {}

    std::size_t read(std::span<char> out) override {
        const std::size_t n = inner_->read(out);
        hasher_.update(out.first(n));
        return n;
    }
    void write(std::span<const char> data) override { inner_->write(data); }
    int64_t length() override { return inner_->length(); }
    void flush() override { inner_->flush(); }

private:
    std::unique_ptr<File> inner_;
    Sha256& hasher_;
};

} // namespace

ManifestCheck::ManifestCheck(HashService& hashes, const std::vector<ManifestEntry>& entries)
    : hashes_(hashes) {
    for (const ManifestEntry& entry : entries) {
        expected_.emplace(lowerCase(entry.path), entry);
    }
}

void ManifestCheck::damaged(const std::string& file, const std::string& why, FailureKind kind) {
    damaged_ = file;
    throw Error("the patch is damaged: " + file + " " + why, kind, 0, file);
}

void ManifestCheck::checkListing(const std::vector<std::string>& files) {
    std::set<std::string> found;
    for (const std::string& file : files) {
        if (!expected_.contains(lowerCase(file))) {
            damaged(file, "is not listed in its manifest");
        }
        found.insert(lowerCase(file));
    }
    for (const auto& [key, entry] : expected_) {
        if (!found.contains(key)) {
            damaged(entry.path, "is listed in its manifest but missing", FailureKind::Vanished);
        }
    }
}

std::unique_ptr<File> ManifestCheck::watch(const std::string& file, std::unique_ptr<File> source) {
    watched_ = file;
    hasher_ = hashes_.newSha256();
    return std::make_unique<HashingFile>(std::move(source), *hasher_);
}

void ManifestCheck::checkCopied(const std::string& file) {
    const auto it = expected_.find(lowerCase(file));
    if (it == expected_.end()) {
        damaged(file, "is not listed in its manifest");
    }
    if (!hasher_ || lowerCase(watched_) != it->first) {
        throw Error("the bytes of " + file + " were not hashed");
    }
    const Sha256Digest digest = hasher_->finish();
    hasher_.reset();
    if (digest != it->second.digest) {
        damaged(file, "does not have the SHA-256 its manifest gives");
    }
}

std::unique_ptr<ManifestCheck> LoadManifestCheck(FileSystem& files, HashService& hashes,
                                                 const std::string& path) {
    if (!Exists(files, path)) {
        return nullptr;
    }
    auto file = files.open(path, OpenMode::Read);
    std::string text(static_cast<std::size_t>(file->length()), '\0');
    text.resize(file->read(text));
    return std::make_unique<ManifestCheck>(hashes, ParseManifest(text));
}

} // namespace qly
