#include "common/error.h"
#include "copy_fixture.h"

#include <numeric>

namespace qly::test {
namespace {

class CopyProgress : public CopyFixture {
protected:
    CopyProgress() { fs.addFolder("C:\\game"); }
};

std::string bytes(std::size_t n, char seed = 'a') {
    std::string out(n, '\0');
    for (std::size_t i = 0; i < n; ++i) {
        out[i] = static_cast<char>(seed + i % 23);
    }
    return out;
}

TEST_F(CopyProgress, MovesAtMost62000BytesPerStepWithOneYieldEach) {
    fs.addFile("update\\a", bytes(62000));
    fs.addFile("update\\b", bytes(62001, 'k'));
    fs.addFile("update\\c", "");

    EXPECT_EQ(engine.QuickCopy("update\\", "C:\\game\\"), 124001);
    // a: one step; b: 62000 then 1; c: one empty step.
    EXPECT_EQ(loop.yields(), 4);
    EXPECT_EQ(fs.calls(FsOp::Write), 4);
    EXPECT_EQ(fs.contents("C:\\game\\a"), bytes(62000));
    EXPECT_EQ(fs.contents("C:\\game\\b"), bytes(62001, 'k'));
    EXPECT_TRUE(fs.isFile("C:\\game\\c"));
    EXPECT_EQ(fs.contents("C:\\game\\c"), "");
    // b's first step reaches 100 (rounded up); its second step does not change it. The empty
    // file starts again from 0, so it raises 100 once more.
    EXPECT_EQ(states, (std::vector<CopyStateEvent>{
                          {50, 124001, 62000}, {100, 124001, 124000}, {100, 124001, 124001}}));
}

TEST_F(CopyProgress, PercentIsRoundedUpAndRaisedOnlyWhenItChanges) {
    fs.addFile("update\\one", "x");
    fs.addFile("update\\rest", bytes(999));
    EXPECT_EQ(engine.QuickCopy("update\\", "C:\\game\\"), 1000);
    EXPECT_EQ(percents(), (std::vector<int16_t>{1, 100}));

    // 200 steps of half a percent each: every whole percent once, never twice.
    states.clear();
    fs.addFile("update\\big", bytes(200 * 62000));
    fs.remove("update\\one");
    fs.remove("update\\rest");
    const int before = loop.yields();
    EXPECT_EQ(engine.QuickCopy("update\\", "C:\\game\\"), 200 * 62000);
    EXPECT_EQ(loop.yields() - before, 200);
    std::vector<int16_t> expected(100);
    std::iota(expected.begin(), expected.end(), int16_t{1});
    EXPECT_EQ(percents(), expected);
}

TEST_F(CopyProgress, OnlyEmptyFilesCopyAndSucceedAtFullPercent) {
    fs.addFile("update\\e1", "");
    fs.addFile("update\\sub\\e2", "");
    EXPECT_EQ(engine.QuickCopy("update\\", "C:\\game\\"), 0);
    EXPECT_EQ(engine.ErrorFlag, 0);
    EXPECT_TRUE(fs.isFile("C:\\game\\e1"));
    EXPECT_TRUE(fs.isFile("C:\\game\\sub\\e2"));
    EXPECT_EQ(percents(), (std::vector<int16_t>{100, 100}));
}

TEST_F(CopyProgress, HandlerChangingTheTotalChangesLaterPercents) {
    fs.addFile("update\\a", bytes(62000));
    fs.addFile("update\\b", bytes(62000));
    engine.CopyState = [this](int16_t procent, int64_t& total, int64_t& copied) {
        states.push_back({procent, total, copied});
        if (states.size() == 1) {
            total *= 2;
        }
    };
    EXPECT_EQ(engine.QuickCopy("update\\", "C:\\game\\"), 124000);
    EXPECT_EQ(engine.TotalLen, 248000);
    EXPECT_EQ(percents(), (std::vector<int16_t>{50, 50}));
}

TEST_F(CopyProgress, CreatesFoldersParentsFirstAndKeepsThoseAlreadyThere) {
    fs.addFolder("update\\B\\B2");
    fs.addFolder("update\\A");
    fs.addFile("update\\A\\f", "1");
    fs.addFolder("C:\\game\\A");
    fs.addFile("C:\\game\\A\\keep", "mine");
    // A file standing where a folder goes counts as present; creating the folder below it
    // then fails, and that failure reaches the caller before any file is touched.
    fs.addFile("C:\\game\\B", "file");
    EXPECT_THROW(engine.QuickCopy("update\\", "C:\\game\\"), Error);
    EXPECT_EQ(fs.contents("C:\\game\\A\\keep"), "mine");
    EXPECT_EQ(fs.contents("C:\\game\\B"), "file");
    EXPECT_FALSE(fs.isFile("C:\\game\\A\\f"));

    fs.remove("C:\\game\\B");
    EXPECT_EQ(engine.QuickCopy("update\\", "C:\\game\\"), 1);
    EXPECT_TRUE(fs.isFolder("C:\\game\\B\\B2"));
    EXPECT_EQ(fs.contents("C:\\game\\A\\f"), "1");
    EXPECT_EQ(fs.contents("C:\\game\\A\\keep"), "mine");
}

} // namespace
} // namespace qly::test
