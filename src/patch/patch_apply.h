// Applying a patch archive to a game folder: which version the folder holds, and the new
// files made in a staging folder beside it. Moving them into the game (and removing what the
// patch removes) is the caller's commit.
#pragma once

#include "patch/patch_archive.h"
#include "platform/file_system.h"
#include "platform/random_access_file.h"
#include "platform/sha256.h"
#include "platform/threads.h"

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qly::patch {

// The services a patch is applied with.
struct PatchIo {
    FileSystem& files;
    HashService& hashes;
    // Opens the archive (never a game file) for reads at positions.
    std::function<std::unique_ptr<RandomAccessFile>(const std::string&)> openRandom;
    ThreadService* threads = nullptr; // null: one entry after the other on the caller's thread
    int threadCount = 2;
};

// What the game holds of one entry.
enum class EntryState {
    Old,     // what the patch expects before (a file to add is absent, or will be overwritten)
    New,     // already what the patch makes (a removed file is absent)
    Neither, // a modified file or one of another version
};

enum class GameState { Old, New, Other };

struct GameCheck {
    GameState state = GameState::Other;
    std::vector<EntryState> entries; // by entry index
    std::string firstDifferent;      // Other: the first file the patch cannot start from
};

// Whether the patch can make e's new file from what CheckGame found (s): anything but a file
// of another version, unless the archive carries e whole.
bool CanStart(const PatchEntry& e, EntryState s);

// Hashes every file the patch reads or replaces. New when every entry is New (nothing to do);
// Old when every entry is Old, New (left as it is) or Neither but carried whole; Other
// otherwise, naming the first file that stops the patch. A folder where the patch makes a file
// stops it too, named, when it holds a file that the patch does not remove: what the player
// put there is never taken away. Throws Error when a file cannot be read.
GameCheck CheckGame(const PatchArchive& archive, const std::string& gameFolder, PatchIo& io);

// Writes every file the patch makes that check did not find New into stagingFolder under its
// new name (created new, folders made on the way; old files are read through no link), from a delta
// where check found the old file, else from the whole copy the archive carries; returns their entry
// indexes, in order. Each is checked against its new size and SHA-256. Throws Error (Damaged when
// the archive or an old file is not what it should be); what was staged then is the caller's to
// remove.
std::vector<std::size_t> StageFiles(const PatchArchive& archive, const std::string& archivePath,
                                    const GameCheck& check, const std::string& gameFolder,
                                    const std::string& stagingFolder, PatchIo& io);

// Joins a folder and a "\"-separated relative name.
std::string JoinPath(const std::string& folder, const std::string& name);

// Runs work(worker, stop) on `workers` threads of io (worker 0 on the calling thread; one
// thread when io has none) and waits for all. The first error a worker throws sets stop, which
// the others look at between jobs, and is thrown here once every thread has ended.
void OnWorkers(int workers, PatchIo& io,
               const std::function<void(int worker, const std::atomic<bool>& stop)>& work);

} // namespace qly::patch
