#include "copy_fixture.h"

namespace qly::test {
namespace {

class FiltersAndEvents : public CopyFixture {
protected:
    FiltersAndEvents() {
        fs.addFolder("C:\\game");
        fs.addFile("update\\a.txt", "aaaa");
        fs.addFile("update\\Sub\\Skip.TXT", "skipped!");
        fs.addFile("update\\Sub\\\xC5\x81\xC3\x93"
                   "d\xC5\xB9.txt",
                   "polish"); // ŁÓdŹ.txt
        engine.ActualFile = [this](std::string& fname) { actual.push_back(fname); };
        engine.FilterFile = [this](std::string& src, std::string& dest, int64_t&, int64_t&) {
            filtered.push_back(src + " -> " + dest);
        };
    }

    std::vector<std::string> actual;
    std::vector<std::string> filtered;
};

TEST_F(FiltersAndEvents, FilterMatchesWholeListedPathIgnoringCaseAndCountsTheFileAsDone) {
    engine.AddFilter("UPDATE\\sub\\skip.txt");
    engine.AddFilter("a.txt"); // the bare name never matches a listed path
    engine.AddFilter("update\\sub\\\xC5\x82\xC3\xB3"
                     "d\xC5\xBA.TXT"); // łódź.TXT

    EXPECT_EQ(engine.QuickCopy("update\\", "C:\\game\\"), 4 + 8 + 6);
    EXPECT_EQ(actual, (std::vector<std::string>{"a.txt", "Sub\\Skip.TXT",
                                                "Sub\\\xC5\x81\xC3\x93"
                                                "d\xC5\xB9.txt"}));
    EXPECT_EQ(filtered,
              (std::vector<std::string>{"update\\Sub\\Skip.TXT -> C:\\game\\Sub\\Skip.TXT",
                                        "update\\Sub\\\xC5\x81\xC3\x93"
                                        "d\xC5\xB9.txt -> "
                                        "C:\\game\\Sub\\\xC5\x81\xC3\x93"
                                        "d\xC5\xB9.txt"}));
    EXPECT_EQ(fs.contents("C:\\game\\a.txt"), "aaaa");
    EXPECT_FALSE(fs.isFile("C:\\game\\Sub\\Skip.TXT"));
    // Only the copied file raises progress; the filtered ones still bring the total to 100.
    EXPECT_EQ(percents(), (std::vector<int16_t>{23}));
    EXPECT_EQ(engine.TotalCopy, *engine.TotalLen);
}

TEST_F(FiltersAndEvents, FiltersAccumulateUntilClearedAndPersistAcrossRuns) {
    engine.AddFilter("update\\a.txt");
    engine.AddFilter("update\\a.txt");
    EXPECT_EQ(engine.FilterCount, 2);
    EXPECT_EQ(engine.FilterList.size(), 2u);
    engine.QuickCopy("update\\", "C:\\game\\");
    engine.QuickCopy("update\\", "C:\\game\\");
    EXPECT_EQ(filtered.size(), 2u);
    EXPECT_FALSE(fs.isFile("C:\\game\\a.txt"));

    engine.ClearFilter();
    EXPECT_EQ(engine.FilterCount, 0);
    EXPECT_EQ(engine.QuickCopy("update\\", "C:\\game\\"), 18);
    EXPECT_EQ(fs.contents("C:\\game\\a.txt"), "aaaa");
}

TEST_F(FiltersAndEvents, FilterHandlerChangesTheEnginesCountersAndSixtyFourBitResultsHold) {
    engine.AddFilter("update\\sub\\skip.txt");
    engine.FilterFile = [](std::string&, std::string&, int64_t& totalLen, int64_t& totalCopy) {
        totalLen = int64_t{6} << 30;
        totalCopy = int64_t{5} << 30;
    };
    // 5 GiB counted by the handler plus the filtered file's own 8 bytes, then the rest.
    EXPECT_EQ(engine.QuickCopy("update\\", "C:\\game\\"), (int64_t{5} << 30) + 8 + 6);
    EXPECT_EQ(engine.TotalLen, int64_t{6} << 30);
    EXPECT_EQ(states.back().totalCopyBytes, (int64_t{5} << 30) + 8 + 6);
}

TEST_F(FiltersAndEvents, ActualFileHandlerRedirectsTheDestinationButNotTheSource) {
    engine.ActualFile = [](std::string& fname) {
        if (fname == "a.txt") {
            fname = "Sub\\renamed.txt";
        }
    };
    EXPECT_EQ(engine.QuickCopy("update\\", "C:\\game\\"), 18);
    EXPECT_EQ(fs.contents("C:\\game\\Sub\\renamed.txt"), "aaaa");
    EXPECT_FALSE(fs.isFile("C:\\game\\a.txt"));
    EXPECT_EQ(engine.FileList[0], "update\\a.txt");
}

} // namespace
} // namespace qly::test
