#include "engine/link_check.h"

#include "common/error.h"
#include "engine/path_case.h"

namespace qly {

void LinkCheck::check(const std::string& relative) {
    std::size_t end = 0;
    while (end != std::string::npos) {
        end = relative.find_first_of("\\/", end == 0 ? 0 : end + 1);
        const std::string part = relative.substr(0, end);
        const bool folder = end != std::string::npos;
        if (folder && plainFolders_.contains(lowerCase(part))) {
            continue;
        }
        const std::optional<uint32_t> status = fs_.statusOf(root_ + part);
        if (!status) {
            return;
        }
        if ((*status & kAttrReparsePoint) != 0) {
            throw Error("a link or junction stands in the game folder: " + part, FailureKind::Link,
                        0, part);
        }
        if (folder) {
            plainFolders_.insert(lowerCase(part));
        }
    }
}

} // namespace qly
