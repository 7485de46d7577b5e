// The patch archive of a delta bundle, read as the installer will read it.
#include "common/error.h"
#include "patch/patch_archive.h"
#include "platform/posix/posix_random_access_file.h"
#include "tools/bundle_checks.h"

#include <algorithm>

namespace qly::tools {

void CheckPatchArchive(const std::filesystem::path& bundle, std::vector<Finding>& findings) {
    const std::string shown = patch::kBundleArchiveName;
    const auto fail = [&](const std::string& text) {
        findings.push_back({shown, 0, Severity::Error, text});
    };
    try {
        posix::PosixRandomAccessFile file((bundle / shown).string());
        const patch::PatchArchive archive = patch::PatchArchive::Read(file);
        std::string block;
        for (std::size_t i = 0; i < archive.blocks().size(); ++i) {
            patch::ReadBlock(archive, file, i, block);
        }
        constexpr Sha256Digest kNone{};
        for (const patch::PatchEntry& e : archive.entries()) {
            if ((e.kind != patch::EntryKind::Removed && e.newFile.sha256 == kNone) ||
                (e.oldFile && e.oldFile->sha256 == kNone)) {
                fail(e.name + ": no SHA-256 to check the file against");
            }
            if (e.kind == patch::EntryKind::Delta) {
                try {
                    patch::SectionReader control(archive, file, patch::Section::Control, e.control);
                    patch::CheckDeltaRecords(control, e.oldFile->size, e.newFile.size,
                                             e.differences.length, e.extra.length);
                } catch (const Error& error) {
                    fail(e.name + ": " + error.what());
                }
            }
        }
    } catch (const Error& e) {
        fail(e.what());
    }
}

} // namespace qly::tools
