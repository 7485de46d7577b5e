#include "languages/message_lines.h"

#include "languages/language_state.h"
#include "textscroll/line_sink.h"

#include <cstdint>
#include <limits>

namespace qly {

void ShowMessageLines(const LanguageState& lang, LineSink& sink, const std::string& prefix) {
    // The series counter is 16-bit: a series ends after line 32767 at the latest.
    constexpr int32_t kLastLine = std::numeric_limits<int16_t>::max();
    for (int32_t n = 1; n <= kLastLine; ++n) {
        std::string text = lang.LangText(prefix + std::to_string(n));
        if (text.empty()) {
            return;
        }
        sink.Tekst(std::move(text));
    }
}

} // namespace qly
