// The update journal's reader on any text: what it accepts names only safe paths and is
// written back to a text that reads as the same journal.
#include "engine/journal.h"
#include "fuzz_input.h"

namespace {

bool sameJournal(const qly::Journal& a, const qly::Journal& b) {
    if (a.phase != b.phase || a.folders != b.folders || a.files.size() != b.files.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.files.size(); ++i) {
        if (a.files[i].path != b.files[i].path || a.files[i].action != b.files[i].action) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const auto journal = qly::ParseJournal(qly::fuzz::AsText(data, size));
    if (!journal) {
        return 0;
    }
    for (const std::string& folder : journal->folders) {
        qly::fuzz::Require(qly::IsSafeRelativePath(folder), "unsafe folder accepted");
    }
    for (const qly::JournalFile& file : journal->files) {
        qly::fuzz::Require(qly::IsSafeRelativePath(file.path), "unsafe file accepted");
    }
    const auto again = qly::ParseJournal(qly::FormatJournal(*journal));
    qly::fuzz::Require(again && sameJournal(*journal, *again), "journal does not read back");
    return 0;
}
