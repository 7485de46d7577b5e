// The version resource search on any bytes: a version is only ever read from a fixed version
// block, which the bytes must hold.
#include "fuzz_input.h"
#include "platform/posix/posix_version_resource.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view bytes = qly::fuzz::AsText(data, size);
    const auto version = qly::posix::FixedFileVersion(bytes);
    if (version) {
        constexpr std::string_view kBlockStart("\xBD\x04\xEF\xFE\x00\x00\x01\x00", 8);
        qly::fuzz::Require(bytes.starts_with("MZ") && bytes.find(kBlockStart) != bytes.npos,
                           "a version without a fixed version block");
    }
    return 0;
}
