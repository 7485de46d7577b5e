// The files a patch archive makes in a game folder, for the copy engine's transaction: each is
// rebuilt while it is read (from a delta against the game's old file, or from the whole copy
// the archive carries) and checked against its new size and SHA-256 by the read that ends it.
#pragma once

#include "engine/made_files.h"
#include "patch/patch_apply.h"
#include "patch/patch_archive.h"
#include "platform/file_system.h"
#include "platform/random_access_file.h"
#include "platform/sha256.h"

#include <memory>
#include <string>
#include <vector>

namespace qly::patch {

// One reader of each section of an archive, kept from file to file so that a block shared by
// several small files is decoded once.
struct SectionReaders {
    SectionReaders(const PatchArchive& archive, RandomAccessFile& file)
        : control(archive, file, Section::Control, {}),
          differences(archive, file, Section::Differences, {}),
          extra(archive, file, Section::Extra, {}), whole(archive, file, Section::Whole, {}) {}
    SectionReader control, differences, extra, whole;
};

// The new file of entry e (state as CheckGame found it, Old or Neither) as a read-only File:
// from the delta and the old file under game (a folder prefix) where e is a delta and the old
// file was found, else from the whole copy. The old file is opened only below game and never
// through a link there. readers must outlive the File and serve no other one meanwhile.
// Throws Error (Damaged when the old file is not the expected one's size).
std::unique_ptr<File> OpenMadeFile(const PatchEntry& e, EntryState state, SectionReaders& readers,
                                   const std::string& game, FileSystem& files, HashService& hashes);

// A bundle's patch archive, checked against a game folder: the files it makes there (when the
// game was found Old) and the ones it removes.
class PatchFiles final : public MadeFiles {
public:
    // Opens the archive at archivePath through files, reads it and checks game (a folder) with
    // CheckGame. Throws Error (Damaged for an archive that is not well formed; the path is then
    // archivePath) and Error when a game file cannot be read.
    PatchFiles(FileSystem& files, HashService& hashes, const std::string& archivePath,
               std::string game);

    const PatchArchive& archive() const { return archive_; }
    const GameCheck& check() const { return check_; }

    std::vector<Entry> files() override;
    std::vector<std::string> removals() override;
    std::unique_ptr<File> open(std::size_t index) override;

private:
    FileSystem& files_;
    HashService& hashes_;
    std::unique_ptr<RandomAccessFile> archiveFile_;
    PatchArchive archive_;
    std::string game_;
    GameCheck check_;
    SectionReaders readers_;
    std::vector<std::size_t> made_; // entry index of each file made, in files() order
};

} // namespace qly::patch
