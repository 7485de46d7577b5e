// The files of a payload as a read-only file system, so that the copy engine copies the patch
// straight out of the exe as it copies from a folder. Paths are the packed names ("update\a",
// either separator, letter case ignored); the folders on the way to a name exist even when
// the index does not list them. Every file's data is checked against its SHA-256 as it is
// read: the read that reaches the end of a file fails, with an Error of kind Damaged, when
// they differ.
#pragma once

#include "bundle/payload_reader.h"
#include "platform/file_system.h"
#include "platform/random_access_file.h"
#include "platform/sha256.h"

#include <map>
#include <string>
#include <vector>

namespace qly {

class PayloadFileSystem : public FileSystem {
public:
    // exe and hashes must outlive this object and every file opened through it.
    PayloadFileSystem(RandomAccessFile& exe, PayloadIndex payload, HashService& hashes);
    PayloadFileSystem(const PayloadFileSystem&) = delete;
    PayloadFileSystem& operator=(const PayloadFileSystem&) = delete;

    // Lists ".", ".." and then the folder's entries in index order.
    std::unique_ptr<DirListing> list(const std::string& folder,
                                     const std::string& pattern) override;
    // kAttrDirectory for a folder, kAttrReadOnly for a file.
    // Changes are refused with an Error; removeQuietly does nothing.
    void createFolder(const std::string& path) override;
    void deleteFile(const std::string& path) override;
    void removeQuietly(const std::string& path) noexcept override;
    void replaceFile(const std::string& from, const std::string& to) override;
    // Read mode only; any other mode is refused with an Error.
    std::unique_ptr<File> open(const std::string& path, OpenMode mode) override;
    // Nothing can be written here.
    std::optional<int64_t> freeBytes(const std::string& path) override;
    std::optional<uint32_t> statusOf(const std::string& path) override;
    // A packed file can never be replaced: refused with an Error of kind ReadOnly, as are
    // the moves and removals below.
    void checkReplaceable(const std::string& path) override;
    void replaceWithBackup(const std::string& staged, const std::string& destination,
                           const std::string& backup) override;
    void replaceFileDurably(const std::string& from, const std::string& to) override;
    bool removeFolder(const std::string& path) override;
    // True: nothing was ever written here.
    bool syncVolume(const std::string& path) override;
    // The payload is never a destination: neither is asked of it.
    std::optional<FileIdentity> identityOf(const std::string& path) override;
    std::unique_ptr<FolderHold> holdFolder(const std::string& path) override;

    // The entries of the index, in its order.
    const std::vector<PayloadEntry>& entries() const { return payload_.entries; }

private:
    struct Node {
        std::string name;                    // own name, as packed
        const PayloadEntry* entry = nullptr; // null for the root and for implied folders
        std::vector<std::size_t> children;
        bool isFolder() const {
            return entry == nullptr || entry->kind == PayloadEntryKind::Folder;
        }
    };
    // The node of path, or null.
    const Node* find(const std::string& path) const;
    // The node of the folder key, created with the folders on its way when missing.
    std::size_t folderNode(const std::string& name);

    RandomAccessFile& exe_;
    PayloadIndex payload_;
    HashService& hashes_;
    std::vector<Node> nodes_;                  // [0] is the root
    std::map<std::string, std::size_t> byKey_; // lower-case "\" path -> node
};

} // namespace qly
