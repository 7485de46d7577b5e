// Damaged downloads: whatever is wrong with the payload, it is reported as damaged before
// anything is read from it, never taken for a plain program and never served.
#include "bundle/byte_order.h"
#include "bundle/memory_file.h"
#include "bundle/payload_reader.h"
#include "support/packed_exe.h"

#include <functional>
#include <gtest/gtest.h>
#include <limits>

namespace qly::test {
namespace {

using Status = PayloadLookup::Status;

Sha256Digest sha256(std::string_view bytes) {
    posix::LibcryptoHashService hashes;
    auto hasher = hashes.newSha256();
    hasher->update(bytes);
    return hasher->finish();
}

// A program and a payload written field by field, so that any field can be wrong while the
// index checksum still matches: data of 64 bytes after the header, then the index.
struct RawPayload {
    std::vector<PayloadEntry> entries{
        {"update", PayloadEntryKind::Folder, 0, 0, {}},
        {"update\\a.txt", PayloadEntryKind::File, kPayloadHeaderSize, 40, {}},
        {"update\\b.txt", PayloadEntryKind::File, kPayloadHeaderSize + 40, 24, {}},
    };
    std::string data = std::string(64, 'd');
    // Changes made to the trailer after it was filled in.
    std::function<void(PayloadTrailer&)> tweak = [](PayloadTrailer&) {};
    // Changes made to the encoded index before its checksum is taken.
    std::function<void(std::string&)> editIndex = [](std::string&) {};
    // Bytes between the program and the payload header.
    std::string gap;

    std::string exe() const {
        std::string index = EncodeIndex(entries);
        editIndex(index);
        PayloadTrailer trailer;
        trailer.indexOffset = kPayloadHeaderSize + std::ssize(data);
        trailer.indexSize = std::ssize(index);
        trailer.entryCount = static_cast<uint32_t>(entries.size());
        trailer.indexDigest = sha256(index);
        trailer.payloadSize = trailer.indexOffset + trailer.indexSize + kPayloadTrailerSize;
        tweak(trailer);
        return FakePe() + gap + EncodePayloadHeader() + data + index + EncodeTrailer(trailer);
    }
};

PayloadLookup lookUp(const std::string& exe) {
    posix::LibcryptoHashService hashes;
    MemoryFile file(exe);
    return FindPayload(file, hashes);
}

// What the look-up makes of the sound raw payload after change.
Status statusAfter(const std::function<void(RawPayload&)>& change) {
    RawPayload raw;
    change(raw);
    return lookUp(raw.exe()).status;
}

TEST(DamagedPayload, TheSoundRawPayloadIsFound) {
    // The baseline every case below changes one thing of.
    EXPECT_EQ(lookUp(RawPayload{}.exe()).status, Status::Found)
        << lookUp(RawPayload{}.exe()).problem;
}

TEST(DamagedPayload, EveryCutShortDownloadIsDamagedNeverPlain) {
    const std::vector<PackedItem> items{{"qlypatch.ini", "[button]"},
                                        {"update\\a.txt", std::string(1000, 'a')}};
    const std::string exe = PackedExe(items);
    const std::string signedExe =
        AppendCertificate(exe, FakePeSecurityEntry({}), std::string(300, 'c'));
    for (std::size_t length = kFakePeSectionEnd + 1; length < exe.size(); ++length) {
        const PayloadLookup lookup = lookUp(exe.substr(0, length));
        EXPECT_EQ(lookup.status, Status::Damaged) << "cut to " << length;
    }
    // Cut inside the certificate table: the security directory no longer fits the file.
    EXPECT_EQ(lookUp(signedExe.substr(0, signedExe.size() - 1)).status, Status::Damaged);
}

TEST(DamagedPayload, NamesThatCouldLeaveTheGameFolderOrCollideAreRefused) {
    // clang-format off
    const std::string refused[] = {
        "update\\..\\..\\evil.dll", "..", "update\\.\\a", "\\Windows\\evil.dll", "/etc/passwd",
        "C:\\evil.dll", "update\\C:evil", "update\\a:stream", "update\\CON", "update\\lpt1.txt",
        "update\\Com9", "update\\nul .txt", "update\\a\x01.txt", "update\\a\x7F",
        "update\\tab\there", "update\\dot.", "update\\blank ", "update\\\\a", "update\\",
        "update\\a/b", "update\\a*", "update\\\xC3", "update\\\xC0\xAF", "update\\\xED\xA0\x80",
        std::string("update\\nul\0", 11), ""};
    // clang-format on
    for (const std::string& name : refused) {
        EXPECT_EQ(statusAfter([&](RawPayload& r) { r.entries[1].name = name; }), Status::Damaged)
            << name;
    }
    for (const char* sibling : {"UPDATE\\A.TXT", "update\\a.txt\\below", "update\\b.txt"}) {
        const auto add = [&](RawPayload& r) {
            r.entries.push_back({sibling, PayloadEntryKind::Folder, 0, 0, {}});
        };
        EXPECT_EQ(statusAfter(add), Status::Damaged) << sibling;
    }
    // Names Windows accepts stay accepted.
    for (const char* name : {"update\\console.txt", "update\\COM10", "update\\.hidden",
                             "update\\\xC5\x81\xC4\x85ka zielona.map", "lptx"}) {
        EXPECT_EQ(statusAfter([&](RawPayload& r) { r.entries[1].name = name; }), Status::Found)
            << name;
    }
}

TEST(DamagedPayload, EntriesPointingOutsideTheirDataAreRefused) {
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    const int64_t indexOffset = kPayloadHeaderSize + 64;
    // offset and size of a.txt: into the header, into the index, past the file, overflowing,
    // after b.txt, overlapping b.txt's first byte, and a folder with data.
    // clang-format off
    const std::pair<int64_t, int64_t> outside[] = {
        {0, 40}, {kPayloadHeaderSize - 1, 40}, {kPayloadHeaderSize, 65}, {indexOffset, 1},
        {kPayloadHeaderSize, kMax}, {kMax, 2}, {kPayloadHeaderSize + 41, 10},
        {kPayloadHeaderSize, 41}};
    // clang-format on
    for (const auto& [offset, size] : outside) {
        const auto point = [&](RawPayload& r) {
            r.entries[1].offset = offset;
            r.entries[1].size = size;
        };
        EXPECT_EQ(statusAfter(point), Status::Damaged) << offset << " " << size;
    }
    EXPECT_EQ(statusAfter([](RawPayload& r) { r.entries[0].size = 1; }), Status::Damaged);
    // Sizes beyond what a signed 64-bit count holds, written straight into the index.
    RawPayload huge;
    std::string exe = huge.exe();
    const std::size_t sizeField = exe.find("update\\a.txt") + 12 + 8;
    exe.replace(sizeField, 8, std::string(8, '\xFF'));
    EXPECT_EQ(lookUp(exe).status, Status::Damaged);
}

TEST(DamagedPayload, TrailerAndIndexDamageIsRefused) {
    const std::vector<std::function<void(PayloadTrailer&)>> tweaks{
        [](PayloadTrailer& t) { t.indexOffset += 1; },  // index shifted
        [](PayloadTrailer& t) { t.indexOffset = 4; },   // index inside the header
        [](PayloadTrailer& t) { t.indexSize += 1000; }, // index past the trailer
        [](PayloadTrailer& t) { t.indexSize = int64_t{1} << 62; },
        [](PayloadTrailer& t) { t.payloadSize += 1; }, // start before the program's end
        [](PayloadTrailer& t) { t.payloadSize = int64_t{1} << 40; }, // larger than the file
        [](PayloadTrailer& t) { t.payloadSize = 10; },
        [](PayloadTrailer& t) { t.entryCount += 1; }, // more entries than written
        [](PayloadTrailer& t) { t.entryCount = 0xFFFFFFFF; },
        [](PayloadTrailer& t) { t.entryCount -= 1; }, // bytes left over
        [](PayloadTrailer& t) { t.version = 2; },
        [](PayloadTrailer& t) { t.indexDigest[0] ^= 1; }, // index altered after packing
    };
    for (std::size_t i = 0; i < tweaks.size(); ++i) {
        EXPECT_EQ(statusAfter([&](RawPayload& r) { r.tweak = tweaks[i]; }), Status::Damaged)
            << "tweak " << i;
    }
    // A payload that does not start where the program ends, though sound in itself.
    for (const std::string& gap : {std::string("x"), std::string(8, '\0')}) {
        EXPECT_EQ(statusAfter([&](RawPayload& r) { r.gap = gap; }), Status::Damaged) << gap.size();
    }
    std::string badHeader = RawPayload{}.exe();
    badHeader[kFakePeSectionEnd + 8] = 2; // header of another format version
    EXPECT_EQ(lookUp(badHeader).status, Status::Damaged);
}

// A name length reaching into the fixed fields that follow the name, or past the index, is
// found before anything past the entry is read (the sanitizer build reads nothing more).
TEST(DamagedPayload, NameLengthRunningIntoTheFixedFieldsIsRefusedWithoutReadingPastIt) {
    RawPayload raw;
    const std::size_t lastName = raw.entries.back().name.size();
    for (const std::size_t length :
         {lastName + 1, lastName + 48, lastName + 49, std::size_t{0xFFFFFFFF}}) {
        raw.editIndex = [&](std::string& index) {
            const std::size_t field = index.size() - (lastName + 48) - 4;
            std::string bytes;
            AppendLittleEndian<uint32_t>(bytes, static_cast<uint32_t>(length));
            index.replace(field, 4, bytes);
        };
        const PayloadLookup lookup = lookUp(raw.exe());
        EXPECT_EQ(lookup.status, Status::Damaged) << length;
        EXPECT_EQ(lookup.problem, "damaged payload: a name running past the index") << length;
    }
}

// A signing tool aligns its certificate table to 8 bytes: at most 7 zero bytes stand between
// the trailer and the table.
TEST(DamagedPayload, AtMostSevenBytesOfSignaturePaddingAreAccepted) {
    for (const std::size_t padding :
         {std::size_t{0}, std::size_t{1}, std::size_t{7}, std::size_t{8}}) {
        RawPayload raw;
        // b.txt's data grows until the payload ends the padding short of a multiple of 8.
        const std::size_t grow = (16 - raw.exe().size() % 8 - padding % 8) % 8;
        raw.data += std::string(grow, 'd');
        raw.entries.back().size += static_cast<int64_t>(grow);
        std::string exe = raw.exe() + std::string(padding, '\0');
        ASSERT_EQ(exe.size() % 8, 0u);
        exe = AppendCertificate(exe, FakePeSecurityEntry({}), "signature");
        const PayloadLookup lookup = lookUp(exe);
        EXPECT_EQ(lookup.status, padding <= 7 ? Status::Found : Status::Damaged)
            << padding << " " << lookup.problem;
    }
}

} // namespace
} // namespace qly::test
