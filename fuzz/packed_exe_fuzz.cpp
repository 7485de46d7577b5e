// The lookup of a payload behind the installer on any file: it never fails other than by
// answering Damaged, and a payload it finds lies inside the file with its index sound.
#include "bundle/memory_file.h"
#include "bundle/payload_reader.h"
#include "fuzz_input.h"
#include "platform/builtin_sha256.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    qly::MemoryFile exe{std::string(qly::fuzz::AsText(data, size))};
    qly::BuiltinHashService hashes;
    const qly::PayloadLookup lookup = qly::FindPayload(exe, hashes);
    qly::fuzz::Require((lookup.status == qly::PayloadLookup::Status::Damaged) !=
                           lookup.problem.empty(),
                       "a damaged payload without its reason");
    if (lookup.status == qly::PayloadLookup::Status::Found) {
        qly::fuzz::Require(lookup.payload.start >= 0 && lookup.payload.start < exe.size(),
                           "a payload outside the file");
        for (const qly::PayloadEntry& entry : lookup.payload.entries) {
            qly::fuzz::Require(lookup.payload.start + entry.offset + entry.size <= exe.size(),
                               "an entry's data beyond the file");
        }
    }
    return 0;
}
