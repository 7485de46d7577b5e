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
#include <ranges>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace qly::test {

// clang-format off
enum class FsOp { Any, List, ListNext, CreateFolder, DeleteFile, ReplaceFile, Open, Read, Write,
                  Length, FreeBytes, Flush, Status, CheckReplaceable, ReplaceWithBackup,
                  RemoveFolder, SyncVolume, Identity, HoldFolder };
// clang-format on

// Thrown by every call after the fake's power was cut. It is no std::exception, so that code
// which handles failures does not handle it: as in a real power cut, nothing runs after it.
struct PowerCut {};

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
    void clearFaults() { faults_.clear(); }
    // The nth next call (1 = the very next) and every one after it throw PowerCut and change
    // nothing. restorePower() ends the cut; data written since its file's last flush (or the
    // last syncVolume) is then lost: the file keeps its size but holds zero bytes. So are the
    // plain renames (replaceFile) made since the last syncVolume or durable rename, latest
    // first, where the volume can be synced: there the system writes names back lazily. A
    // volume that cannot be synced keeps its renames in order, the one promise it makes.
    void cutPowerAt(int nth) { powerCountdown_ = nth; }
    void restorePower() {
        powerCountdown_.reset();
        for (const Rename& rename : std::views::reverse(lazyRenames_)) {
            Node* now = find(rename.moved.path);
            if (now == nullptr || now->data != rename.moved.data || find(rename.from)) {
                continue; // changed again since: nothing of this rename is left to lose
            }
            std::vector<Node> taken = take(rename.moved.path);
            if (rename.replaced) {
                put(rename.replaced->path) = *rename.replaced;
            }
            place(std::move(taken),
                  {rename.from, rename.moved.attributes, rename.moved.data, rename.moved.id});
        }
        lazyRenames_.clear();
        for (const Node& node : nodes_) {
            if (node.data && dirty_.contains(node.data.get())) {
                node.data->assign(node.data->size(), '\0');
            }
        }
        dirty_.clear();
    }
    bool powerIsCut() const { return powerCountdown_ && *powerCountdown_ <= 0; }
    // From now on another program holds path open without sharing: it cannot be replaced,
    // deleted, moved or written.
    void holdOpen(const std::string& path) { held_.push_back(key(path)); }
    // The other program closes path again.
    void letGo(const std::string& path) { std::erase(held_, key(path)); }
    // Every entry, folders with a trailing "\", with each file's contents: a picture of the
    // whole tree to compare before and after.
    std::vector<std::pair<std::string, std::string>> snapshot() const {
        std::vector<std::pair<std::string, std::string>> all;
        for (const Node& n : nodes_) {
            all.emplace_back(key(n.path) + (n.data ? "" : "\\"),
                             n.data ? *n.data + "|" + std::to_string(n.attributes) : "");
        }
        std::ranges::sort(all);
        return all;
    }
    // Calls made so far of all operations; the operation of the first call made to fail.
    int calls() const { return calls_; }
    std::optional<FsOp> firstFailure() const { return firstFailure_; }
    // Counts a call of op and answers whether it is to fail; the fake's files use it too.
    bool shouldFail(FsOp op) {
        if (powerCountdown_ && --*powerCountdown_ <= 0) {
            throw PowerCut{};
        }
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
    void createFolder(const std::string& path) override {
        check(!shouldFail(FsOp::CreateFolder) && !find(path) && hasParent(path), path);
        addFolder(path);
    }
    void deleteFile(const std::string& path) override {
        check(!shouldFail(FsOp::DeleteFile) && writableFile(path), path);
        checkNotHeld(path);
        remove(path);
    }
    void removeQuietly(const std::string& path) noexcept override {
        if (isFile(path) && !powerIsCut() && !isHeld(path)) {
            remove(path);
        }
    }
    // A folder is moved only to a name where nothing stands, and with everything in it.
    void replaceFile(const std::string& from, const std::string& to) override {
        check(!shouldFail(FsOp::ReplaceFile) && find(from) && !isFolder(to) && hasParent(to) &&
                  (isFile(from) || !find(to)),
              to);
        checkNotHeld(from);
        checkNotHeld(to);
        const Node moved = *find(from);
        const Node* replaced = find(to);
        Rename rename{from,
                      {to, moved.attributes, moved.data, moved.id},
                      replaced ? std::optional<Node>(*replaced) : std::nullopt};
        move(from, rename.moved);
        if (volumeSync_) {
            lazyRenames_.push_back(std::move(rename));
        }
    }
    std::optional<uint32_t> statusOf(const std::string& path) override {
        check(!shouldFail(FsOp::Status), path);
        const Node* node = find(path);
        return node ? std::optional<uint32_t>(node->attributes) : std::nullopt;
    }
    void checkReplaceable(const std::string& path) override {
        check(!shouldFail(FsOp::CheckReplaceable), path);
        const Node* node = find(path);
        if (node == nullptr) {
            return;
        }
        if (!node->data) {
            throw Error("fake: a folder stands at " + path, FailureKind::InTheWay, 267, path);
        }
        if ((node->attributes & kAttrReadOnly) != 0) {
            throw Error("fake: read-only " + path, FailureKind::ReadOnly, 5, path);
        }
        checkNotHeld(path);
    }
    void replaceWithBackup(const std::string& staged, const std::string& destination,
                           const std::string& backup) override {
        check(!shouldFail(FsOp::ReplaceWithBackup) && isFile(staged) && isFile(destination),
              destination);
        checkNotHeld(destination);
        const Node old = *find(destination);
        const Node fresh = *find(staged);
        remove(staged);
        remove(backup);
        remove(destination);
        put(backup) = {backup, old.attributes, old.data, old.id};
        put(destination) = {destination, old.attributes, fresh.data, fresh.id};
    }
    void replaceFileDurably(const std::string& from, const std::string& to) override {
        replaceFile(from, to);
        // Written through: the names changed before it are on the disk with it.
        lazyRenames_.clear();
    }
    bool removeFolder(const std::string& path) override {
        check(!shouldFail(FsOp::RemoveFolder) && isFolder(path), path);
        for (const Node& node : nodes_) {
            if (key(parentOf(node.path)) == key(path)) {
                return false;
            }
        }
        remove(path);
        return true;
    }
    bool syncVolume(const std::string& path) override {
        check(!shouldFail(FsOp::SyncVolume), path);
        if (!volumeSync_) {
            return false;
        }
        dirty_.clear();
        lazyRenames_.clear();
        return true;
    }
    // Whether syncVolume flushes (true, the default) or answers that it cannot.
    void setVolumeSync(bool available) { volumeSync_ = available; }
    std::unique_ptr<File> open(const std::string& path, OpenMode mode) override {
        const bool write = mode != OpenMode::Read;
        const bool mayCreate = mode == OpenMode::CreateAlways || mode == OpenMode::CreateNew;
        const bool creates = mayCreate && !find(path) && hasParent(path);
        const bool allowed = mode == OpenMode::CreateNew ? creates
                             : write                     ? writableFile(path) || creates
                                                         : isFile(path);
        check(!shouldFail(FsOp::Open) && allowed, path);
        if (write) {
            checkNotHeld(path);
        }
        if (creates || mode == OpenMode::CreateAlways) {
            addFile(path, "", creates ? 0 : find(path)->attributes);
        }
        return std::make_unique<FakeFile>(*this, find(path)->data, write);
    }
    std::optional<int64_t> freeBytes(const std::string&) override {
        return shouldFail(FsOp::FreeBytes) ? std::nullopt : freeBytes_;
    }
    std::optional<FileIdentity> identityOf(const std::string& path) override {
        check(!shouldFail(FsOp::Identity), path);
        const Node* node = find(path);
        return node ? std::optional<FileIdentity>(FileIdentity{1, node->id}) : std::nullopt;
    }
    std::unique_ptr<FolderHold> holdFolder(const std::string& path) override {
        check(!shouldFail(FsOp::HoldFolder) && isFolder(path), path);
        if ((find(path)->attributes & kAttrReparsePoint) != 0) {
            throw Error("fake: a link stands at " + path, FailureKind::Link, 0, path);
        }
        return std::make_unique<FolderHold>();
    }

private:
    struct Node {
        std::string path; // as added
        uint32_t attributes = 0;
        std::shared_ptr<std::string> data; // null for a folder
        uint64_t id = 0;                   // the file's identity, kept through moves
    };
    // A plain rename not yet on the disk: what stood at both names before it.
    struct Rename {
        std::string from;
        Node moved; // as it stands at its new name
        std::optional<Node> replaced;
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
        void readAt(int64_t offset, std::span<char> out) override {
            check(!fs_.shouldFail(FsOp::Read), "a read");
            const auto at = static_cast<std::size_t>(offset);
            check(at <= data_->size() && out.size() <= data_->size() - at, "a read past the end");
            data_->copy(out.data(), out.size(), at);
        }
        void write(std::span<const char> in) override {
            check(!fs_.shouldFail(FsOp::Write) && writable_, "a write");
            if (fs_.full_) {
                throw Error("fake: the disk is full", FailureKind::DiskFull, 112, "");
            }
            data_->replace(pos_, in.size(), in.data(), in.size());
            pos_ += in.size();
            fs_.dirty_.insert(data_.get());
        }
        void flush() override {
            check(!fs_.shouldFail(FsOp::Flush), "a flush");
            fs_.dirty_.erase(data_.get());
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
    bool isHeld(const std::string& path) const {
        return std::ranges::find(held_, key(path)) != held_.end();
    }
    void checkNotHeld(const std::string& path) const {
        if (isHeld(path)) {
            throw Error("fake: in use " + path, FailureKind::InUse, 32, path);
        }
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
    // Takes the entry at path and what is below it out of the tree, the entry first.
    std::vector<Node> take(const std::string& path) {
        std::vector<Node> taken{*find(path)};
        const std::string below = key(path) + "\\";
        for (const Node& node : nodes_) {
            if (key(node.path).starts_with(below)) {
                taken.push_back(node);
            }
        }
        remove(path);
        return taken;
    }
    // Puts what take() took back as moved, what was below it below moved's path.
    void place(std::vector<Node> taken, const Node& moved) {
        const std::size_t cut = taken.front().path.size();
        taken.front() = moved;
        for (std::size_t i = 1; i < taken.size(); ++i) {
            taken[i].path = moved.path + taken[i].path.substr(cut);
        }
        put(moved.path) = moved;
        for (std::size_t i = 1; i < taken.size(); ++i) {
            nodes_.push_back(taken[i]);
        }
    }
    void move(const std::string& from, const Node& moved) {
        std::vector<Node> taken = take(from);
        if (find(moved.path)) {
            remove(moved.path); // a file replaced
        }
        place(std::move(taken), moved);
    }
    // The entry for path, added when missing after the folders on the way to it.
    Node& put(const std::string& path) {
        if (!hasParent(path)) {
            addFolder(parentOf(path));
        }
        return find(path) ? *find(path) : nodes_.emplace_back(Node{path, 0, nullptr, ++lastId_});
    }

    mutable std::vector<Node> nodes_; // in the order they were added
    std::optional<int64_t> freeBytes_ = int64_t{1} << 40;
    std::vector<Fault> faults_;
    std::optional<int> powerCountdown_;
    std::set<const std::string*> dirty_;
    std::vector<Rename> lazyRenames_;
    std::vector<std::string> held_;
    bool volumeSync_ = true;
    int calls_ = 0;
    uint64_t lastId_ = 0;

public:
    // Every write from now on fails as on a full disk.
    void setDiskFull(bool full) { full_ = full; }

private:
    bool full_ = false;
    std::optional<FsOp> firstFailure_;
};

} // namespace qly::test
