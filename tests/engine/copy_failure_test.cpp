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
