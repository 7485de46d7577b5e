// An in-memory FileSystem for tests: Windows-style paths (either separator, letter case
// ignored), attribute bits, a settable free-space figure and a fault hook: "the Nth next call
// of operation X fails", once or for good. A listing gives "." and "..", then the entries in
// the order they were added; the pattern is not looked at.
#pragma once

#include "common/error.h"
#include "platform/file_system.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace qly::test {

// clang-format off
enum class FsOp { Any, List, ListNext, Attributes, FileExists, Exists, CreateFolder, DeleteFile,
                  ReplaceFile, Open, Read, Write, Length, FreeBytes };
// clang-format on

class FakeFileSystem : public FileSystem {
public:
    // Add an entry and the folders on the way to it. A file added again keeps its place in
    // listings, and files open on it see the new contents.
    void addFolder(const std::string& path, uint32_t attributes = 0) {
        Node& node = put(path);
        node.data.reset();
        node.attributes = attributes | kAttrDirectory;
    }
    void addFile(const std::string& path, const std::string& contents, uint32_t attributes = 0) {
        Node& node = put(path);
        node.data = node.data ? node.data : std::make_shared<std::string>();
        *node.data = contents;
        node.attributes = attributes;
    }
    // Removes an entry and everything below it.
    void remove(const std::string& path) {
        const std::string k = key(path) + "\\";
        std::erase_if(nodes_, [&](const Node& n) { return (key(n.path) + "\\").starts_with(k); });
    }
    bool isFile(const std::string& path) const { return find(path) && find(path)->data; }
    bool isFolder(const std::string& path) const { return find(path) && !find(path)->data; }
    // Contents of a file; throws std::out_of_range for a missing one.
    std::string contents(const std::string& path) const {
        return isFile(path) ? *find(path)->data : throw std::out_of_range("fake: no " + path);
    }
    // What freeBytes reports (nothing: the query fails). Default: 1 TiB.
    void setFreeBytes(std::optional<int64_t> bytes) { freeBytes_ = bytes; }

    // Makes the nth next call (1 = the very next) of op fail; with forGood, every later one
    // too. A failing call throws Error, or answers as the query's failure does.
    void failOn(FsOp op, int nth, bool forGood = false) { faults_.push_back({op, nth, forGood}); }
    // Calls made so far of all operations; the operation of the first call made to fail.
    int calls() const { return calls_; }
    std::optional<FsOp> firstFailure() const { return firstFailure_; }
    // Counts a call of op and answers whether it is to fail; the fake's files use it too.
    bool shouldFail(FsOp op) {
        ++calls_;
        bool fail = false;
        for (Fault& f : faults_) {
            if (f.op == op || f.op == FsOp::Any) {
                --f.countdown;
                fail |= f.countdown == 0 || (f.countdown < 0 && f.forGood);
            }
        }
        if (fail && !firstFailure_) {
            firstFailure_ = op;
        }
        return fail;
    }

    std::unique_ptr<DirListing> list(const std::string& folder, const std::string&) override {
        check(!shouldFail(FsOp::List) && isFolder(folder), folder);
        std::vector<DirEntry> entries{{".", kAttrDirectory, 0}, {"..", kAttrDirectory, 0}};
        for (const Node& node : nodes_) {
            if (key(parentOf(node.path)) == key(folder)) {
                const std::string name = node.path.substr(node.path.find_last_of("\\/") + 1);
                entries.push_back({name, node.attributes, node.data ? std::ssize(*node.data) : 0});
            }
        }
        return std::make_unique<Listing>(*this, std::move(entries));
    }
    uint32_t attributes(const std::string& path) override {
        const Node* node = shouldFail(FsOp::Attributes) ? nullptr : find(path);
        return node ? node->attributes : kInvalidAttributes;
    }
    bool fileExists(const std::string& path) override {
        return !shouldFail(FsOp::FileExists) && isFile(path) &&
               (find(path)->attributes & (kAttrHidden | kAttrSystem)) == 0;
    }
    bool exists(const std::string& path) override {
        return !shouldFail(FsOp::Exists) && find(path);
    }
    void createFolder(const std::string& path) override {
        check(!shouldFail(FsOp::CreateFolder) && !find(path) && hasParent(path), path);
        addFolder(path);
    }
    void deleteFile(const std::string& path) override {
        check(!shouldFail(FsOp::DeleteFile) && writableFile(path), path);
        remove(path);
    }
    void removeQuietly(const std::string& path) noexcept override {
        if (isFile(path)) {
            remove(path);
        }
    }
    void replaceFile(const std::string& from, const std::string& to) override {
        check(!shouldFail(FsOp::ReplaceFile) && isFile(from) && !isFolder(to) && hasParent(to), to);
        const Node moved = *find(from);
        remove(from);
        put(to) = {to, moved.attributes, moved.data};
    }
    std::unique_ptr<File> open(const std::string& path, OpenMode mode) override {
        const bool write = mode != OpenMode::Read;
        const bool creates = write && !find(path) && hasParent(path);
        check(!shouldFail(FsOp::Open) && (write ? writableFile(path) || creates : isFile(path)),
              path);
        if (creates || mode == OpenMode::CreateAlways) {
            addFile(path, "", creates ? 0 : find(path)->attributes);
        }
        return std::make_unique<FakeFile>(*this, find(path)->data, write);
    }
    std::optional<int64_t> freeBytes(const std::string&) override {
        return shouldFail(FsOp::FreeBytes) ? std::nullopt : freeBytes_;
    }

private:
    struct Node {
        std::string path; // as added
        uint32_t attributes = 0;
        std::shared_ptr<std::string> data; // null for a folder
    };
    struct Fault {
        FsOp op;
        int countdown;
        bool forGood;
    };
    class Listing : public DirListing {
    public:
        Listing(FakeFileSystem& fs, std::vector<DirEntry> entries)
            : fs_(fs), entries_(std::move(entries)) {}
        bool next(DirEntry& entry) override {
            check(!fs_.shouldFail(FsOp::ListNext), "a listing");
            if (index_ == entries_.size()) {
                return false;
            }
            entry = entries_[index_++];
            return true;
        }

        FakeFileSystem& fs_;
        std::vector<DirEntry> entries_;
        std::size_t index_ = 0;
    };
    class FakeFile : public File {
    public:
        FakeFile(FakeFileSystem& fs, std::shared_ptr<std::string> data, bool writable)
            : fs_(fs), data_(std::move(data)), writable_(writable) {}
        std::size_t read(std::span<char> out) override {
            check(!fs_.shouldFail(FsOp::Read), "a read");
            const auto n = data_->copy(out.data(), out.size(), std::min(pos_, data_->size()));
            pos_ += n;
            return n;
        }
        void write(std::span<const char> in) override {
            check(!fs_.shouldFail(FsOp::Write) && writable_, "a write");
            data_->replace(pos_, in.size(), in.data(), in.size());
            pos_ += in.size();
        }
        int64_t length() override {
            check(!fs_.shouldFail(FsOp::Length), "a length");
            return std::ssize(*data_);
        }

        FakeFileSystem& fs_;
        std::shared_ptr<std::string> data_;
        bool writable_;
        std::size_t pos_ = 0;
    };

    static void check(bool ok, const std::string& what) {
        if (!ok) {
            throw Error("fake: failed on " + what);
        }
    }
    // Lower case, "\" separators, no trailing one.
    static std::string key(std::string path) {
        for (char& c : path) {
            c = c == '/' ? '\\' : static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        }
        return path.substr(0, path.find_last_not_of('\\') + 1);
    }
    // The folder part of path, without a trailing separator; "" at the top.
    static std::string parentOf(std::string path) {
        path.erase(path.find_last_not_of("\\/") + 1);
        const std::size_t slash = path.find_last_of("\\/");
        return slash == std::string::npos ? std::string() : path.substr(0, slash);
    }
    bool hasParent(const std::string& path) const {
        return parentOf(path).empty() || isFolder(parentOf(path));
    }
    bool writableFile(const std::string& path) const {
        return isFile(path) && (find(path)->attributes & kAttrReadOnly) == 0;
    }
    Node* find(const std::string& path) const {
        auto it = std::ranges::find(nodes_, key(path), [](const Node& n) { return key(n.path); });
        return it == nodes_.end() ? nullptr : &*it;
    }
    // The entry for path, added when missing after the folders on the way to it.
    Node& put(const std::string& path) {
        if (!hasParent(path)) {
            addFolder(parentOf(path));
        }
        return find(path) ? *find(path) : nodes_.emplace_back(Node{path, 0, nullptr});
    }

    mutable std::vector<Node> nodes_; // in the order they were added
    std::optional<int64_t> freeBytes_ = int64_t{1} << 40;
    std::vector<Fault> faults_;
    int calls_ = 0;
    std::optional<FsOp> firstFailure_;
};

} // namespace qly::test
