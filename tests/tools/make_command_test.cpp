// `make` writes a delta bundle that `check` accepts; a damaged archive is found by `check`, and
// a bundle that already holds a patch tree is refused.
#include "support/patch_rig.h"
#include "support/temp_folder.h"
#include "tools/bundle_checks.h"
#include "tools/make_command.h"
#include "tools/tool_arguments.h"

#include <gtest/gtest.h>
#include <sstream>

namespace qly::tools {
namespace {

class MakeCommand : public ::testing::Test {
protected:
    MakeCommand() {
        t.write("old/data.pak", std::string(50000, 'a') + "old");
        t.write("old/gone.txt", "bye");
        t.write("new/data.pak", std::string(50000, 'a') + "new!");
        t.write("new/added.txt", "hi");
    }
    int make(std::vector<std::string> args, std::string* progressSeen = nullptr) {
        patch::MakeIo io = rig.makeIo();
        std::function<void(std::string_view)> progress;
        if (progressSeen) {
            progress = [progressSeen](std::string_view line) { *progressSeen += std::string(line) + "|"; };
        }
        return RunMake(args, {io, out, progress});
    }
    std::vector<Finding> check() {
        std::vector<Finding> findings;
        CheckPatchArchive(t.file("bundle"), findings);
        return findings;
    }
    test::TempFolder t;
    test::PatchRig rig;
    std::ostringstream out;
};

TEST_F(MakeCommand, WritesAnArchiveThatCheckAcceptsAndSummarises) {
    std::string progress;
    EXPECT_EQ(make({t.file("old"), t.file("new"), "-o", t.file("bundle"), "--keep-whole", "*.txt"},
                   &progress),
              0);
    EXPECT_TRUE(t.exists("bundle/update.qlypatch"));
    EXPECT_NE(out.str().find("1 added, 1 changed, 1 removed, 0 unchanged"), std::string::npos)
        << out.str();
    EXPECT_NE(progress.find("data.pak"), std::string::npos) << progress;
    EXPECT_TRUE(check().empty());
}

TEST_F(MakeCommand, CheckFindsADamagedArchive) {
    make({t.file("old"), t.file("new"), "-o", t.file("bundle")});
    std::string bytes = t.read("bundle/update.qlypatch");
    bytes[bytes.size() - 3] ^= 0x10; // inside the last block
    t.write("bundle/update.qlypatch", bytes);
    const std::vector<Finding> findings = check();
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].file, "update.qlypatch");
    EXPECT_EQ(findings[0].severity, Severity::Error);
}

TEST_F(MakeCommand, RefusesABundleWithAPatchTreeAndAMissingOutput) {
    t.write("bundle/update/x.txt", "tree");
    EXPECT_THROW(make({t.file("old"), t.file("new"), "-o", t.file("bundle")}), UsageError);
    EXPECT_THROW(make({t.file("old"), t.file("new")}), UsageError);
    EXPECT_THROW(make({t.file("old"), t.file("missing"), "-o", t.file("b2")}), UsageError);
}

} // namespace
} // namespace qly::tools
