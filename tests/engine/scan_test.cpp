#include "copy_fixture.h"

namespace qly::test {
namespace {

using Scan = CopyFixture;

TEST_F(Scan, ListsFoldersLevelByLevelAndFilesDepthFirstSkippingOnlyFolderLinks) {
    fs.addFile("update\\top.txt", "12", kAttrHidden);
    fs.addFolder("update\\A", kAttrHidden | kAttrSystem);
    fs.addFile("update\\B\\b1.dat", "123", kAttrSystem | kAttrReadOnly);
    fs.addFile("update\\B\\B2\\deep.txt", "1");
    fs.addFile("update\\A\\a1.dat", "1234");
    fs.addFolder("update\\link", kAttrReparsePoint); // may loop back: neither listed nor entered
    fs.addFile("update\\link\\inside.txt", "x");
    fs.addFile("update\\z.txt", "");

    EXPECT_EQ(engine.CopyINI("update\\"), 10);
    EXPECT_EQ(engine.FolderList, (Strings{"update\\A", "update\\B", "update\\B\\B2"}));
    EXPECT_EQ(engine.FileList, (Strings{"update\\top.txt", "update\\z.txt", "update\\A\\a1.dat",
                                        "update\\B\\b1.dat", "update\\B\\B2\\deep.txt"}));
    EXPECT_EQ(engine.FileCount, 5);
    EXPECT_EQ(engine.FolderCount, 3);
}

TEST_F(Scan, EmptyFolderGivesAnEmptyTotalButAMissingOneFailsTheRun) {
    fs.addFolder("update");
    EXPECT_EQ(engine.CopyINI("update\\"), std::nullopt);
    EXPECT_EQ(engine.ErrorFlag, 0);
    EXPECT_EQ(engine.CopyINI("missing\\"), -1);
    EXPECT_EQ(engine.QuickCopy("missing\\", "C:\\game\\"), -1);
}

TEST_F(Scan, SubfolderThatCannotBeListedFailsTheRunInsteadOfScanningAsEmpty) {
    fs.addFile("update\\a.txt", "abc");
    fs.addFile("update\\sub\\b.txt", "de");
    fs.failOn(FsOp::List, 2); // the root lists, "sub" does not (access denied, name too long)
    EXPECT_EQ(copy(), -1);
    EXPECT_EQ(engine.ErrorFlag, 1);
    EXPECT_FALSE(fs.isFolder("C:\\game"));

    // An entry whose attributes cannot be read is taken for a folder, never for a file; as
    // it cannot be listed either, the scan fails rather than leaving it out.
    fs.addFile("update\\weird", "zzzz", kInvalidAttributes);
    EXPECT_EQ(engine.CopyINI("update\\"), -1);
    EXPECT_EQ(engine.FolderList, (Strings{"update\\sub", "update\\weird"}));
    EXPECT_EQ(engine.FileList, (Strings{"update\\a.txt", "update\\sub\\b.txt"}));
}

TEST_F(Scan, FailedListingMidwayFailsTheRunBeforeAnyCopyButKeepsWhatWasListed) {
    fs.addFile("update\\a.txt", "abc");
    fs.addFile("update\\sub\\b.txt", "de");
    fs.addFile("update\\sub\\c.txt", "f");
    // Root: ".", "..", a.txt, sub, end; then sub: ".", "..", b.txt, and c.txt fails.
    fs.failOn(FsOp::ListNext, 9);
    EXPECT_EQ(copy(), -1);
    EXPECT_EQ(engine.FileList, (Strings{"update\\a.txt", "update\\sub\\b.txt"}));
    EXPECT_EQ(engine.TotalLen, 3 + 2);
    EXPECT_FALSE(fs.isFolder("C:\\game"));
}

TEST_F(Scan, OneFileSourceIsRootedAtItsFolderAndAMissingOneReachesTheCaller) {
    fs.addFile("patch.bin", "12345");
    fs.addFile("update\\sub\\readme.txt", "abc");
    fs.addFile("\\root.txt", "r");
    // Source, and the root its relative path is taken from: a leading "\" stays in the path.
    for (const auto& [source, root] : std::vector<std::pair<std::string, std::string>>{
             {"patch.bin", ""}, {"update\\sub\\readme.txt", "update\\sub\\"}, {"\\root.txt", ""}}) {
        EXPECT_EQ(engine.CopyINI(source), std::ssize(fs.contents(source))) << source;
        EXPECT_EQ(engine.SourceRoot, root) << source;
    }
    // Without a trailing "\" the source is one file: a folder or a missing file is an Error.
    EXPECT_THROW(engine.CopyINI("update\\sub"), Error);
    EXPECT_THROW(engine.QuickCopy("nothing.txt", "C:\\game\\"), Error);
}

} // namespace
} // namespace qly::test
