// Staging a patch's new files into a folder of their own, on several threads: the patch
// maker's tests and benchmark use it; the installer stages through its copy engine instead.
#include "common/error.h"
#include "patch/patch_apply.h"
#include "patch/patch_files.h"

#include <atomic>

namespace qly::patch {

namespace {

// Large enough that a read costs little beside the hashing, small enough that the buffer
// stays in the cache and costs few pages to set up.
constexpr std::size_t kIoChunk = 256u << 10;

[[noreturn]] void damaged(const std::string& why, const std::string& path) {
    throw Error(why, FailureKind::Damaged, 0, path);
}

void makeParents(FileSystem& files, const std::string& folder, const std::string& name) {
    for (std::size_t cut = name.find('\\'); cut != std::string::npos;
         cut = name.find('\\', cut + 1)) {
        const std::string path = JoinPath(folder, name.substr(0, cut));
        if (!Exists(files, path)) {
            files.createFolder(path);
        }
    }
}

void stageEntry(const PatchEntry& e, EntryState state, SectionReaders& readers,
                const std::string& game, const std::string& staging, PatchIo& io,
                std::string& buffer) {
    auto in = OpenMadeFile(e, state, readers, game, io.files, io.hashes);
    // Created new: nothing planted in the staging folder is written through.
    auto out = io.files.open(JoinPath(staging, e.name), OpenMode::CreateNew);
    buffer.resize(kIoChunk);
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

std::vector<std::size_t> StageFiles(const PatchArchive& archive, const std::string& archivePath,
                                    const GameCheck& check, const std::string& gameFolder,
                                    const std::string& stagingFolder, PatchIo& io) {
    const auto& entries = archive.entries();
    std::vector<std::size_t> todo;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].kind != EntryKind::Removed && check.entries.at(i) != EntryState::New) {
            if (!CanStart(entries[i], check.entries[i])) {
                damaged("the file is not the version the patch was made for",
                        JoinPath(gameFolder, entries[i].nameBefore()));
            }
            todo.push_back(i);
            makeParents(io.files, stagingFolder, entries[i].name);
        }
    }
    const int workers = io.threads == nullptr ? 1 : std::max(1, io.threadCount);
    OnWorkers(workers, io, [&](int worker, const std::atomic<bool>& stop) {
        // A worker's archive reads go through a handle of its own.
        const auto archiveFile = io.openRandom(archivePath);
        SectionReaders readers(archive, *archiveFile);
        std::string buffer;
        for (std::size_t i : todo) {
            if (stop) {
                return;
            }
            if (static_cast<int>(groupOf(archive, entries[i], i) % workers) == worker) {
                stageEntry(entries[i], check.entries[i], readers, gameFolder, stagingFolder, io,
                           buffer);
            }
        }
    });
    return todo;
}

} // namespace qly::patch
