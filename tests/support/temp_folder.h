// A real temporary folder for tests, removed with everything in it by the destructor.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <stdlib.h>
#include <string>
#include <string_view>

namespace qly::test {

class TempFolder {
public:
    TempFolder() : path_((std::filesystem::temp_directory_path() / "qly-test-XXXXXX").string()) {
        if (mkdtemp(path_.data()) == nullptr) {
            throw std::runtime_error("cannot create a temporary folder");
        }
        path_ += '/';
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder with a trailing "/", e.g. "/tmp/qly-test-1a2b3c/".
    const std::string& path() const { return path_; }
    // The same folder with "\" separators and a trailing "\", as the program writes paths.
    std::string winPath() const {
        std::string out = path_;
        std::ranges::replace(out, '/', '\\');
        return out;
    }
    // Native path of rel (either separator) inside the folder.
    std::string file(std::string_view rel) const {
        std::string out = path_ + std::string(rel);
        std::ranges::replace(out, '\\', '/');
        return out;
    }
    // Writes rel, creating the folders on the way. Throws std::runtime_error.
    void write(std::string_view rel, std::string_view contents) const {
        std::filesystem::create_directories(std::filesystem::path(file(rel)).parent_path());
        std::ofstream out(file(rel), std::ios::binary | std::ios::trunc);
        if (!out.write(contents.data(), static_cast<std::streamsize>(contents.size()))) {
            throw std::runtime_error("cannot write " + file(rel));
        }
    }
    // Contents of rel. Throws std::runtime_error.
    std::string read(std::string_view rel) const {
        std::ifstream in(file(rel), std::ios::binary);
        if (!in) {
            throw std::runtime_error("cannot read " + file(rel));
        }
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // True when anything, a dangling link included, is at rel.
    bool exists(std::string_view rel) const {
        std::error_code ec;
        return std::filesystem::exists(std::filesystem::symlink_status(file(rel), ec));
    }
    void makeFolder(std::string_view rel) const { std::filesystem::create_directories(file(rel)); }

private:
    std::string path_;
};

} // namespace qly::test
