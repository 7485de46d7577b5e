// A real temporary folder for tests, removed with everything in it by the destructor.
#pragma once

#include <string>
#include <string_view>

namespace qly::test {

class TempFolder {
public:
    // Creates a fresh, empty folder under the system's temporary folder.
    TempFolder();
    // Removes the folder and its contents, read-only ones included; never throws.
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder with a trailing "/", e.g. "/tmp/qly-test-1a2b3c/".
    const std::string& path() const { return path_; }
    // The same folder written with "\" separators and a trailing "\", as the program's
    // Windows-style paths are written; the POSIX file system reads it as path().
    std::string winPath() const;
    // Native path of rel (either separator) inside the folder.
    std::string file(std::string_view rel) const;

    // Writes contents to rel, creating the folders on the way. Throws std::runtime_error.
    void write(std::string_view rel, std::string_view contents) const;
    // Contents of rel. Throws std::runtime_error when it cannot be read.
    std::string read(std::string_view rel) const;
    // True when anything (file or folder) is at rel.
    bool exists(std::string_view rel) const;
    // Creates the folder rel and the folders on the way.
    void makeFolder(std::string_view rel) const;

private:
    std::string path_;
};

} // namespace qly::test
