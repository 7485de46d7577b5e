// The archive writer's blocks, compressed in turn or on threads, read back as the bytes that
// went in, section by section.
#include "support/patch_rig.h"
#include "support/temp_folder.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>

namespace qly::test {
namespace {

// Bytes that compress a little and differ from block to block, so that a block read in the
// place of another shows.
std::string someBytes(std::size_t n, uint32_t seed) {
    std::mt19937 gen(seed);
    std::string out(n, '\0');
    for (char& c : out) {
        c = static_cast<char>(gen() % 16);
    }
    return out;
}

struct WriterCase {
    const char* what;
    bool threads;
    uint32_t blockSize;
    std::size_t differenceBlocks; // of the 2,068,785 difference bytes
    std::size_t wholeBlocks;      // of the 2,116,299 bytes of whole files
};

class ArchiveWriterBlocks : public ::testing::TestWithParam<WriterCase> {};

TEST_P(ArchiveWriterBlocks, ReadBackInTheOrderTheyWereAppended) {
    const WriterCase& c = GetParam();
    TempFolder t;
    PatchRig rig;
    std::array<std::string, patch::kSectionCount> appended;
    std::string head;
    {
        auto spill = rig.files.open(t.file("spill"), OpenMode::CreateAlways);
        patch::PatchArchiveWriter writer(*spill, c.blockSize, c.threads ? &rig.threads : nullptr);
        // Appends that cross blocks in every section, interleaved; the difference bytes and
        // the whole files end with a large partial block.
        for (uint32_t i = 0; i < 12; ++i) {
            const auto section = static_cast<patch::Section>(i % patch::kSectionCount);
            const std::string bytes = someBytes(150000 + 7919 * i, i);
            writer.append(section, bytes);
            appended[i % patch::kSectionCount] += bytes;
        }
        const std::string last = someBytes(1500000, 99);
        writer.append(patch::Section::Differences, last);
        appended[1] += last;
        writer.append(patch::Section::Whole, last);
        appended[3] += last;
        head = writer.finish();
        spill->flush();
    }
    t.write("p.qlypatch", head + t.read("spill"));

    posix::PosixRandomAccessFile file(t.file("p.qlypatch"));
    const patch::PatchArchive archive = patch::PatchArchive::Read(file);
    for (std::size_t s = 0; s < patch::kSectionCount; ++s) {
        const auto section = static_cast<patch::Section>(s);
        ASSERT_EQ(archive.sectionSize(section), appended[s].size()) << c.what << ", section " << s;
        patch::SectionReader reader(archive, file, section, {0, appended[s].size()});
        std::string got(appended[s].size(), '\0');
        reader.read(got);
        EXPECT_TRUE(got == appended[s]) << c.what << ", section " << s;
    }
    EXPECT_EQ(std::ranges::count(archive.blocks(), patch::Section::Differences,
                                 &patch::BlockInfo::section),
              static_cast<std::ptrdiff_t>(c.differenceBlocks))
        << c.what;
    EXPECT_EQ(
        std::ranges::count(archive.blocks(), patch::Section::Whole, &patch::BlockInfo::section),
        static_cast<std::ptrdiff_t>(c.wholeBlocks))
        << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Writers, ArchiveWriterBlocks,
    ::testing::Values(WriterCase{"in turn, one block per section", false, 16u << 20, 1, 1},
                      WriterCase{"in turn, small blocks", false, 100000, 21, 22},
                      // The large last block of differences in two halves, one per thread;
                      // whole files are blocked as the maker asks.
                      WriterCase{"on threads, one block per section", true, 16u << 20, 2, 1},
                      WriterCase{"on threads, small blocks", true, 100000, 21, 22}),
    [](const auto& param) { return "case" + std::to_string(param.index); });

} // namespace
} // namespace qly::test
