#include "common/error.h"
#include "copy_fixture.h"

namespace qly::test {
namespace {

using Strings = std::vector<std::string>;

class Scan : public CopyFixture {};

TEST_F(Scan, ListsFoldersBreadthFirstPerLevelAndFilesDepthFirstInListingOrder) {
    fs.addFile("update\\top.txt", "12");
    fs.addFolder("update\\B");
    fs.addFolder("update\\A");
    fs.addFile("update\\B\\b1.dat", "123");
    fs.addFolder("update\\B\\B2");
    fs.addFile("update\\B\\B2\\deep.txt", "1");
    fs.addFile("update\\A\\a1.dat", "1234");
    fs.addFile("update\\z.txt", "");

    EXPECT_EQ(engine.CopyINI("update\\"), 10);
    EXPECT_EQ(engine.FolderList, (Strings{"update\\B", "update\\A", "update\\B\\B2"}));
    EXPECT_EQ(engine.FileList, (Strings{"update\\top.txt", "update\\z.txt", "update\\B\\b1.dat",
                                        "update\\B\\B2\\deep.txt", "update\\A\\a1.dat"}));
    EXPECT_EQ(engine.FileCount, 5);
    EXPECT_EQ(engine.FolderCount, 3);
    EXPECT_EQ(engine.SourceRoot, "update\\");
    EXPECT_EQ(engine.TotalLen, 10);
}

TEST_F(Scan, ListsHiddenAndSystemEntriesLikeAnyOther) {
    fs.addFile("update\\h.txt", "ab", kAttrHidden);
    fs.addFile("update\\s.txt", "c", kAttrSystem | kAttrReadOnly);
    fs.addFolder("update\\hf", kAttrHidden);
    fs.addFile("update\\hf\\x", "d");

    EXPECT_EQ(engine.CopyINI("update\\"), 4);
    EXPECT_EQ(engine.FileList, (Strings{"update\\h.txt", "update\\s.txt", "update\\hf\\x"}));
    EXPECT_EQ(engine.FolderList, (Strings{"update\\hf"}));
}

TEST_F(Scan, EmptyFolderGivesEmptyTotalButMissingFolderFails) {
    fs.addFolder("update");
    EXPECT_EQ(engine.CopyINI("update\\"), std::nullopt);
    EXPECT_EQ(engine.TotalLen, std::nullopt);
    EXPECT_EQ(engine.FileCount, 0);
    EXPECT_EQ(engine.FolderCount, 0);
    EXPECT_EQ(engine.ErrorFlag, 0);

    EXPECT_EQ(engine.CopyINI("missing\\"), -1);
    EXPECT_EQ(engine.ErrorFlag, 1);
    EXPECT_EQ(engine.QuickCopy("missing\\", "C:\\game\\"), -1);
}

TEST_F(Scan, EntryWithUnreadableAttributesIsTakenAsFolderNeverAsFile) {
    fs.addFile("update\\a.txt", "abc");
    fs.addFolder("update\\link");
    fs.setAttributes("update\\link", kAttrReparsePoint);
    fs.addFile("update\\link\\inside.txt", "x");
    // Only a folder link is left out; what it points to is not part of the tree.
    EXPECT_EQ(engine.CopyINI("update\\"), 3);
    EXPECT_EQ(engine.FolderList, Strings{});
    EXPECT_EQ(engine.FileList, Strings{"update\\a.txt"});

    FakeFileSystem odd;
    odd.addFolder("update");
    classCopySys other(odd, loop);
    // A listing entry whose attributes cannot be read.
    odd.addFile("update\\weird", "zzzz");
    odd.setAttributes("update\\weird", kInvalidAttributes);
    EXPECT_EQ(other.CopyINI("update\\"), 0);
    EXPECT_EQ(other.FolderList, Strings{"update\\weird"});
    EXPECT_EQ(other.FileCount, 0);
}

TEST_F(Scan, FailedListingMidwayFailsTheScanButKeepsWhatWasListed) {
    fs.addFile("update\\a.txt", "abc");
    fs.addFolder("update\\sub");
    fs.addFile("update\\sub\\b.txt", "de");
    fs.addFile("update\\sub\\c.txt", "f");
    // Root: ".", "..", a.txt, sub, end; then sub: ".", "..", b.txt, c.txt -> fails.
    fs.failOn(FsOp::ListNext, 9);
    EXPECT_EQ(engine.CopyINI("update\\"), -1);
    EXPECT_EQ(engine.ErrorFlag, 1);
    EXPECT_EQ(engine.FileList, (Strings{"update\\a.txt", "update\\sub\\b.txt"}));
    EXPECT_EQ(engine.TotalLen, 3 + 2);
    fs.failOn(FsOp::ListNext, 9);
    EXPECT_EQ(engine.QuickCopy("update\\", "C:\\game\\"), -1);
    EXPECT_FALSE(fs.isFolder("C:\\game"));
}

TEST_F(Scan, SingleFileSourceFormsSetTheSourceRoot) {
    fs.addFile("patch.bin", "12345");
    fs.addFile("update\\sub\\readme.txt", "abc");
    fs.addFile("\\root.txt", "r");

    EXPECT_EQ(engine.CopyINI("patch.bin"), 5);
    EXPECT_EQ(engine.SourceRoot, "");
    EXPECT_EQ(engine.FileList, Strings{"patch.bin"});
    EXPECT_EQ(engine.FileCount, 1);
    EXPECT_EQ(engine.FolderCount, 0);

    EXPECT_EQ(engine.CopyINI("update\\sub\\readme.txt"), 3);
    EXPECT_EQ(engine.SourceRoot, "update\\sub\\");

    // A leading "\" is not a folder separator here: the relative path keeps it.
    EXPECT_EQ(engine.CopyINI("\\root.txt"), 1);
    EXPECT_EQ(engine.SourceRoot, "");
    fs.addFolder("C:\\game");
    EXPECT_EQ(engine.QuickCopy("update\\sub\\readme.txt", "C:\\game\\"), 3);
    EXPECT_EQ(fs.contents("C:\\game\\readme.txt"), "abc");
}

TEST_F(Scan, SourceWithoutTrailingSeparatorIsOneFileAndMissingOneReachesCaller) {
    fs.addFolder("update\\sub");
    EXPECT_THROW(engine.CopyINI("update\\sub"), Error);
    EXPECT_THROW(engine.CopyINI("nothing.txt"), Error);
    EXPECT_THROW(engine.QuickCopy("nothing.txt", "C:\\game\\"), Error);
}

} // namespace
} // namespace qly::test
