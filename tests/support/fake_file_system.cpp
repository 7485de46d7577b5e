#include "fake_file_system.h"

#include "common/error.h"

#include <algorithm>
#include <stdexcept>

namespace qly::test {

namespace {

class FakeListing : public DirListing {
public:
    FakeListing(FakeFileSystem& fs, std::vector<DirEntry> entries)
        : fs_(fs), entries_(std::move(entries)) {}

    bool next(DirEntry& entry) override {
        if (fs_.shouldFail(FsOp::ListNext)) {
            throw Error("fake: listing failed");
        }
        if (index_ >= entries_.size()) {
            return false;
        }
        entry = entries_[index_++];
        return true;
    }

private:
    FakeFileSystem& fs_;
    std::vector<DirEntry> entries_;
    std::size_t index_ = 0;
};

class FakeFile : public File {
public:
    FakeFile(FakeFileSystem& fs, std::shared_ptr<std::string> data, bool writable)
        : fs_(fs), data_(std::move(data)), writable_(writable) {}

    std::size_t read(std::span<char> out) override {
        if (fs_.shouldFail(FsOp::Read)) {
            throw Error("fake: read failed");
        }
        const std::size_t n = std::min(out.size(), data_->size() - std::min(pos_, data_->size()));
        std::copy_n(data_->data() + pos_, n, out.data());
        pos_ += n;
        return n;
    }

    void write(std::span<const char> in) override {
        if (fs_.shouldFail(FsOp::Write) || !writable_) {
            throw Error("fake: write failed");
        }
        const std::size_t end = pos_ + in.size();
        const auto grows = static_cast<int64_t>(end > data_->size() ? end - data_->size() : 0);
        if (!fs_.takeWriteRoom(grows)) {
            throw Error("fake: disk full");
        }
        if (end > data_->size()) {
            data_->resize(end);
        }
        std::copy(in.begin(), in.end(), data_->begin() + static_cast<std::ptrdiff_t>(pos_));
        pos_ = end;
    }

    int64_t length() override {
        if (fs_.shouldFail(FsOp::Length)) {
            throw Error("fake: length failed");
        }
        return static_cast<int64_t>(data_->size());
    }

private:
    FakeFileSystem& fs_;
    std::shared_ptr<std::string> data_;
    bool writable_;
    std::size_t pos_ = 0;
};

bool matches(const std::string& name, const std::string& pattern) {
    // Only the patterns the program uses are honoured; anything else matches nothing.
    return pattern == "*" || pattern == "*.*" || pattern == name;
}

} // namespace

std::string FakeFileSystem::key(const std::string& path) {
    std::string k;
    k.reserve(path.size());
    for (char c : path) {
        if (c == '/') {
            c = '\\';
        }
        k += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    while (!k.empty() && k.back() == '\\') {
        k.pop_back();
    }
    return k;
}

std::string FakeFileSystem::parentKey(const std::string& k) {
    const std::size_t slash = k.rfind('\\');
    return slash == std::string::npos ? std::string() : k.substr(0, slash);
}

FakeFileSystem::Node* FakeFileSystem::find(const std::string& path) {
    auto it = nodes_.find(key(path));
    return it == nodes_.end() ? nullptr : &it->second;
}

const FakeFileSystem::Node* FakeFileSystem::find(const std::string& path) const {
    auto it = nodes_.find(key(path));
    return it == nodes_.end() ? nullptr : &it->second;
}

void FakeFileSystem::requireParent(const std::string& path) const {
    const std::string parent = parentKey(key(path));
    if (parent.empty()) {
        return;
    }
    auto it = nodes_.find(parent);
    if (it == nodes_.end() || !it->second.folder) {
        throw Error("fake: no folder for " + path);
    }
    if ((it->second.attributes & kAttrReadOnly) != 0) {
        throw Error("fake: read-only folder for " + path);
    }
}

void FakeFileSystem::addFolder(const std::string& path, uint32_t attributes) {
    const std::string k = key(path);
    if (k.empty()) {
        return;
    }
    const std::string parent = parentKey(k);
    if (!parent.empty() && !isFolder(parent)) {
        const std::string trimmed = path.substr(0, path.find_last_not_of("\\/") + 1);
        addFolder(trimmed.substr(0, trimmed.find_last_of("\\/")));
    }
    Node& node = nodes_[k];
    if (!node.folder || node.path.empty()) {
        node.order = nextOrder_++;
    }
    node.path = path;
    node.folder = true;
    node.data.reset();
    node.attributes = attributes | kAttrDirectory;
}

void FakeFileSystem::addFile(const std::string& path, const std::string& contents,
                             uint32_t attributes) {
    const std::string k = key(path);
    const std::string parent = parentKey(k);
    if (!parent.empty() && !isFolder(parent)) {
        addFolder(path.substr(0, path.find_last_of("\\/")));
    }
    Node& node = nodes_[k];
    if (node.path.empty()) {
        node.order = nextOrder_++;
    }
    node.path = path;
    node.attributes = attributes & ~kAttrDirectory;
    if (!node.folder && node.data) {
        // The same file rewritten: files open on it see the change.
        *node.data = contents;
    } else {
        node.data = std::make_shared<std::string>(contents);
    }
    node.folder = false;
}

void FakeFileSystem::setAttributes(const std::string& path, uint32_t attributes) {
    Node* node = find(path);
    if (node == nullptr) {
        throw std::out_of_range("fake: no entry " + path);
    }
    // kInvalidAttributes is kept as it is: an entry whose attributes cannot be read.
    node->attributes = attributes == kInvalidAttributes
                           ? attributes
                           : (attributes & ~kAttrDirectory) | (node->folder ? kAttrDirectory : 0);
}

void FakeFileSystem::remove(const std::string& path) {
    const std::string k = key(path);
    const std::string below = k + "\\";
    std::erase_if(nodes_, [&](const auto& item) {
        return item.first == k || item.first.compare(0, below.size(), below) == 0;
    });
}

bool FakeFileSystem::isFile(const std::string& path) const {
    const Node* node = find(path);
    return node != nullptr && !node->folder;
}

bool FakeFileSystem::isFolder(const std::string& path) const {
    const Node* node = find(path);
    return node != nullptr && node->folder;
}

std::string FakeFileSystem::contents(const std::string& path) const {
    const Node* node = find(path);
    if (node == nullptr || node->folder) {
        throw std::out_of_range("fake: no file " + path);
    }
    return *node->data;
}

std::vector<std::string> FakeFileSystem::filesBelow(const std::string& folder) const {
    const std::string k = key(folder);
    const std::string below = k.empty() ? std::string() : k + "\\";
    std::vector<std::string> out;
    for (const auto& [nodeKey, node] : nodes_) {
        if (!node.folder && nodeKey.compare(0, below.size(), below) == 0) {
            out.push_back(node.path);
        }
    }
    return out;
}

void FakeFileSystem::failOn(FsOp op, int nth, bool forGood) {
    faults_.push_back(Fault{op, nth, forGood});
}

int FakeFileSystem::calls(FsOp op) const {
    auto it = calls_.find(op);
    return it == calls_.end() ? 0 : it->second;
}

bool FakeFileSystem::shouldFail(FsOp op) {
    ++calls_[op];
    ++calls_[FsOp::Any];
    bool fail = false;
    for (Fault& fault : faults_) {
        if (fault.op != op && fault.op != FsOp::Any) {
            continue;
        }
        if (fault.fired) {
            fail = fail || fault.forGood;
            continue;
        }
        if (--fault.countdown <= 0) {
            fault.fired = true;
            fail = true;
        }
    }
    if (fail && !firstFailure_) {
        firstFailure_ = op;
    }
    return fail;
}

bool FakeFileSystem::takeWriteRoom(int64_t n) {
    if (!writeLimit_) {
        return true;
    }
    if (n > *writeLimit_) {
        return false;
    }
    *writeLimit_ -= n;
    return true;
}

std::unique_ptr<DirListing> FakeFileSystem::list(const std::string& folder,
                                                 const std::string& pattern) {
    if (shouldFail(FsOp::List)) {
        return nullptr;
    }
    const std::string k = key(folder);
    if (!k.empty() && !isFolder(k)) {
        return nullptr;
    }
    std::vector<const Node*> children;
    for (const auto& [nodeKey, node] : nodes_) {
        if (parentKey(nodeKey) == k && !nodeKey.empty()) {
            children.push_back(&node);
        }
    }
    std::sort(children.begin(), children.end(),
              [](const Node* a, const Node* b) { return a->order < b->order; });
    std::vector<DirEntry> entries;
    if (matches(".", pattern)) {
        entries.push_back(DirEntry{".", kAttrDirectory, 0});
        entries.push_back(DirEntry{"..", kAttrDirectory, 0});
    }
    for (const Node* node : children) {
        const std::size_t slash = node->path.find_last_of("\\/");
        std::string name = slash == std::string::npos ? node->path : node->path.substr(slash + 1);
        if (matches(name, pattern)) {
            const int64_t size = node->folder ? 0 : static_cast<int64_t>(node->data->size());
            entries.push_back(DirEntry{std::move(name), node->attributes, size});
        }
    }
    if (entries.empty()) {
        return nullptr;
    }
    return std::make_unique<FakeListing>(*this, std::move(entries));
}

uint32_t FakeFileSystem::attributes(const std::string& path) {
    if (shouldFail(FsOp::Attributes)) {
        return kInvalidAttributes;
    }
    const Node* node = find(path);
    return node == nullptr ? kInvalidAttributes : node->attributes;
}

bool FakeFileSystem::fileExists(const std::string& path) {
    if (shouldFail(FsOp::FileExists)) {
        return false;
    }
    const Node* node = find(path);
    return node != nullptr && !node->folder &&
           (node->attributes & (kAttrHidden | kAttrSystem)) == 0;
}

bool FakeFileSystem::exists(const std::string& path) {
    if (shouldFail(FsOp::Exists)) {
        return false;
    }
    return find(path) != nullptr;
}

void FakeFileSystem::createFolder(const std::string& path) {
    if (shouldFail(FsOp::CreateFolder)) {
        throw Error("fake: cannot create folder " + path);
    }
    if (find(path) != nullptr) {
        throw Error("fake: already exists " + path);
    }
    requireParent(path);
    addFolder(path);
}

void FakeFileSystem::deleteFile(const std::string& path) {
    if (shouldFail(FsOp::DeleteFile)) {
        throw Error("fake: cannot delete " + path);
    }
    const Node* node = find(path);
    if (node == nullptr || node->folder || (node->attributes & kAttrReadOnly) != 0) {
        throw Error("fake: cannot delete " + path);
    }
    nodes_.erase(key(path));
}

void FakeFileSystem::removeQuietly(const std::string& path) noexcept {
    const Node* node = find(path);
    if (node != nullptr && !node->folder) {
        nodes_.erase(key(path));
    }
}

void FakeFileSystem::replaceFile(const std::string& from, const std::string& to) {
    if (shouldFail(FsOp::ReplaceFile)) {
        throw Error("fake: cannot replace " + to);
    }
    Node* source = find(from);
    const Node* target = find(to);
    if (source == nullptr || source->folder || (target != nullptr && target->folder)) {
        throw Error("fake: cannot replace " + to);
    }
    requireParent(to);
    Node moved = *source;
    nodes_.erase(key(from));
    moved.path = to;
    auto [it, added] = nodes_.insert_or_assign(key(to), std::move(moved));
    if (added) {
        it->second.order = nextOrder_++;
    }
}

std::unique_ptr<File> FakeFileSystem::open(const std::string& path, OpenMode mode) {
    if (shouldFail(FsOp::Open)) {
        throw Error("fake: cannot open " + path);
    }
    Node* node = find(path);
    if (node != nullptr && node->folder) {
        throw Error("fake: cannot open a folder " + path);
    }
    if (mode == OpenMode::Read) {
        if (node == nullptr) {
            throw Error("fake: no file " + path);
        }
        return std::make_unique<FakeFile>(*this, node->data, false);
    }
    if (node != nullptr && (node->attributes & kAttrReadOnly) != 0) {
        throw Error("fake: read-only " + path);
    }
    if (node == nullptr) {
        requireParent(path);
        addFile(path, "");
        node = find(path);
    } else if (mode == OpenMode::CreateAlways) {
        node->data->clear();
    }
    return std::make_unique<FakeFile>(*this, node->data, true);
}

std::optional<int64_t> FakeFileSystem::freeBytes(const std::string&) {
    if (shouldFail(FsOp::FreeBytes)) {
        return std::nullopt;
    }
    return freeBytes_;
}

} // namespace qly::test
