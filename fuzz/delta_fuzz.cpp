// The delta decoder on any control, difference and extra bytes against an old file of any
// bytes: it reads only inside the old file, makes exactly the new size when it succeeds, and
// succeeds exactly when the bundle check's walk over the same records does.
// Input: u16 old size, u16 control size, u16 difference size, u32 new size (its top bit: the
// difference bytes carry), then the old file, the control, the difference bytes and the extra
// bytes (the rest).
#include "bundle/byte_order.h"
#include "bundle/memory_file.h"
#include "common/error.h"
#include "fuzz_input.h"
#include "patch/delta_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view input = qly::fuzz::AsText(data, size);
    if (input.size() < 10) {
        return 0;
    }
    std::size_t sizes[3];
    for (int i = 0; i < 3; ++i) {
        sizes[i] = qly::ReadLittleEndian<uint16_t>(input, 2 * i);
    }
    const uint32_t sizeWord = qly::ReadLittleEndian<uint32_t>(input, 6);
    const uint64_t newSize = sizeWord % (1u << 20);
    const auto arithmetic = (sizeWord >> 31) != 0 ? qly::patch::DiffArithmetic::Carried
                                                  : qly::patch::DiffArithmetic::Bytewise;
    std::string_view rest = input.substr(10);
    std::string_view parts[3];
    for (int i = 0; i < 3; ++i) {
        parts[i] = rest.substr(0, std::min(sizes[i], rest.size()));
        rest.remove_prefix(parts[i].size());
    }
    qly::MemoryFile old{std::string(parts[0])};
    const auto attempt = [&](auto&& run) {
        try {
            run();
            return true;
        } catch (const qly::Error& error) {
            qly::fuzz::Require(error.kind() == qly::FailureKind::Damaged,
                               "failed but not as damaged");
            return false;
        }
    };
    uint64_t produced = 0;
    const bool decoded = attempt([&] {
        qly::patch::MemorySource control(parts[1]), differences(parts[2]), extra(rest);
        qly::patch::DecodeDelta(
            control, differences, extra, old, newSize,
            [&](std::span<const char> bytes) { produced += bytes.size(); }, arithmetic);
    });
    const bool checked = attempt([&] {
        qly::patch::MemorySource control(parts[1]);
        qly::patch::CheckDeltaRecords(control, parts[0].size(), newSize, parts[2].size(),
                                      rest.size());
    });
    qly::fuzz::Require(decoded == checked, "the check and the decoder disagree");
    qly::fuzz::Require(!decoded || produced == newSize, "made another size than asked");
    return 0;
}
