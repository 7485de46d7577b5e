// qlypatch-tool check BUNDLE [--json] [--game-folder PATH]: every fault of a bundle that the
// installer would show only on Windows, as "file:line: error|warning: text".
#include "common/bundle_files.h"
#include "patch/patch_archive.h"
#include "tools/bundle_checks.h"
#include "tools/subcommands.h"
#include "tools/tool_arguments.h"

#include <algorithm>

namespace qly::tools {
namespace {

// Where a 32-bit game lands on a 64-bit Windows by default.
constexpr const char* kDefaultGameFolder = "C:\\Program Files (x86)\\Quillory";

} // namespace

std::vector<Finding> CheckBundle(const std::filesystem::path& bundle, const std::string& gameFolder,
                                 HashService& hashes) {
    std::vector<Finding> findings;
    const std::optional<BmpImage> skin = CheckSkin(bundle, findings);
    CheckLayout(bundle,
                skin ? std::optional<Rect>(Rect{0, 0, skin->width, skin->height}) : std::nullopt,
                findings);
    const std::vector<BundleLanguage> languages = ReadLanguages(bundle);
    CheckLanguages(languages, findings);
    CheckTexts(languages, ReadWindowLayout(bundle).textArea, findings);
    // A patch archive may come with a tree of whole files beside it; without an archive the
    // tree is the patch and must be there.
    const bool archive = std::filesystem::exists(bundle / patch::kBundleArchiveName);
    if (archive) {
        CheckPatchArchive(bundle, findings);
    }
    if (!archive || std::filesystem::exists(bundle / kPatchTreeName)) {
        CheckPatchTree(bundle, gameFolder, hashes, findings);
    }
    return findings;
}

int RunCheck(std::span<const std::string> args, HashService& hashes, std::ostream& out) {
    const ToolArguments parsed = ParseToolArguments(args, {"--json"}, {"--game-folder"}, 1, 1);
    const std::filesystem::path bundle = parsed.positional[0];
    if (!std::filesystem::is_directory(bundle)) {
        throw Error("no bundle folder at " + bundle.string());
    }
    const std::string gameFolder = parsed.option("--game-folder").value_or(kDefaultGameFolder);

    const std::vector<Finding> findings = CheckBundle(bundle, gameFolder, hashes);
    const auto errors = std::ranges::count(findings, Severity::Error, &Finding::severity);
    if (parsed.has("--json")) {
        out << FindingsToJson(findings);
    } else {
        for (const Finding& f : findings) {
            out << FormatFinding(f) << "\n";
        }
        out << errors << (errors == 1 ? " error, " : " errors, ") << findings.size() - errors
            << (findings.size() - errors == 1 ? " warning\n" : " warnings\n");
    }
    return errors > 0 ? 1 : 0;
}

} // namespace qly::tools
