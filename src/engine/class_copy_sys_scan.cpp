// The scan: lists a source folder tree (or one file) into FileList and FolderList.
#include "common/error.h"
#include "engine/busy_scope.h"
#include "engine/class_copy_sys.h"

namespace qly {

CopyResult classCopySys::CopyINI(const std::string& src) {
    if (busy_) {
        return -1;
    }
    BusyScope busy(busy_);
    return Scan(src);
}

CopyResult classCopySys::Scan(const std::string& src) {
    // A new list: the destinations that ActualFile handlers named for the old one are void.
    destNames_.clear();
    madeIndex_.clear();
    FileCount = 0;
    FolderCount = 0;
    ErrorFlag = 0;
    if (!src.empty() && src.back() == '\\') {
        FileList.clear();
        FolderList.clear();
        SourceRoot = src;
        // A source folder that is not there would otherwise scan as empty and the run end
        // as a success with nothing copied.
        const uint32_t rootAttrs = AttributesOf(fs_, src);
        if (rootAttrs == kInvalidAttributes || (rootAttrs & kAttrDirectory) == 0) {
            TotalLen.reset();
            ErrorFlag = 1;
            return -1;
        }
        std::string path = src;
        TotalLen = ScanFolder(path, FileCount, FolderCount);
        if (ErrorFlag != 0) {
            return -1;
        }
        return TotalLen;
    }

    // One file. Its length is read first: a missing file reaches the caller as an Error.
    TotalLen = fs_.open(src, OpenMode::Read)->length();
    FileCount = 1;
    FolderCount = 0;
    FileList.assign(1, src);
    FolderList.clear();
    // A "\" in first position does not count: "\name" keeps its leading "\" as relative path.
    const std::size_t slash = src.rfind('\\');
    SourceRoot = (slash != std::string::npos && slash >= 1) ? src.substr(0, slash + 1) : "";
    return TotalLen;
}

std::optional<int64_t> classCopySys::ScanFolder(std::string& path, int32_t& fileCounter,
                                                int32_t& folderCounter) {
    if (path.empty() || path.back() != '\\') {
        path += '\\';
    }
    std::optional<int64_t> total;
    std::vector<std::string> subfolders;
    try {
        // One listing serves both the folder and the file pass: the file pattern "*.*"
        // matches every name, and the two lists fill in listing order either way. The
        // entry's attributes come with the listing instead of a second query per entry.
        // A listing that fails (rather than finding nothing) throws, and the scan fails.
        if (auto listing = fs_.list(path, "*")) {
            DirEntry entry;
            while (listing->next(entry)) {
                if (entry.name == "." || entry.name == "..") {
                    continue;
                }
                const uint32_t attrs = entry.attributes;
                // Unreadable attributes count as a folder, never as a file; its own listing
                // then fails the scan rather than leaving out what may be behind it.
                const bool unreadable = attrs == kInvalidAttributes;
                if (unreadable || (attrs & kAttrDirectory) != 0) {
                    // A folder link or junction is neither descended into (it may loop
                    // back) nor recreated: what it points to is not part of the tree.
                    if (!unreadable && (attrs & kAttrReparsePoint) != 0) {
                        continue;
                    }
                    std::string folder = path + entry.name;
                    subfolders.push_back(entry.name);
                    FolderList.push_back(std::move(folder));
                    ++folderCounter;
                } else {
                    total = total.value_or(0) + entry.size;
                    FileList.push_back(path + entry.name);
                    ++fileCounter;
                }
            }
        }
        for (const std::string& name : subfolders) {
            std::string below = path + name + '\\';
            const std::optional<int64_t> sub = ScanFolder(below, fileCounter, folderCounter);
            total = total.value_or(0) + sub.value_or(0);
        }
    } catch (const std::exception&) {
        ErrorFlag = 1;
    }
    return total;
}

} // namespace qly
