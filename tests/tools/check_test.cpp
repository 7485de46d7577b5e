// `check` on the demo bundle and on copies of it with one fault each: every fault must be
// found in the right file, on the right line, and nothing else may turn into an error.
#include "platform/posix/libcrypto_hash_service.h"
#include "support/temp_folder.h"
#include "tools/bundle_checks.h"
#include "tools/subcommands.h"
#include "tools/tool_arguments.h"

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sstream>

namespace qly::tools {
namespace {

namespace fs = std::filesystem;

const char* const kGameFolder = "C:\\Program Files (x86)\\Quillory";

// A copy of the demo bundle in a temporary folder, to be broken.
class DemoBundle {
public:
    DemoBundle() {
        const fs::path demo = fs::path(std::getenv("QLY_SOURCE_DIR")) / "demo";
        for (const char* part : {"qlypatch.ini", "gfx.bmp", "lang", "update"}) {
            fs::copy(demo / part, root() / part, fs::copy_options::recursive);
        }
    }
    fs::path root() const { return folder.path(); }
    void replace(const std::string& rel, const std::string& from, const std::string& to) const {
        std::string text = folder.read(rel);
        const size_t at = text.find(from);
        ASSERT_NE(at, std::string::npos) << from << " in " << rel;
        folder.write(rel, text.replace(at, from.size(), to));
    }
    std::vector<Finding> check() const {
        posix::LibcryptoHashService hashes;
        return CheckBundle(root(), kGameFolder, hashes);
    }

    test::TempFolder folder;
};

std::vector<std::string> errorsOf(const std::vector<Finding>& findings) {
    std::vector<std::string> out;
    for (const Finding& f : findings) {
        if (f.severity == Severity::Error) {
            out.push_back(FormatFinding(f));
        }
    }
    return out;
}

// The demo bundle is the patch makers' example: no errors, and no warning but the two known
// ones (German and Russian introductions taller than the text area). A key missing in one of
// its languages, a key written twice, a text in the wrong code page or a control in a rounded
// corner would each add a finding.
TEST(CheckTest, DemoBundleHasNoFindingsButItsKnownWarnings) {
    const DemoBundle bundle;
    std::vector<std::string> findings;
    for (const Finding& f : bundle.check()) {
        findings.push_back(FormatFinding(f));
    }
    const std::string tall = ":10: warning: the \"przed\" series is 195 pixels tall";
    EXPECT_THAT(findings,
                testing::UnorderedElementsAre(testing::StartsWith("lang/deu.lng" + tall),
                                              testing::StartsWith("lang/rus.lng" + tall)));
}

TEST(CheckTest, CommandExitsWithOneOnErrorsAndReportsThemAsTextOrJson) {
    const DemoBundle bundle;
    posix::LibcryptoHashService hashes;
    const auto run = [&](std::vector<std::string> args) {
        std::ostringstream out;
        const int code = RunCheck(args, hashes, out);
        return std::pair{code, out.str()};
    };
    EXPECT_EQ(run({bundle.root().string()}).first, 0);
    bundle.replace("lang/eng.lng", "Exit'", "Don't exit'");
    const auto [code, text] = run({bundle.root().string()});
    EXPECT_EQ(code, 1);
    EXPECT_THAT(text, testing::HasSubstr("lang/eng.lng:8: error: an apostrophe ends the text of "
                                         "\"wyjdz\" early: the installer shows \"Don\""));
    EXPECT_THAT(text, testing::EndsWith("1 error, 2 warnings\n"));
    const auto [jsonCode, json] = run({"--json", bundle.root().string()});
    EXPECT_EQ(jsonCode, 1);
    EXPECT_THAT(json, testing::StartsWith("{\"errors\": 1, \"warnings\": 2, \"findings\": ["));
    EXPECT_THAT(json, testing::HasSubstr("{\"file\": \"lang/eng.lng\", \"line\": 8, "
                                         "\"severity\": \"error\", \"text\": \"an apostrophe "
                                         "ends the text of \\\"wyjdz\\\" early"));
    // Game folders deep enough make every path too long.
    const auto [deepCode, deep] =
        run({bundle.root().string(), "--game-folder", "C:\\" + std::string(240, 'g')});
    EXPECT_EQ(deepCode, 1);
    EXPECT_THAT(
        deep, testing::HasSubstr(
                  "update/Mapy gry/README po polsku.txt: error: its path in the game folder is 273 "
                  "characters long"));
    EXPECT_THROW(run({bundle.root().string(), "--verbose"}), UsageError);
}

TEST(CheckTest, WarningsOfTheKindsGivenAreSilencedAndOnlyThose) {
    const DemoBundle bundle;
    bundle.replace("qlypatch.ini", "wys=176", "wys=175.5"); // a "number" warning
    posix::LibcryptoHashService hashes;
    const auto run = [&](std::vector<std::string> args) {
        std::ostringstream out;
        args.insert(args.begin(), bundle.root().string());
        EXPECT_EQ(RunCheck(args, hashes, out), 0);
        return out.str();
    };
    EXPECT_THAT(run({}), testing::EndsWith("0 errors, 3 warnings\n"));
    const std::string quiet = run({"--no-warn", "tall", "--no-warn=number"});
    EXPECT_EQ(quiet, "0 errors, 0 warnings (3 silenced)\n");
    const std::string some = run({"--no-warn", "number", "--json"});
    EXPECT_THAT(some, testing::StartsWith("{\"errors\": 0, \"warnings\": 2,"));
    EXPECT_THAT(some, testing::Not(testing::HasSubstr("175.5")));
    // An error is never silenced, whatever the kinds.
    bundle.replace("qlypatch.ini", "x=306", "x=abc");
    std::vector<std::string> all{bundle.root().string()};
    for (const WarningKindName& kind : WarningKinds()) {
        all.push_back("--no-warn=" + std::string(kind.name));
    }
    std::ostringstream out;
    EXPECT_EQ(RunCheck(all, hashes, out), 1);
    EXPECT_THAT(out.str(), testing::HasSubstr("not a number"));
    EXPECT_THROW(run({"--no-warn", "tal"}), UsageError);
    EXPECT_THROW(run({"--no-warn"}), UsageError);
}

// One fault put into the demo bundle, and the finding that must name it.
struct FaultCase {
    std::function<void(const DemoBundle&)> breakIt;
    std::string file;
    int32_t line;
    Severity severity;
    std::string text; // a part of the finding's text
};

// Breaks the bundle by replacing from with to in rel.
std::function<void(const DemoBundle&)> edit(std::string rel, std::string from, std::string to) {
    return [=](const DemoBundle& b) { b.replace(rel, from, to); };
}

// Breaks the bundle by adding the file rel.
std::function<void(const DemoBundle&)> add(std::string rel) {
    return [=](const DemoBundle& b) { b.folder.write(rel, "x"); };
}

// Breaks the bundle by giving the layout file a section [game] (line 39) with line (40).
std::function<void(const DemoBundle&)> game(const std::string& line) {
    return edit("qlypatch.ini", "title=Quillory Online",
                "title=Quillory Online\r\n[game]\r\n" + line);
}

TEST(CheckTest, EachFaultIsFoundInItsFileAndLine) {
    const auto E = Severity::Error;
    const auto W = Severity::Warning;
    const std::string ini = "qlypatch.ini", eng = "lang/eng.lng", pol = "lang/pol.lng",
                      deu = "lang/deu.lng", rus = "lang/rus.lng";
    const std::string longName = "update/" + std::string(120, 'a') + "/" + std::string(120, 'b');
    // clang-format off
    const std::vector<FaultCase> cases{
        {edit(ini, "x=306", "x=abc"), ini, 21, E, "not a number"},
        {edit(ini, "wys=176", "wys=175.5"), ini, 34, W, "reads 176"},
        {edit(ini, "szer=268", "szer=468"), ini, 30, E, "outside the skin"},
        {edit(ini, "y=88", "y=220"), ini, 25, E, "overlaps the update button"},
        {edit(ini, "y=88", "y=4"), ini, 25, E, "covers the close button"},
        {edit(ini, "[select]", "[selector]"), ini, 0, E, "[select] is missing"},
        {edit(ini, "wys=36", "wysokosc=36"), ini, 19, E, "no \"wys\""},
        {[](auto& b) { b.folder.write("gfx.bmp", b.folder.read("gfx.bmp").substr(0, 5000)); },
         "gfx.bmp", 0, E, "fewer pixel bytes"},
        {edit(eng, "Please close the game", "Please don't run the game"),
         eng, 13, E, "shows \"Please don\""},
        // The text the installer would show is quoted in UTF-8.
        {edit(pol, "Zamknij gr\xEA,", "Zamknij gr\xEA', potem"),
         pol, 13, E, "shows \"Zamknij gr\xC4\x99\" and drops \", potem"},
        {edit(eng, "/error/", "/Error/"), eng, 26, W, "\"Error\" is not one the installer reads"},
        {edit(deu, "/wyjdz/", "/wyjdzz/"), deu, 0, E, "\"wyjdz\" is missing"},
        {edit(rus, "/przed3/= ", "/przed3/= \x98"), rus, 12, E, "0x98"},
        {edit(eng, "[ENG]", "[DEU]"), eng, 1, W, "also used by lang/deu.lng"},
        {edit(pol, "/#skrypt/= 238'", "/#skrypt/= 0'"), pol, 6, W, "charset 238 would show"},
        {edit(rus, "/#skrypt/= 204'", "/#skrypt/= 238'"), rus, 6, W, "charset 204 would show"},
        {edit(pol, "/#skrypt/= 238'", "/#skrypt/= 204'"), pol, 6, W, "charset 238 would show"},
        {edit(eng, "Welcome to the", "Welcome-to-the-Quillory-patch-installer-of-the-brave-new"),
         eng, 10, W, "is broken after"},
        {edit(pol, "/poz1/", "/poz1/= x'\r\n/poz9/"), eng, 0, W, "\"poz9\" is missing here"},
        {add("update/data/Aux.cfg.txt"), "update/data/Aux.cfg.txt", 0, E, "device name AUX"},
        {add("update/README.TXT"), "update/readme.txt", 0, E, "only in letter case"},
        {add("update/Mapy gry/\xC5\x81\xC4\x84KA zielona.map"),
         "update/Mapy gry/\xC5\x82\xC4\x85ka zielona.map", 0, E, "only in letter case"},
        {add("update/notes."), "update/notes.", 0, E, "dot at its end"},
        // The check refuses what the packer and the run refuse.
        {add("update/COM\xC2\xB9.txt"), "update/COM\xC2\xB9.txt", 0, E, "device name COM"},
        {add("update/conin$"), "update/conin$", 0, E, "device name CONIN$"},
        {[](auto& b) { fs::create_symlink("readme.txt", b.root() / "update/link.txt"); },
         "update/link.txt", 0, E, "a link"},
        {add(longName + ".dat"), longName + ".dat", 0, E, "Windows allows 259"},
        // The game's identity: values with which the installer would never find the game.
        {game("steam=Emberfall"), ini, 40, E, "not a Steam app id"},
        {game("exe=bin\\emberfall.exe"), ini, 40, E, "without a folder"},
        {game("exe=emberfall.exe."), ini, 40, E, "dot at its end"},
        {game("registry=HKLM\\SOFTWARE\\PF;SOFTWARE\\PF\\Emberfall"), ini, 40, E,
         "\"SOFTWARE\\PF\\Emberfall\" is skipped"},
        {game("uninstall=Uninstall\\Emberfall"), ini, 40, E, "names one key"},
        {game("caption=Emberfall patch"), ini, 40, W, "has no %1"},
        // What pack writes into the packed exe.
        {edit(ini, "\nversion=1.1.0.0\n", "\nversion=1.1\n"), ini, 53, E, "not four numbers"},
        {edit(ini, "\nversion=1.1.0.0\n", "\nversion=1.1.0.65536\n"), ini, 53, E, "(1.1.0.0)"},
        {edit(ini, "name=Quillory\n", "name=Quill\xF3ry\n"), ini, 52, E, "not UTF-8"},
        {edit(ini, "company=Brantmoor Games\n", ""), ini, 49, W, "own CompanyName"},
        {edit(ini, "description=Quillory 1.1 patch", "description="), ini, 51, W,
         "own FileDescription"},
        {add("icon.ico"), "icon.ico", 0, E, "not an icon (it does not start like an icon"},
    };
    // clang-format on
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.file + ": " + c.text);
        const DemoBundle bundle;
        c.breakIt(bundle);
        const std::vector<Finding> findings = bundle.check();
        const bool found = std::ranges::any_of(findings, [&](const Finding& f) {
            return f.file == c.file && f.line == c.line && f.severity == c.severity &&
                   f.text.find(c.text) != std::string::npos;
        });
        std::string all;
        for (const Finding& f : findings) {
            all += FormatFinding(f) + "\n";
        }
        EXPECT_TRUE(found) << all;
        for (const Finding& f : findings) {
            if (f.severity == Severity::Error && c.file != "lang/eng.lng") {
                EXPECT_EQ(f.file, c.file) << "stray: " << FormatFinding(f);
            }
        }
    }
}

TEST(CheckTest, ManifestMustMatchTheTreeLineByLine) {
    const DemoBundle bundle;
    bundle.folder.write("update.sha256", "garbage line\n");
    EXPECT_THAT(errorsOf(bundle.check()),
                testing::ElementsAre(testing::StartsWith("update.sha256:1: error: expected 64")));

    ASSERT_EQ(std::system(("cd '" + bundle.folder.file("update") +
                           "' && find . -type f -printf '%P\\0' | sort -z | xargs -0 sha256sum "
                           "> ../update.sha256")
                              .c_str()),
              0);
    EXPECT_THAT(errorsOf(bundle.check()), testing::IsEmpty());
    bundle.folder.write("update/config/patch.cfg", "changed");
    bundle.folder.write("update/new.txt", "not listed");
    EXPECT_THAT(errorsOf(bundle.check()),
                testing::UnorderedElementsAre(
                    testing::MatchesRegex("update\\.sha256:3: error: update/config/patch\\.cfg "
                                          "does not match.*"),
                    testing::StartsWith("update.sha256: error: update/new.txt is not listed")));
}

} // namespace
} // namespace qly::tools
