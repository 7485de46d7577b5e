// qlypatch-tool manifest BUNDLE: writes BUNDLE/update.sha256 for the files of BUNDLE/update.
#include "common/bundle_files.h"
#include "common/error.h"
#include "tools/patch_tree_hash.h"
#include "tools/subcommands.h"
#include "tools/tool_arguments.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace qly::tools {

int RunManifest(std::span<const std::string> args, HashService& hashes, std::ostream& out) {
    namespace fs = std::filesystem;
    const ToolArguments parsed = ParseToolArguments(args, {}, {}, 1, 1);
    const fs::path bundle = parsed.positional[0];
    const fs::path tree = bundle / kPatchTreeName;
    if (!fs::is_directory(tree)) {
        throw Error("no patch tree at " + tree.string());
    }
    const std::string text = FormatManifest(HashPatchTree(tree, hashes));
    // Written beside and then renamed, so that a failed write never leaves half a manifest.
    const fs::path target = bundle / kManifestName;
    const fs::path temporary = bundle / (std::string(kManifestName) + ".tmp");
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        if (!file.write(text.data(), static_cast<std::streamsize>(text.size())) || !file.flush()) {
            std::error_code ignored;
            fs::remove(temporary, ignored);
            throw Error("cannot write " + temporary.string());
        }
    }
    fs::rename(temporary, target);
    const auto lines = std::ranges::count(text, '\n');
    out << "wrote " << target.string() << " (" << lines << (lines == 1 ? " file" : " files")
        << ")\n";
    return 0;
}

} // namespace qly::tools
