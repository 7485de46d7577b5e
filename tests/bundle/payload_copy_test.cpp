// The copy engine run over the packed payload does what it does over the same tree in a real
// folder: the same result, events, steps and yields, stops and resumes, and the same game
// folder afterwards; and a file whose data was altered fails the run.
#include "bundle/mounted_file_system.h"
#include "bundle/payload_file_system.h"
#include "bundle/payload_reader.h"
#include "bundle/payload_writer.h"
#include "engine/class_copy_sys.h"
#include "platform/overlapped_hash_service.h"
#include "platform/posix/libcrypto_hash_service.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_random_access_file.h"
#include "platform/posix/posix_thread_service.h"
#include "support/fake_message_loop.h"
#include "support/fake_pe.h"
#include "support/read_tree.h"
#include "support/temp_folder.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

namespace qly::test {
namespace {

namespace stdfs = std::filesystem;

const std::string kPolish = "Mapy gry\\\xC5\x82\xC4\x85ka.map"; // "łąka.map"

// Everything a run shows of itself, with paths relative to the tree it copied.
struct Trace {
    CopyResult result;
    std::vector<std::array<int64_t, 3>> states;
    std::vector<std::string> files;
    int yields = 0;
    Tree game; // the game folder afterwards
    std::optional<FailureKind> failure;
    bool operator==(const Trace&) const = default;
};

class PayloadCopy : public ::testing::Test {
protected:
    PayloadCopy() {
        tree("a.bin", std::string(62000, 'a'));
        tree("b.bin", std::string(62001, 'b'));
        tree("sub\\empty.dat", "");
        tree("sub\\skip.TXT", "filtered");
        tree(kPolish, std::string(130000, 'p'));
        dir.makeFolder("bundle/update/nothing inside");
    }
    void tree(const std::string& rel, const std::string& contents) {
        std::string native = "bundle/update/" + rel;
        std::ranges::replace(native, '\\', '/');
        dir.write(native, contents);
    }
    // Packs bundle/update behind a program in the order the folder lists it, so that the two
    // runs can be compared event by event.
    void pack(const std::string& folder, const std::string& name, PayloadWriter& writer) {
        writer.addFolder(name);
        for (const auto& item : stdfs::directory_iterator(dir.file(folder))) {
            const std::string own = item.path().filename().string();
            if (item.is_directory()) {
                pack(folder + "/" + own, name + "\\" + own, writer);
            } else {
                writer.addFile(name + "\\" + own, *disk.open(item.path().string(), OpenMode::Read));
            }
        }
    }
    void packExe() {
        auto out = disk.open(dir.file("patch.exe"), OpenMode::CreateAlways);
        out->write(FakePe());
        PayloadWriter writer(*out, std::ssize(FakePe()), hashes);
        pack("bundle/update", "update", writer);
        writer.finish();
    }

    // Copies the tree from the folder, or from the packed exe, into a fresh game folder;
    // configure sets up the engine and the loop first.
    Trace run(bool packed, const std::function<void(classCopySys&, FakeMessageLoop&)>& configure) {
        stdfs::remove_all(dir.file("game"));
        dir.makeFolder("game");
        std::optional<posix::PosixRandomAccessFile> exe;
        std::optional<PayloadFileSystem> payload;
        std::optional<MountedFileSystem> mounted;
        FileSystem* files = &disk;
        std::string source = dir.winPath() + "bundle\\update\\";
        if (packed) {
            exe.emplace(dir.file("patch.exe"));
            PayloadLookup lookup = FindPayload(*exe, hashes);
            EXPECT_EQ(lookup.status, PayloadLookup::Status::Found) << lookup.problem;
            payload.emplace(*exe, std::move(lookup.payload), hashes);
            mounted.emplace(disk, *payload, "update\\");
            files = &*mounted;
            source = "update\\";
        }
        FakeMessageLoop loop;
        classCopySys engine(*files, loop);
        Trace trace;
        engine.CopyState = [&](int16_t percent, int64_t& total, int64_t& copied) {
            trace.states.push_back({percent, total, copied});
        };
        engine.ActualFile = [&](std::string& rel) { trace.files.push_back(rel); };
        configure(engine, loop);
        trace.result = engine.QuickCopy(source, dir.winPath() + "game\\");
        if (engine.StopFlag != 0) {
            const CopyResult resumed = engine.ResumeCopy();
            trace.result = resumed.has_value() ? resumed : CopyResult(engine.TotalCopy);
        }
        trace.yields = loop.yields();
        if (engine.LastFailure) {
            trace.failure = engine.LastFailure->kind;
        }
        trace.game = ReadTree(disk, dir.winPath() + "game\\");
        return trace;
    }

    TempFolder dir;
    posix::PosixFileSystem disk;
    posix::LibcryptoHashService sha256;
    posix::PosixThreadService threads;
    // Hashed as the installer hashes: beside the copy, here in slots small enough that the
    // map's data goes through the worker.
    OverlappedHashService hashes{sha256, threads, {16 << 10, 2}};
};

TEST_F(PayloadCopy, PackedTreeCopiesExactlyAsItsFolderDoes) {
    packExe();
    // The filter names the listed path, which starts with the source as given.
    auto filter = [](const std::string& root) {
        return [root](classCopySys& engine, FakeMessageLoop&) {
            engine.AddFilter(root + "SUB\\skip.txt"); // in other letter cases
        };
    };
    // A stop during the Polish map's copy, then a resume.
    auto stop = [](classCopySys& engine, FakeMessageLoop& loop) {
        loop.at(5, [&engine] { engine.StopCopy(); });
    };
    auto nothing = [](classCopySys&, FakeMessageLoop&) {};
    const std::vector<std::pair<std::function<void(classCopySys&, FakeMessageLoop&)>,
                                std::function<void(classCopySys&, FakeMessageLoop&)>>>
        setups{{nothing, nothing},
               {filter(dir.winPath() + "BUNDLE\\Update\\"), filter("UPDATE\\")},
               {stop, stop}};
    for (std::size_t i = 0; i < setups.size(); ++i) {
        const Trace folder = run(false, setups[i].first);
        const Trace packed = run(true, setups[i].second);
        EXPECT_EQ(packed, folder) << "setup " << i;
        EXPECT_EQ(packed.game.size(), i == 1 ? 7u : 8u) << "setup " << i;
        EXPECT_EQ(packed.game.count("nothing inside\\"), 1u);
    }
    EXPECT_EQ(run(true, nothing).result, 62000 + 62001 + 8 + 130000);
}

TEST_F(PayloadCopy, AlteredFileFailsTheRunWhichIsUndoneWhole) {
    packExe();
    std::string exe = dir.read("patch.exe");
    exe[exe.find(std::string(1000, 'p')) + 70000] = 'Q'; // inside the map's second step
    dir.write("patch.exe", exe);
    const Trace packed = run(true, [](classCopySys&, FakeMessageLoop&) {});
    EXPECT_EQ(packed.result, -1);
    EXPECT_EQ(packed.failure, FailureKind::Damaged);
    // The files staged before the damaged one do not reach the game either.
    EXPECT_TRUE(packed.game.empty()) << packed.game.begin()->first;
}

} // namespace
} // namespace qly::test
