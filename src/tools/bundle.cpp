#include "tools/bundle.h"

#include "common/ascii_case.h"
#include "common/bundle_files.h"
#include "common/error.h"
#include "layout/layout_file.h"
#include "layout/window_geometry.h"
#include "platform/posix/posix_profile_file.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace qly::tools {

std::string ReadWhole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw Error("cannot read " + path.string());
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

WindowLayout ReadWindowLayout(const std::filesystem::path& bundle) {
    posix::PosixProfileFile profile;
    const LayoutFile layout(profile, (bundle / kLayoutFileName).string());
    WindowLayout out = qly::ReadWindowLayout(layout);
    out.select.height = kSelectHeight;
    return out;
}

BmpImage ReadSkin(const std::filesystem::path& bundle) {
    const std::filesystem::path path = bundle / kSkinName;
    if (!std::filesystem::is_regular_file(path)) {
        throw Error("the skin gfx.bmp is missing");
    }
    return ReadBmp(ReadWhole(path));
}

std::vector<BundleLanguage> ReadLanguages(const std::filesystem::path& bundle) {
    std::vector<BundleLanguage> out;
    std::error_code ec;
    for (const auto& entry :
         std::filesystem::directory_iterator(bundle / kLanguageFolderName, ec)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() &&
            AsciiLowerCase(entry.path().extension().string()) == ".lng") {
            out.push_back({"lang/" + name, ReadWhole(entry.path())});
        }
    }
    std::ranges::sort(out, {}, &BundleLanguage::file);
    return out;
}

} // namespace qly::tools
