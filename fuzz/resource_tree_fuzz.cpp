// The resource section of any bytes taken for an installer (pack's --installer names any
// file), and the icon files and version resources pack reads: nothing read outside the input,
// and a tree that was read is written back by the resource writer and reads back the same.
#include "bundle/icon_file.h"
#include "bundle/resource_writer.h"
#include "bundle/version_info.h"
#include "common/error.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view bytes = qly::fuzz::AsText(data, size);
    (void)qly::ReadIconFile(bytes);
    (void)qly::DecodeVersionInfo(bytes);
    const qly::PeImageRead image = qly::ReadPeImage(bytes);
    if (!image.image) {
        return 0;
    }
    const qly::ResourceTreeRead read = qly::ReadResourceTree(bytes, *image.image);
    if (!read.tree) {
        return 0;
    }
    std::string rewritten;
    try {
        rewritten = qly::ReplaceResources(bytes, *read.tree);
    } catch (const qly::Error&) {
        return 0; // no room for the new section, a symbol table among the sections, ...
    }
    qly::fuzz::Require(qly::ResourcesOf(rewritten) == *read.tree,
                       "a rewritten resource tree reads back differently");
    return 0;
}
