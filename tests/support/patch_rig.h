// Patch archives made and applied on real folders: the maker's and the reader's services over
// the native file system, and the commit that the tests apply a staged patch with.
#pragma once

#include "patch/maker/patch_maker.h"
#include "patch/patch_apply.h"
#include "platform/posix/libcrypto_hash_service.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_random_access_file.h"
#include "platform/posix/posix_thread_service.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

namespace qly::test {

class PatchRig {
public:
    patch::MakeIo makeIo() { return {files, hashes, openRandom, nullptr, &threads}; }
    patch::PatchIo patchIo(int threadCount) {
        return {files, hashes, openRandom, &threads, threadCount};
    }

    patch::MakeSummary make(const std::string& oldFolder, const std::string& newFolder,
                            const std::string& archive, const patch::MakeOptions& options = {}) {
        patch::MakeIo io = makeIo();
        return patch::MakePatch(oldFolder, newFolder, archive, options, io);
    }

    patch::PatchArchive read(const std::string& archive) {
        posix::PosixRandomAccessFile file(archive);
        return patch::PatchArchive::Read(file);
    }

    // Checks game, stages into staging, and commits as the update run will: removed files and
    // the old spellings of renamed ones go, folders emptied in the way of a file go, the staged
    // files move in. Returns the check.
    patch::GameCheck apply(const std::string& archivePath, const std::string& game,
                           const std::string& staging, int threadCount = 2) {
        namespace fs = std::filesystem;
        const patch::PatchArchive archive = read(archivePath);
        patch::PatchIo io = patchIo(threadCount);
        const patch::GameCheck check = patch::CheckGame(archive, game, io);
        if (check.state != patch::GameState::Old) {
            return check;
        }
        fs::create_directories(staging);
        const auto staged = patch::StageFiles(archive, archivePath, check, game, staging, io);
        for (const patch::PatchEntry& e : archive.entries()) {
            if (e.kind == patch::EntryKind::Removed || !e.oldName.empty()) {
                fs::remove(native(game, e.nameBefore()));
                removeEmptyParents(game, e.nameBefore());
            }
        }
        for (std::size_t i : staged) {
            const fs::path target = native(game, archive.entries()[i].name);
            fs::create_directories(target.parent_path());
            if (fs::is_directory(target) && fs::is_empty(target)) {
                fs::remove(target);
            }
            fs::rename(native(staging, archive.entries()[i].name), target);
        }
        return check;
    }

    // Every file below folder by "/" path -> contents, or -> size and a hash of the contents
    // where a failure would print too much.
    static std::map<std::string, std::string> files_of(const std::string& folder,
                                                       bool digest = false) {
        std::map<std::string, std::string> out;
        for (const auto& e : std::filesystem::recursive_directory_iterator(folder)) {
            if (std::filesystem::is_regular_file(e.path())) { // links followed, as copies do
                std::ifstream in(e.path(), std::ios::binary);
                std::string contents(std::istreambuf_iterator<char>(in), {});
                if (digest) {
                    contents = std::to_string(contents.size()) + " bytes, hash " +
                               std::to_string(std::hash<std::string>{}(contents));
                }
                out[e.path().lexically_relative(folder).generic_string()] = contents;
            }
        }
        return out;
    }

    posix::PosixFileSystem files;
    posix::LibcryptoHashService hashes;
    posix::PosixThreadService threads;

private:
    static std::unique_ptr<RandomAccessFile> openRandom(const std::string& path) {
        return std::make_unique<posix::PosixRandomAccessFile>(path);
    }
    static std::filesystem::path native(const std::string& folder, const std::string& name) {
        std::string n = name;
        std::ranges::replace(n, '\\', '/');
        return std::filesystem::path(folder) / n;
    }
    static void removeEmptyParents(const std::string& game, const std::string& name) {
        for (auto p = native(game, name).parent_path();
             p.string().size() > game.size() && std::filesystem::is_directory(p) &&
             std::filesystem::is_empty(p);
             p = p.parent_path()) {
            std::filesystem::remove(p);
        }
    }
};

} // namespace qly::test
