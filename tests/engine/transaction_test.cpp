// The update run as one transaction: whatever fails, and wherever the power goes, the game
// folder ends either exactly as it was or with the whole patch, and nothing of the run's own.
#include "engine/class_copy_sys.h"
#include "engine/journal.h"
#include "engine/transaction.h"
#include "patch/patch_files.h"
#include "platform/posix/libcrypto_hash_service.h"
#include "support/archive_builder.h"
#include "support/fake_file_system.h"
#include "support/fake_message_loop.h"

#include <gtest/gtest.h>

namespace qly::test {
namespace {

using Tree = std::vector<std::pair<std::string, std::string>>;

// How the run gets its new files: copied from an update\ tree, or made from a patch archive
// (a delta against an old file, files carried whole, a file removed), or from one that turns a
// file into a folder and a folder into a file.
enum class Source { UpdateTree, Archive, Swaps };

std::string nameOf(Source source) {
    switch (source) {
    case Source::UpdateTree:
        return "update\\ tree";
    case Source::Archive:
        return "patch archive";
    case Source::Swaps:
        return "patch archive turning a file into a folder and back";
    }
    return "";
}

// The old d.bin, and the delta that makes the new one from it: a changed start, an extra run,
// a seek forward, an unchanged stretch to the end, a seek back to the start and a new tail.
// The new file spans two of the engine's steps.
const std::string kOldD = [] {
    std::string d(70000, '\0');
    for (std::size_t i = 0; i < d.size(); ++i) {
        d[i] = static_cast<char>(i * 7 % 251);
    }
    return d;
}();

struct Delta {
    std::string control, differences, extra, result;
};

Delta deltaOfD() {
    Delta d;
    const auto diff = [&](std::size_t from, std::size_t n, auto add) {
        for (std::size_t i = from; i < from + n; ++i) {
            d.differences += static_cast<char>(add(i));
            d.result += static_cast<char>(kOldD[i] + add(i));
        }
    };
    const auto extra = [&](const std::string& bytes) {
        d.extra += bytes;
        d.result += bytes;
    };
    patch::AppendControlRecord(d.control, 30000, 5, 1000);
    diff(0, 30000, [](std::size_t i) { return i % 1000 == 0 ? 1 : 0; });
    extra("EXTRA");
    patch::AppendControlRecord(d.control, 39000, 0, -70000);
    diff(31000, 39000, [](std::size_t) { return 0; });
    patch::AppendControlRecord(d.control, 10000, 4, 0);
    diff(0, 10000, [](std::size_t) { return 2; });
    extra("tail");
    return d;
}

// The archive of the same patch as the tree's, with d.bin as a delta, in small blocks so that
// the delta's streams span several.
std::string patchArchive() {
    ArchiveBuilder archive;
    const Delta delta = deltaOfD();
    archive.whole("a.txt", "new a", "old a, longer than the new one");
    archive.delta("data\\d.bin", kOldD, delta.control, delta.differences, delta.extra,
                  delta.result);
    archive.whole("data\\e.bin", "new e", std::nullopt);
    archive.whole("fresh\\deep\\f.txt", "", std::nullopt);
    archive.removed("old.ocx", "control");
    return archive.bytes();
}

// The file Mods becomes the folder mods\ (in other letter case, which Windows does not tell
// apart) with a file larger than one step in a folder of its own; the folder cfg\, with a
// folder inside, becomes a file.
const std::string kLargeY(70000, 'y');

std::string swapsArchive() {
    ArchiveBuilder archive;
    archive.removed("Mods", "old list of mods");
    archive.whole("mods\\x.pak", "x", std::nullopt);
    archive.whole("mods\\deep\\y.pak", kLargeY, std::nullopt);
    archive.removed("cfg\\a.ini", "a");
    archive.removed("cfg\\sub\\b.ini", "b");
    archive.whole("cfg", "cfg, now a file", std::nullopt);
    return archive.bytes();
}

// A game with old files (one hidden, one to be removed by the run) and a patch that replaces
// some, adds others, one of them larger than one step, and a new folder tree.
void setUpGame(FakeFileSystem& fs, Source source = Source::UpdateTree,
               const std::string& place = "") {
    if (!place.empty()) {
        fs.addFolder(place.substr(0, place.size() - 1));
    }
    fs.addFile("C:\\game\\main.exe", "game");
    fs.addFile("C:\\game\\a.txt", "old a, longer than the new one", kAttrHidden);
    fs.addFile("C:\\game\\old.ocx", "control");
    if (source == Source::Swaps) {
        fs.addFile("C:\\game\\Mods", "old list of mods");
        fs.addFile("C:\\game\\cfg\\a.ini", "a");
        fs.addFile("C:\\game\\cfg\\sub\\b.ini", "b");
        static const std::string archive = swapsArchive();
        fs.addFile("update.qlypatch", archive);
        return;
    }
    if (source == Source::Archive) {
        fs.addFile("C:\\game\\data\\d.bin", kOldD);
        static const std::string archive = patchArchive();
        fs.addFile("update.qlypatch", archive);
        return;
    }
    fs.addFile("C:\\game\\data\\d.bin", "old d");
    fs.addFile("update\\a.txt", "new a", kAttrSystem);
    fs.addFile("update\\data\\d.bin", std::string(70000, 'd'));
    fs.addFile("update\\data\\e.bin", "new e");
    fs.addFile("update\\fresh\\deep\\f.txt", "");
}

// The game folder alone (the patch source is not the run's to change).
Tree gameTree(const FakeFileSystem& fs) {
    Tree tree = fs.snapshot();
    std::erase_if(tree, [](const auto& entry) { return !entry.first.starts_with("c:\\game"); });
    // Long contents by their size and a hash, so that a failure prints what matters.
    for (auto& [path, contents] : tree) {
        if (contents.size() > 100) {
            contents = std::to_string(contents.size()) + " bytes, hash " +
                       std::to_string(std::hash<std::string>{}(contents));
        }
    }
    return tree;
}

// How the walks below run: the volume flushed as a whole or file by file, and the journal in
// the run folder or, as an elevated run keeps it, in a place of its own outside the game.
struct Walk {
    bool volumeSync;
    std::string place;
    Source source = Source::UpdateTree;
};
const Walk kWalks[] = {{true, "", Source::UpdateTree},
                       {false, "", Source::UpdateTree},
                       {true, "C:\\admin\\k\\", Source::UpdateTree},
                       {true, "", Source::Archive},
                       {true, "", Source::Swaps},
                       {false, "C:\\admin\\k\\", Source::Swaps}};

std::string describe(const Walk& walk) {
    return std::string(walk.volumeSync ? "" : ", files flushed one by one") +
           (walk.place.empty() ? "" : ", journal in its own place") +
           (walk.source == Source::UpdateTree ? "" : ", " + nameOf(walk.source));
}

// What a run with its journal kept elsewhere must never leave: a journal in the game folder,
// or one in its place once the run is over or recovered.
void expectNoJournalIn(const FakeFileSystem& fs, const std::string& folder) {
    for (const auto& [path, contents] : fs.snapshot()) {
        if (path.starts_with(folder)) {
            EXPECT_EQ(path.find("journal"), std::string::npos) << path;
        }
    }
}

// The run as the update run makes it: the tree copied with the old control removed, or the
// archive checked against the game and then applied.
CopyResult runUpdate(FakeFileSystem& fs, FakeMessageLoop& loop, Source source = Source::UpdateTree,
                     const std::function<void(classCopySys&)>& watch = {},
                     const std::string& place = "") {
    classCopySys engine(fs, loop);
    engine.SetJournalPlace(place);
    if (watch) {
        watch(engine);
    }
    if (source == Source::UpdateTree) {
        engine.AddRemoval("old.ocx");
        return engine.QuickCopy("update\\", "C:\\game\\");
    }
    posix::LibcryptoHashService hashes;
    patch::PatchFiles made(fs, hashes, "update.qlypatch", "C:\\game\\");
    if (made.check().state != patch::GameState::Old) {
        return -1;
    }
    return NumericResult(engine.InstallMade(made, "", "C:\\game\\"));
}

CopyResult runUpdate(FakeFileSystem& fs, FakeMessageLoop& loop, const Walk& walk) {
    return runUpdate(fs, loop, walk.source, {}, walk.place);
}

struct Trees {
    Tree before;
    Tree after;
    int calls = 0; // file operations of a whole successful run
};

Trees referenceTrees(const Walk& walk) {
    FakeFileSystem fs;
    FakeMessageLoop loop;
    setUpGame(fs, walk.source, walk.place);
    fs.setVolumeSync(walk.volumeSync);
    Trees trees{gameTree(fs), {}, 0};
    const int before = fs.calls();
    // Bytes counted are the bytes the new files have, made or copied.
    const int64_t bytes = walk.source == Source::UpdateTree ? 70000 + 5 + 5
                          : walk.source == Source::Archive  ? std::ssize(deltaOfD().result) + 5 + 5
                                                            : 1 + std::ssize(kLargeY) + 15;
    EXPECT_EQ(runUpdate(fs, loop, walk), bytes);
    trees.calls = fs.calls() - before;
    trees.after = gameTree(fs);
    return trees;
}

// The reference run the walks below compare with: the patch in place with the replaced file's
// attributes, new folders made, the old media control removed, nothing of the run's own left.
TEST(UpdateTransaction, SucceedsWithThePatchAloneInPlace) {
    for (const Source source : {Source::UpdateTree, Source::Archive}) {
        SCOPED_TRACE(nameOf(source));
        const Trees trees = referenceTrees(Walk{true, "", source});
        EXPECT_GT(trees.calls, 40);
        const auto has = [&](const std::string& path, const std::string& contents) {
            return std::ranges::count(trees.after, std::pair(path, contents)) == 1;
        };
        EXPECT_TRUE(has("c:\\game\\a.txt", "new a|" + std::to_string(kAttrHidden)));
        EXPECT_TRUE(has("c:\\game\\fresh\\deep\\", ""));
        EXPECT_TRUE(has("c:\\game\\fresh\\deep\\f.txt", "|0"));
        const std::string d =
            source == Source::UpdateTree ? std::string(70000, 'd') : deltaOfD().result;
        EXPECT_TRUE(
            has("c:\\game\\data\\d.bin", std::to_string(d.size() + 2) + " bytes, hash " +
                                             std::to_string(std::hash<std::string>{}(d + "|0"))));
        EXPECT_FALSE(has("c:\\game\\old.ocx", "control|0"));
        for (const auto& [path, contents] : trees.after) {
            EXPECT_FALSE(path.find("qlypatch-stage") != std::string::npos) << path;
        }
    }
}

// The swaps in place: a folder where the file was, with the files below it, and a file where
// the folder was; the files the patch does not touch are as they were.
TEST(UpdateTransaction, AFileBecomesAFolderAndAFolderAFile) {
    const Trees trees = referenceTrees(Walk{true, "", Source::Swaps});
    const Tree expected = {
        {"c:\\game\\", ""},
        {"c:\\game\\a.txt", "old a, longer than the new one|" + std::to_string(kAttrHidden)},
        {"c:\\game\\cfg", "cfg, now a file|0"},
        {"c:\\game\\main.exe", "game|0"},
        {"c:\\game\\mods\\", ""},
        {"c:\\game\\mods\\deep\\", ""},
        {"c:\\game\\mods\\deep\\y.pak",
         "70002 bytes, hash " + std::to_string(std::hash<std::string>{}(kLargeY + "|0"))},
        {"c:\\game\\mods\\x.pak", "x|0"},
        {"c:\\game\\old.ocx", "control|0"}};
    EXPECT_EQ(trees.after, expected);

    // Applied again: a folder where the removed file stood and a file where the emptied folder
    // stood are what the patch made, so the game is found patched.
    FakeFileSystem fs;
    FakeMessageLoop loop;
    setUpGame(fs, Source::Swaps);
    ASSERT_GE(runUpdate(fs, loop, Source::Swaps), 0);
    posix::LibcryptoHashService hashes;
    EXPECT_EQ(patch::PatchFiles(fs, hashes, "update.qlypatch", "C:\\game\\").check().state,
              patch::GameState::New);
}

// A save put into the folder that becomes a file, after the check and before the run: the run
// refuses, naming the folder, and changes nothing; the save stays.
TEST(UpdateTransaction, AFolderThatGotAFileOfThePlayersAfterTheCheckIsNotTakenAway) {
    FakeFileSystem fs;
    FakeMessageLoop loop;
    setUpGame(fs, Source::Swaps);
    posix::LibcryptoHashService hashes;
    patch::PatchFiles made(fs, hashes, "update.qlypatch", "C:\\game\\");
    ASSERT_EQ(made.check().state, patch::GameState::Old);
    fs.addFile("C:\\game\\cfg\\sub\\slot1.sav", "the player's");
    const Tree before = gameTree(fs);
    classCopySys engine(fs, loop);
    const CopyRun run = engine.InstallMade(made, "", "C:\\game\\");
    EXPECT_EQ(run.outcome, CopyOutcome::Failed);
    ASSERT_TRUE(run.failure);
    EXPECT_EQ(run.failure->kind, FailureKind::InTheWay);
    EXPECT_EQ(run.failure->path, "cfg");
    EXPECT_EQ(gameTree(fs), before);
}

// A patch archive applied twice: the second time the game is found already patched and the
// run is not started; a game with one file changed is refused naming it, unless the archive
// carries that file whole.
TEST(UpdateTransaction, AnArchiveKnowsAPatchedGameAndNamesAFileItCannotStartFrom) {
    FakeFileSystem fs;
    FakeMessageLoop loop;
    setUpGame(fs, Source::Archive);
    ASSERT_GE(runUpdate(fs, loop, Source::Archive), 0);
    const Tree patched = gameTree(fs);
    posix::LibcryptoHashService hashes;
    EXPECT_EQ(patch::PatchFiles(fs, hashes, "update.qlypatch", "C:\\game\\").check().state,
              patch::GameState::New);

    for (const std::string changed : {"data\\d.bin", "a.txt"}) {
        SCOPED_TRACE(changed);
        FakeFileSystem other;
        setUpGame(other, Source::Archive);
        other.addFile("C:\\game\\" + changed, "modified by the player");
        const patch::PatchFiles made(other, hashes, "update.qlypatch", "C:\\game\\");
        // a.txt comes whole: whatever stands there is replaced.
        EXPECT_EQ(made.check().state,
                  changed == "a.txt" ? patch::GameState::Old : patch::GameState::Other);
        EXPECT_EQ(made.check().firstDifferent, changed == "a.txt" ? "" : changed);
    }
}

// Every file operation of a whole run fails in turn: once, twice running (a scanner holding a
// fresh file a little longer) or for good. Until the commit point the run fails and the game is
// exactly as before; after it the run has installed the whole patch. A step that fails only
// once or twice is tried again, so the run's own result is already whole, before any recovery;
// an undo that kept failing leaves its journal, and the next start finishes it.
TEST(UpdateTransaction, AFailureAtAnyOperationLeavesTheOldTreeOrTheWholeNewOne) {
    enum class Fault { Once, Twice, ForGood };
    for (const Walk& walk : kWalks) {
        const Trees trees = referenceTrees(walk);
        for (const Fault fault : {Fault::Once, Fault::Twice, Fault::ForGood}) {
            for (int n = 1; n <= trees.calls + 1; ++n) {
                SCOPED_TRACE("operation " + std::to_string(n) +
                             (fault == Fault::Once    ? " once"
                              : fault == Fault::Twice ? " twice"
                                                      : " for good") +
                             describe(walk));
                FakeFileSystem fs;
                FakeMessageLoop loop;
                setUpGame(fs, walk.source, walk.place);
                fs.setVolumeSync(walk.volumeSync);
                fs.failOn(FsOp::Any, n, fault == Fault::ForGood);
                if (fault == Fault::Twice) {
                    fs.failOn(FsOp::Any, n + 1);
                }
                // A folder that cannot be created reaches the caller, after the undo. (The result
                // is made in one expression: GCC 12 at -O2 left an optional assigned from a call
                // that threw in a state that read as neither empty nor -1.)
                const CopyResult result = [&]() -> CopyResult {
                    try {
                        return runUpdate(fs, loop, walk);
                    } catch (const Error&) {
                        return -1;
                    }
                }();
                // A listing that cannot be opened lists nothing; that is the scan's concern.
                if (fs.firstFailure() == FsOp::List) {
                    continue;
                }
                const bool succeeded = result >= 0;
                if (fault != Fault::ForGood) {
                    EXPECT_EQ(gameTree(fs), succeeded ? trees.after : trees.before)
                        << "before any recovery";
                }
                fs.clearFaults();
                RecoverInterruptedRun(fs, "C:\\game\\", nullptr, walk.place);
                EXPECT_EQ(gameTree(fs), succeeded ? trees.after : trees.before);
                if (!walk.place.empty()) {
                    expectNoJournalIn(fs, "c:\\admin");
                }
            }
        }
    }
}

// The power goes at each operation of the run in turn: no clean-up runs, and data not yet
// flushed is lost. The next start's recovery, itself cut at each of its own operations and
// started again, leaves the old tree before the commit point and the new one after it.
TEST(UpdateTransaction, APowerCutAnywhereIsRecoveredAtTheNextStart) {
    for (const Walk& walk : kWalks) {
        const Trees trees = referenceTrees(walk);
        bool committedBefore = false;
        for (int n = 1; n <= trees.calls; ++n) {
            SCOPED_TRACE("power cut at operation " + std::to_string(n) + describe(walk));
            const auto crashedRun = [&] {
                FakeFileSystem fs;
                FakeMessageLoop loop;
                setUpGame(fs, walk.source, walk.place);
                fs.setVolumeSync(walk.volumeSync);
                fs.cutPowerAt(n);
                EXPECT_THROW(runUpdate(fs, loop, walk), PowerCut);
                fs.restorePower();
                return fs;
            };
            FakeFileSystem crashed = crashedRun();
            if (!walk.place.empty()) {
                expectNoJournalIn(crashed, "c:\\game");
            }
            const auto recover = [&](FakeFileSystem& fs) {
                return RecoverInterruptedRun(fs, "C:\\game\\", nullptr, walk.place);
            };
            const int recoveryCalls = [&] {
                FakeFileSystem fs = crashed;
                const int before = fs.calls();
                recover(fs);
                const Tree tree = gameTree(fs);
                if (!walk.place.empty()) {
                    expectNoJournalIn(fs, "c:\\admin");
                }
                EXPECT_TRUE(tree == trees.before || tree == trees.after);
                const bool committed = tree == trees.after && tree != trees.before;
                EXPECT_TRUE(committed || !committedBefore);
                committedBefore = committedBefore || committed;
                return fs.calls() - before;
            }();
            const Tree expected = [&] {
                FakeFileSystem fs = crashed;
                recover(fs);
                return gameTree(fs);
            }();
            for (int m = 1; m <= recoveryCalls; ++m) {
                SCOPED_TRACE("recovery cut at its operation " + std::to_string(m));
                FakeFileSystem fs = crashed;
                fs.cutPowerAt(m);
                EXPECT_THROW(recover(fs), PowerCut);
                fs.restorePower();
                recover(fs);
                EXPECT_EQ(gameTree(fs), expected);
            }
        }
        EXPECT_TRUE(committedBefore);
    }
}

// A stop at each progress step of an archive's run in turn, the steps in the middle of the
// delta (or of the file put into a folder that takes a file's place) among them: the run is
// undone and the game is as before; past the last step the run installs the whole patch.
TEST(UpdateTransaction, AStopWhileFilesAreMadeLeavesTheOldTree) {
    for (const Source source : {Source::Archive, Source::Swaps}) {
        const Trees trees = referenceTrees(Walk{true, "", source});
        for (int stopAt = 1;; ++stopAt) {
            SCOPED_TRACE("stopped at progress step " + std::to_string(stopAt) + ", " +
                         nameOf(source));
            FakeFileSystem fs;
            FakeMessageLoop loop;
            setUpGame(fs, source);
            int steps = 0;
            const CopyResult result = runUpdate(fs, loop, source, [&](classCopySys& engine) {
                engine.CopyState = [&](int16_t, int64_t&, int64_t&) {
                    if (++steps == stopAt) {
                        engine.StopCopy();
                    }
                };
            });
            if (steps < stopAt) {
                EXPECT_EQ(gameTree(fs), trees.after);
                EXPECT_GE(stopAt, 3) << "fewer progress steps than the largest file alone makes";
                break;
            }
            EXPECT_EQ(result, -1);
            EXPECT_EQ(gameTree(fs), trees.before);
        }
    }
}

// The power goes at each operation of the run in turn, and before the next start the game (or
// the player) writes files of its own at names the run was putting there and into a folder it
// made. The recovery never removes or replaces them: they are not the run's.
TEST(UpdateTransaction, FilesTheGameWritesAfterACrashSurviveTheRecovery) {
    for (const Walk& walk : {kWalks[0], kWalks[2], kWalks[4]}) {
        const Trees trees = referenceTrees(walk);
        for (int n = 1; n <= trees.calls; ++n) {
            SCOPED_TRACE("power cut at operation " + std::to_string(n) + describe(walk));
            FakeFileSystem fs;
            FakeMessageLoop loop;
            setUpGame(fs, walk.source, walk.place);
            fs.cutPowerAt(n);
            EXPECT_THROW(runUpdate(fs, loop, walk), PowerCut);
            fs.restorePower();
            std::vector<std::string> foreign;
            // A save in the folder that the run makes where the file Mods stood, too.
            for (const std::string path : {"C:\\game\\data\\e.bin", "C:\\game\\fresh\\mine.txt",
                                           "C:\\game\\mods\\mine.sav"}) {
                const std::string folder = path.substr(0, path.rfind('\\'));
                if (!fs.statusOf(path) && fs.isFolder(folder)) {
                    fs.addFile(path, "the game's own");
                    foreign.push_back(path);
                }
            }
            RecoverInterruptedRun(fs, "C:\\game\\", nullptr, walk.place);
            for (const std::string& path : foreign) {
                EXPECT_EQ(fs.contents(path), "the game's own") << path;
            }
        }
    }
}

TEST(UpdateTransaction, ANewRunUndoesAnInterruptedOneFirst) {
    FakeFileSystem fs;
    FakeMessageLoop loop;
    setUpGame(fs);
    const Tree before = gameTree(fs);
    fs.cutPowerAt(referenceTrees(kWalks[0]).calls - 12); // in the commit
    EXPECT_THROW(runUpdate(fs, loop), PowerCut);
    fs.restorePower();
    ASSERT_TRUE(fs.isFile("C:\\game\\qlypatch-stage-1\\journal"));
    ASSERT_NE(gameTree(fs), before);
    EXPECT_EQ(runUpdate(fs, loop), 70010);
    EXPECT_EQ(fs.contents("C:\\game\\data\\d.bin"), std::string(70000, 'd'));
    EXPECT_FALSE(fs.isFolder("C:\\game\\qlypatch-stage-1"));
}

// A loop whose other program lets go of a file once the fake clock reaches a moment.
class LoopLettingGo : public FakeMessageLoop {
public:
    LoopLettingGo(FakeFileSystem& fs, std::string path, uint32_t atMs)
        : fs_(fs), path_(std::move(path)), atMs_(atMs) {}
    void sleep(int ms) override {
        FakeMessageLoop::sleep(ms);
        if (tickCount() >= atMs_) {
            fs_.letGo(path_);
        }
    }

private:
    FakeFileSystem& fs_;
    std::string path_;
    uint32_t atMs_;
};

// A staged file that a virus scanner holds while the undo wants it gone: held for about a
// second, the undo waits (on the loop's clock) and finishes; held for good, it gives up after
// about two seconds of pauses, naming the file, and the journal stays. The next start's
// recovery waits the same.
TEST(UpdateTransaction, AStepOnAHeldFileWaitsAboutTwoSecondsBeforeItGivesUp) {
    for (const uint32_t heldMs : {1000u, 1000000u}) {
        SCOPED_TRACE("held for " + std::to_string(heldMs) + " ms");
        FakeFileSystem fs;
        fs.addFile("C:\\game\\main.exe", "game");
        fs.addFile("C:\\game\\qlypatch-stage-1\\0.new", "staged");
        Journal journal;
        journal.stage = "qlypatch-stage-1";
        journal.files.push_back(JournalFile{"a.txt", JournalAction::New, "", {}, {}});
        WriteJournal(fs, "C:\\game\\", journal);
        fs.holdOpen("C:\\game\\qlypatch-stage-1\\0.new");
        LoopLettingGo loop(fs, "C:\\game\\qlypatch-stage-1\\0.new", heldMs);
        EXPECT_EQ(RecoverInterruptedRun(fs, "C:\\game\\", &loop),
                  heldMs < 2000 ? RecoveryResult::Undone : RecoveryResult::Failed);
        EXPECT_GE(loop.sleptMs(), std::min(heldMs, 1500u));
        EXPECT_LE(loop.sleptMs(), 2500);
    }
    for (const uint32_t heldMs : {1000u, 1000000u}) {
        SCOPED_TRACE("held for " + std::to_string(heldMs) + " ms");
        FakeFileSystem fs;
        fs.addFile("C:\\game\\main.exe", "game");
        fs.addFile("C:\\game\\qlypatch-stage-1\\0.new", "staged");
        Journal journal;
        journal.stage = "qlypatch-stage-1";
        journal.files.push_back(JournalFile{"a.txt", JournalAction::New, "", {}, {}});
        WriteJournal(fs, "C:\\game\\", journal);
        fs.holdOpen("C:\\game\\qlypatch-stage-1\\0.new");
        LoopLettingGo loop(fs, "C:\\game\\qlypatch-stage-1\\0.new", heldMs);
        if (heldMs < 2000) {
            EXPECT_NO_THROW(UndoRun(fs, "C:\\game\\", journal, &loop));
            EXPECT_FALSE(fs.statusOf("C:\\game\\qlypatch-stage-1"));
            EXPECT_GE(loop.sleptMs(), heldMs);
            EXPECT_LT(loop.sleptMs(), 2000);
        } else {
            try {
                UndoRun(fs, "C:\\game\\", journal, &loop);
                ADD_FAILURE() << "the undo reported success with the staged file still held";
            } catch (const Error& e) {
                EXPECT_EQ(e.kind(), FailureKind::InUse);
            }
            EXPECT_GE(loop.sleptMs(), 1500);
            EXPECT_LE(loop.sleptMs(), 2500);
            EXPECT_TRUE(fs.statusOf("C:\\game\\qlypatch-stage-1\\journal"));
        }
    }
}

TEST(Journal, RoundTripsAndRefusesWhatCouldReachOutsideTheFolder) {
    const Journal journal{
        JournalPhase::Commit,
        "qlypatch-stage-12",
        {"fresh", "fresh\\deep"},
        {{"a b.txt", JournalAction::Replace, "A B.txt", FileIdentity{7, 8},
          FileIdentity{7, 1ULL << 40}},
         {"fresh\\deep\\\xC5\x82\xC4\x85ka.txt", JournalAction::New, "", std::nullopt,
          FileIdentity{0, 3}},
         {"old.ocx", JournalAction::Remove, "", FileIdentity{7, 9}, std::nullopt},
         {"cfg\\sub", JournalAction::RemoveFolder, "", FileIdentity{7, 10}, std::nullopt},
         {"cfg", JournalAction::RemoveFolder, "CFG", FileIdentity{7, 11}, std::nullopt},
         {"mods", JournalAction::MakeFolder, "", std::nullopt, FileIdentity{7, 12}}},
        ""};
    const std::optional<Journal> back = ParseJournal(FormatJournal(journal));
    ASSERT_TRUE(back);
    EXPECT_EQ(FormatJournal(*back), FormatJournal(journal));
    EXPECT_EQ(back->files[0].original, "A B.txt");
    EXPECT_EQ(back->files[0].newFile, (FileIdentity{7, 1ULL << 40}));
    ASSERT_EQ(back->files.size(), 6u);
    EXPECT_EQ(back->files[3].action, JournalAction::RemoveFolder);
    EXPECT_EQ(back->files[4].original, "CFG");
    EXPECT_EQ(back->files[5].action, JournalAction::MakeFolder);
    EXPECT_EQ(back->files[5].newFile, (FileIdentity{7, 12}));

    const std::string head = "qlypatch journal 2\nphase staging\nstage qlypatch-stage-1\n";
    for (const std::string& bad :
         {std::string("qlypatch journal 1\nphase staging\nfile new a.txt\n"),
          std::string("qlypatch journal 2\nphase staging\nfile new - - a.txt\n"),
          std::string("qlypatch journal 2\nphase staging\nstage data\n"),
          std::string("qlypatch journal 2\nphase staging\nstage ..\\qlypatch-stage-1\n"),
          head + "file new - - ..\\x\n",
          head + "file new - - a\\..\\..\\x\n",
          head + "file old 1.2 - \\windows\\x\n",
          head + "folder C:\\x\n",
          head + "file new - - a.txt:stream\n",
          head + "file new - - \n",
          head + "file new - - a\\\\b\n",
          head + "file new - - a.txt",
          head + "delete a.txt\n",
          head + "file new a.txt\n",
          head + "file old 1 - a.txt\n",
          head + "file old 1.x - a.txt\n",
          head + "was ..\\x\n",
          head + "remove - - a\nwas b\nwas c\n",
          head + "make-folder - - ..\\x\n",
          head + "remove-folder 1.2 - C:\\x\n",
          head + "make-folder - mods\n",
          std::string("qlypatch journal 2\n")}) {
        EXPECT_FALSE(ParseJournal(bad)) << bad;
    }
}

TEST(Recovery, ADamagedJournalIsReportedAndNothingIsTouched) {
    FakeFileSystem fs;
    fs.addFile("C:\\game\\main.exe", "game");
    fs.addFile("C:\\game\\a.txt.qlybak", "kept");
    fs.addFile("C:\\outside.txt", "not ours");
    fs.addFile("C:\\game\\qlypatch.journal",
               "qlypatch journal 1\nphase commit\nfile new ..\\outside.txt\nfile old a.txt\n");
    const Tree before = fs.snapshot();
    EXPECT_EQ(RecoverInterruptedRun(fs, "C:\\game\\"), RecoveryResult::Damaged);
    EXPECT_EQ(fs.snapshot(), before);
    EXPECT_EQ(RecoverInterruptedRun(fs, "C:\\empty\\"), RecoveryResult::NothingFound);
}

} // namespace
} // namespace qly::test
