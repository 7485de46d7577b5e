#include "engine/journal.h"

#include "common/error.h"

#include <charconv>
#include <exception>
#include <span>

namespace qly {

namespace {

constexpr std::string_view kHeader = "qlypatch journal 2";
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

// Reads one unsigned decimal number of the whole of text.
bool readNumber(std::string_view text, uint64_t& value) {
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    return !text.empty() && error == std::errc() && at == end;
}

std::string formatIdentity(const std::optional<FileIdentity>& id) {
    return id ? std::to_string(id->volume) + "." + std::to_string(id->file) : std::string("-");
}

// Takes "<volume>.<file>" or "-" and a blank off the front of rest.
bool readIdentity(std::string_view& rest, std::optional<FileIdentity>& id) {
    const std::size_t blank = rest.find(' ');
    if (blank == std::string_view::npos) {
        return false;
    }
    const std::string_view word = rest.substr(0, blank);
    rest.remove_prefix(blank + 1);
    if (word == "-") {
        id.reset();
        return true;
    }
    const std::size_t dot = word.find('.');
    FileIdentity value;
    if (dot == std::string_view::npos || !readNumber(word.substr(0, dot), value.volume) ||
        !readNumber(word.substr(dot + 1), value.file)) {
        return false;
    }
    id = value;
    return true;
}

// One file record after its action word: the two identities and the path.
bool readFileRecord(std::string_view rest, JournalAction action, Journal& journal) {
    JournalFile file;
    file.action = action;
    if (!readIdentity(rest, file.oldFile) || !readIdentity(rest, file.newFile) ||
        !IsSafeRelativePath(rest)) {
        return false;
    }
    file.path = std::string(rest);
    journal.files.push_back(std::move(file));
    return true;
}

} // namespace

bool IsStageName(std::string_view name) {
    if (name.size() <= kStagePrefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < kStagePrefix.size(); ++i) {
        const char c = name[i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c) != kStagePrefix[i]) {
            return false;
        }
    }
    uint64_t number = 0;
    return readNumber(name.substr(kStagePrefix.size()), number);
}

std::string StagedPath(const std::string& root, const Journal& journal, std::size_t index) {
    return root + journal.stage + "\\" + std::to_string(index) + std::string(kStagedSuffix);
}

std::string BackupPath(const std::string& root, const Journal& journal, std::size_t index) {
    return root + journal.stage + "\\" + std::to_string(index) + std::string(kBackupSuffix);
}

std::string JournalPath(const std::string& root, const Journal& journal) {
    if (!journal.place.empty()) {
        return journal.place + journal.stage + std::string(kPlacedJournalSuffix);
    }
    return root + journal.stage + "\\" + std::string(kJournalName);
}

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
    text += "\nstage " + journal.stage + '\n';
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
        case JournalAction::MakeFolder:
            text += "make-folder ";
            break;
        case JournalAction::RemoveFolder:
            text += "remove-folder ";
            break;
        }
        text += formatIdentity(file.oldFile) + ' ' + formatIdentity(file.newFile) + ' ' +
                file.path + '\n';
        if (!file.original.empty() && file.original != file.path) {
            text += "was " + file.original + '\n';
        }
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
        } else if (phase && journal.stage.empty() && startsWith(line, "stage ", rest) &&
                   IsStageName(rest)) {
            journal.stage = std::string(rest);
        } else if (journal.stage.empty()) {
            return std::nullopt;
        } else if (startsWith(line, "folder ", rest) && IsSafeRelativePath(rest)) {
            journal.folders.emplace_back(rest);
        } else if (startsWith(line, "file old ", rest)) {
            if (!readFileRecord(rest, JournalAction::Replace, journal)) {
                return std::nullopt;
            }
        } else if (startsWith(line, "file new ", rest)) {
            if (!readFileRecord(rest, JournalAction::New, journal)) {
                return std::nullopt;
            }
        } else if (startsWith(line, "remove ", rest)) {
            if (!readFileRecord(rest, JournalAction::Remove, journal)) {
                return std::nullopt;
            }
        } else if (startsWith(line, "make-folder ", rest)) {
            if (!readFileRecord(rest, JournalAction::MakeFolder, journal)) {
                return std::nullopt;
            }
        } else if (startsWith(line, "remove-folder ", rest)) {
            if (!readFileRecord(rest, JournalAction::RemoveFolder, journal)) {
                return std::nullopt;
            }
        } else if (startsWith(line, "was ", rest) && IsSafeRelativePath(rest) &&
                   !journal.files.empty() && journal.files.back().original.empty()) {
            journal.files.back().original = std::string(rest);
        } else {
            return std::nullopt;
        }
    }
    if (journal.stage.empty()) {
        return std::nullopt;
    }
    return journal;
}

void WriteJournal(FileSystem& fs, const std::string& root, const Journal& journal) {
    const std::string path = JournalPath(root, journal);
    const std::string staged = path + std::string(kStagedSuffix);
    const std::string text = FormatJournal(journal);
    try {
        {
            // The stage, or the place, is the run's own: a temporary journal left by a cut
            // write is ours.
            fs.removeQuietly(staged);
            auto out = fs.open(staged, OpenMode::CreateNew);
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

std::optional<std::string> ReadJournalText(FileSystem& fs, const std::string& path) {
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
