// The game folder is one that others may write to: links, planted journals, files named like
// the run's own and files that appear during the run never turn the run against the machine
// or cost the player a file the run did not write.
#include "copy_fixture.h"
#include "engine/transaction.h"

#include <functional>

namespace qly::test {
namespace {

class UntrustedGameFolder : public CopyFixture {
protected:
    UntrustedGameFolder() {
        fs.addFile("C:\\game\\main.exe", "game");
        fs.addFile("C:\\game\\data\\b.txt", "old b");
        fs.addFile("update\\a.txt", "new a");
        fs.addFile("update\\data\\b.txt", "new b");
        fs.addFile("update\\data\\c.txt", "new c");
    }
    bool stageLeft() const { return fs.isFolder("C:\\game\\qlypatch-stage-1"); }
};

TEST_F(UntrustedGameFolder, ALinkBelowTheGameFolderEndsTheRunBeforeAnyChangeAndIsNamed) {
    const std::vector<std::pair<std::function<void()>, std::string>> cases{
        {[this] { fs.addFolder("C:\\game\\data", kAttrReparsePoint); }, "data"},
        {[this] { fs.addFile("C:\\game\\a.txt", "elsewhere", kAttrReparsePoint); }, "a.txt"},
        {[this] { fs.addFile("C:\\game\\data\\c.txt", "elsewhere", kAttrReparsePoint); },
         "data\\c.txt"},
    };
    for (const auto& [plant, named] : cases) {
        SCOPED_TRACE(named);
        fs.remove("C:\\game");
        fs.addFile("C:\\game\\data\\b.txt", "old b");
        plant();
        const auto before = fs.snapshot();
        EXPECT_EQ(copy(), -1);
        ASSERT_TRUE(engine.LastFailure);
        EXPECT_EQ(engine.LastFailure->kind, FailureKind::Link);
        EXPECT_EQ(engine.LastFailure->path, named);
        EXPECT_EQ(fs.snapshot(), before);
    }
    // The game folder itself may be a link: games are moved between drives.
    fs.remove("C:\\game");
    fs.addFolder("C:\\game", kAttrReparsePoint);
    EXPECT_EQ(copy(), 15);
    EXPECT_EQ(fs.contents("C:\\game\\data\\c.txt"), "new c");
}

TEST_F(UntrustedGameFolder, FilesNamedLikeTheRunsOwnAreNeitherUsedNorLost) {
    fs.addFile("C:\\game\\data\\b.txt.qlybak", "player's backup");
    fs.addFile("C:\\game\\readme.txt.qlytmp", "player's notes");
    fs.addFile("C:\\game\\qlypatch-stage-1\\keep.txt", "a folder of that name, not ours");
    fs.addFile("update\\a.txt.qlybak", "shipped by the patch");
    fs.addFile("update\\a.txt.qlytmp", "shipped too");
    EXPECT_EQ(copy(), 15 + 20 + 11);
    EXPECT_EQ(fs.contents("C:\\game\\data\\b.txt.qlybak"), "player's backup");
    EXPECT_EQ(fs.contents("C:\\game\\readme.txt.qlytmp"), "player's notes");
    EXPECT_EQ(fs.contents("C:\\game\\qlypatch-stage-1\\keep.txt"),
              "a folder of that name, not ours");
    EXPECT_EQ(fs.contents("C:\\game\\a.txt"), "new a");
    EXPECT_EQ(fs.contents("C:\\game\\a.txt.qlybak"), "shipped by the patch");
    EXPECT_EQ(fs.contents("C:\\game\\a.txt.qlytmp"), "shipped too");
    EXPECT_FALSE(fs.isFolder("C:\\game\\qlypatch-stage-2"));
}

// Another program writes into the game while the patch is being staged: the run fails and is
// undone, and what the other program wrote stays.
TEST_F(UntrustedGameFolder, FilesAppearingDuringTheRunEndItAndAreKept) {
    const std::vector<std::function<void()>> meanwhile{
        [this] { fs.addFile("C:\\game\\data\\c.txt", "written by the game"); },
        [this] {
            fs.remove("C:\\game\\data\\b.txt");
            fs.addFile("C:\\game\\data\\b.txt", "written by the game");
        },
    };
    for (std::size_t i = 0; i < meanwhile.size(); ++i) {
        SCOPED_TRACE(i);
        fs.remove("C:\\game");
        fs.addFile("C:\\game\\data\\b.txt", "old b");
        engine.ActualFile = [&](std::string& name) {
            if (name == "data\\b.txt") {
                meanwhile[i]();
            }
        };
        EXPECT_EQ(copy(), -1);
        ASSERT_TRUE(engine.LastFailure);
        EXPECT_TRUE(engine.LastFailure->undone);
        EXPECT_EQ(fs.contents(i == 0 ? "C:\\game\\data\\c.txt" : "C:\\game\\data\\b.txt"),
                  "written by the game");
        EXPECT_FALSE(fs.isFile("C:\\game\\a.txt"));
        EXPECT_FALSE(stageLeft());
    }
}

// A staged file taken away after it was checked (a scanner's quarantine) fails the run; it
// never becomes an empty game file, whether the volume is flushed whole or file by file.
TEST_F(UntrustedGameFolder, AStagedFileTakenAwayFailsTheRunInsteadOfInstallingNothing) {
    for (const bool volumeSync : {true, false}) {
        SCOPED_TRACE(volumeSync);
        fs.remove("C:\\game");
        fs.addFile("C:\\game\\data\\b.txt", "old b");
        fs.setVolumeSync(volumeSync);
        engine.ActualFile = [&](std::string& name) {
            if (name == "data\\c.txt") {
                fs.remove("C:\\game\\qlypatch-stage-1\\0.new"); // a.txt, staged first
            }
        };
        EXPECT_EQ(copy(), -1);
        EXPECT_FALSE(fs.isFile("C:\\game\\a.txt"));
        EXPECT_EQ(fs.contents("C:\\game\\data\\b.txt"), "old b");
        EXPECT_FALSE(stageLeft());
    }
}

// A journal planted by whoever may write in the game folder is acted on only as far as it
// can be proved: never through a link, never on a file that is not the run's.
TEST_F(UntrustedGameFolder, APlantedJournalNeverReachesThroughALinkOrRemovesAFileNotOurs) {
    fs.addFile("C:\\outside\\secret.txt", "not the game's");
    fs.addFolder("C:\\game\\linked", kAttrReparsePoint);
    const std::string head = "qlypatch journal 2\nphase commit\nstage qlypatch-stage-1\n";
    const std::vector<std::pair<std::string, RecoveryResult>> journals{
        {head + "file new - 1.1 linked\\secret.txt\n", RecoveryResult::Damaged},
        {head + "remove 1.1 - linked\\secret.txt\n", RecoveryResult::Damaged},
        {head + "folder linked\n", RecoveryResult::Damaged},
        {head + "file new - 1.999 main.exe\nfile old 1.998 - data\\b.txt\n",
         RecoveryResult::Undone},
        {"qlypatch journal 1\nphase commit\nfile new main.exe\n", RecoveryResult::Damaged},
    };
    for (const auto& [text, result] : journals) {
        SCOPED_TRACE(text);
        fs.remove("C:\\game\\qlypatch-stage-1");
        fs.remove("C:\\game\\qlypatch.journal");
        fs.addFile(text.starts_with("qlypatch journal 1") ? "C:\\game\\qlypatch.journal"
                                                          : "C:\\game\\qlypatch-stage-1\\journal",
                   text);
        fs.addFile("C:\\game\\qlypatch-stage-1\\1.old", "a planted backup");
        const auto before = fs.snapshot();
        EXPECT_EQ(RecoverInterruptedRun(fs, "C:\\game\\"), result);
        if (result == RecoveryResult::Damaged) {
            EXPECT_EQ(fs.snapshot(), before);
        }
        EXPECT_EQ(fs.contents("C:\\outside\\secret.txt"), "not the game's");
        EXPECT_EQ(fs.contents("C:\\game\\main.exe"), "game");
        EXPECT_EQ(fs.contents("C:\\game\\data\\b.txt"), "old b");
    }
}

// An elevated run keeps its journals in a place only administrators can write: a journal in
// the game folder, however well it names the run's files, is never acted on and does not stop
// the run; one in the place is, but never through a run folder swapped for a link.
TEST_F(UntrustedGameFolder, WithAJournalPlaceOnlyTheJournalsKeptThereAreActedOn) {
    const std::string place = "C:\\admin\\k\\";
    fs.addFolder("C:\\admin\\k");
    const std::optional<FileIdentity> game = fs.identityOf("C:\\game\\main.exe");
    ASSERT_TRUE(game);
    const std::string planted =
        "qlypatch journal 2\nphase commit\nstage qlypatch-stage-1\nfile new - " +
        std::to_string(game->volume) + "." + std::to_string(game->file) + " main.exe\n";
    fs.addFile("C:\\game\\qlypatch-stage-1\\journal", planted);
    fs.addFile("C:\\game\\qlypatch.journal", "qlypatch journal 1\nphase commit\n");
    const auto before = fs.snapshot();
    EXPECT_FALSE(HasInterruptedRun(fs, "C:\\game\\", place));
    EXPECT_EQ(RecoverInterruptedRun(fs, "C:\\game\\", nullptr, place),
              RecoveryResult::NothingFound);
    EXPECT_EQ(fs.snapshot(), before);
    EXPECT_EQ(UntrustedJournals(fs, "C:\\game\\"),
              (std::vector<std::string>{"qlypatch.journal", "qlypatch-stage-1\\journal"}));

    engine.SetJournalPlace(place);
    EXPECT_EQ(copy(), 15);
    EXPECT_EQ(fs.contents("C:\\game\\a.txt"), "new a");
    EXPECT_EQ(fs.contents("C:\\game\\main.exe"), "game");
    EXPECT_EQ(fs.contents("C:\\game\\qlypatch-stage-1\\journal"), planted);
    EXPECT_FALSE(fs.isFolder("C:\\game\\qlypatch-stage-2"));

    // The same journal in the place undoes what it names; through a link it does nothing.
    fs.remove("C:\\game\\qlypatch-stage-1");
    fs.addFile("C:\\admin\\k\\qlypatch-stage-1.journal", planted);
    fs.addFolder("C:\\game\\qlypatch-stage-1", kAttrReparsePoint);
    const auto linked = fs.snapshot();
    EXPECT_TRUE(HasInterruptedRun(fs, "C:\\game\\", place));
    EXPECT_EQ(RecoverInterruptedRun(fs, "C:\\game\\", nullptr, place), RecoveryResult::Damaged);
    EXPECT_EQ(fs.snapshot(), linked);
    fs.remove("C:\\game\\qlypatch-stage-1");
    EXPECT_EQ(RecoverInterruptedRun(fs, "C:\\game\\", nullptr, place), RecoveryResult::Undone);
    EXPECT_FALSE(fs.isFile("C:\\game\\main.exe"));
    EXPECT_FALSE(fs.isFile("C:\\admin\\k\\qlypatch-stage-1.journal"));
}

// Another program writes a file of a backup's name into the run folder while the patch is
// staged: the commit that then fails before that file's turn leaves it where it is, and the
// undo neither puts it over the game's file nor deletes it. Only the old file the journal
// identifies is the run's.
TEST_F(UntrustedGameFolder, AFileOfABackupsNameInTheRunFolderIsNeitherPutBackNorLost) {
    // The failing step of the commit: the journal's write that begins it (no path named), the
    // move of a.txt (before b.txt's turn) and b.txt's own move.
    struct Case {
        FsOp op;
        int nth;
        std::string failed;
    };
    const std::vector<Case> cases{
        {FsOp::ReplaceFile, 1, ""},
        {FsOp::ReplaceFile, 2, "a.txt"},
        {FsOp::ReplaceWithBackup, 1, "data\\b.txt"},
    };
    for (const auto& [op, nth, failed] : cases) {
        SCOPED_TRACE(failed);
        fs.remove("C:\\game");
        fs.clearFaults();
        fs.addFile("C:\\game\\data\\b.txt", "old b");
        engine.ActualFile = [&](std::string& name) {
            if (name == "data\\c.txt") {
                fs.addFile("C:\\game\\qlypatch-stage-1\\1.old", "theirs"); // b.txt's backup name
                fs.failOn(op, nth);
            }
        };
        EXPECT_EQ(copy(), -1);
        ASSERT_TRUE(engine.LastFailure);
        EXPECT_EQ(engine.LastFailure->path, failed);
        EXPECT_TRUE(engine.LastFailure->undone);
        EXPECT_EQ(fs.contents("C:\\game\\data\\b.txt"), "old b");
        EXPECT_FALSE(fs.isFile("C:\\game\\a.txt"));
        EXPECT_FALSE(fs.isFile("C:\\game\\data\\c.txt"));
        ASSERT_TRUE(fs.isFile("C:\\game\\qlypatch-stage-1\\1.old"));
        EXPECT_EQ(fs.contents("C:\\game\\qlypatch-stage-1\\1.old"), "theirs");
    }
}

// An undo puts an old file back under its own spelling, not the patch's.
TEST_F(UntrustedGameFolder, AnUndoRestoresTheOldFilesLetterCase) {
    fs.remove("C:\\game\\data\\b.txt");
    fs.addFile("C:\\game\\data\\B.txt", "old b");
    fs.addFile("update\\data\\zz\\d.txt", "new d");
    // Journal writes at the plan and the commit, then a.txt and data\c.txt go in; d.txt's
    // move fails, after data\B.txt was replaced.
    fs.failOn(FsOp::ReplaceFile, 5);
    EXPECT_EQ(copy(), -1);
    EXPECT_TRUE(engine.LastFailure->undone);
    std::vector<std::string> names;
    auto listing = fs.list("C:\\game\\data", "*");
    for (DirEntry entry; listing->next(entry);) {
        names.push_back(entry.name);
    }
    EXPECT_EQ(names, (Strings{".", "..", "B.txt"}));
    EXPECT_EQ(fs.contents("C:\\game\\data\\b.txt"), "old b");
}

} // namespace
} // namespace qly::test
