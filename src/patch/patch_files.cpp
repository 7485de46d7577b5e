#include "patch/patch_files.h"

#include "common/error.h"
#include "engine/link_check.h"

#include <algorithm>

namespace qly::patch {

namespace {

[[noreturn]] void damaged(const std::string& why, const std::string& path) {
    throw Error(why, FailureKind::Damaged, 0, path);
}

// A file read at positions through the handle opened for it (the game's old file, the archive).
class PositionalFile final : public RandomAccessFile {
public:
    explicit PositionalFile(std::unique_ptr<File> file)
        : file_(std::move(file)), size_(file_->length()) {}
    int64_t size() const override { return size_; }
    void readAt(int64_t offset, std::span<char> out) override { file_->readAt(offset, out); }

private:
    std::unique_ptr<File> file_;
    int64_t size_;
};

// Where the bytes of a made file come from.
class MadeFile final : public File {
public:
    MadeFile(std::string name, const FileState& expected, std::unique_ptr<Sha256> hash)
        : name_(std::move(name)), expected_(expected), hash_(std::move(hash)) {}

    std::size_t read(std::span<char> out) override {
        const auto n =
            static_cast<std::size_t>(std::min<uint64_t>(out.size(), expected_.size - position_));
        if (n == 0) {
            return 0;
        }
        produce(out.first(n));
        hash_->update(out.first(n));
        position_ += n;
        if (position_ == expected_.size && hash_->finish() != expected_.sha256) {
            damaged("the patched file is not the one the patch was made for: " + name_, name_);
        }
        return n;
    }
    void write(std::span<const char>) override {
        throw Error("a patched file is read only: " + name_);
    }
    int64_t length() override { return static_cast<int64_t>(expected_.size); }
    void flush() override {}

    // Where the bytes come from: exactly one of these is set.
    std::unique_ptr<PositionalFile> old;
    std::unique_ptr<DeltaReader> delta;
    SectionReader* whole = nullptr;
    std::string inMemory;

private:
    void produce(std::span<char> out) {
        if (delta) {
            if (delta->read(out) != out.size()) {
                damaged("the delta ends early: " + name_, name_);
            }
        } else if (whole != nullptr) {
            whole->read(out);
        } else {
            std::copy_n(inMemory.begin() + static_cast<std::ptrdiff_t>(position_), out.size(),
                        out.begin());
        }
    }

    std::string name_;
    FileState expected_;
    std::unique_ptr<Sha256> hash_;
    uint64_t position_ = 0;
};

} // namespace

std::unique_ptr<File> OpenMadeFile(const PatchEntry& e, EntryState state, SectionReaders& readers,
                                   const std::string& game, FileSystem& files,
                                   HashService& hashes) {
    auto made = std::make_unique<MadeFile>(e.name, e.newFile, hashes.newSha256());
    if (e.kind == EntryKind::Delta && state == EntryState::Old) {
        const std::string root = JoinPath(game, "");
        const std::string oldPath = root + e.nameBefore();
        // The folders on the way are the game's; the old file is read only through none of them
        // that is a link (its bytes are checked by the new hash in any case).
        LinkCheck(files, root).check(e.nameBefore());
        made->old = std::make_unique<PositionalFile>(files.open(oldPath, OpenMode::Read));
        if (static_cast<uint64_t>(made->old->size()) != e.oldFile->size) {
            damaged("the old file changed since it was checked: " + e.nameBefore(), oldPath);
        }
        readers.control.reset(e.control);
        readers.differences.reset(e.differences);
        readers.extra.reset(e.extra);
        if (e.x86) {
            // The transform needs the whole file; its size is bounded by kMaxX86FileSize.
            made->inMemory.reserve(static_cast<std::size_t>(e.newFile.size));
            DecodeX86Delta(
                readers.control, readers.differences, readers.extra, *made->old, e.newFile.size,
                [&](std::span<const char> bytes) {
                    made->inMemory.append(bytes.data(), bytes.size());
                },
                e.arithmetic);
            made->old.reset();
        } else {
            made->delta =
                std::make_unique<DeltaReader>(readers.control, readers.differences, readers.extra,
                                              *made->old, e.newFile.size, e.arithmetic);
        }
    } else if (e.wholeOffset) {
        readers.whole.reset({*e.wholeOffset, e.newFile.size});
        made->whole = &readers.whole;
    } else {
        damaged("the file is not the version the patch was made for",
                JoinPath(game, e.nameBefore()));
    }
    return made;
}

namespace {

PatchArchive readArchive(RandomAccessFile& file, const std::string& path) {
    try {
        return PatchArchive::Read(file);
    } catch (const Error& e) {
        throw Error(e.what(), e.kind(), e.systemCode(), path);
    }
}

GameCheck checkGame(const PatchArchive& archive, const std::string& game, FileSystem& files,
                    HashService& hashes) {
    PatchIo io{files, hashes, nullptr};
    return CheckGame(archive, game, io);
}

} // namespace

PatchFiles::PatchFiles(FileSystem& files, HashService& hashes, const std::string& archivePath,
                       std::string game)
    : files_(files), hashes_(hashes),
      archiveFile_(std::make_unique<PositionalFile>(files.open(archivePath, OpenMode::Read))),
      archive_(readArchive(*archiveFile_, archivePath)), game_(std::move(game)),
      check_(checkGame(archive_, game_, files, hashes)), readers_(archive_, *archiveFile_) {
    const auto& entries = archive_.entries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].kind != EntryKind::Removed && check_.entries.at(i) != EntryState::New) {
            made_.push_back(i);
        }
    }
}

std::vector<MadeFiles::Entry> PatchFiles::files() {
    std::vector<Entry> list;
    for (const std::size_t i : made_) {
        const PatchEntry& e = archive_.entries()[i];
        list.push_back({e.name, static_cast<int64_t>(e.newFile.size)});
    }
    return list;
}

std::vector<std::string> PatchFiles::removals() {
    std::vector<std::string> list;
    const auto& entries = archive_.entries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].kind == EntryKind::Removed && check_.entries.at(i) == EntryState::Old) {
            list.push_back(entries[i].name);
        }
    }
    // A rename in letter case: where names keep their case apart (a plain Linux folder) the
    // old spelling is another file, which goes; elsewhere it is the made file's own and the
    // engine replaces it instead.
    for (const std::size_t i : made_) {
        if (!entries[i].oldName.empty()) {
            list.push_back(entries[i].oldName);
        }
    }
    return list;
}

std::unique_ptr<File> PatchFiles::open(std::size_t index) {
    const std::size_t entry = made_.at(index);
    return OpenMadeFile(archive_.entries()[entry], check_.entries.at(entry), readers_, game_,
                        files_, hashes_);
}

} // namespace qly::patch
