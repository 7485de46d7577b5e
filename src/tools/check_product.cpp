// [product] and icon.ico: what pack writes into the packed exe's version resource and icons.
#include "common/bundle_files.h"
#include "common/error.h"
#include "common/utf8.h"
#include "tools/bundle.h"
#include "tools/bundle_checks.h"
#include "tools/product_face.h"
#include "update/game_version.h"

namespace qly::tools {

namespace {

bool validUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t at = i;
        if (NextUtf8(text, i) == 0xFFFD && text.substr(at, 3) != "\xEF\xBF\xBD") {
            return false;
        }
    }
    return true;
}

} // namespace

void CheckProduct(const std::filesystem::path& bundle, std::vector<Finding>& findings) {
    const ProductFace face = ReadProductFace(bundle);
    std::string layout;
    try {
        layout = ReadWhole(bundle / kLayoutFileName);
    } catch (const Error&) {
        layout.clear(); // the layout check reports it
    }
    const int32_t section = LayoutLine(layout, kProductSection, "");
    for (std::size_t i = 0; i < std::size(kProductKeys); ++i) {
        const ProductKey& key = kProductKeys[i];
        const std::string& value = face.values[i];
        const int32_t line = LayoutLine(layout, kProductSection, key.key);
        if (value.empty()) {
            if (section > 0) {
                findings.push_back({kLayoutFileName, line > 0 ? line : section, Severity::Warning,
                                    "[product] has no \"" + std::string(key.key) +
                                        "\": the packed exe keeps the installer's own " +
                                        key.resourceString,
                                    WarningKind::Product});
            }
            continue;
        }
        if (!validUtf8(value)) {
            findings.push_back({kLayoutFileName, line, Severity::Error,
                                "[product] " + std::string(key.key) +
                                    " is not UTF-8 text: save the layout file as UTF-8"});
        }
        if (std::string_view(key.key) == "version" && !ParseVersion(value)) {
            findings.push_back({kLayoutFileName, line, Severity::Error,
                                "[product] version=" + value +
                                    " is not four numbers of 0 to 65535 joined by dots "
                                    "(1.1.0.0)"});
        }
    }
    if (face.icon) {
        const IconFileRead icon = ReadIconFile(*face.icon);
        if (icon.pictures.empty()) {
            findings.push_back({kIconName, 0, Severity::Error,
                                "not an icon (" + icon.problem +
                                    "); the packed exe would keep the installer's own"});
        }
    }
}

} // namespace qly::tools
