// Patch archives built entry by entry in memory, for tests that put one on a fake file system.
#pragma once

#include "patch/patch_archive.h"
#include "platform/posix/libcrypto_hash_service.h"
#include "support/fake_file_system.h"

#include <optional>
#include <string>

namespace qly::test {

class ArchiveBuilder {
public:
    // Blocks of blockSize bytes, so that small streams span several.
    explicit ArchiveBuilder(uint32_t blockSize = 4096)
        : spill_(spillFs_.open("spill", OpenMode::CreateAlways)), writer_(*spill_, blockSize) {}

    static patch::FileState stateOf(const std::string& bytes) {
        posix::LibcryptoHashService hashes;
        auto hash = hashes.newSha256();
        hash->update(bytes);
        return {bytes.size(), hash->finish()};
    }

    // A file carried whole; old is what the game holds before (none: the file is added).
    void whole(const std::string& name, const std::string& bytes,
               const std::optional<std::string>& old) {
        patch::PatchEntry e;
        e.name = name;
        e.oldFile = old ? std::optional(stateOf(*old)) : std::nullopt;
        e.newFile = stateOf(bytes);
        e.wholeOffset = writer_.append(patch::Section::Whole, bytes).offset;
        writer_.addEntry(e);
    }
    // A file made by a delta from old: its three streams and the file they make.
    void delta(const std::string& name, const std::string& old, const std::string& control,
               const std::string& differences, const std::string& extra,
               const std::string& result) {
        patch::PatchEntry e;
        e.kind = patch::EntryKind::Delta;
        e.name = name;
        e.oldFile = stateOf(old);
        e.newFile = stateOf(result);
        e.control = writer_.append(patch::Section::Control, control);
        e.differences = writer_.append(patch::Section::Differences, differences);
        e.extra = writer_.append(patch::Section::Extra, extra);
        writer_.addEntry(e);
    }
    void removed(const std::string& name, const std::string& old) {
        patch::PatchEntry e;
        e.kind = patch::EntryKind::Removed;
        e.name = name;
        e.oldFile = stateOf(old);
        writer_.addEntry(e);
    }
    // The archive's bytes; the builder is spent.
    std::string bytes() {
        const std::string head = writer_.finish();
        spill_.reset();
        return head + spillFs_.contents("spill");
    }

private:
    FakeFileSystem spillFs_;
    std::unique_ptr<File> spill_;
    patch::PatchArchiveWriter writer_;
};

} // namespace qly::test
