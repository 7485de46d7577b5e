#include "copy_fixture.h"

namespace qly::test {
namespace {

class StopResume : public CopyFixture {
protected:
    StopResume() {
        fs.addFile("C:\\game\\big.bin", "old game file");
        fs.addFile("update\\big.bin", std::string(200000, 'N'));
        fs.addFile("update\\small.txt", "0123456789");
    }
    static constexpr int64_t kTotal = 200010;
};

TEST_F(StopResume, StopInsideAFileKeepsTheOldFileRestoresTheCountAndResumesThere) {
    loop.at(2, [this] { engine.StopCopy(); });

    EXPECT_EQ(engine.QuickCopy("update\\", "C:\\game\\"), 0);
    EXPECT_EQ(engine.CurrentIndex, 0);
    EXPECT_EQ(engine.TotalCopy, 0);
    EXPECT_EQ(fs.contents("C:\\game\\big.bin"), "old game file");
    EXPECT_FALSE(fs.isFile("C:\\game\\small.txt"));
    EXPECT_EQ(fs.filesBelow("C:\\game").size(), 1u); // no temporary file left
    // Two steps reported, the third noticed the stop and reported the restored count.
    EXPECT_EQ(states, (std::vector<CopyStateEvent>{
                          {31, kTotal, 62000}, {62, kTotal, 124000}, {0, kTotal, 0}}));

    EXPECT_EQ(engine.ResumeCopy(), std::nullopt);
    EXPECT_EQ(engine.StopFlag, 0);
    EXPECT_EQ(fs.contents("C:\\game\\big.bin"), std::string(200000, 'N'));
    EXPECT_EQ(fs.contents("C:\\game\\small.txt"), "0123456789");
    EXPECT_EQ(engine.TotalCopy, kTotal);
    EXPECT_EQ(engine.CurrentIndex, 1);
}

TEST_F(StopResume, StopDuringTheLastYieldOfAFileLetsItCompleteAndResumeCopiesItAgain) {
    fs.addFile("update\\big.bin", "0123456789ABCDEFGHIJ");
    loop.at(1, [this] { engine.StopCopy(); });

    EXPECT_EQ(engine.QuickCopy("update\\", "C:\\game\\"), 20);
    EXPECT_EQ(engine.CurrentIndex, 0);
    EXPECT_EQ(fs.contents("C:\\game\\big.bin"), "0123456789ABCDEFGHIJ");
    EXPECT_FALSE(fs.isFile("C:\\game\\small.txt"));

    // The file the loop stopped on is copied once more and counted twice: past 100 percent.
    EXPECT_EQ(engine.ResumeCopy(), std::nullopt);
    EXPECT_EQ(engine.TotalCopy, 20 + 20 + 10);
    EXPECT_EQ(states.back().procent, 167); // 100 - floor(100 * (30 - 50) / 30)
    EXPECT_EQ(fs.contents("C:\\game\\small.txt"), "0123456789");
}

TEST_F(StopResume, ResumeAfterAFinishedRunCopiesTheLastFileAgain) {
    EXPECT_EQ(engine.QuickCopy("update\\", "C:\\game\\"), kTotal);
    EXPECT_EQ(engine.CurrentIndex, engine.FileCount - 1);
    const int yields = loop.yields();
    EXPECT_EQ(engine.ResumeCopy(), std::nullopt);
    EXPECT_EQ(loop.yields() - yields, 1);
    EXPECT_EQ(engine.TotalCopy, kTotal + 10);
}

TEST_F(StopResume, StopBeforeARunHasNoEffectAndResumeWithNothingScannedDoesNothing) {
    EXPECT_EQ(engine.ResumeCopy(), std::nullopt);
    EXPECT_EQ(loop.yields(), 0);

    EXPECT_EQ(engine.StopCopy(), std::nullopt);
    EXPECT_EQ(engine.StopFlag, -1);
    EXPECT_EQ(engine.QuickCopy("update\\", "C:\\game\\"), kTotal);
    EXPECT_EQ(engine.StopFlag, 0);
    EXPECT_EQ(fs.contents("C:\\game\\small.txt"), "0123456789");
}

TEST_F(StopResume, ResumeAfterAFailureRetriesTheFailedFile) {
    fs.addFile("C:\\game\\small.txt", "locked", kAttrReadOnly);
    EXPECT_EQ(engine.QuickCopy("update\\", "C:\\game\\"), -1);
    EXPECT_EQ(engine.CurrentIndex, 1);
    EXPECT_EQ(fs.contents("C:\\game\\small.txt"), "locked");

    fs.setAttributes("C:\\game\\small.txt", 0);
    EXPECT_EQ(engine.ResumeCopy(), std::nullopt);
    EXPECT_EQ(fs.contents("C:\\game\\small.txt"), "0123456789");
    EXPECT_EQ(engine.ErrorFlag, 0);
}

TEST_F(StopResume, CallsMadeFromInsideARunAreRefusedAndChangeNothing) {
    CopyResult nestedCopy;
    CopyResult nestedScan;
    CopyResult nestedResume;
    loop.at(1, [&] {
        fs.addFile("other\\x.txt", "x");
        nestedCopy = engine.QuickCopy("other\\", "C:\\elsewhere\\");
        nestedScan = engine.CopyINI("other\\");
        nestedResume = engine.ResumeCopy();
    });
    EXPECT_EQ(engine.QuickCopy("update\\", "C:\\game\\"), kTotal);
    EXPECT_EQ(nestedCopy, -1);
    EXPECT_EQ(nestedScan, -1);
    EXPECT_EQ(nestedResume, -1);
    EXPECT_EQ(engine.FileCount, 2);
    EXPECT_EQ(fs.contents("C:\\game\\small.txt"), "0123456789");
    EXPECT_FALSE(fs.isFolder("C:\\elsewhere"));
    // Free again once the run is over.
    EXPECT_EQ(engine.CopyINI("other\\"), 1);
}

} // namespace
} // namespace qly::test
