#include "copy_fixture.h"

#include <functional>

namespace qly::test {
namespace {

// A game with an old b.txt, and a patch of a.txt, b.txt and c.txt (15 bytes).
void addGameAndPatch(FakeFileSystem& fs) {
    fs.addFile("C:\\game\\b.txt", "old b");
    for (const std::string name : {"a", "b", "c"}) {
        fs.addFile("update\\" + name + ".txt", "new " + name);
    }
}

class CopyFailures : public CopyFixture {
protected:
    CopyFailures() { addGameAndPatch(fs); }
};

TEST_F(CopyFailures, FreeSpaceNotAboveTheTotalRefusesBeforeTouchingAnything) {
    fs.addFolder("update\\sub");
    // The old b.txt (5 bytes) stays until its replacement is complete: it frees nothing.
    fs.setFreeBytes(15);
    EXPECT_EQ(copy(), -2);
    EXPECT_FALSE(fs.isFolder("C:\\game\\sub")); // folders come first, then files
    fs.setFreeBytes(16);
    EXPECT_EQ(copy(), 15);
    // A volume that cannot be asked does not refuse the run.
    fs.setFreeBytes(std::nullopt);
    EXPECT_EQ(copy(), 15);
}

// The destination as the run found it: nothing new, nothing of the run's own left behind.
void expectUntouched(const FakeFileSystem& fs) {
    EXPECT_EQ(fs.contents("C:\\game\\b.txt"), "old b");
    for (const char* name : {"a.txt", "c.txt"}) {
        EXPECT_FALSE(fs.isFile(std::string("C:\\game\\") + name)) << name;
    }
    EXPECT_FALSE(fs.isFolder("C:\\game\\qlypatch-stage-1"));
}

TEST_F(CopyFailures, VanishedSourceIsShownAndUndoesTheWholeRun) {
    engine.ActualFile = [this](std::string& fname) {
        if (fname == "b.txt") {
            fs.remove("update\\b.txt");
        }
    };
    EXPECT_EQ(copy(), -1);
    EXPECT_EQ(loop.messageBoxes(), Strings{"File not found"});
    expectUntouched(fs);
    ASSERT_TRUE(engine.LastFailure);
    EXPECT_EQ(engine.LastFailure->kind, FailureKind::Vanished);
    EXPECT_EQ(engine.LastFailure->path, "b.txt");
}

// What cannot be replaced is found before anything is written, and named.
TEST_F(CopyFailures, DestinationThatCannotBeReplacedEndsTheRunBeforeAnyChange) {
    const std::vector<std::pair<std::function<void()>, FailureKind>> cases{
        {[this] { fs.addFile("C:\\game\\b.txt", "old b", kAttrReadOnly); }, FailureKind::ReadOnly},
        {[this] { fs.holdOpen("C:\\game\\b.txt"); }, FailureKind::InUse},
        {[this] { fs.addFolder("C:\\game\\c.txt"); }, FailureKind::InTheWay},
    };
    for (const auto& [block, kind] : cases) {
        fs = FakeFileSystem{};
        addGameAndPatch(fs);
        block();
        EXPECT_EQ(copy(), -1);
        ASSERT_TRUE(engine.LastFailure);
        EXPECT_EQ(engine.LastFailure->kind, kind);
        EXPECT_EQ(engine.LastFailure->path, kind == FailureKind::InTheWay ? "c.txt" : "b.txt");
        EXPECT_FALSE(fs.isFolder("C:\\game\\qlypatch-stage-1"));
        EXPECT_FALSE(fs.isFile("C:\\game\\a.txt"));
    }
}

// The run's value says what the numbers only encode, and carries its failure with it.
TEST_F(CopyFailures, InstallTellsTheOutcomeAndItsFailureAsAValue) {
    fs.setFreeBytes(15);
    EXPECT_EQ(engine.Install("update\\", "C:\\game\\").outcome, CopyOutcome::NoSpace);
    fs.setFreeBytes(std::nullopt);
    fs.holdOpen("C:\\game\\b.txt");
    CopyRun run = engine.Install("update\\", "C:\\game\\");
    EXPECT_EQ(run.outcome, CopyOutcome::Failed);
    ASSERT_TRUE(run.failure);
    EXPECT_EQ(run.failure->kind, FailureKind::InUse);
    EXPECT_EQ(run.failure->path, "b.txt");
    EXPECT_TRUE(run.failure->undone);
    fs.letGo("C:\\game\\b.txt");
    run = engine.Install("update\\", "C:\\game\\");
    EXPECT_EQ(run.outcome, CopyOutcome::Installed);
    EXPECT_EQ(run.bytes, 15);
    EXPECT_FALSE(run.failure);
}

TEST_F(CopyFailures, ReadOnlyDestinationIsKeptAndResumeInstallsOnceItIsWritable) {
    fs.addFile("C:\\game\\b.txt", "old b", kAttrReadOnly);
    EXPECT_EQ(copy(), -1);
    EXPECT_EQ(fs.contents("C:\\game\\b.txt"), "old b");
    fs.addFile("C:\\game\\b.txt", "old b"); // writable again
    EXPECT_EQ(engine.ResumeCopy(), std::nullopt);
    EXPECT_EQ(fs.contents("C:\\game\\a.txt"), "new a");
    EXPECT_EQ(fs.contents("C:\\game\\b.txt"), "new b");
    EXPECT_FALSE(fs.isFile("C:\\game\\b.txt.qlybak"));
    EXPECT_FALSE(engine.LastFailure);
}

// The real shortage gives the no-space answer, also where the free space could not be asked.
TEST_F(CopyFailures, DiskFillingUpWhileStagingAnswersNoSpaceAndUndoes) {
    fs.setFreeBytes(std::nullopt);
    loop.at(1, [this] { fs.setDiskFull(true); });
    EXPECT_EQ(copy(), -2);
    expectUntouched(fs);
    EXPECT_EQ(engine.LastFailure->kind, FailureKind::DiskFull);
}

TEST_F(CopyFailures, SourceShrinkingDuringTheCopyFailsInsteadOfLooping) {
    fs.addFile("update\\b.txt", std::string(130000, 'B'));
    loop.at(2, [this] { fs.addFile("update\\b.txt", "short"); });
    EXPECT_EQ(copy(), -1);
    expectUntouched(fs);
}

TEST_F(CopyFailures, StopInsideAFileUndoesTheRunAndResumeInstallsItWhole) {
    fs.addFile("update\\b.txt", std::string(200000, 'N'));
    loop.at(3, [this] { engine.StopCopy(); });
    EXPECT_EQ(copy(), -1);
    expectUntouched(fs);
    EXPECT_TRUE(engine.LastFailure && engine.LastFailure->stopped);
    // Two steps of b reported, the third noticed the stop and reported the restored count.
    EXPECT_EQ(states,
              (std::vector<State>{
                  {1, 200010, 5}, {32, 200010, 62005}, {62, 200010, 124005}, {1, 200010, 5}}));
    EXPECT_EQ(engine.ResumeCopy(), std::nullopt);
    EXPECT_EQ(fs.contents("C:\\game\\a.txt"), "new a");
    EXPECT_TRUE(fs.contents("C:\\game\\b.txt") == std::string(200000, 'N'));
    EXPECT_EQ(engine.TotalCopy, 200010);
}

TEST_F(CopyFailures, StopDuringTheLastYieldOfAFileUndoesAndResumeCountsThatFileAgain) {
    // Each file takes one step: yield 3 is the last of the whole run, after its last byte.
    for (const int yield : {2, 3}) {
        SCOPED_TRACE("stop at yield " + std::to_string(yield));
        FakeFileSystem fresh;
        FakeMessageLoop quiet;
        classCopySys other(fresh, quiet);
        addGameAndPatch(fresh);
        quiet.at(yield, [&] { other.StopCopy(); });
        EXPECT_EQ(other.QuickCopy("update\\", "C:\\game\\"), -1);
        expectUntouched(fresh);
        EXPECT_TRUE(other.LastFailure && other.LastFailure->stopped);
    }
    loop.at(2, [this] { engine.StopCopy(); });
    EXPECT_EQ(copy(), -1);
    expectUntouched(fs);
    // The file the loop stopped on is copied once more and counted twice: past 100 percent.
    EXPECT_EQ(engine.ResumeCopy(), std::nullopt);
    EXPECT_EQ(engine.TotalCopy, 20);
    EXPECT_EQ(states.back()[0], 134); // 100 - floor(100 * (15 - 20) / 15)
    EXPECT_EQ(fs.contents("C:\\game\\c.txt"), "new c");
}

TEST_F(CopyFailures, RedirectedDestinationIsJournaledAndUndoneLikeAnyOther) {
    engine.ActualFile = [this](std::string& fname) {
        if (fname == "a.txt") {
            fname = "z.txt";
        }
        if (fname == "c.txt") {
            fs.remove("update\\c.txt");
        }
    };
    EXPECT_EQ(copy(), -1);
    EXPECT_FALSE(fs.isFile("C:\\game\\z.txt"));
    EXPECT_FALSE(fs.isFile("C:\\game\\z.txt.qlytmp"));
    expectUntouched(fs);
}

// A name a handler gives that leads out of the game folder ends the run before anything is
// written, and is named.
TEST_F(CopyFailures, RedirectionOutOfTheDestinationIsRefusedBeforeAnythingIsWritten) {
    for (const std::string name :
         {"..\\x.txt", "C:x.txt", "sub\\..\\..\\x.txt", "\\x.txt", "a.txt:stream"}) {
        SCOPED_TRACE(name);
        fs = FakeFileSystem{};
        addGameAndPatch(fs);
        const auto before = fs.snapshot();
        engine.ActualFile = [&](std::string& fname) {
            if (fname == "b.txt") {
                fname = name;
            }
        };
        EXPECT_EQ(copy(), -1);
        EXPECT_EQ(fs.snapshot(), before);
        ASSERT_TRUE(engine.LastFailure);
        EXPECT_EQ(engine.LastFailure->kind, FailureKind::InTheWay);
        EXPECT_EQ(engine.LastFailure->path, name);
    }
}

// Another program changes a name between the plan and the commit: the run is undone and says
// which file changed, and what the other program put there stays.
TEST_F(CopyFailures, NameChangedBetweenPlanAndCommitIsReportedAsChangedMeanwhile) {
    const std::vector<std::pair<std::string, std::function<void()>>> cases{
        {"b.txt",
         [this] {
             fs.remove("C:\\game\\b.txt");
             fs.addFolder("C:\\game\\b.txt");
         }},
        {"b.txt", [this] { fs.remove("C:\\game\\b.txt"); }},
        {"c.txt", [this] { fs.addFile("C:\\game\\c.txt", "theirs"); }},
    };
    for (const auto& [changed, change] : cases) {
        SCOPED_TRACE(changed);
        fs = FakeFileSystem{};
        addGameAndPatch(fs);
        change();
        const auto expected = fs.snapshot();
        fs = FakeFileSystem{};
        addGameAndPatch(fs);
        loop = FakeMessageLoop{};
        loop.at(1, change);
        EXPECT_EQ(copy(), -1);
        EXPECT_EQ(fs.snapshot(), expected);
        ASSERT_TRUE(engine.LastFailure);
        EXPECT_EQ(engine.LastFailure->kind, FailureKind::InTheWay);
        EXPECT_EQ(engine.LastFailure->path, changed);
    }
}

TEST_F(CopyFailures, UndoBeforeTheCommitLeavesAPlayersFileOfTheBackupNameAlone) {
    fs.addFile("C:\\game\\b.txt.qlybak", "the player's");
    engine.ActualFile = [this](std::string& fname) {
        if (fname == "c.txt") {
            fs.remove("update\\c.txt");
        }
    };
    EXPECT_EQ(copy(), -1);
    EXPECT_EQ(fs.contents("C:\\game\\b.txt"), "old b");
    EXPECT_EQ(fs.contents("C:\\game\\b.txt.qlybak"), "the player's");
}

TEST_F(CopyFailures, UndoThatFailsTooKeepsTheFirstCauseAndSaysTheJournalStays) {
    engine.ActualFile = [this](std::string& fname) {
        if (fname == "c.txt") {
            fs.remove("update\\c.txt");
            fs.failOn(FsOp::DeleteFile, 1, true);
        }
    };
    EXPECT_EQ(copy(), -1);
    ASSERT_TRUE(engine.LastFailure);
    EXPECT_EQ(engine.LastFailure->kind, FailureKind::Vanished);
    EXPECT_EQ(engine.LastFailure->path, "c.txt");
    EXPECT_FALSE(engine.LastFailure->undone);
    EXPECT_TRUE(fs.isFile("C:\\game\\qlypatch-stage-1\\journal"));
}

// A removal of a file the patch brings, in any letter case, installs the new file.
TEST_F(CopyFailures, RemovalOfAFileThePatchBringsInstallsTheNewFile) {
    for (const char* removal : {"b.txt", "B.TXT", "a.txt"}) {
        SCOPED_TRACE(removal);
        fs = FakeFileSystem{};
        addGameAndPatch(fs);
        engine.AddRemoval(removal);
        EXPECT_EQ(copy(), 15);
        for (const char* name : {"a", "b", "c"}) {
            EXPECT_EQ(fs.contents(std::string("C:\\game\\") + name + ".txt"),
                      std::string("new ") + name);
        }
        EXPECT_FALSE(fs.isFile("C:\\game\\b.txt.qlybak"));
        EXPECT_FALSE(fs.isFile("C:\\game\\qlypatch.journal"));
    }
}

TEST_F(CopyFailures, CallsFromInsideARunAreRefusedAndAStopFromBeforeItIsForgotten) {
    std::array<CopyResult, 3> nested;
    loop.at(1, [&] {
        fs.addFile("other\\x.txt", "x");
        nested[0] = engine.QuickCopy("other\\", "C:\\elsewhere\\");
        nested[1] = engine.CopyINI("other\\");
        nested[2] = engine.ResumeCopy();
    });
    engine.StopCopy();
    EXPECT_EQ(copy(), 15);
    EXPECT_EQ(nested, (std::array<CopyResult, 3>{-1, -1, -1}));
    EXPECT_EQ(engine.CopyINI("other\\"), 1); // free again once the run is over
}

} // namespace
} // namespace qly::test
