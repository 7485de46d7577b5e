// What the plain questions (AttributesOf, FileExists, Exists) answer on a real Linux folder, for
// every kind of entry the program meets: the answer comes from the entry itself, a link is
// never gone through, and a lookup that fails is "nothing there", never an exception. Below a
// confined folder (the game folder, the run's own) a folder link on the way is not gone
// through either.
#include "platform/file_system.h"
#include "platform/posix/posix_file_system.h"
#include "support/temp_folder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace qly::test {
namespace {

namespace stdfs = std::filesystem;

struct QueryCase {
    const char* what;
    std::string path; // relative to the folder, Windows separators
    uint32_t attributes;
    bool fileExists;
    bool exists;
    // The attributes below a confined folder, where they differ.
    uint32_t confinedAttributes;
};

constexpr uint32_t kNone = kInvalidAttributes;

TEST(PosixFileQueries, AnswerFromTheEntryItselfAndNeverThrow) {
    TempFolder dir;
    dir.write("plain.txt", "abc");
    dir.write(".hidden", "");
    dir.write("readonly.txt", "r");
    stdfs::permissions(dir.file("readonly.txt"), stdfs::perms::owner_read);
    dir.write("sub/inner.txt", "inner");
    stdfs::create_symlink(dir.file("plain.txt"), dir.file("file-link"));
    stdfs::create_directory_symlink(dir.file("sub"), dir.file("folder-link"));
    stdfs::create_symlink(dir.file("gone.txt"), dir.file("dangling"));
    stdfs::create_symlink(dir.file("loop"), dir.file("loop"));
    const std::string tooLong(300, 'n');

    const QueryCase cases[] = {
        {"plain file", "plain.txt", 0, true, true, 0},
        {"hidden file", ".hidden", kAttrHidden, false, true, kAttrHidden},
        {"read-only file", "readonly.txt", kAttrReadOnly, true, true, kAttrReadOnly},
        {"folder", "sub", kAttrDirectory, false, true, kAttrDirectory},
        {"folder, with its separator", "sub\\", kAttrDirectory, false, true, kAttrDirectory},
        {"file in a folder", "sub\\inner.txt", 0, true, true, 0},
        {"missing path", "missing.txt", kNone, false, false, kNone},
        {"missing folder on the way", "missing\\inner.txt", kNone, false, false, kNone},
        {"link to a file", "file-link", kAttrReparsePoint, true, true, kAttrReparsePoint},
        {"link to a folder", "folder-link", kAttrDirectory | kAttrReparsePoint, false, true,
         kAttrDirectory | kAttrReparsePoint},
        {"dangling link", "dangling", kAttrReparsePoint, true, true, kAttrReparsePoint},
        // Gone through by a lookup that is not confined; refused below a confined folder.
        {"file through a folder link", "folder-link\\inner.txt", 0, true, true, kNone},
        {"path through a file", "plain.txt\\inner.txt", kNone, false, false, kNone},
        {"path through a link loop", "loop\\inner.txt", kNone, false, false, kNone},
        {"name too long to look up", tooLong, kNone, false, false, kNone},
    };

    posix::PosixFileSystem plain;
    posix::PosixFileSystem confined;
    confined.confineBelow(dir.winPath());
    for (const QueryCase& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.winPath() + c.path;
        EXPECT_EQ(AttributesOf(plain, path), c.attributes);
        EXPECT_EQ(FileExists(plain, path), c.fileExists);
        EXPECT_EQ(Exists(plain, path), c.exists);

        const bool confinedThere = c.confinedAttributes != kNone;
        EXPECT_EQ(AttributesOf(confined, path), c.confinedAttributes);
        EXPECT_EQ(FileExists(confined, path), c.fileExists && confinedThere);
        EXPECT_EQ(Exists(confined, path), c.exists && confinedThere);
    }
}

} // namespace
} // namespace qly::test
