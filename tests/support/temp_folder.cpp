#include "temp_folder.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <system_error>

namespace fs = std::filesystem;

namespace qly::test {

namespace {

std::string toNative(std::string_view rel) {
    std::string out(rel);
    for (char& c : out) {
        if (c == '\\') {
            c = '/';
        }
    }
    return out;
}

// Gives the owner full access to everything below root so that removal cannot be refused by
// a test that made a file or folder read-only.
void unlockTree(const fs::path& root) {
    std::error_code ec;
    fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, ec);
    for (auto it = fs::recursive_directory_iterator(root, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (!it->is_symlink(ec)) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
        }
    }
}

} // namespace

TempFolder::TempFolder() {
    std::random_device seed;
    std::mt19937_64 rng(seed());
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate = base / ("qly-test-" + std::to_string(rng() % 100000000000ULL));
        std::error_code ec;
        if (fs::create_directory(candidate, ec)) {
            path_ = candidate.string() + "/";
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempFolder::~TempFolder() {
    std::error_code ec;
    unlockTree(path_);
    fs::remove_all(path_, ec);
}

std::string TempFolder::winPath() const {
    std::string out = path_;
    for (char& c : out) {
        if (c == '/') {
            c = '\\';
        }
    }
    return out;
}

std::string TempFolder::file(std::string_view rel) const {
    return path_ + toNative(rel);
}

void TempFolder::write(std::string_view rel, std::string_view contents) const {
    const fs::path target = file(rel);
    fs::create_directories(target.parent_path());
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + target.string());
    }
}

std::string TempFolder::read(std::string_view rel) const {
    const std::string target = file(rel);
    std::ifstream in(target, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + target);
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool TempFolder::exists(std::string_view rel) const {
    std::error_code ec;
    return fs::exists(fs::symlink_status(file(rel), ec));
}

void TempFolder::makeFolder(std::string_view rel) const {
    fs::create_directories(file(rel));
}

} // namespace qly::test
