#include "copy_fixture.h"

namespace qly::test {
namespace {

class CopyFailures : public CopyFixture {
protected:
    CopyFailures() {
        fs.addFile("C:\\game\\b.txt", "old b");
        for (const std::string name : {"a", "b", "c"}) {
            fs.addFile("update\\" + name + ".txt", "new " + name);
        }
    }
};

TEST_F(CopyFailures, FreeSpaceNotAboveTheTotalRefusesBeforeTouchingAnything) {
    fs.addFolder("update\\sub");
    // The old b.txt (5 bytes) stays until its replacement is complete: it frees nothing.
    fs.setFreeBytes(15);
    EXPECT_EQ(copy(), -2);
    EXPECT_FALSE(fs.isFolder("C:\\game\\sub")); // folders come first, then files
    fs.setFreeBytes(16);
    EXPECT_EQ(copy(), 15);
}

TEST_F(CopyFailures, VolumeThatCannotBeAskedDoesNotRefuseTheRunButAFullDiskFailsIt) {
    fs.setFreeBytes(std::nullopt);
    EXPECT_EQ(copy(), 15);
    EXPECT_EQ(fs.contents("C:\\game\\c.txt"), "new c");
    // The disk fills up while the second file is written: that file fails, its old one stays.
    fs.addFile("update\\b.txt", "newer b");
    fs.failOn(FsOp::Write, 2);
    EXPECT_EQ(copy(), -1);
    EXPECT_EQ(fs.contents("C:\\game\\b.txt"), "new b");
    EXPECT_FALSE(fs.isFile("C:\\game\\b.txt.qlytmp"));
}

TEST_F(CopyFailures, VanishedSourceIsShownSkippedAndFailsTheRunAtItsEnd) {
    engine.ActualFile = [this](std::string& fname) {
        if (fname == "b.txt") {
            fs.remove("update\\b.txt");
        }
    };
    EXPECT_EQ(copy(), -1);
    EXPECT_EQ(loop.messageBoxes(), Strings{"File not found"});
    EXPECT_EQ(fs.contents("C:\\game\\b.txt"), "old b");
    EXPECT_EQ(fs.contents("C:\\game\\c.txt"), "new c");
    EXPECT_EQ(engine.TotalCopy, 10);
}

TEST_F(CopyFailures, ReadOnlyDestinationFailsTheRunIsKeptAndResumeRetriesIt) {
    fs.addFile("C:\\game\\b.txt", "old b", kAttrReadOnly);
    EXPECT_EQ(copy(), -1);
    EXPECT_EQ(fs.contents("C:\\game\\b.txt"), "old b");
    EXPECT_FALSE(fs.isFile("C:\\game\\c.txt"));
    fs.addFile("C:\\game\\b.txt", "old b"); // writable again
    EXPECT_EQ(engine.ResumeCopy(), std::nullopt);
    EXPECT_EQ(fs.contents("C:\\game\\b.txt"), "new b");
}

TEST_F(CopyFailures, SourceShrinkingDuringTheCopyFailsInsteadOfLooping) {
    fs.addFile("update\\b.txt", std::string(130000, 'B'));
    loop.at(2, [this] { fs.addFile("update\\b.txt", "short"); });
    EXPECT_EQ(copy(), -1);
    EXPECT_EQ(fs.contents("C:\\game\\b.txt"), "old b");
    EXPECT_FALSE(fs.isFile("C:\\game\\b.txt.qlytmp"));
}

TEST_F(CopyFailures, StopInsideAFileKeepsTheOldFileRestoresTheCountAndResumesThere) {
    fs.addFile("update\\b.txt", std::string(200000, 'N'));
    loop.at(3, [this] { engine.StopCopy(); });
    EXPECT_EQ(copy(), 5);
    EXPECT_EQ(fs.contents("C:\\game\\b.txt"), "old b");
    EXPECT_FALSE(fs.isFile("C:\\game\\b.txt.qlytmp"));
    // Two steps of b reported, the third noticed the stop and reported the restored count.
    EXPECT_EQ(states,
              (std::vector<State>{
                  {1, 200010, 5}, {32, 200010, 62005}, {62, 200010, 124005}, {1, 200010, 5}}));
    EXPECT_EQ(engine.ResumeCopy(), std::nullopt);
    EXPECT_TRUE(fs.contents("C:\\game\\b.txt") == std::string(200000, 'N'));
    EXPECT_EQ(engine.TotalCopy, 200010);
}

TEST_F(CopyFailures, StopDuringTheLastYieldOfAFileLetsItCompleteAndResumeCopiesItAgain) {
    loop.at(2, [this] { engine.StopCopy(); });
    EXPECT_EQ(copy(), 10);
    EXPECT_EQ(fs.contents("C:\\game\\b.txt"), "new b");
    EXPECT_FALSE(fs.isFile("C:\\game\\c.txt"));
    // The file the loop stopped on is copied once more and counted twice: past 100 percent.
    EXPECT_EQ(engine.ResumeCopy(), std::nullopt);
    EXPECT_EQ(engine.TotalCopy, 20);
    EXPECT_EQ(states.back()[0], 134); // 100 - floor(100 * (15 - 20) / 15)
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

// Makes each call of a copy run fail in turn, once and for good: the run never loses,
// truncates or mixes a destination file, and leaves no temporary file behind.
TEST(CopyFaults, AFailureAtAnyCallLosesNothingInTheDestination) {
    using Row = std::tuple<std::string, std::optional<std::string>, std::string>; // old, new
    const std::vector<Row> rows{{"a.txt", "old a, longer than the new one", "new a"},
                                {"data\\d.bin", "old d", std::string(70000, 'd')},
                                {"data\\e.bin", std::nullopt, "new e"},
                                {"fresh\\f.txt", std::nullopt, ""}};
    // Hidden destination files and system source files are replaced and copied like others.
    const auto setUp = [&](FakeFileSystem& files) {
        files.addFile("C:\\game\\main.exe", "game");
        for (const auto& [name, old, now] : rows) {
            files.addFile("update\\" + name, now, kAttrSystem);
            if (old) {
                files.addFile("C:\\game\\" + name, *old, kAttrHidden);
            }
        }
    };
    FakeMessageLoop loop;
    FakeFileSystem clean;
    setUp(clean);
    ASSERT_EQ(classCopySys(clean, loop).QuickCopy("update\\", "C:\\game\\"), 70010);
    ASSERT_GT(clean.calls(), 20);
    for (const auto& [name, old, now] : rows) {
        EXPECT_TRUE(clean.contents("C:\\game\\" + name) == now) << name;
    }

    for (bool forGood : {false, true}) {
        for (int n = 1; n <= clean.calls(); ++n) {
            SCOPED_TRACE("call " + std::to_string(n) + (forGood ? " for good" : " once"));
            FakeFileSystem faulty;
            setUp(faulty);
            faulty.failOn(FsOp::Any, n, forGood);
            CopyResult result = -1;
            try {
                result = classCopySys(faulty, loop).QuickCopy("update\\", "C:\\game\\");
            } catch (const Error&) {
            }
            ASSERT_TRUE(faulty.firstFailure());
            // A success copied everything, unless a listing could not be opened: that lists
            // nothing without failing the run.
            const bool allNew = result >= 0 && faulty.firstFailure() != FsOp::List;
            for (const auto& [name, old, now] : rows) {
                const std::string dest = "C:\\game\\" + name;
                const auto found =
                    faulty.isFile(dest) ? std::optional(faulty.contents(dest)) : std::nullopt;
                EXPECT_TRUE(found == now || (!allNew && found == old)) << name;
                EXPECT_FALSE(faulty.isFile(dest + ".qlytmp")) << name;
            }
            EXPECT_EQ(faulty.contents("C:\\game\\main.exe"), "game");
        }
    }
}

} // namespace
} // namespace qly::test
