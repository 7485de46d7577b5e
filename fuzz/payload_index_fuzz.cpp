// The packed payload's index reader on any bytes, with any entry count and data end: an index
// it accepts holds only sound names and data places, and encodes back to the very same bytes.
// Input: u32 entry count, i64 data end (little-endian), then the index.
#include "bundle/bundle_name.h"
#include "bundle/byte_order.h"
#include "bundle/payload_format.h"
#include "common/error.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view input = qly::fuzz::AsText(data, size);
    if (input.size() < 12) {
        return 0;
    }
    const auto count = qly::ReadLittleEndian<uint32_t>(input, 0);
    const auto dataEnd = qly::ReadLittleEndian<int64_t>(input, 4);
    const std::string_view index = input.substr(12);
    std::vector<qly::PayloadEntry> entries;
    try {
        entries = qly::DecodeIndex(index, count, dataEnd);
    } catch (const qly::Error&) {
        return 0;
    }
    qly::fuzz::Require(entries.size() == count, "another number of entries than the trailer's");
    for (const qly::PayloadEntry& entry : entries) {
        qly::fuzz::Require(!qly::BundleNameProblem(entry.name), "an unsound name accepted");
        qly::fuzz::Require(entry.offset >= 0 && entry.size >= 0 &&
                               (entry.kind == qly::PayloadEntryKind::Folder ||
                                entry.size <= dataEnd - entry.offset),
                           "data outside its place accepted");
    }
    qly::fuzz::Require(qly::EncodeIndex(entries) == index, "the index does not encode back");
    return 0;
}
