// The language state of the run: the buffer of the language file read last, the catalogue of
// language files, and the working code and charset.
#pragma once

#include "platform/file_system.h"

#include <array>
#include <cstdint>
#include <string>

namespace qly {

class LanguageState {
public:
    static constexpr int kMaxLanguages = 21;
    // Language files are kept below 32,767 bytes; anything beyond this is not one.
    static constexpr int64_t kMaxLangFileBytes = 16 * 1024 * 1024;

    explicit LanguageState(FileSystem& fs) : fs_(fs) {}

    // Reads the file "lang\" + name whole into LangBuffer. Throws Error when it cannot be
    // opened or read, or is larger than kMaxLangFileBytes; LangBuffer is then unchanged.
    void ReadLangFile(const std::string& name);
    // The text of entry key in LangBuffer: the first "/" key "/" (bytes compared exactly), two
    // skipped characters, then the text up to the next apostrophe. Empty when the key is
    // missing or the text would start at or beyond the end of the buffer; the rest of the
    // buffer when no apostrophe follows. Never reads outside the buffer.
    std::string LangText(const std::string& key) const;

    std::string LangBuffer;
    std::array<std::string, kMaxLanguages> LangFiles;
    std::array<std::string, kMaxLanguages> LangCodes;
    int16_t LangCount = 0;
    std::string LangCode = "   "; // always exactly three characters; see setLangCode
    int32_t LangCharset = 0;

    // Assigns LangCode, keeping the first three characters or padding with blanks.
    void setLangCode(const std::string& code);

private:
    FileSystem& fs_;
};

} // namespace qly
