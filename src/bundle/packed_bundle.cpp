#include "bundle/packed_bundle.h"

#include "bundle/bundle_name.h"
#include "bundle/payload_reader.h"
#include "common/error.h"

namespace qly {

namespace {

// True when name lies in the patch tree, which stays packed.
bool inPatchTree(const std::string& name) {
    const std::string key = BundlePathKey(name);
    const std::string tree = BundlePathKey(PackedBundle::kPatchFolder);
    return key == tree || key.starts_with(tree + '\\');
}

void unpack(const std::vector<PayloadEntry>& entries, FileSystem& payload, FileSystem& disk,
            const std::string& folder) {
    std::string buffer;
    for (const PayloadEntry& entry : entries) {
        if (inPatchTree(entry.name)) {
            continue;
        }
        const std::string target = folder + entry.name;
        // Folders on the way may be implied by the names alone.
        for (std::size_t slash = entry.name.find('\\'); slash != std::string::npos;
             slash = entry.name.find('\\', slash + 1)) {
            const std::string parent = folder + entry.name.substr(0, slash);
            if (!Exists(disk, parent)) {
                disk.createFolder(parent);
            }
        }
        if (entry.kind == PayloadEntryKind::Folder) {
            if (!Exists(disk, target)) {
                disk.createFolder(target);
            }
            continue;
        }
        auto in = payload.open(entry.name, OpenMode::Read);
        auto out = disk.open(target, OpenMode::CreateAlways);
        // One read past the end at least, so that an empty file is checked too.
        std::size_t moved = 0;
        do {
            moved = out->transferFrom(*in, 1 << 16, buffer);
        } while (moved != 0);
    }
}

std::string withSeparator(std::string folder) {
    if (folder.empty() || (folder.back() != '\\' && folder.back() != '/')) {
        folder += '\\';
    }
    return folder;
}

} // namespace

PackedBundle::PackedBundle(RandomAccessFile& exe, PayloadIndex payload, HashService& hashes,
                           FileSystem& disk, Process& process, std::string privateFolder)
    : payload_(exe, std::move(payload), hashes), files_(disk, payload_, kPatchFolder),
      process_(process, privateFolder) {
    unpack(payload_.entries(), payload_, disk, withSeparator(privateFolder));
}

std::unique_ptr<PackedBundle> OpenPackedBundle(RandomAccessFile& exe, const std::string& exePath,
                                               HashService& hashes, FileSystem& disk,
                                               Process& process,
                                               const std::function<std::string()>& makeFolder) {
    PayloadLookup lookup = FindPayload(exe, hashes);
    if (lookup.status == PayloadLookup::Status::Damaged) {
        throw Error(lookup.problem, FailureKind::Damaged, 0, exePath);
    }
    if (lookup.status == PayloadLookup::Status::None) {
        return nullptr;
    }
    return std::make_unique<PackedBundle>(exe, std::move(lookup.payload), hashes, disk, process,
                                          makeFolder());
}

} // namespace qly
