// The journals of a run as root go to a folder of root's alone, one per game folder; a place
// that someone else could write, or a link in its stead, is refused.
#include "common/error.h"
#include "platform/posix/libcrypto_hash_service.h"
#include "platform/posix/posix_journal_places.h"
#include "support/temp_folder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qly {
namespace {

using posix::PosixJournalPlaces;

mode_t modeOf(const std::string& path) {
    struct stat status {};
    EXPECT_EQ(lstat(path.c_str(), &status), 0) << path;
    return status.st_mode & 07777;
}

TEST(PosixJournalPlaces, AdministratorGetsAFolderOfItsOwnPerGameFolderOthersNone) {
    test::TempFolder temp;
    posix::LibcryptoHashService hashes;
    const std::string base = temp.file("/state");
    EXPECT_FALSE(PosixJournalPlaces(hashes, base, false).placeFor("/games/q"));
    EXPECT_FALSE(std::filesystem::exists(base));

    PosixJournalPlaces places(hashes, base, true);
    const std::optional<std::string> place = places.placeFor("/games/q");
    ASSERT_TRUE(place);
    EXPECT_EQ(place->rfind(base + "/", 0), 0u);
    EXPECT_EQ(place->back(), '/');
    EXPECT_EQ(modeOf(base), 0700u);
    EXPECT_EQ(modeOf(*place), 0700u);
    // Every spelling of one folder meets the same journals; another folder has its own, and
    // here letter case makes another folder.
    EXPECT_EQ(places.placeFor("\\games\\q\\"), place);
    EXPECT_NE(places.placeFor("/games/Q"), place);
    EXPECT_NE(places.placeFor("/games/q2"), place);
}

TEST(PosixJournalPlaces, PlaceOthersCouldWriteOrALinkIsRefused) {
    posix::LibcryptoHashService hashes;
    test::TempFolder temp;
    const std::string base = temp.file("/state");
    PosixJournalPlaces places(hashes, base, true);
    const std::string place = *places.placeFor("/games/q");

    ASSERT_EQ(chmod(place.c_str(), 0770), 0);
    EXPECT_THROW(places.placeFor("/games/q"), Error);
    ASSERT_EQ(chmod(place.c_str(), 0700), 0);
    ASSERT_EQ(chmod(base.c_str(), 0703), 0);
    EXPECT_THROW(places.placeFor("/games/q"), Error);
    ASSERT_EQ(chmod(base.c_str(), 0700), 0);

    // The base swapped for a link to a folder of the same owner and mode.
    std::filesystem::create_directory(temp.file("/elsewhere"));
    ASSERT_EQ(chmod(temp.file("/elsewhere").c_str(), 0700), 0);
    std::filesystem::rename(base, temp.file("/moved"));
    std::filesystem::create_directory_symlink(temp.file("/elsewhere"), base);
    try {
        places.placeFor("/games/q");
        ADD_FAILURE() << "a link in place of the folder for journals was accepted";
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), FailureKind::Link);
    }
    std::filesystem::remove(base);
    std::filesystem::rename(temp.file("/moved"), base);

    // Another user's folder of the right mode. Only root can give it away.
    if (geteuid() == 0) {
        ASSERT_EQ(chown(place.c_str(), 65534, 65534), 0);
        EXPECT_THROW(places.placeFor("/games/q"), Error);
    }
}

} // namespace
} // namespace qly
