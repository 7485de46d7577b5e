// The patch tree's integrity check by its manifest, and what the user is told when it fails.
#include "languages/language_keys.h"
#include "update/manifest_check.h"
#include "window/form1.h"

namespace qly {

namespace {

// The manifest beside "update\", in the program's folder.
constexpr const char* kManifestFile = "update.sha256";

} // namespace

bool Form1::LoadPayloadCheck(std::unique_ptr<ManifestCheck>& check) {
    try {
        check = LoadManifestCheck(files_, hashes_, kManifestFile);
        return true;
    } catch (const std::exception&) {
        // A manifest that cannot be trusted cannot vouch for the patch either.
        TellDamagedPatch(kManifestFile);
        return false;
    }
}

void Form1::TellDamagedPatch(const std::string& file) {
    const std::string text = LangTextWithArguments(lang_, "uszkodzona", {file});
    StandAlone([&] { TextScroll1.Tekst(text); });
}

} // namespace qly
