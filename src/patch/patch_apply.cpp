#include "patch/patch_apply.h"

#include "common/error.h"
#include "patch/patch_files.h"

#include <atomic>
#include <exception>
#include <mutex>

namespace qly::patch {

namespace {

constexpr std::size_t kIoChunk = 1u << 20;

[[noreturn]] void damaged(const std::string& why, const std::string& path) {
    throw Error(why, FailureKind::Damaged, 0, path);
}

// The size and hash of the file at path; nothing when no file is there. A lookup that fails
// throws: a file that could not be looked at must not pass for one already removed.
std::optional<FileState> stateOf(const std::string& path, PatchIo& io) {
    const std::optional<uint32_t> attributes = io.files.statusOf(path);
    if (!attributes || (*attributes & kAttrDirectory) != 0) {
        return std::nullopt;
    }
    if ((*attributes & kAttrReparsePoint) != 0) {
        throw Error("a link stands where the patch reads a file", FailureKind::AccessDenied, 0,
                    path);
    }
    auto file = io.files.open(path, OpenMode::Read);
    auto hash = io.hashes.newSha256();
    std::string buffer(kIoChunk, '\0');
    FileState state;
    while (const std::size_t n = file->read(buffer)) {
        hash->update({buffer.data(), n});
        state.size += n;
    }
    state.sha256 = hash->finish();
    return state;
}

// Whether folder\name is spelled exactly so: a file system that ignores letter case finds a
// file under any spelling, and a rename in letter case is done only when the name shows it.
bool spelledSo(FileSystem& files, const std::string& folder, const std::string& name) {
    const std::size_t cut = name.rfind('\\');
    const std::string parent =
        cut == std::string::npos ? folder : JoinPath(folder, name.substr(0, cut));
    const std::string leaf = cut == std::string::npos ? name : name.substr(cut + 1);
    if (!files.statusOf(parent)) {
        return false;
    }
    auto listing = files.list(parent, leaf);
    DirEntry entry;
    while (listing && listing->next(entry)) {
        if (entry.name == leaf) {
            return true;
        }
    }
    return false;
}

EntryState stateOfEntry(const PatchEntry& e, const std::string& game, PatchIo& io) {
    if (!e.oldName.empty() && spelledSo(io.files, game, e.name) &&
        stateOf(JoinPath(game, e.name), io) == e.newFile) {
        return EntryState::New;
    }
    const std::optional<FileState> found = stateOf(JoinPath(game, e.nameBefore()), io);
    if (e.kind == EntryKind::Removed) {
        return !found                 ? EntryState::New
               : *found == *e.oldFile ? EntryState::Old
                                      : EntryState::Neither;
    }
    if (e.oldName.empty() && found && *found == e.newFile) {
        return EntryState::New;
    }
    if (!e.oldFile) {
        return EntryState::Old; // an added file: whatever stands in its way is overwritten
    }
    return found && *found == *e.oldFile ? EntryState::Old : EntryState::Neither;
}

bool canStart(const PatchEntry& e, EntryState s) {
    return s != EntryState::Neither || e.wholeOffset.has_value();
}

void makeParents(FileSystem& files, const std::string& folder, const std::string& name) {
    for (std::size_t cut = name.find('\\'); cut != std::string::npos;
         cut = name.find('\\', cut + 1)) {
        const std::string path = JoinPath(folder, name.substr(0, cut));
        if (!files.exists(path)) {
            files.createFolder(path);
        }
    }
}

void stageEntry(const PatchEntry& e, EntryState state, SectionReaders& readers,
                const std::string& game, const std::string& staging, PatchIo& io) {
    auto in = OpenMadeFile(e, state, readers, game, io.files, io.hashes);
    // Created new: nothing planted in the staging folder is written through.
    auto out = io.files.open(JoinPath(staging, e.name), OpenMode::CreateNew);
    std::string buffer(kIoChunk, '\0');
    while (const std::size_t n = in->read(buffer)) {
        out->write({buffer.data(), n});
    }
    out->flush();
}

// The block of the whole section where an entry's data starts: entries that start in one block
// go to one worker, which then decodes that block once.
std::size_t groupOf(const PatchArchive& archive, const PatchEntry& e, std::size_t index) {
    if (!e.wholeOffset || e.kind == EntryKind::Delta) {
        return archive.blocks().size() + index;
    }
    std::size_t group = 0;
    for (std::size_t b = 0; b < archive.blocks().size(); ++b) {
        const BlockInfo& block = archive.blocks()[b];
        if (block.section == Section::Whole && block.sectionOffset <= *e.wholeOffset) {
            group = b;
        }
    }
    return group;
}

} // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '\\' || folder.back() == '/') {
        return folder + name;
    }
    return folder + "\\" + name;
}

GameCheck CheckGame(const PatchArchive& archive, const std::string& gameFolder, PatchIo& io) {
    GameCheck check;
    bool allNew = true;
    bool allStart = true;
    for (const PatchEntry& e : archive.entries()) {
        const EntryState s = stateOfEntry(e, gameFolder, io);
        check.entries.push_back(s);
        allNew = allNew && s == EntryState::New;
        if (!canStart(e, s) && allStart) {
            allStart = false;
            check.firstDifferent = e.nameBefore();
        }
    }
    check.state = allNew ? GameState::New : allStart ? GameState::Old : GameState::Other;
    return check;
}

std::vector<std::size_t> StageFiles(const PatchArchive& archive, const std::string& archivePath,
                                    const GameCheck& check, const std::string& gameFolder,
                                    const std::string& stagingFolder, PatchIo& io) {
    const auto& entries = archive.entries();
    std::vector<std::size_t> todo;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].kind != EntryKind::Removed && check.entries.at(i) != EntryState::New) {
            if (!canStart(entries[i], check.entries[i])) {
                damaged("the file is not the version the patch was made for",
                        JoinPath(gameFolder, entries[i].nameBefore()));
            }
            todo.push_back(i);
            makeParents(io.files, stagingFolder, entries[i].name);
        }
    }
    const int workers = io.threads == nullptr ? 1 : std::max(1, io.threadCount);
    std::atomic<bool> failed = false;
    std::unique_ptr<Monitor> errorLock = workers > 1 ? io.threads->newMonitor() : nullptr;
    std::exception_ptr error;
    const auto work = [&](int worker) {
        try {
            // A worker's archive reads go through a handle of its own.
            const auto archiveFile = io.openRandom(archivePath);
            SectionReaders readers(archive, *archiveFile);
            for (std::size_t i : todo) {
                if (failed) {
                    return;
                }
                if (static_cast<int>(groupOf(archive, entries[i], i) % workers) == worker) {
                    stageEntry(entries[i], check.entries[i], readers, gameFolder, stagingFolder,
                               io);
                }
            }
        } catch (...) {
            failed = true;
            std::unique_lock<Monitor> lock;
            if (errorLock) {
                lock = std::unique_lock(*errorLock);
            }
            if (!error) {
                error = std::current_exception();
            }
        }
    };
    if (workers == 1) {
        work(0);
    } else {
        std::vector<std::unique_ptr<Thread>> threads;
        for (int w = 1; w < workers; ++w) {
            threads.push_back(io.threads->start([&work, w] { work(w); }));
        }
        work(0);
        threads.clear(); // waits for them
    }
    if (error) {
        std::rethrow_exception(error);
    }
    return todo;
}

} // namespace qly::patch
