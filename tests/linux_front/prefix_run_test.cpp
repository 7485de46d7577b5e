// The Linux program's update run over the demo bundle and a real game folder: the question,
// the outcome's exit code, and Ctrl+C undoing the run.
#include "linux_front/prefix_run.h"
#include "platform/posix/code_pages.h"
#include "platform/posix/libcrypto_hash_service.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_message_loop.h"
#include "platform/posix/posix_profile_file.h"
#include "platform/posix/posix_shell.h"
#include "platform/posix/posix_version_resource.h"
#include "prefix/case_matching_file_system.h"
#include "support/fake_folder_locks.h"
#include "support/fake_locale.h"
#include "support/fake_terminal.h"
#include "support/form1_rig.h"
#include "support/read_tree.h"
#include "support/temp_folder.h"

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

namespace qly {
namespace {

namespace fs = std::filesystem;

class PrefixRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* source = std::getenv("QLY_SOURCE_DIR");
        if (source == nullptr) {
            GTEST_SKIP() << "QLY_SOURCE_DIR is not set";
        }
        fs::copy(std::string(source) + "/demo", folder_.file("bundle"),
                 fs::copy_options::recursive);
        // Large enough for the copy to yield many times.
        folder_.write("bundle/update/data/big.pak", std::string(2'000'000, 'x'));
        folder_.write("game/main.exe", "MZ old");
        // The game's own letter case differs from the patch's, as often under Wine.
        folder_.write("game/DATA/Levels.DAT", "old levels");
        before_ = game();
    }

    // The real disk, refusing every deletion while refuseDeletions_ says so (a file the undo
    // must remove held open by a virus scanner, say).
    class Disk : public posix::PosixFileSystem {
    public:
        explicit Disk(const std::function<bool()>& refuse) : refuse_(refuse) {}
        void deleteFile(const std::string& path) override {
            if (refuse_ && refuse_()) {
                throw Error("refused by the test", FailureKind::InUse, 32, path);
            }
            PosixFileSystem::deleteFile(path);
        }

    private:
        const std::function<bool()>& refuse_;
    };

    ExitCode run(bool yes, std::optional<std::string> lang = std::nullopt) {
        Disk posixDisk(refuseDeletions_);
        CaseMatchingFileSystem disk(posixDisk);
        posix::PosixProfileFile profile;
        test::FakeRegistry registry;
        posix::PosixShell shell(std::nullopt, {});
        posix::PosixVersionResource versions(folder_.file("system"));
        test::FakeLocale locale;
        posix::PosixMessageLoop loop;
        test::FakeProcess process(folder_.file("bundle"), true);
        PrefixRunOptions options;
        options.run.dir = folder_.file("game");
        options.run.lang = std::move(lang);
        options.yes = yes;
        options.toUtf8 = [](const std::string& bytes, int32_t charset) {
            return posix::codePageToUtf8(bytes, posix::codePageOfCharset(charset));
        };
        return RunInPrefix(PrefixRunServices{{disk, profile, registry, versions, locale, loop,
                                              process, hashes_, &locks_},
                                             shell,
                                             terminal_},
                           options);
    }

    // What a run cut short while staging leaves: its folder, a staged file and the journal.
    void plantInterruptedRun() {
        folder_.write("game/qlypatch-stage-1/0.new", "half of a staged file");
        folder_.write("game/qlypatch-stage-1/journal",
                      "qlypatch journal 2\nphase staging\nstage qlypatch-stage-1\n"
                      "file new - - extra.txt\n");
    }

    test::Tree game() {
        posix::PosixFileSystem disk;
        return test::ReadTree(disk, folder_.winPath() + "game\\");
    }

    test::TempFolder folder_;
    test::FakeTerminal terminal_;
    std::function<bool()> refuseDeletions_;
    test::FakeFolderLocks locks_;
    posix::LibcryptoHashService hashes_;
    test::Tree before_;
};

// Any answer but a yes in the language in force, or none at all (a closed standard input),
// leaves the game as it was, and says so; the yes words themselves are IsYesTest's.
TEST_F(PrefixRunTest, OnlyAYesInTheLanguageInForceChangesTheGame) {
    for (const char* refusal : {"nie", "yes please"}) {
        terminal_.written_.clear();
        terminal_.answers_ = {refusal};
        EXPECT_EQ(run(false), ExitCode::ClosedBeforeInstalling) << refusal;
        EXPECT_EQ(game(), before_) << refusal;
        EXPECT_NE(terminal_.written_.find("[y/N] Nothing has been changed.\n"), std::string::npos)
            << terminal_.written_;
    }
    terminal_.written_.clear();
    terminal_.answers_.clear();
    EXPECT_EQ(run(false), ExitCode::ClosedBeforeInstalling);
    EXPECT_EQ(game(), before_);
    EXPECT_NE(terminal_.written_.find("[y/N] \nNothing has been changed.\n"), std::string::npos)
        << terminal_.written_;

    terminal_.written_.clear();
    terminal_.answers_ = {" TAK "};
    EXPECT_EQ(run(false, "POL"), ExitCode::Installed);
    EXPECT_NE(
        terminal_.written_.find(folder_.file("game") + "\nZainstalowa\xC4\x87 poprawk\xC4\x99"),
        std::string::npos)
        << terminal_.written_;
    EXPECT_NE(terminal_.written_.find("100%\n"), std::string::npos);
    // The patch went into the game's own folders, whatever their letter case.
    EXPECT_EQ(folder_.read("game/DATA/big.pak").size(), 2'000'000u);
    EXPECT_FALSE(fs::exists(folder_.file("game/data")));
}

TEST_F(PrefixRunTest, InterruptKeyDuringTheCopyUndoesTheRun) {
    // The first question is asked after the start-up; the third falls inside the copy.
    terminal_.interruptAfter_ = 2;
    EXPECT_EQ(run(true), ExitCode::ClosedBeforeInstalling);
    EXPECT_GT(terminal_.asked_, 2);
    EXPECT_EQ(game(), before_);
    EXPECT_NE(terminal_.written_.find("Stopped: the update was undone."), std::string::npos)
        << terminal_.written_;
    EXPECT_EQ(terminal_.written_.find("The patch has been installed."), std::string::npos);
    // The failure the stopped copy reports is not told as one.
    EXPECT_EQ(terminal_.written_.find("could not be installed"), std::string::npos);

    // Not asked with --yes, but told where the patch goes before it goes there.
    EXPECT_LT(terminal_.written_.find("\n" + folder_.file("game") + "\n"),
              terminal_.written_.find("Stopped"))
        << terminal_.written_;

    // Pressed before the run, it changes nothing either.
    terminal_.interruptAfter_ = 0;
    terminal_.asked_ = 0;
    EXPECT_EQ(run(true), ExitCode::ClosedBeforeInstalling);
    EXPECT_EQ(game(), before_);
}

// A stop whose undo cannot finish leaves the game changed: never told as undone, and the exit
// code is the one that asks for attention.
TEST_F(PrefixRunTest, InterruptKeyWhoseUndoFailsEndsAsRecoveryFailed) {
    terminal_.interruptAfter_ = 2;
    refuseDeletions_ = [this] { return terminal_.asked_ > terminal_.interruptAfter_; };
    EXPECT_EQ(run(true), ExitCode::RecoveryFailed);
    EXPECT_EQ(terminal_.written_.find("Stopped: the update was undone."), std::string::npos)
        << terminal_.written_;
    EXPECT_NE(terminal_.written_.find("could not be undone"), std::string::npos)
        << terminal_.written_;
    EXPECT_TRUE(fs::exists(folder_.file("game/qlypatch-stage-1/journal")));

    // The next start finishes the undo.
    refuseDeletions_ = nullptr;
    terminal_.interruptAfter_ = 0;
    terminal_.asked_ = 0;
    EXPECT_EQ(run(true), ExitCode::ClosedBeforeInstalling);
    EXPECT_EQ(game(), before_);
}

// Recovering an interrupted run changes the game folder too: without --yes it is said and asked
// for before anything changes, and a "no" leaves the folder exactly as it is.
TEST_F(PrefixRunTest, RecoveryIsAskedForBeforeItChangesTheFolder) {
    plantInterruptedRun();
    const test::Tree interrupted = game();
    terminal_.answers_ = {"n"};
    EXPECT_EQ(run(false), ExitCode::ClosedBeforeInstalling);
    EXPECT_EQ(game(), interrupted);
    EXPECT_NE(terminal_.written_.find("An earlier update of this folder was interrupted."),
              std::string::npos)
        << terminal_.written_;
    EXPECT_EQ(terminal_.written_.find("was undone"), std::string::npos) << terminal_.written_;
    EXPECT_NE(terminal_.written_.find("[y/N] Nothing has been changed."), std::string::npos)
        << terminal_.written_;

    // Yes to the recovery, no to the patch: recovered, nothing installed.
    terminal_.written_.clear();
    terminal_.answers_ = {"y", "n"};
    EXPECT_EQ(run(false), ExitCode::ClosedBeforeInstalling);
    EXPECT_EQ(game(), before_);
    EXPECT_LT(terminal_.written_.find("An earlier update"),
              terminal_.written_.find("Install the patch into this folder?"));

    // --yes goes on without asking.
    plantInterruptedRun();
    terminal_.written_.clear();
    terminal_.answers_.clear();
    EXPECT_EQ(run(true), ExitCode::Installed);
    EXPECT_FALSE(fs::exists(folder_.file("game/qlypatch-stage-1")));
    EXPECT_EQ(terminal_.written_.find("An earlier update"), std::string::npos);
}

// Another run on the same game folder (the Windows program under Wine, say): this one waits a
// few seconds, then ends with exit code 1 and says why, without touching the folder.
TEST_F(PrefixRunTest, FolderHeldByAnotherRunIsRefused) {
    const auto otherRun = locks_.tryLock(folder_.file("game"));
    ASSERT_NE(otherRun, nullptr);
    EXPECT_EQ(run(true), ExitCode::CouldNotStart);
    EXPECT_EQ(game(), before_);
    EXPECT_NE(terminal_.written_.find("Another update of this game folder is running."),
              std::string::npos)
        << terminal_.written_;
}

TEST_F(PrefixRunTest, NoGameFolderEndsWithGameNotFound) {
    fs::remove(folder_.file("game/main.exe"));
    terminal_.answers_ = {""}; // the folder question: cancelled
    EXPECT_EQ(run(false), ExitCode::GameNotFound);
    EXPECT_EQ(run(true), ExitCode::GameNotFound);
}

TEST(IsYesTest, TheYesWordsOfTheDemoLanguages) {
    for (const char* yes :
         {"y", "Y", "yes", " YES", "t", "Tak", "j", "JA", "\xD0\xB4", "\xD0\x94\xD0\xB0"}) {
        EXPECT_TRUE(IsYes(yes)) << yes;
    }
    for (const char* no : {"", "n", "no", "nie", "nein", "yy", "\xD0\xBD\xD0\xB5\xD1\x82"}) {
        EXPECT_FALSE(IsYes(no)) << no;
    }
}

} // namespace
} // namespace qly
