#include "engine/journal.h"

#include "common/error.h"

#include <exception>
#include <span>

namespace qly {

namespace {

constexpr std::string_view kHeader = "qlypatch journal 1";
// A journal names at most every file of a patch; anything far larger is not one of ours.
constexpr int64_t kMaxJournalBytes = 256 * 1024 * 1024;

std::string_view phaseName(JournalPhase phase) {
    switch (phase) {
    case JournalPhase::Staging:
        return "staging";
    case JournalPhase::Commit:
        return "commit";
    case JournalPhase::Committed:
        return "committed";
    }
    return "staging";
}

bool startsWith(std::string_view line, std::string_view word, std::string_view& rest) {
    if (!line.starts_with(word)) {
        return false;
    }
    rest = line.substr(word.size());
    return true;
}

} // namespace

bool IsSafeRelativePath(std::string_view path) {
    if (path.empty() || path.front() == '\\' || path.front() == '/') {
        return false;
    }
    for (const char c : path) {
        if (static_cast<unsigned char>(c) < 0x20 || c == ':' || c == 0x7F) {
            return false;
        }
    }
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = path.find_first_of("\\/", start);
        const std::string_view part =
            path.substr(start, end == std::string_view::npos ? path.npos : end - start);
        if (part.empty() || part == "." || part == "..") {
            return false;
        }
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
    return true;
}

std::string FormatJournal(const Journal& journal) {
    std::string text(kHeader);
    text += "\nphase ";
    text += phaseName(journal.phase);
    text += '\n';
    for (const std::string& folder : journal.folders) {
        text += "folder " + folder + '\n';
    }
    for (const JournalFile& file : journal.files) {
        switch (file.action) {
        case JournalAction::New:
            text += "file new ";
            break;
        case JournalAction::Replace:
            text += "file old ";
            break;
        case JournalAction::Remove:
            text += "remove ";
            break;
        }
        text += file.path + '\n';
    }
    return text;
}

std::optional<Journal> ParseJournal(std::string_view text) {
    Journal journal;
    bool header = false;
    bool phase = false;
    while (!text.empty()) {
        const std::size_t eol = text.find('\n');
        if (eol == std::string_view::npos) {
            return std::nullopt; // cut short: every record ends with its line end
        }
        const std::string_view line = text.substr(0, eol);
        text.remove_prefix(eol + 1);
        std::string_view rest;
        if (!header) {
            if (line != kHeader) {
                return std::nullopt;
            }
            header = true;
        } else if (!phase && startsWith(line, "phase ", rest)) {
            phase = true;
            if (rest == "staging") {
                journal.phase = JournalPhase::Staging;
            } else if (rest == "commit") {
                journal.phase = JournalPhase::Commit;
            } else if (rest == "committed") {
                journal.phase = JournalPhase::Committed;
            } else {
                return std::nullopt;
            }
        } else if (phase && startsWith(line, "folder ", rest) && IsSafeRelativePath(rest)) {
            journal.folders.emplace_back(rest);
        } else if (phase && startsWith(line, "file old ", rest) && IsSafeRelativePath(rest)) {
            journal.files.push_back({std::string(rest), JournalAction::Replace});
        } else if (phase && startsWith(line, "file new ", rest) && IsSafeRelativePath(rest)) {
            journal.files.push_back({std::string(rest), JournalAction::New});
        } else if (phase && startsWith(line, "remove ", rest) && IsSafeRelativePath(rest)) {
            journal.files.push_back({std::string(rest), JournalAction::Remove});
        } else {
            return std::nullopt;
        }
    }
    if (!phase) {
        return std::nullopt;
    }
    return journal;
}

void WriteJournal(FileSystem& fs, const std::string& root, const Journal& journal) {
    const std::string path = root + std::string(kJournalName);
    const std::string staged = path + std::string(kStagedSuffix);
    const std::string text = FormatJournal(journal);
    try {
        {
            auto out = fs.open(staged, OpenMode::CreateAlways);
            out->write(std::span<const char>(text.data(), text.size()));
            out->flush();
        }
        fs.replaceFileDurably(staged, path);
    } catch (const std::exception&) {
        // A half-written journal is nobody's: when the first one fails, no undo runs that
        // would remove it, and the game folder must be left as it was found.
        fs.removeQuietly(staged);
        throw;
    }
}

std::optional<std::string> ReadJournalText(FileSystem& fs, const std::string& root) {
    const std::string path = root + std::string(kJournalName);
    if (!fs.statusOf(path)) {
        return std::nullopt;
    }
    auto in = fs.open(path, OpenMode::Read);
    const int64_t length = in->length();
    if (length < 0 || length > kMaxJournalBytes) {
        throw Error("the journal has an impossible size: " + path);
    }
    std::string text(static_cast<std::size_t>(length), '\0');
    std::size_t filled = 0;
    while (filled < text.size()) {
        const std::size_t got =
            in->read(std::span<char>(text.data() + filled, text.size() - filled));
        if (got == 0) {
            break;
        }
        filled += got;
    }
    text.resize(filled);
    return text;
}

} // namespace qly
