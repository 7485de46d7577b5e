// Where start-up finds the game, and whole update runs driven through the window's events as
// the user would.
#include "patch/delta_decoder.h"
#include "support/archive_builder.h"
#include "support/form1_rig.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <limits>

namespace qly {
namespace {

using test::Form1Rig;
using test::Lines;

constexpr const char* kGame = "C:\\Games\\Quillory";
enum Game { None, WithProgram, WithoutProgram };

// A bundle in memory (Polish and English, locale Polish, a patch of 151000 bytes) and a game.
void prepare(Form1Rig& rig, Game game) {
    rig.addLanguage("pol", "PL", 238);
    rig.addLanguage("eng", "EN");
    rig.fs.addFile("update\\readme.txt", std::string(1000, 'r'));
    rig.fs.addFile("update\\data\\level.pak", std::string(150000, 'p'));
    rig.locale_.id_ = 0x0415;
    if (game != None) {
        rig.registerGame(kGame, game == WithProgram);
    }
}

// The lines written since the start-up's introduction.
Lines runLines(const Form1Rig& rig) {
    return Lines(rig.text_.shown_.begin() + 2, rig.text_.shown_.end());
}

// After every outcome the button is the exit button and the selector works again.
void expectExitButton(Form1Rig& rig, const std::string& tag, int focusCount = 2) {
    EXPECT_EQ(rig.command1_.caption_, tag + " wyjdz");
    EXPECT_TRUE(rig.command1_.enabled_ && rig.combo_.enabled_);
    EXPECT_EQ(rig.command1_.focusCount_, focusCount); // after start-up, after the run
    EXPECT_TRUE(!rig.form().isBusy() && rig.form().etap == 1);
}

// Varied over successful runs: exactly the one argument "-reset" hides the bar and the percent
// in the caption; a button that refuses the focus (the window was minimized meanwhile) does
// not stop the run's end; the media control in the game folder goes when the system's copy is
// at least as new (version parts read as signed 16-bit words, no resource as 0).
TEST(UpdateRunTest, GameWithProgramIsPatchedWithBarCaptionAndSuccessLines) {
    using Version = std::optional<std::array<uint16_t, 4>>;
    const std::tuple<const char*, bool, Version, Version, bool> cases[] = {
        {"", false, Version{{6, 4, 9, 1133}}, Version{{6, 4, 9, 1133}}, false},
        {"-reset", false, Version{{6, 5, 0, 0}}, Version{{6, 4, 99, 99}}, true},
        {"-RESET", true, Version{{6, 4, 9, 40000}}, Version{{6, 4, 9, 1}}, false},
        {"-reset x", true, std::nullopt, std::nullopt, false},
    };
    for (const auto& [commandLine, refuseFocus, local, system, ocxKept] : cases) {
        SCOPED_TRACE(commandLine);
        Form1Rig rig;
        prepare(rig, WithProgram);
        const std::string ocx = std::string(kGame) + "\\msdxm.ocx";
        rig.fs.addFile(ocx, "ocx");
        if (local) {
            rig.versions_.versions_[ocx] = *local;
        }
        if (system) {
            rig.versions_.versions_["C:\\WINDOWS\\system32\\msdxm.ocx"] = *system;
        }
        rig.process_.commandLine_ = commandLine;
        ASSERT_TRUE(rig.load());
        rig.command1_.refuseFocus_ = refuseFocus;
        // The session's end is refused only while the game's files change: not during the
        // run's blank line, but in the middle of the copy.
        std::vector<bool> blocked;
        for (int offset : {1, 4}) {
            rig.loop_.at(rig.loop_.yields() + offset,
                         [&] { blocked.push_back(rig.window_.sessionBlocked_); });
        }
        rig.form().Command1_Click();
        EXPECT_EQ(blocked, (std::vector<bool>{false, true}));
        // The language file lacks the reason: the built-in English one stands in for it.
        EXPECT_EQ(rig.window_.eventsStartingWith("block"),
                  Lines{"block Installing the Quillory patch @238"});
        // The task bar follows the bar in the text area, then ends clear once the session is
        // allowed to end again.
        Lines bars;
        for (int proc : rig.text_.bars_) {
            bars.push_back("taskbar " + std::to_string(proc));
        }
        bars.push_back("taskbar clear");
        EXPECT_EQ(rig.window_.eventsStartingWith("taskbar "), bars);
        EXPECT_EQ(rig.window_.events_.back(), "taskbar clear");
        EXPECT_EQ(rig.window_.count("allow"), 1);

        EXPECT_EQ(rig.fs.isFile(ocx), ocxKept);
        EXPECT_EQ(rig.fs.contents(std::string(kGame) + "\\data\\level.pak"),
                  std::string(150000, 'p'));
        EXPECT_EQ(rig.form().ErrorCode, 151000);
        EXPECT_EQ(rig.form().outcome(), RunOutcome::Installed);
        EXPECT_EQ(runLines(rig), (Lines{" ", " ", " ", "PL poz1", "PL poz2"}));
        const Lines& captions = rig.window_.captions_;
        if (std::string(commandLine) == "-reset") {
            EXPECT_TRUE(rig.text_.bars_.empty());
            EXPECT_EQ(captions, Lines{"Quillory - Install"});
        } else {
            ASSERT_GE(captions.size(), 3u);
            EXPECT_EQ(captions[1], " 1% QLY!"); // 1000 of 151000 bytes round up to 1 percent
            EXPECT_EQ(captions.back(), " 100% QLY!");
            EXPECT_EQ(rig.text_.bars_.back(), 100);
        }
        expectExitButton(rig, "PL", refuseFocus ? 1 : 2);

        rig.form().Command1_Click(); // the exit button closes the window
        EXPECT_TRUE(rig.form().isUnloaded());
        EXPECT_EQ(rig.window_.count("destroy"), 1);
    }
}

// Free space equal to the total counts as too little; an old media control that another
// program holds open fails the run before anything changes, naming the file.
TEST(UpdateRunTest, OutcomesWithoutACopyShowTheirOwnLinesInEitherLanguage) {
    // clang-format off
    const std::string inUse =
        "msdxm.ocx: is in use by another program. Close the game and its launcher, then try "
        "again. (32)"; // the test's language files lack the key: the built-in English text
    const std::tuple<Game, int64_t, bool, Lines, int32_t, Lines> cases[] = {
        {WithProgram, 151000, false, {" ", " ", " ", "PL brak miejsca"}, -2, {"EN brak miejsca"}},
        {None, 1 << 30, false, {" ", "PL neg1"}, 0, {"EN neg1"}},
        {WithoutProgram, 1 << 30, false,
         {" ", "PL nie moge znalezc", "PL podaj folder", " ", "PL neg1"}, 0, {"EN neg1"}}, // cancel
        {WithProgram, 1 << 30, true, {" ", " ", "PL error", "<238:" + inUse.substr(0, 9) + ">" +
         inUse.substr(9)}, -1, {"EN error", inUse}},
    };
    // clang-format on
    for (const auto& [game, freeBytes, deleteFails, lines, errorCode, switched] : cases) {
        SCOPED_TRACE(lines.back());
        Form1Rig rig;
        prepare(rig, game);
        rig.fs.setFreeBytes(freeBytes);
        if (deleteFails) {
            rig.fs.addFile(std::string(kGame) + "\\msdxm.ocx", "old");
            rig.fs.holdOpen(std::string(kGame) + "\\msdxm.ocx");
        }
        ASSERT_TRUE(rig.load());
        rig.form().Command1_Click();
        EXPECT_EQ(runLines(rig), lines);
        EXPECT_EQ(rig.form().ErrorCode, errorCode);
        EXPECT_EQ(rig.form().outcome(), game != WithProgram ? RunOutcome::GameNotFound
                                        : errorCode == -2   ? RunOutcome::NotEnoughSpace
                                                            : RunOutcome::Failed);
        EXPECT_EQ(rig.form().status, game == WithProgram ? 1 : 0);
        EXPECT_EQ(rig.form().DestPatch, game == WithProgram ? kGame : "");
        EXPECT_EQ(rig.shell_.browseTitles_.size(), game == WithoutProgram ? 1u : 0u);
        EXPECT_FALSE(rig.fs.isFile(std::string(kGame) + "\\readme.txt"));
        // A run that reached the game's files leaves the task bar showing the failure; one
        // that found no game leaves the task bar and the session alone.
        const Lines taskbar = rig.window_.eventsStartingWith("taskbar ");
        if (game == WithProgram) {
            EXPECT_EQ(rig.window_.events_.back(), "taskbar error");
        } else {
            EXPECT_TRUE(taskbar.empty() && rig.window_.eventsStartingWith("block").empty());
        }
        EXPECT_FALSE(rig.window_.sessionBlocked_);
        expectExitButton(rig, "PL");
        // Switched to English afterwards, the area shows the same outcome in English.
        EXPECT_EQ(rig.selectLanguage(1), switched);
    }
}

// A run that a crash cut short is undone as soon as start-up knows the game folder, and the
// user is told in one line after the introduction; the update then installs the patch whole.
TEST(UpdateRunTest, StartUpUndoesAnInterruptedRunAndSaysSo) {
    Form1Rig rig;
    prepare(rig, WithProgram);
    const std::string game = std::string(kGame) + "\\";
    rig.fs.addFile(game + "readme.txt", "old readme");
    rig.fs.addFile(game + "qlypatch-stage-1\\0.new", "half");
    rig.fs.addFile(game + "qlypatch-stage-1\\journal",
                   "qlypatch journal 2\nphase staging\nstage qlypatch-stage-1\nfolder data\n"
                   "file old - - readme.txt\nfile new - - data\\level.pak\n");
    rig.fs.addFolder(game + "data");
    ASSERT_TRUE(rig.load());
    EXPECT_EQ(rig.text_.shown_.back(),
              "An interrupted update was undone. The game is as it was before it.");
    EXPECT_EQ(rig.fs.contents(game + "readme.txt"), "old readme");
    EXPECT_FALSE(rig.fs.isFolder(game + "qlypatch-stage-1"));
    EXPECT_FALSE(rig.fs.isFolder(game + "data"));

    rig.form().Command1_Click();
    EXPECT_EQ(rig.form().ErrorCode, 151000);
    EXPECT_EQ(rig.fs.contents(game + "data\\level.pak"), std::string(150000, 'p'));
}

TEST(UpdateRunTest, FolderWithoutGameIsAskedForAfterOneSecondUntilARootWithTheGame) {
    Form1Rig rig;
    prepare(rig, WithoutProgram);
    rig.fs.addFolder("D:\\Other");
    rig.fs.addFile("E:\\main.exe", "MZ");
    rig.shell_.answers_ = {"D:\\Other", "E:\\"};
    uint32_t tickAfterPrompt = 0;
    std::vector<uint32_t> browseTicks;
    rig.shell_.onBrowse_ = [&] { browseTicks.push_back(rig.loop_.tickCount()); };
    ASSERT_TRUE(rig.load());
    // The prompt is the third line of the run: note the time when it is written.
    rig.loop_.at(rig.loop_.yields() + 3, [&] { tickAfterPrompt = rig.loop_.tickCount(); });
    rig.form().Command1_Click();

    EXPECT_EQ(runLines(rig), (Lines{" ", "PL nie moge znalezc", "PL podaj folder", " ", " ", " ",
                                    "PL poz1", "PL poz2"}));
    EXPECT_GE(browseTicks.at(0) - tickAfterPrompt, 1000u);
    EXPECT_EQ(rig.shell_.browseTitles_, (Lines{"PL podaj folder @238", "PL podaj folder @238"}));
    EXPECT_EQ(rig.form().DestPatch, "E:");
    EXPECT_TRUE(rig.fs.isFile("E:\\data\\level.pak"));
    expectExitButton(rig, "PL");
    EXPECT_EQ(rig.selectLanguage(1), (Lines{"EN poz1", "EN poz2"}));
    EXPECT_EQ(rig.command1_.caption_, "EN wyjdz");
}

TEST(UpdateRunTest, SecondClickCloseAndSwitchDuringTheRunDoNothing) {
    Form1Rig rig;
    prepare(rig, WithProgram);
    ASSERT_TRUE(rig.load());
    // At the first yield of the run (its blank line) and in the middle of the copy.
    for (int offset : {1, 4}) {
        rig.loop_.at(rig.loop_.yields() + offset, [&] {
            rig.form().Command1_Click();
            rig.form().Command2_Click();
            // A platform that delivered a selection anyway must not end the guard.
            rig.combo_.selected_ = 1 - rig.combo_.selected_;
            rig.form().Combo1_Click();
            rig.form().Command2_Click();
        });
    }
    rig.form().Command1_Click();
    EXPECT_EQ(rig.window_.count("destroy"), 0);
    EXPECT_EQ(rig.form().ErrorCode, 151000);
    expectExitButton(rig, rig.command1_.caption_.substr(0, 2));
}

// The window closed during the copy: the engine stops and undoes the run before it goes. The
// outcome is "closed before installing" (never a success); when the undo could not finish, it
// is the code that asks for attention, although the engine that knew it is gone.
TEST(UpdateRunTest, ForcedUnloadDuringTheCopyStopsTheEngineBeforeReleasingIt) {
    for (const bool undoFails : {false, true}) {
        SCOPED_TRACE(undoFails);
        Form1Rig rig;
        prepare(rig, WithProgram);
        ASSERT_TRUE(rig.load());
        rig.loop_.at(rig.loop_.yields() + 3, [&] {
            if (undoFails) {
                rig.fs.failOn(test::FsOp::DeleteFile, 1, true);
            }
            rig.form().Form_Unload();
            EXPECT_NE(rig.form().copyEngine(), nullptr);
        });
        rig.form().Command1_Click();
        EXPECT_TRUE(rig.form().isUnloaded());
        EXPECT_EQ(rig.form().copyEngine(), nullptr);
        EXPECT_LT(rig.form().ErrorCode, 151000);
        EXPECT_EQ(rig.form().outcome(),
                  undoFails ? RunOutcome::RecoveryFailed : RunOutcome::NotRun);
        EXPECT_EQ(rig.fs.isFile(std::string(kGame) + "\\qlypatch-stage-1\\journal"), undoFails);
    }
}

// Closed from outside Command2 (Alt+F4, the task bar) at any moment of the run, before or
// during the copy, the window goes, as the platform lets it when QueryUnload answers true:
// the game is left exactly as it was and the exit code says the user closed the installer
// before installing. Start-up and a language switch still hold such a close off.
TEST(UpdateRunTest, CloseFromOutsideDuringTheRunUndoesItAndEndsAsClosedBeforeInstalling) {
    int closedAt = 0;
    bool closedMidCopy = false;
    for (const int offset : {1, 3, 5}) {
        SCOPED_TRACE("close at yield " + std::to_string(offset));
        Form1Rig rig;
        prepare(rig, WithProgram);
        rig.fs.addFile(std::string(kGame) + "\\data\\level.pak", "old level");
        ASSERT_TRUE(rig.load());
        EXPECT_FALSE(rig.form().isBusy());
        rig.loop_.at(rig.loop_.yields() + offset, [&] {
            if (rig.form().QueryUnload()) {
                closedAt = offset;
                closedMidCopy =
                    closedMidCopy || rig.fs.isFolder(std::string(kGame) + "\\qlypatch-stage-1");
                rig.form().Form_Unload();
            }
        });
        rig.form().Command1_Click();
        EXPECT_EQ(closedAt, offset);
        EXPECT_TRUE(rig.form().isUnloaded());
        EXPECT_EQ(ExitCodeOf(rig.form().outcome()), ExitCode::ClosedBeforeInstalling);
        EXPECT_EQ(rig.fs.contents(std::string(kGame) + "\\data\\level.pak"), "old level");
        EXPECT_FALSE(rig.fs.isFile(std::string(kGame) + "\\readme.txt"));
        EXPECT_FALSE(rig.fs.isFolder(std::string(kGame) + "\\qlypatch-stage-1"));
        // Not told as a failure: the user ended it.
        EXPECT_EQ(std::find(rig.text_.shown_.begin(), rig.text_.shown_.end(), "PL error"),
                  rig.text_.shown_.end());
    }
    EXPECT_TRUE(closedMidCopy);
}

// A bundle whose update\ folder is missing (a download unpacked in part) is the installer's
// problem, not the game's: exit code 1, the game untouched, the user told to download it
// again before the general error line, and the log says why.
TEST(UpdateRunTest, BundleWithoutPatchTreeEndsAsCouldNotStart) {
    Form1Rig rig;
    prepare(rig, WithProgram);
    rig.fs.remove("update");
    rig.fs.addFile("update", "a file where the patch tree belongs");
    ASSERT_TRUE(rig.load());
    rig.form().Command1_Click();
    EXPECT_EQ(rig.form().outcome(), RunOutcome::CouldNotStart);
    EXPECT_EQ(ExitCodeOf(rig.form().outcome()), ExitCode::CouldNotStart);
    // The download's fault first, then the general line.
    EXPECT_EQ(runLines(rig), (Lines{" ",
                                    "The downloaded patch is damaged or incomplete. Nothing has "
                                    "been changed. Please download the patch again.",
                                    "PL error"}));
    EXPECT_FALSE(rig.fs.isFolder(std::string(kGame) + "\\qlypatch-stage-1"));
    EXPECT_NE(std::find_if(rig.log_.begin(), rig.log_.end(),
                           [](const std::string& line) {
                               return line.find("no update\\ folder") != std::string::npos;
                           }),
              rig.log_.end());
}

// A bundle whose patch is an archive: level.pak rebuilt from a delta, readme.txt added, old.dll
// removed. On the old game it installs, the bar and ErrorCode counting the bytes made; on a
// game that has it already, or one whose level.pak was modified, nothing changes and the user
// is told which (again after a language switch), with the exit code of each.
TEST(UpdateRunTest, AnArchiveInstallsOnceKnowsAPatchedGameAndNamesAModifiedFile) {
    const std::string oldLevel(150000, 'p');
    std::string newLevel = oldLevel;
    newLevel[70000] = 'P';
    std::string control;
    patch::AppendControlRecord(control, oldLevel.size(), 0, 0);
    std::string differences(oldLevel.size(), '\0');
    differences[70000] = 'P' - 'p';
    test::ArchiveBuilder builder;
    builder.delta("data\\level.pak", oldLevel, control, differences, "", newLevel);
    builder.whole("readme.txt", std::string(1000, 'r'), std::nullopt);
    builder.removed("old.dll", "library");
    const std::string archive = builder.bytes();

    // The file's name in the charset of the language in force (Polish 238, then English 0).
    const auto modified = [](const std::string& name) {
        return "The file " + name +
               " is not the version this patch was made for: it was "
               "changed, or the game is another version. Nothing has been changed.";
    };
    const std::string upToDate =
        "The game is already up to date: this patch is installed. Nothing has been changed.";
    enum Before { Old, Patched, Modified };
    for (const Before before : {Old, Patched, Modified}) {
        SCOPED_TRACE(before);
        Form1Rig rig;
        prepare(rig, WithProgram);
        rig.fs.remove("update");
        rig.fs.addFile("update.qlypatch", archive);
        const std::string game = std::string(kGame) + "\\";
        rig.fs.addFile(game + "data\\level.pak", before == Patched    ? newLevel
                                                 : before == Modified ? oldLevel + "mod"
                                                                      : oldLevel);
        if (before == Patched) {
            rig.fs.addFile(game + "readme.txt", std::string(1000, 'r'));
        } else {
            rig.fs.addFile(game + "old.dll", "library");
        }
        const auto gameFiles = [&] {
            auto tree = rig.fs.snapshot();
            std::erase_if(tree, [](const auto& e) { return !e.first.starts_with("c:\\games"); });
            return tree;
        };
        const auto untouched = gameFiles();
        ASSERT_TRUE(rig.load());
        rig.form().Command1_Click();
        if (before == Old) {
            EXPECT_EQ(rig.form().outcome(), RunOutcome::Installed);
            EXPECT_EQ(rig.form().ErrorCode, 151000);
            EXPECT_EQ(rig.fs.contents(game + "data\\level.pak"), newLevel);
            EXPECT_TRUE(rig.fs.isFile(game + "readme.txt"));
            EXPECT_FALSE(rig.fs.isFile(game + "old.dll"));
            EXPECT_EQ(std::ranges::count(runLines(rig), "PL poz1"), 1);
            continue;
        }
        EXPECT_EQ(gameFiles(), untouched);
        EXPECT_EQ(ExitCodeOf(rig.form().outcome()),
                  before == Patched ? ExitCode::Installed : ExitCode::VersionMismatch);
        EXPECT_EQ(runLines(rig).back(),
                  before == Patched ? upToDate : modified("<238:data\\level.pak>"));
        const Lines switched = rig.selectLanguage(1);
        ASSERT_FALSE(switched.empty());
        EXPECT_EQ(switched.back(), before == Patched ? upToDate : modified("data\\level.pak"));
    }
}

// The window forced shut at any moment of the run: the outcome the exit code comes from says
// installed exactly when the whole patch is in the game folder.
TEST(UpdateRunTest, ForcedUnloadAtAnyMomentReportsInstalledOnlyWhenThePatchIsInPlace) {
    int yieldsOfARun = 0;
    {
        Form1Rig rig;
        prepare(rig, WithProgram);
        ASSERT_TRUE(rig.load());
        const int before = rig.loop_.yields();
        rig.form().Command1_Click();
        yieldsOfARun = rig.loop_.yields() - before;
    }
    bool sawInstalled = false;
    for (int offset = 1; offset <= yieldsOfARun + 1; ++offset) {
        SCOPED_TRACE("unload at yield " + std::to_string(offset));
        Form1Rig rig;
        prepare(rig, WithProgram);
        ASSERT_TRUE(rig.load());
        rig.loop_.at(rig.loop_.yields() + offset, [&] { rig.form().Form_Unload(); });
        rig.form().Command1_Click();
        const bool inPlace = rig.fs.isFile(std::string(kGame) + "\\data\\level.pak");
        EXPECT_EQ(rig.form().outcome() == RunOutcome::Installed, inPlace)
            << "ErrorCode " << rig.form().ErrorCode;
        sawInstalled = sawInstalled || inPlace;
    }
    EXPECT_TRUE(sawInstalled);
}

// A patch of one huge file that the fake does not hold in memory: its listing and its length
// report the size, its reads and the copy's writes move no bytes (the file put in place in
// the game folder is empty).
class HugePatchFileSystem : public test::FakeFileSystem {
public:
    explicit HugePatchFileSystem(int64_t size) : size_(size) {}

    std::unique_ptr<DirListing> list(const std::string& folder,
                                     const std::string& pattern) override {
        auto inner = FakeFileSystem::list(folder, pattern);
        return inner ? std::make_unique<Sized>(std::move(inner), size_) : nullptr;
    }
    std::unique_ptr<File> open(const std::string& path, OpenMode mode) override {
        if (path.ends_with("huge.pak") && mode == OpenMode::Read) {
            return std::make_unique<Hollow>(size_);
        }
        if (path.find("qlypatch-stage-") != std::string::npos && path.ends_with(".new")) {
            FakeFileSystem::open(path, mode); // the staged file is there, and stays empty
            return std::make_unique<Hollow>(0);
        }
        return FakeFileSystem::open(path, mode);
    }

private:
    class Sized : public DirListing {
    public:
        Sized(std::unique_ptr<DirListing> inner, int64_t size)
            : inner_(std::move(inner)), size_(size) {}
        bool next(DirEntry& entry) override {
            const bool more = inner_->next(entry);
            if (more && entry.name == "huge.pak") {
                entry.size = size_;
            }
            return more;
        }
        std::unique_ptr<DirListing> inner_;
        int64_t size_;
    };
    class Hollow : public File {
    public:
        explicit Hollow(int64_t length) : length_(length) {}
        std::size_t read(std::span<char> out) override { return out.size(); }
        void write(std::span<const char>) override {}
        int64_t length() override { return length_; }
        std::size_t transferFrom(File&, std::size_t n, std::string&) override { return n; }
        void flush() override {}
        int64_t length_;
    };
    int64_t size_;
};

// A run of 2 GiB or more succeeded: its figure is held at the largest ErrorCode, so that it
// neither hides the success lines (3 GiB would wrap to a negative figure) nor reads as the
// failure -1 (4 GiB minus one byte would); the bytes copied keep the whole figure.
TEST(UpdateRunTest, PatchOfTwoGibibytesOrMoreEndsAsASuccess) {
    for (const int64_t size : {int64_t{3} << 30, (int64_t{4} << 30) - 1}) {
        SCOPED_TRACE(size);
        HugePatchFileSystem huge(size);
        Form1Rig rig(huge, "C:\\Patch", false);
        huge.addFile("lang\\pol.lng", test::FullLangFile("pol", "PL", 238));
        huge.addFile("update\\huge.pak", "");
        huge.addFile(std::string(kGame) + "\\main.exe", "MZ");
        rig.registry_.values_[{"SOFTWARE\\Brantmoor Games\\Quillory", "Install Path"}] = kGame;
        ASSERT_TRUE(rig.load());
        rig.form().Command1_Click();
        EXPECT_EQ(rig.form().ErrorCode, std::numeric_limits<int32_t>::max());
        // The log's outcome gives the true figure.
        EXPECT_EQ(rig.form().updateRun().bytesCopied(), size);
        EXPECT_EQ(runLines(rig), (Lines{" ", " ", " ", "PL poz1", "PL poz2"}));
        EXPECT_TRUE(huge.isFile(std::string(kGame) + "\\huge.pak"));
    }
}

TEST(GameFolderTest, FullEditionWinsOverTheDemoWhoseSubfolderIsTested) {
    enum Entry { Nothing, Folder, HiddenFile }; // what C:\Full\main.exe is
    // The full edition's value present but empty counts as missing.
    const std::tuple<const char*, Entry, const char*, int16_t> cases[] = {
        {"", Nothing, "C:\\Demo\\Quillory DEMO", 1},
        {"C:\\Full", Folder, "C:\\Full", 2},
        {"C:\\Full", HiddenFile, "C:\\Full", 2},
    };
    for (const auto& [full, entry, destPatch, status] : cases) {
        Form1Rig rig;
        rig.registry_.values_[{"SOFTWARE\\Brantmoor Games\\Quillory", "Install Path"}] = full;
        rig.registry_.values_[{"SOFTWARE\\Brantmoor Games\\Quillory DEMO", "Install Path"}] =
            "C:\\Demo";
        rig.fs.addFile("C:\\Demo\\Quillory DEMO\\main.exe", "MZ");
        if (entry == Folder) {
            rig.fs.addFolder("C:\\Full\\main.exe");
        } else if (entry == HiddenFile) {
            rig.fs.addFile("C:\\Full\\main.exe", "MZ", kAttrHidden);
        }
        ASSERT_TRUE(rig.load());
        EXPECT_EQ(rig.form().DestPatch, destPatch);
        EXPECT_EQ(rig.form().status, status);
    }
}

} // namespace
} // namespace qly
