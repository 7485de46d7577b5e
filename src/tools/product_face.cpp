#include "tools/product_face.h"

#include "bundle/resource_writer.h"
#include "bundle/version_info.h"
#include "common/bundle_files.h"
#include "common/error.h"
#include "common/trimmed.h"
#include "layout/layout_file.h"
#include "platform/posix/posix_profile_file.h"
#include "tools/bundle.h"
#include "update/game_version.h"

#include <algorithm>

namespace qly::tools {

namespace {

constexpr uint16_t kUsEnglish = 0x0409;

std::string trimmed(const std::string& s) {
    return std::string(Trimmed(s));
}

// The version resource the installer carries (the first one), or a new one under the name and
// language a resource compiler gives it.
std::pair<ResourceKey, ResourceKey> versionPlace(const ResourceTree& tree) {
    const auto versions = tree.find(ResourceKey::Id(kResourceVersion));
    if (versions != tree.end() && !versions->second.empty() &&
        !versions->second.begin()->second.empty()) {
        return {versions->second.begin()->first, versions->second.begin()->second.begin()->first};
    }
    return {ResourceKey::Id(1), ResourceKey::Id(kUsEnglish)};
}

void applyVersion(ResourceTree& tree, const ProductFace& face) {
    const auto [name, language] = versionPlace(tree);
    ResourceData& data = tree[ResourceKey::Id(kResourceVersion)][name][language];
    VersionInfo info = DecodeVersionInfo(data.bytes).value_or(VersionInfo{});
    for (std::size_t i = 0; i < std::size(kProductKeys); ++i) {
        if (!face.values[i].empty()) {
            info.setString(kProductKeys[i].resourceString, face.values[i]);
        }
    }
    if (const std::string& version = face.value("version"); !version.empty()) {
        // A version that is no four numbers (packed with --force) keeps the numbers.
        if (const std::optional<VersionWords> words = ParseVersion(version)) {
            info.fileVersion = *words;
            info.productVersion = *words;
        }
        info.setString("ProductVersion", version);
    }
    // The installer's own copyright names the studio that built it, not the one shipping.
    if (const std::string& company = face.value("company");
        !company.empty() && info.string("LegalCopyright")) {
        info.setString("LegalCopyright", "Copyright (C) " + company);
    }
    data.bytes = EncodeVersionInfo(info);
}

} // namespace

bool ProductFace::hasProduct() const {
    return std::ranges::any_of(values, [](const std::string& v) { return !v.empty(); });
}

const std::string& ProductFace::value(std::string_view key) const {
    for (std::size_t i = 0; i < std::size(kProductKeys); ++i) {
        if (key == kProductKeys[i].key) {
            return values[i];
        }
    }
    throw Error("no product key " + std::string(key));
}

ProductFace ReadProductFace(const std::filesystem::path& bundle) {
    ProductFace face;
    posix::PosixProfileFile profile;
    const LayoutFile layout(profile, (bundle / kLayoutFileName).string());
    for (std::size_t i = 0; i < std::size(kProductKeys); ++i) {
        face.values[i] = trimmed(layout.ReadIniString(kProductSection, kProductKeys[i].key));
    }
    const std::filesystem::path icon = bundle / kIconName;
    if (std::filesystem::is_regular_file(icon)) {
        face.icon = ReadWhole(icon);
    }
    return face;
}

std::string ApplyProductFace(std::string program, const ProductFace& face) {
    if (!face.hasProduct() && !face.icon) {
        return program;
    }
    ResourceTree tree = ResourcesOf(program);
    if (face.hasProduct()) {
        applyVersion(tree, face);
    }
    // An icon.ico that is no icon (packed with --force) leaves the installer's own.
    if (const IconFileRead icon = ReadIconFile(face.icon.value_or("")); !icon.pictures.empty()) {
        ReplaceIcons(tree, icon.pictures);
    }
    return ReplaceResources(program, tree);
}

} // namespace qly::tools
