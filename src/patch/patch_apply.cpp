#include "patch/patch_apply.h"

#include "bundle/bundle_name.h"
#include "common/error.h"
#include "engine/folder_contents.h"

#include <atomic>
#include <exception>
#include <mutex>
#include <set>

namespace qly::patch {

namespace {

// Large enough that a read costs little beside the hashing, small enough that the buffer
// stays in the cache and costs few pages to set up.
constexpr std::size_t kIoChunk = 256u << 10;

// The size and hash of the file at path; nothing when no file is there. A lookup that fails
// throws: a file that could not be looked at must not pass for one already removed.
std::optional<FileState> stateOf(const std::string& path, PatchIo& io, std::string& buffer) {
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
    buffer.resize(kIoChunk);
    FileState state;
    while (const std::size_t n = file->read(buffer)) {
        hash->update({buffer.data(), n});
        state.size += n;
    }
    state.sha256 = hash->finish();
    return state;
}

bool isPlainFolder(const std::optional<uint32_t>& status) {
    return status && (*status & kAttrDirectory) != 0 && (*status & kAttrReparsePoint) == 0;
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

EntryState stateOfEntry(const PatchEntry& e, const std::string& game, PatchIo& io,
                        std::string& buffer) {
    if (!e.oldName.empty() && spelledSo(io.files, game, e.name) &&
        stateOf(JoinPath(game, e.name), io, buffer) == e.newFile) {
        return EntryState::New;
    }
    const std::optional<FileState> found = stateOf(JoinPath(game, e.nameBefore()), io, buffer);
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

// Whether a folder stands where e makes a file and holds a file that the patch does not remove
// (the player's saves or screenshots, say): that folder cannot give way to the file.
bool holdsOthers(const PatchEntry& e, const std::string& game, const std::set<std::string>& removed,
                 PatchIo& io) {
    const std::string root = JoinPath(game, "");
    if (e.kind == EntryKind::Removed || !isPlainFolder(io.files.statusOf(root + e.name))) {
        return false;
    }
    try {
        for (const std::string& file : ListFolderContents(io.files, root, e.name).files) {
            if (!removed.contains(BundlePathKey(file))) {
                return true;
            }
        }
    } catch (const Error& error) {
        if (error.kind() == FailureKind::Link) {
            return true; // a link is never the patch's to remove
        }
        throw;
    }
    return false;
}

// How many threads share out count jobs.
int workerCount(std::size_t count, const PatchIo& io) {
    if (io.threads == nullptr || count < 2) {
        return 1;
    }
    return static_cast<int>(
        std::min<std::size_t>(static_cast<std::size_t>(std::max(1, io.threadCount)), count));
}

// Runs job(worker, i) for every i below count, on workerCount(count, io) threads (worker is
// the thread's number; each index once, in no set order). The first error a job throws stops
// the rest and is thrown here once every thread has ended.
void forEachIndex(std::size_t count, PatchIo& io,
                  const std::function<void(int worker, std::size_t index)>& job) {
    std::atomic<std::size_t> next = 0;
    OnWorkers(workerCount(count, io), io, [&](int worker, const std::atomic<bool>& stop) {
        for (std::size_t i = next++; i < count && !stop; i = next++) {
            job(worker, i);
        }
    });
}

} // namespace

bool CanStart(const PatchEntry& e, EntryState s) {
    return s != EntryState::Neither || e.wholeOffset.has_value();
}

void OnWorkers(int workers, PatchIo& io,
               const std::function<void(int worker, const std::atomic<bool>& stop)>& work) {
    if (io.threads == nullptr) {
        workers = 1;
    }
    std::atomic<bool> stop = false;
    std::unique_ptr<Monitor> errorLock = workers > 1 ? io.threads->newMonitor() : nullptr;
    std::exception_ptr error;
    const auto guarded = [&](int worker) {
        try {
            work(worker, stop);
        } catch (...) {
            stop = true;
            std::unique_lock<Monitor> lock;
            if (errorLock) {
                lock = std::unique_lock(*errorLock);
            }
            if (!error) {
                error = std::current_exception();
            }
        }
    };
    {
        std::vector<std::unique_ptr<Thread>> threads;
        for (int w = 1; w < workers; ++w) {
            threads.push_back(io.threads->start([&guarded, w] { guarded(w); }));
        }
        guarded(0);
    } // the threads are joined here
    if (error) {
        std::rethrow_exception(error);
    }
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '\\' || folder.back() == '/') {
        return folder + name;
    }
    return folder + "\\" + name;
}

GameCheck CheckGame(const PatchArchive& archive, const std::string& gameFolder, PatchIo& io) {
    const auto& entries = archive.entries();
    GameCheck check;
    check.entries.resize(entries.size());
    // Files are hashed side by side, each thread reading through one buffer of its own.
    std::vector<std::string> buffers(static_cast<std::size_t>(workerCount(entries.size(), io)));
    forEachIndex(entries.size(), io, [&](int worker, std::size_t i) {
        check.entries[i] =
            stateOfEntry(entries[i], gameFolder, io, buffers[static_cast<std::size_t>(worker)]);
    });
    bool allNew = true;
    bool allStart = true;
    std::set<std::string> removed;
    for (const PatchEntry& e : entries) {
        if (e.kind == EntryKind::Removed) {
            removed.insert(BundlePathKey(e.name));
        }
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const PatchEntry& e = entries[i];
        const EntryState s = check.entries[i];
        allNew = allNew && s == EntryState::New;
        if (allStart && (!CanStart(e, s) || holdsOthers(e, gameFolder, removed, io))) {
            allStart = false;
            check.firstDifferent = e.nameBefore();
        }
    }
    check.state = allNew ? GameState::New : allStart ? GameState::Old : GameState::Other;
    return check;
}

} // namespace qly::patch
