// The patch archive reader on any bytes: an archive it accepts holds only sound names and
// ranges inside their sections, its directory encodes back to the very same bytes, and every
// block and delta either decodes to exactly the sizes the directory gives or is refused as
// damaged.
#include "bundle/bundle_name.h"
#include "bundle/byte_order.h"
#include "bundle/memory_file.h"
#include "common/error.h"
#include "fuzz_input.h"
#include "patch/patch_archive.h"

namespace {

// An old file of size zeros, for deltas of files small enough to try.
class ZeroFile : public qly::RandomAccessFile {
public:
    explicit ZeroFile(uint64_t size) : size_(size) {}
    int64_t size() const override { return static_cast<int64_t>(size_); }
    void readAt(int64_t offset, std::span<char> out) override {
        qly::fuzz::Require(offset >= 0 && static_cast<uint64_t>(offset) <= size_ &&
                               out.size() <= size_ - static_cast<uint64_t>(offset),
                           "a delta read outside its old file");
        std::fill(out.begin(), out.end(), '\0');
    }

private:
    uint64_t size_;
};

void decodeEntries(const qly::patch::PatchArchive& archive, qly::MemoryFile& file) {
    using qly::patch::Section;
    for (const qly::patch::PatchEntry& e : archive.entries()) {
        if (e.kind != qly::patch::EntryKind::Delta || e.newFile.size > (1u << 20) ||
            e.oldFile->size > (1u << 20)) {
            continue;
        }
        ZeroFile old(e.oldFile->size);
        qly::patch::SectionReader control(archive, file, Section::Control, e.control);
        qly::patch::SectionReader differences(archive, file, Section::Differences, e.differences);
        qly::patch::SectionReader extra(archive, file, Section::Extra, e.extra);
        uint64_t produced = 0;
        try {
            (e.x86 ? qly::patch::DecodeX86Delta : qly::patch::DecodeDelta)(
                control, differences, extra, old, e.newFile.size,
                [&](std::span<const char> bytes) { produced += bytes.size(); }, e.arithmetic);
        } catch (const qly::Error& error) {
            qly::fuzz::Require(error.kind() == qly::FailureKind::Damaged,
                               "a delta failed but not as damaged");
            continue;
        }
        qly::fuzz::Require(produced == e.newFile.size, "a delta made another size than its file's");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string input(qly::fuzz::AsText(data, size));
    qly::MemoryFile file(input);
    qly::patch::PatchArchive archive;
    try {
        archive = qly::patch::PatchArchive::Read(file);
    } catch (const qly::Error& error) {
        qly::fuzz::Require(error.kind() == qly::FailureKind::Damaged, "refused but not as damaged");
        return 0;
    }
    for (const qly::patch::PatchEntry& e : archive.entries()) {
        qly::fuzz::Require(!qly::BundleNameProblem(e.name), "an unsound name accepted");
        qly::fuzz::Require(e.kind == qly::patch::EntryKind::Removed || !e.wholeOffset ||
                               *e.wholeOffset + e.newFile.size <=
                                   archive.sectionSize(qly::patch::Section::Whole),
                           "whole data outside its section accepted");
    }
    const auto directoryBytes = qly::ReadLittleEndian<uint32_t>(input, 20);
    qly::fuzz::Require(qly::patch::EncodeDirectory(archive.entries()) ==
                           input.substr(qly::patch::kHeaderSize, directoryBytes),
                       "the directory does not encode back");
    std::string block;
    for (std::size_t i = 0; i < archive.blocks().size(); ++i) {
        try {
            qly::patch::ReadBlock(archive, file, i, block);
            qly::fuzz::Require(block.size() == archive.blocks()[i].rawSize,
                               "a block of another size");
        } catch (const qly::Error& error) {
            qly::fuzz::Require(error.kind() == qly::FailureKind::Damaged,
                               "a block failed but not as damaged");
        }
    }
    decodeEntries(archive, file);
    return 0;
}
