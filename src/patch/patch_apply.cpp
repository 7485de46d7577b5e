#include "patch/patch_apply.h"

#include "bundle/bundle_name.h"
#include "common/error.h"
#include "engine/folder_contents.h"

#include <set>

namespace qly::patch {

namespace {

constexpr std::size_t kIoChunk = 1u << 20;

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

} // namespace

bool CanStart(const PatchEntry& e, EntryState s) {
    return s != EntryState::Neither || e.wholeOffset.has_value();
}

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
    std::set<std::string> removed;
    for (const PatchEntry& e : archive.entries()) {
        if (e.kind == EntryKind::Removed) {
            removed.insert(BundlePathKey(e.name));
        }
    }
    for (const PatchEntry& e : archive.entries()) {
        const EntryState s = stateOfEntry(e, gameFolder, io);
        check.entries.push_back(s);
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
