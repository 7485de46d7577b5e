// The bundle packed behind the running exe, made ready for the window: the files outside the
// patch tree (layout file, skin, languages, manifest) are unpacked into a private folder that
// stands in for the program's folder, and the patch tree is read straight from the exe
// through the file services, under the relative folder "update\".
#pragma once

#include "bundle/mounted_file_system.h"
#include "bundle/payload_file_system.h"
#include "platform/process.h"

#include <functional>
#include <memory>
#include <string>

namespace qly {

class PackedBundle {
public:
    // The folder the patch tree is read from, relative to the working folder.
    static constexpr const char* kPatchFolder = "update\\";

    // Unpacks into privateFolder (an existing, empty folder only this user can read),
    // checking every unpacked file against its checksum. Throws Error when that fails. All
    // references must outlive the object.
    PackedBundle(RandomAccessFile& exe, PayloadIndex payload, HashService& hashes, FileSystem& disk,
                 Process& process, std::string privateFolder);

    // The disk with the packed patch tree mounted at kPatchFolder.
    FileSystem& files() { return files_; }
    // The running program, with privateFolder as its folder.
    Process& process() { return process_; }

private:
    class UnpackedProcess : public Process {
    public:
        UnpackedProcess(Process& real, std::string folder)
            : real_(real), folder_(std::move(folder)) {}
        std::string programFolder() override { return folder_; }
        std::string commandLine() override { return real_.commandLine(); }
        void setWorkingFolder(const std::string& folder) override {
            real_.setWorkingFolder(folder);
        }

    private:
        Process& real_;
        std::string folder_;
    };

    PayloadFileSystem payload_;
    MountedFileSystem files_;
    UnpackedProcess process_;
};

// The bundle packed in exe (read from exePath), or null when it carries none. makeFolder makes
// the private folder and returns its path; it is called only for a sound payload. Throws Error
// of kind Damaged, with the reason and exePath, when the payload is damaged (nothing may then
// be installed), and Error of another kind when its files cannot be unpacked.
std::unique_ptr<PackedBundle> OpenPackedBundle(RandomAccessFile& exe, const std::string& exePath,
                                               HashService& hashes, FileSystem& disk,
                                               Process& process,
                                               const std::function<std::string()>& makeFolder);

} // namespace qly
