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

TEST(CheckTest, DemoBundleHasNoErrors) {
    const DemoBundle bundle;
    EXPECT_THAT(errorsOf(bundle.check()), testing::IsEmpty());
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

struct FaultCase {
    std::string name;
    std::function<void(const DemoBundle&)> breakIt;
    std::string file;
    int32_t line;
    Severity severity;
    std::string text; // a part of the finding's text
};

TEST(CheckTest, EachFaultIsFoundInItsFileAndLine) {
    const auto E = Severity::Error;
    const auto W = Severity::Warning;
    const std::vector<FaultCase> cases{
        {"number", [](auto& b) { b.replace("qlypatch.ini", "x=306", "x=abc"); }, "qlypatch.ini", 21,
         E, "not a number"},
        {"decimal", [](auto& b) { b.replace("qlypatch.ini", "wys=176", "wys=175.5"); },
         "qlypatch.ini", 34, W, "reads 176"},
        {"outside", [](auto& b) { b.replace("qlypatch.ini", "szer=268", "szer=468"); },
         "qlypatch.ini", 30, E, "outside the skin"},
        {"overlap", [](auto& b) { b.replace("qlypatch.ini", "y=88", "y=220"); }, "qlypatch.ini", 25,
         E, "overlaps the update button"},
        {"close button", [](auto& b) { b.replace("qlypatch.ini", "y=88", "y=4"); }, "qlypatch.ini",
         25, E, "covers the close button"},
        {"no section", [](auto& b) { b.replace("qlypatch.ini", "[select]", "[selector]"); },
         "qlypatch.ini", 0, E, "[select] is missing"},
        {"no key", [](auto& b) { b.replace("qlypatch.ini", "wys=36", "wysokosc=36"); },
         "qlypatch.ini", 19, E, "no \"wys\""},
        {"skin",
         [](auto& b) { b.folder.write("gfx.bmp", b.folder.read("gfx.bmp").substr(0, 5000)); },
         "gfx.bmp", 0, E, "fewer pixel bytes"},
        {"apostrophe",
         [](auto& b) {
             b.replace("lang/eng.lng", "Please close the game", "Please don't run the game");
         },
         "lang/eng.lng", 13, E, "shows \"Please don\""},
        {"apostrophe, quoted in UTF-8",
         [](auto& b) { b.replace("lang/pol.lng", "Zamknij gr\xEA,", "Zamknij gr\xEA', potem"); },
         "lang/pol.lng", 13, E, "shows \"Zamknij gr\xC4\x99\" and drops \", potem"},
        {"key typo", [](auto& b) { b.replace("lang/eng.lng", "/error/", "/Error/"); },
         "lang/eng.lng", 26, W, "\"Error\" is not one the installer reads"},
        {"missing key", [](auto& b) { b.replace("lang/deu.lng", "/wyjdz/", "/wyjdzz/"); },
         "lang/deu.lng", 0, E, "\"wyjdz\" is missing"},
        {"code page", [](auto& b) { b.replace("lang/rus.lng", "/przed3/= ", "/przed3/= \x98"); },
         "lang/rus.lng", 12, E, "0x98"},
        {"no english", [](auto& b) { b.replace("lang/eng.lng", "[ENG]", "[DEU]"); }, "lang/eng.lng",
         1, W, "also used by lang/deu.lng"},
        {"charset", [](auto& b) { b.replace("lang/pol.lng", "/#skrypt/= 238'", "/#skrypt/= 0'"); },
         "lang/pol.lng", 6, W, "charset 238 would show"},
        {"Cyrillic as Latin",
         [](auto& b) { b.replace("lang/rus.lng", "/#skrypt/= 204'", "/#skrypt/= 238'"); },
         "lang/rus.lng", 6, W, "charset 204 would show"},
        {"Latin as Cyrillic",
         [](auto& b) { b.replace("lang/pol.lng", "/#skrypt/= 238'", "/#skrypt/= 204'"); },
         "lang/pol.lng", 6, W, "charset 238 would show"},
        {"broken word",
         [](auto& b) {
             b.replace("lang/eng.lng", "Welcome to the",
                       "Welcome-to-the-Quillory-patch-installer-of-the-brave-new-world-of");
         },
         "lang/eng.lng", 10, W, "is broken after"},
        {"series key", [](auto& b) { b.replace("lang/pol.lng", "/poz1/", "/poz1/= x'\r\n/poz9/"); },
         "lang/eng.lng", 0, W, "\"poz9\" is missing here"},
        {"device name", [](auto& b) { b.folder.write("update/data/Aux.cfg.txt", "x"); },
         "update/data/Aux.cfg.txt", 0, E, "device name AUX"},
        {"case", [](auto& b) { b.folder.write("update/README.TXT", "x"); }, "update/readme.txt", 0,
         E, "only in letter case"},
        {"case beyond ASCII",
         [](auto& b) { b.folder.write("update/Mapy gry/\xC5\x81\xC4\x84KA zielona.map", "x"); },
         "update/Mapy gry/\xC5\x82\xC4\x85ka zielona.map", 0, E, "only in letter case"},
        {"trailing dot", [](auto& b) { b.folder.write("update/notes.", "x"); }, "update/notes.", 0,
         E, "dot at its end"},
        {"link", [](auto& b) { fs::create_symlink("readme.txt", b.root() / "update/link.txt"); },
         "update/link.txt", 0, E, "a link"},
        {"long path",
         [](auto& b) {
             b.folder.write(
                 "update/" + std::string(120, 'a') + "/" + std::string(120, 'b') + ".dat", "x");
         },
         "update/" + std::string(120, 'a') + "/" + std::string(120, 'b') + ".dat", 0, E,
         "Windows allows 259"},
    };
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.name);
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
    const std::string good = "0000000000000000000000000000000000000000000000000000000000000000";
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
    (void)good;
}

} // namespace
} // namespace qly::tools
