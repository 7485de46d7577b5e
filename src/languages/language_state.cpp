#include "languages/language_state.h"

#include "common/bundle_files.h"
#include "common/error.h"

#include <span>

namespace qly {

void LanguageState::ReadLangFile(const std::string& name) {
    const std::string path = std::string(kLanguageFolderName) + "\\" + name;
    std::unique_ptr<File> file = fs_.open(path, OpenMode::Read);
    const int64_t length = file->length();
    if (length < 0 || length > kMaxLangFileBytes) {
        throw Error("language file of unusable size: " + path);
    }
    // Read into a fresh buffer so that a failed read leaves the language in force untouched.
    // Bytes the file no longer has (it shrank since its length was taken) stay blanks.
    std::string buffer(static_cast<std::size_t>(length), ' ');
    std::size_t filled = 0;
    while (filled < buffer.size()) {
        const std::size_t got =
            file->read(std::span<char>(buffer.data() + filled, buffer.size() - filled));
        if (got == 0) {
            break;
        }
        filled += got;
    }
    LangBuffer = std::move(buffer);
}

std::string LanguageState::LangText(const std::string& key) const {
    const std::string needle = "/" + key + "/";
    const std::size_t found = LangBuffer.find(needle);
    if (found == std::string::npos) {
        return {};
    }
    const std::size_t start = found + needle.size() + 2;
    if (start >= LangBuffer.size()) {
        return {};
    }
    const std::size_t end = LangBuffer.find('\'', start);
    if (end == std::string::npos) {
        return LangBuffer.substr(start);
    }
    return LangBuffer.substr(start, end - start);
}

void LanguageState::setLangCode(const std::string& code) {
    LangCode = code.substr(0, 3);
    LangCode.resize(3, ' ');
}

} // namespace qly
