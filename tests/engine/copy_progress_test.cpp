#include "copy_fixture.h"
#include "engine/transaction.h"

#include <numeric>

namespace qly::test {
namespace {

class CopyProgress : public CopyFixture {
protected:
    CopyProgress() { fs.addFolder("C:\\game"); }
};

TEST_F(CopyProgress, MovesAtMost62000BytesPerStepWithOneYieldEach) {
    fs.addFile("update\\a", std::string(62000, 'a'));
    fs.addFile("update\\b", std::string(62001, 'b'));
    fs.addFile("update\\c", "");
    EXPECT_EQ(copy(), 124001);
    EXPECT_EQ(loop.yields(), 4); // a: one step; b: 62000 then 1; c: one empty step
    EXPECT_TRUE(fs.contents("C:\\game\\b") == std::string(62001, 'b'));
    EXPECT_TRUE(fs.isFile("C:\\game\\c"));
    // b's first step reaches 100 (rounded up); the empty c starts from 0 and raises 100 again.
    EXPECT_EQ(states, (std::vector<State>{
                          {50, 124001, 62000}, {100, 124001, 124000}, {100, 124001, 124001}}));
}

TEST_F(CopyProgress, PercentIsRoundedUpRaisedOnlyWhenItChangesAndFullWhenNothingCounts) {
    std::vector<int64_t> every(100);
    std::iota(every.begin(), every.end(), 1);
    // File sizes, and the percents raised: 0.1 % shows as 1; 200 steps of half a percent
    // raise every whole percent once; empty files alone are all done.
    const std::vector<std::pair<std::vector<std::size_t>, std::vector<int64_t>>> rows{
        {{1, 999}, {1, 100}}, {{200 * 62000}, every}, {{0, 0}, {100, 100}}};
    for (const auto& [sizes, expected] : rows) {
        percents.clear();
        fs.remove("update");
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            fs.addFile("update\\" + std::to_string(i), std::string(sizes[i], 'x'));
        }
        EXPECT_EQ(copy(), std::accumulate(sizes.begin(), sizes.end(), int64_t{0}));
        EXPECT_EQ(percents, expected);
    }
}

TEST_F(CopyProgress, FolderCreationFailureIsReportedAfterTheUndoAndSaysWhenTheUndoFailed) {
    fs.addFolder("update\\B\\B2");
    fs.addFile("update\\a", "1");
    const auto before = fs.snapshot();
    fs.failOn(FsOp::CreateFolder, 3, true); // the run's own folder, B, then B2
    EXPECT_EQ(copy(), -1);
    EXPECT_TRUE(engine.LastFailure->undone);
    EXPECT_EQ(fs.snapshot(), before);
    // The undo failing too is told as such; the next start finishes it.
    fs.clearFaults();
    fs.failOn(FsOp::CreateFolder, 3, true);
    fs.failOn(FsOp::RemoveFolder, 1, true);
    EXPECT_EQ(copy(), -1);
    EXPECT_FALSE(engine.LastFailure->undone);
    fs.clearFaults();
    EXPECT_EQ(RecoverInterruptedRun(fs, "C:\\game\\"), RecoveryResult::Undone);
    EXPECT_EQ(fs.snapshot(), before);
    // A file where a folder must go is found before anything changes, and named.
    fs.clearFaults();
    fs.addFile("C:\\game\\B", "file");
    EXPECT_EQ(copy(), -1);
    EXPECT_EQ(engine.LastFailure->kind, FailureKind::InTheWay);
    EXPECT_EQ(engine.LastFailure->path, "B");
    EXPECT_EQ(fs.contents("C:\\game\\B"), "file");
}

TEST_F(CopyProgress, FilterMatchesTheWholeListedPathIgnoringCaseAndCountsTheFileAsDone) {
    // "ŁÓdŹ.txt", then the same name in other letter cases.
    const std::string polish = "Sub\\\xC5\x81\xC3\x93"
                               "d\xC5\xB9.txt";
    fs.addFile("update\\a.txt", "aaaa");
    fs.addFile("update\\Sub\\Skip.TXT", "skipped!");
    fs.addFile("update\\" + polish, "polish");
    engine.AddFilter("UPDATE\\sub\\skip.txt");
    engine.AddFilter("a.txt"); // the bare name never matches a listed path
    engine.AddFilter("update\\sub\\\xC5\x82\xC3\xB3"
                     "d\xC5\xBA.TXT");
    EXPECT_EQ(copy(), 4 + 8 + 6);
    EXPECT_EQ(fs.contents("C:\\game\\a.txt"), "aaaa");
    EXPECT_FALSE(fs.isFile("C:\\game\\Sub\\Skip.TXT"));
    EXPECT_FALSE(fs.isFile("C:\\game\\" + polish));
    // Only the copied file raises progress; the filtered ones still bring the total to 100.
    EXPECT_EQ(percents, (std::vector<int64_t>{23}));
    EXPECT_EQ(engine.TotalCopy, engine.TotalLen);
}

// The events get the engine's own variables: what a handler changes, the engine uses.
TEST_F(CopyProgress, HandlersChangeTheEnginesCountersAndTheDestination) {
    fs.addFile("update\\a", std::string(62000, 'a'));
    fs.addFile("update\\b", std::string(62000, 'b'));
    fs.addFile("update\\skip", "12345678");
    engine.AddFilter("update\\skip");
    engine.ActualFile = [](std::string& fname) { fname = fname == "a" ? "moved" : fname; };
    engine.CopyState = [this](int16_t procent, int64_t& total, int64_t&) {
        percents.push_back(procent);
        total = 248000;
    };
    engine.FilterFile = [](std::string&, std::string&, int64_t&, int64_t& totalCopy) {
        totalCopy += int64_t{5} << 30; // 64-bit counts hold
    };
    EXPECT_EQ(copy(), (int64_t{5} << 30) + 124008);
    EXPECT_EQ(engine.TotalLen, 248000);
    EXPECT_EQ(percents, (std::vector<int64_t>{50, 50}));
    EXPECT_TRUE(fs.contents("C:\\game\\moved") == std::string(62000, 'a'));
}

} // namespace
} // namespace qly::test
