// The language file lookup on any buffer: the keys the window reads and one the input names.
// A text never holds its closing apostrophe and always stands in the buffer after its key.
#include "fuzz_input.h"
#include "languages/language_state.h"
#include "platform/posix/posix_file_system.h"

#include <array>
#include <string>

namespace {

void look(const qly::LanguageState& lang, const std::string& key) {
    const std::string text = lang.LangText(key);
    if (text.empty()) {
        return;
    }
    qly::fuzz::Require(text.find('\'') == std::string::npos, "text holds an apostrophe");
    const std::size_t keyAt = lang.LangBuffer.find("/" + key + "/");
    qly::fuzz::Require(keyAt != std::string::npos &&
                           lang.LangBuffer.compare(keyAt + key.size() + 4, text.size(), text) == 0,
                       "text is not the one after its key");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    qly::posix::PosixFileSystem fs;
    qly::LanguageState lang(fs);
    lang.LangBuffer = std::string(qly::fuzz::AsText(data, size));
    constexpr std::array<const char*, 9> kKeys = {"#jezyk", "#skrypt", "instaluj",
                                                  "wyjdz",  "przed1",  "poz1",
                                                  "neg1",   "error",   "brak miejsca"};
    for (const char* key : kKeys) {
        look(lang, key);
    }
    look(lang, std::string(qly::fuzz::FirstBetween(lang.LangBuffer, '/', '/')));
    look(lang, "");
    return 0;
}
