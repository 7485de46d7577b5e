// The patch tree's integrity check by its manifest.
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
        lastFailure_ = CopyFailure{FailureKind::Damaged, kManifestFile};
        return false;
    }
}

} // namespace qly
