#include "bundle/payload_file_system.h"

#include "bundle/bundle_name.h"
#include "common/error.h"
#include "platform/name_pattern.h"

#include <algorithm>

namespace qly {

namespace {

[[noreturn]] void readOnly(const std::string& path) {
    throw Error("the packed patch cannot be changed: " + path, FailureKind::ReadOnly, 0, path);
}

class PayloadListing : public DirListing {
public:
    explicit PayloadListing(std::vector<DirEntry> entries) : entries_(std::move(entries)) {}
    bool next(DirEntry& entry) override {
        if (index_ == entries_.size()) {
            return false;
        }
        entry = entries_[index_++];
        return true;
    }

private:
    std::vector<DirEntry> entries_;
    std::size_t index_ = 0;
};

class PayloadFile : public File {
public:
    PayloadFile(RandomAccessFile& exe, int64_t start, const PayloadEntry& entry,
                std::unique_ptr<Sha256> hasher)
        : exe_(exe), start_(start + entry.offset), entry_(entry), hasher_(std::move(hasher)) {}

    std::size_t read(std::span<char> out) override {
        const auto n =
            static_cast<std::size_t>(std::min<int64_t>(std::ssize(out), entry_.size - position_));
        if (checked_) {
            return 0; // at the end, already checked
        }
        exe_.readAt(start_ + position_, out.first(n));
        hasher_->update(out.first(n));
        position_ += static_cast<int64_t>(n);
        if (position_ == entry_.size) {
            checked_ = true;
            if (hasher_->finish() != entry_.digest) {
                throw Error("damaged payload: " + entry_.name + " does not match its checksum",
                            FailureKind::Damaged, 0, entry_.name);
            }
        }
        return n;
    }
    void write(std::span<const char>) override { readOnly(entry_.name); }
    int64_t length() override { return entry_.size; }
    void flush() override {} // nothing is ever written

private:
    RandomAccessFile& exe_;
    int64_t start_;
    const PayloadEntry& entry_;
    std::unique_ptr<Sha256> hasher_;
    int64_t position_ = 0;
    bool checked_ = false;
};

} // namespace

PayloadFileSystem::PayloadFileSystem(RandomAccessFile& exe, PayloadIndex payload,
                                     HashService& hashes)
    : exe_(exe), payload_(std::move(payload)), hashes_(hashes) {
    nodes_.emplace_back();
    byKey_.emplace("", 0);
    for (const PayloadEntry& entry : payload_.entries) {
        const std::size_t slash = entry.name.rfind('\\');
        const std::size_t parent =
            slash == std::string::npos ? 0 : folderNode(entry.name.substr(0, slash));
        const std::string key = BundlePathKey(entry.name);
        auto known = byKey_.find(key);
        if (known != byKey_.end()) {
            // A folder implied by an earlier name and listed itself later.
            nodes_[known->second].entry = &entry;
            continue;
        }
        nodes_.push_back(Node{entry.name.substr(slash + 1), &entry, {}});
        byKey_.emplace(key, nodes_.size() - 1);
        nodes_[parent].children.push_back(nodes_.size() - 1);
    }
}

std::size_t PayloadFileSystem::folderNode(const std::string& name) {
    const std::string key = BundlePathKey(name);
    if (auto known = byKey_.find(key); known != byKey_.end()) {
        return known->second;
    }
    const std::size_t slash = name.rfind('\\');
    const std::size_t parent = slash == std::string::npos ? 0 : folderNode(name.substr(0, slash));
    nodes_.push_back(Node{name.substr(slash + 1), nullptr, {}});
    byKey_.emplace(key, nodes_.size() - 1);
    nodes_[parent].children.push_back(nodes_.size() - 1);
    return nodes_.size() - 1;
}

const PayloadFileSystem::Node* PayloadFileSystem::find(const std::string& path) const {
    auto it = byKey_.find(BundlePathKey(path));
    return it == byKey_.end() ? nullptr : &nodes_[it->second];
}

std::unique_ptr<DirListing> PayloadFileSystem::list(const std::string& folder,
                                                    const std::string& pattern) {
    const Node* node = find(folder);
    if (node == nullptr || !node->isFolder()) {
        return nullptr;
    }
    std::vector<DirEntry> entries;
    for (const char* dots : {".", ".."}) {
        if (matchesPattern(dots, pattern)) {
            entries.push_back({dots, kAttrDirectory, 0});
        }
    }
    for (std::size_t child : node->children) {
        const Node& c = nodes_[child];
        if (matchesPattern(c.name, pattern)) {
            entries.push_back({c.name, c.isFolder() ? kAttrDirectory : kAttrReadOnly,
                               c.isFolder() ? 0 : c.entry->size});
        }
    }
    if (entries.empty()) {
        return nullptr;
    }
    return std::make_unique<PayloadListing>(std::move(entries));
}

void PayloadFileSystem::createFolder(const std::string& path) {
    readOnly(path);
}

void PayloadFileSystem::deleteFile(const std::string& path) {
    readOnly(path);
}

void PayloadFileSystem::removeQuietly(const std::string&) noexcept {}

void PayloadFileSystem::replaceFile(const std::string&, const std::string& to) {
    readOnly(to);
}

std::unique_ptr<File> PayloadFileSystem::open(const std::string& path, OpenMode mode) {
    if (mode != OpenMode::Read) {
        readOnly(path);
    }
    const Node* node = find(path);
    if (node == nullptr || node->isFolder()) {
        throw Error("not in the packed patch: " + path, FailureKind::Vanished, 0, path);
    }
    return std::make_unique<PayloadFile>(exe_, payload_.start, *node->entry, hashes_.newSha256());
}

std::optional<int64_t> PayloadFileSystem::freeBytes(const std::string&) {
    return std::nullopt;
}

std::optional<uint32_t> PayloadFileSystem::statusOf(const std::string& path) {
    const Node* node = find(path);
    if (node == nullptr) {
        return std::nullopt;
    }
    return node->isFolder() ? kAttrDirectory : kAttrReadOnly;
}

void PayloadFileSystem::checkReplaceable(const std::string& path) {
    if (find(path) != nullptr) {
        readOnly(path);
    }
}

void PayloadFileSystem::replaceWithBackup(const std::string&, const std::string& destination,
                                          const std::string&) {
    readOnly(destination);
}

void PayloadFileSystem::replaceFileDurably(const std::string&, const std::string& to) {
    readOnly(to);
}

bool PayloadFileSystem::removeFolder(const std::string& path) {
    readOnly(path);
}

bool PayloadFileSystem::syncVolume(const std::string&) {
    return true;
}

std::optional<FileIdentity> PayloadFileSystem::identityOf(const std::string& path) {
    readOnly(path);
}

std::unique_ptr<FolderHold> PayloadFileSystem::holdFolder(const std::string& path) {
    readOnly(path);
}

} // namespace qly
