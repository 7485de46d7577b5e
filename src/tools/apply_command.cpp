#include "tools/apply_command.h"

#include "common/bundle_files.h"
#include "common/error.h"
#include "engine/class_copy_sys.h"
#include "patch/patch_files.h"
#include "tools/tool_arguments.h"
#include "update/exit_codes.h"
#include "update/update_run.h"

#include <memory>

namespace qly::tools {

namespace {

bool isFolder(FileSystem& files, const std::string& path) {
    const std::optional<uint32_t> found = files.statusOf(path);
    return found && (*found & kAttrDirectory) != 0;
}

std::string withSeparator(std::string folder) {
    if (folder.empty() || (folder.back() != '\\' && folder.back() != '/')) {
        folder += '\\';
    }
    return folder;
}

int finish(const ApplyServices& services, RunOutcome outcome, const std::string& line) {
    services.out << line << "\n";
    return static_cast<int>(ExitCodeOf(outcome));
}

} // namespace

int RunApply(std::span<const std::string> args, const ApplyServices& services) {
    const ToolArguments parsed = ParseToolArguments(args, {}, {}, 2, 2);
    FileSystem& files = services.files;
    const std::string& bundle = parsed.positional[0];
    const std::string game = withSeparator(parsed.positional[1]);
    if (!isFolder(files, game)) {
        throw Error("no game folder at " + parsed.positional[1]);
    }
    const bool bundleFolder = isFolder(files, bundle);
    const std::string archive =
        bundleFolder ? withSeparator(bundle) + patch::kBundleArchiveName : bundle;
    const std::string tree = withSeparator(bundle) + kPatchTreeName + "\\";
    const bool hasArchive = files.statusOf(archive).has_value();
    const bool hasTree = bundleFolder && isFolder(files, tree);
    if (!hasArchive && !hasTree) {
        throw Error("no patch in " + bundle + ": neither update.qlypatch nor an update\\ tree");
    }

    std::unique_ptr<patch::PatchFiles> made;
    if (hasArchive) {
        made = std::make_unique<patch::PatchFiles>(files, services.hashes, archive, game);
        switch (made->check().state) {
        case patch::GameState::Old:
            break;
        case patch::GameState::New:
            return finish(services, RunOutcome::Installed,
                          "already up to date: the game is at the patch's version; nothing was "
                          "changed");
        case patch::GameState::Other:
            return finish(services, RunOutcome::VersionMismatch,
                          "refused: " + made->check().firstDifferent +
                              " is not the version the patch was made for; nothing was changed");
        }
    }
    classCopySys engine(files, services.loop);
    if (services.progress) {
        engine.CopyState = [&](int16_t percent, int64_t&, int64_t&) { services.progress(percent); };
    }
    const CopyResult result =
        made ? NumericResult(engine.InstallMade(*made, hasTree ? tree : "", game))
             : engine.QuickCopy(tree, game);
    const int64_t bytes = result.value_or(0);
    if (bytes >= 0) {
        return finish(services, RunOutcome::Installed,
                      "installed: " + std::to_string(engine.FileCount) + " files written (" +
                          std::to_string(bytes) + " bytes), " +
                          std::to_string(made ? made->removals().size() : 0) + " removed");
    }
    const std::string why = DescribeCopyFailure(engine.LastFailure);
    if (engine.LastFailure && !engine.LastFailure->undone) {
        return finish(services, RunOutcome::RecoveryFailed, "failed: " + why);
    }
    return finish(services, bytes == -2 ? RunOutcome::NotEnoughSpace : RunOutcome::Failed,
                  "failed: " + why + "; nothing was changed");
}

} // namespace qly::tools
