// The game folder's lock on a real folder, held by another process as another run would: the
// lock is seen across processes, released when its holder ends, and never taken through a
// planted link.
#include "common/error.h"
#include "platform/posix/posix_folder_lock.h"
#include "support/temp_folder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qly {
namespace {

namespace fs = std::filesystem;

// A child process that takes the lock of folder, says so through a pipe, and holds it until
// its end of another pipe closes.
class OtherRun {
public:
    explicit OtherRun(const std::string& folder) {
        int ready[2];
        int release[2];
        if (::pipe(ready) != 0 || ::pipe(release) != 0) {
            throw std::runtime_error("pipe");
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ready[0]);
            ::close(release[1]);
            posix::PosixFolderLocks locks;
            auto held = locks.tryLock(folder);
            const char answer = held ? 'y' : 'n';
            (void)!::write(ready[1], &answer, 1);
            char ignored;
            (void)!::read(release[0], &ignored, 1);
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(release[0]);
        release_ = release[1];
        char answer = 'n';
        (void)!::read(ready[0], &answer, 1);
        ::close(ready[0]);
        locked_ = answer == 'y';
    }
    ~OtherRun() { end(); }
    bool locked() const { return locked_; }
    void end() {
        if (pid_ > 0) {
            ::close(release_);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

private:
    pid_t pid_ = -1;
    int release_ = -1;
    bool locked_ = false;
};

TEST(PosixFolderLockTest, HeldByAnotherProcessUntilItEnds) {
    test::TempFolder dir;
    posix::PosixFolderLocks locks;
    const std::string game = dir.winPath() + "game";
    dir.makeFolder("game");
    {
        OtherRun other(game);
        ASSERT_TRUE(other.locked());
        EXPECT_EQ(locks.tryLock(game), nullptr);
        other.end();
        auto mine = locks.tryLock(game);
        ASSERT_NE(mine, nullptr);
        // Now the other way round.
        OtherRun late(game);
        EXPECT_FALSE(late.locked());
        EXPECT_TRUE(fs::is_regular_file(dir.file("game/qlypatch.lock")));
    }
    // The run that held it leaves nothing behind in the game folder.
    EXPECT_FALSE(fs::exists(dir.file("game/qlypatch.lock")));
}

TEST(PosixFolderLockTest, LinkInPlaceOfTheLockFileIsRefusedAndLeftAlone) {
    test::TempFolder dir;
    posix::PosixFolderLocks locks;
    dir.makeFolder("game");
    dir.write("elsewhere.txt", "a file outside the game");
    const std::string game = dir.winPath() + "game";
    fs::create_symlink(dir.file("elsewhere.txt"), dir.file("game/qlypatch.lock"));
    EXPECT_THROW(locks.tryLock(game), Error);
    fs::remove(dir.file("game/qlypatch.lock"));
    fs::create_hard_link(dir.file("elsewhere.txt"), dir.file("game/qlypatch.lock"));
    EXPECT_THROW(locks.tryLock(game), Error);
    fs::remove(dir.file("game/qlypatch.lock"));
    fs::create_directory(dir.file("game/qlypatch.lock"));
    EXPECT_THROW(locks.tryLock(game), Error);
    EXPECT_EQ(dir.read("elsewhere.txt"), "a file outside the game");
}

} // namespace
} // namespace qly
