// The layout file's number conversion on any text: blanks never change the number, and a
// minus sign in front of a number negates it (up to the asymmetric 32-bit clamp).
#include "fuzz_input.h"
#include "layout/layout_file.h"

#include <limits>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view text = qly::fuzz::AsText(data, size);
    const int32_t value = qly::ParseIniNumber(text);

    std::string withoutBlanks;
    for (const char c : text) {
        if (c != ' ' && c != '\t' && c != '\n') {
            withoutBlanks += c;
        }
    }
    qly::fuzz::Require(qly::ParseIniNumber(withoutBlanks) == value, "blanks changed the number");

    if (!text.empty() && text.front() >= '0' && text.front() <= '9') {
        constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
        const int32_t negated = qly::ParseIniNumber("-" + std::string(text));
        qly::fuzz::Require(value == kMax ? negated == -kMax || negated == -kMax - 1
                                         : negated == -value,
                           "a minus sign did not negate the number");
    }
    return 0;
}
