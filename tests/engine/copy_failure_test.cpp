#include "common/error.h"
#include "copy_fixture.h"

#include <map>

namespace qly::test {
namespace {

class CopyFailures : public CopyFixture {
protected:
    CopyFailures() {
        fs.addFile("C:\\game\\main.exe", "game");
        fs.addFile("update\\a.txt", "new a");
        fs.addFile("update\\b.txt", "new b");
        fs.addFile("update\\c.txt", "new c");
    }

    bool tempFilesLeft() const {
        for (const auto& path : fs.filesBelow("C:\\game")) {
            if (path.ends_with(classCopySys::kTempSuffix)) {
                return true;
            }
        }
        return false;
    }
};

TEST_F(CopyFailures, FreeSpaceNotAboveTheTotalRefusesBeforeTouchingAnything) {
    fs.addFolder("update\\sub");
    fs.setFreeBytes(15);
    EXPECT_EQ(engine.QuickCopy("update\\", "C:\\game\\"), -2);
    EXPECT_FALSE(fs.isFolder("C:\\game\\sub"));
    EXPECT_EQ(fs.filesBelow("C:\\game").size(), 1u);

    // A volume that cannot be asked (no drive letter, network path) counts as full.
    fs.setFreeBytes(std::nullopt);
    EXPECT_EQ(engine.QuickCopy("update\\", "\\\\server\\share\\"), -2);

    fs.setFreeBytes(16);
    EXPECT_EQ(engine.QuickCopy("update\\", "C:\\game\\"), 15);
}

TEST_F(CopyFailures, VanishedSourceIsShownSkippedAndFailsTheRunAtItsEnd) {
    fs.addFile("C:\\game\\b.txt", "old b");
    engine.ActualFile = [this](std::string& fname) {
        if (fname == "b.txt") {
            fs.remove("update\\b.txt");
        }
    };
    EXPECT_EQ(engine.QuickCopy("update\\", "C:\\game\\"), -1);
    EXPECT_EQ(loop.messageBoxes(), std::vector<std::string>{"File not found"});
    EXPECT_EQ(fs.contents("C:\\game\\a.txt"), "new a");
    EXPECT_EQ(fs.contents("C:\\game\\b.txt"), "old b");
    EXPECT_EQ(fs.contents("C:\\game\\c.txt"), "new c");
    EXPECT_EQ(engine.TotalCopy, 10);
    EXPECT_EQ(engine.CurrentIndex, 2);
}

TEST_F(CopyFailures, HiddenAndSystemFilesAreCopiedAndReplacedWhole) {
    fs.addFile("update\\h.ini", "hidden new", kAttrHidden);
    fs.addFile("update\\s.dll", "sys", kAttrSystem);
    fs.addFile("C:\\game\\h.ini", "hidden old and much longer", kAttrHidden);
    fs.addFile("C:\\game\\s.dll", "system old and longer", kAttrSystem | kAttrHidden);

    EXPECT_EQ(engine.QuickCopy("update\\", "C:\\game\\"), 15 + 10 + 3);
    EXPECT_TRUE(loop.messageBoxes().empty());
    EXPECT_EQ(fs.contents("C:\\game\\h.ini"), "hidden new");
    EXPECT_EQ(fs.contents("C:\\game\\s.dll"), "sys");
}

TEST_F(CopyFailures, ReadOnlyDestinationFailsTheRunAndIsKept) {
    fs.addFile("C:\\game\\b.txt", "old b", kAttrReadOnly);
    EXPECT_EQ(engine.QuickCopy("update\\", "C:\\game\\"), -1);
    EXPECT_EQ(engine.ErrorFlag, 1);
    EXPECT_EQ(engine.CurrentIndex, 1);
    EXPECT_EQ(fs.contents("C:\\game\\a.txt"), "new a");
    EXPECT_EQ(fs.contents("C:\\game\\b.txt"), "old b");
    EXPECT_FALSE(fs.isFile("C:\\game\\c.txt"));
    EXPECT_FALSE(tempFilesLeft());
}

TEST_F(CopyFailures, DiskFillingUpMidFileKeepsTheOldFile) {
    fs.addFile("update\\b.txt", std::string(150000, 'B'));
    fs.addFile("C:\\game\\b.txt", "old b");
    fs.setWriteLimit(100000);
    EXPECT_EQ(engine.QuickCopy("update\\", "C:\\game\\"), -1);
    EXPECT_TRUE(fs.contents("C:\\game\\b.txt") == "old b");
    EXPECT_FALSE(tempFilesLeft());
    EXPECT_FALSE(fs.isFile("C:\\game\\c.txt"));
}

TEST_F(CopyFailures, SourceShrinkingDuringTheCopyFailsInsteadOfLooping) {
    fs.addFile("update\\b.txt", std::string(130000, 'B'));
    fs.addFile("C:\\game\\b.txt", "old b");
    loop.at(2, [this] { fs.addFile("update\\b.txt", "short"); });
    EXPECT_EQ(engine.QuickCopy("update\\", "C:\\game\\"), -1);
    EXPECT_TRUE(fs.contents("C:\\game\\b.txt") == "old b");
    EXPECT_FALSE(tempFilesLeft());
}

// Makes each call of a copy run fail in turn, once and for good, and checks that the run
// reports the failure (or reaches the caller as Error) and that no destination file is ever
// lost, truncated or mixed.
TEST_F(CopyFailures, AFailureAtAnyCallLosesNothingInTheDestination) {
    auto setUp = [](FakeFileSystem& target) {
        target.addFile("C:\\game\\main.exe", "game");
        target.addFile("C:\\game\\a.txt", "old a, longer than the new one");
        target.addFile("C:\\game\\data\\d.bin", "old d", kAttrHidden);
        target.addFile("update\\a.txt", "new a");
        target.addFile("update\\data\\d.bin", std::string(70000, 'd'));
        target.addFile("update\\data\\e.bin", "new e");
        target.addFile("update\\fresh\\f.txt", "");
    };
    const std::map<std::string, std::string> oldFiles{
        {"C:\\game\\main.exe", "game"},
        {"C:\\game\\a.txt", "old a, longer than the new one"},
        {"C:\\game\\data\\d.bin", "old d"}};
    const std::map<std::string, std::string> newFiles{
        {"C:\\game\\a.txt", "new a"},
        {"C:\\game\\data\\d.bin", std::string(70000, 'd')},
        {"C:\\game\\data\\e.bin", "new e"},
        {"C:\\game\\fresh\\f.txt", ""}};

    FakeFileSystem clean;
    setUp(clean);
    FakeMessageLoop cleanLoop;
    classCopySys cleanEngine(clean, cleanLoop);
    ASSERT_EQ(cleanEngine.QuickCopy("update\\", "C:\\game\\"), 5 + 70000 + 5);
    const int totalCalls = clean.calls(FsOp::Any);
    ASSERT_GT(totalCalls, 20);

    for (bool forGood : {false, true}) {
        for (int n = 1; n <= totalCalls; ++n) {
            SCOPED_TRACE("call " + std::to_string(n) + (forGood ? " for good" : " once"));
            FakeFileSystem faulty;
            setUp(faulty);
            FakeMessageLoop faultyLoop;
            classCopySys faultyEngine(faulty, faultyLoop);
            faulty.failOn(FsOp::Any, n, forGood);

            CopyResult result;
            bool threw = false;
            try {
                result = faultyEngine.QuickCopy("update\\", "C:\\game\\");
            } catch (const Error&) {
                threw = true;
            }
            ASSERT_TRUE(faulty.firstFailure().has_value());
            const FsOp failed = *faulty.firstFailure();

            for (const auto& path : faulty.filesBelow("C:\\game")) {
                EXPECT_FALSE(path.ends_with(classCopySys::kTempSuffix)) << path;
            }
            for (const auto& [path, old] : oldFiles) {
                ASSERT_TRUE(faulty.isFile(path)) << path << " lost";
                const std::string now = faulty.contents(path);
                EXPECT_TRUE(now == old || (newFiles.contains(path) && now == newFiles.at(path)))
                    << path << " mixed";
            }
            for (const auto& [path, contents] : newFiles) {
                if (faulty.isFile(path) && !oldFiles.contains(path)) {
                    EXPECT_TRUE(faulty.contents(path) == contents) << path << " incomplete";
                }
            }
            const bool success = !threw && result.has_value() && *result >= 0;
            if (success && failed != FsOp::List) {
                // A failed call whose answer did no harm (a lookup of a folder that is not
                // there anyway) may still end in success, but then everything was copied.
                // Only an unopenable listing lists nothing without failing the run.
                for (const auto& [path, contents] : newFiles) {
                    ASSERT_TRUE(faulty.isFile(path)) << path << " missing after success";
                    EXPECT_TRUE(faulty.contents(path) == contents) << path;
                }
            }
            if (!success) {
                EXPECT_TRUE(threw || result == -1 || result == -2);
            }
        }
    }
}

} // namespace
} // namespace qly::test
