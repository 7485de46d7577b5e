// qlypatch-tool check BUNDLE [--json] [--game-folder PATH] [--no-warn KIND]...: every fault of a
// bundle that the installer would show only on Windows, as "file:line: error|warning: text",
// less the warnings of the kinds silenced.
#include "common/bundle_files.h"
#include "patch/patch_archive.h"
#include "tools/bundle_checks.h"
#include "tools/subcommands.h"
#include "tools/tool_arguments.h"

#include <algorithm>
#include <set>

namespace qly::tools {
std::vector<Finding> CheckBundle(const std::filesystem::path& bundle, const std::string& gameFolder,
                                 HashService& hashes) {
    std::vector<Finding> findings;
    const std::optional<BmpImage> skin = CheckSkin(bundle, findings);
    CheckLayout(bundle,
                skin ? std::optional<Rect>(Rect{0, 0, skin->width, skin->height}) : std::nullopt,
                findings);
    CheckProduct(bundle, findings);
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

std::string WarningKindsHelp() {
    std::string text = "warning kinds (--no-warn KIND, as often as needed):\n";
    for (const WarningKindName& kind : WarningKinds()) {
        std::string name = kind.name;
        name.resize(std::max<std::size_t>(name.size(), 12), ' ');
        text += "  " + name + " " + kind.what + "\n";
    }
    return text;
}

int RunCheck(std::span<const std::string> args, HashService& hashes, std::ostream& out) {
    std::vector<std::string> rest(args.begin(), args.end());
    std::set<WarningKind> silenced;
    for (const std::string& name : TakeRepeatedOption(rest, "--no-warn")) {
        const std::optional<WarningKind> kind = WarningKindNamed(name);
        if (!kind) {
            throw UsageError("no warning kind \"" + name + "\"\n" + WarningKindsHelp());
        }
        silenced.insert(*kind);
    }
    const ToolArguments parsed = ParseToolArguments(rest, {"--json"}, {"--game-folder"}, 1, 1);
    const std::filesystem::path bundle = parsed.positional[0];
    if (!std::filesystem::is_directory(bundle)) {
        throw Error("no bundle folder at " + bundle.string());
    }
    const std::string gameFolder = parsed.option("--game-folder").value_or(kDefaultGameFolder);

    std::vector<Finding> findings = CheckBundle(bundle, gameFolder, hashes);
    const auto quiet = std::erase_if(findings, [&](const Finding& f) {
        return f.severity == Severity::Warning && silenced.contains(f.kind);
    });
    const auto errors = std::ranges::count(findings, Severity::Error, &Finding::severity);
    if (parsed.has("--json")) {
        out << FindingsToJson(findings);
    } else {
        for (const Finding& f : findings) {
            out << FormatFinding(f) << "\n";
        }
        out << errors << (errors == 1 ? " error, " : " errors, ") << findings.size() - errors
            << (findings.size() - errors == 1 ? " warning" : " warnings");
        if (quiet > 0) {
            out << " (" << quiet << " silenced)";
        }
        out << "\n";
    }
    return errors > 0 ? 1 : 0;
}

} // namespace qly::tools
