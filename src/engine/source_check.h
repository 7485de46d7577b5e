// A check of the source tree that the copy engine consults while it works: once the tree is
// listed, on every source file it opens, and before a copied file is put in place. Paths are
// relative to the source root, as the engine's ActualFile event gives them.
#pragma once

#include "platform/file_system.h"

#include <memory>
#include <string>
#include <vector>

namespace qly {

class SourceCheck {
public:
    virtual ~SourceCheck() = default;
    // The files the scan found, before anything is created or copied. Throws Error when the
    // tree is not the one expected; the run then fails without touching the destination.
    virtual void checkListing(const std::vector<std::string>& files) = 0;
    // The source file file, just opened for its copy: returns what the engine reads instead,
    // which sees every byte on its way.
    virtual std::unique_ptr<File> watch(const std::string& file, std::unique_ptr<File> source) = 0;
    // Every byte of file has been read through watch's answer and written. Throws Error when
    // they are not right; the copy then fails before the file is put in place.
    virtual void checkCopied(const std::string& file) = 0;
};

} // namespace qly
