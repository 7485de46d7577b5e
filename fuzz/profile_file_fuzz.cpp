// The layout file reader on any file: the keys the window reads, a section and key the input
// names itself, and buffers down to none. Answers are cut to the buffer in whole characters
// and come from the file or the default.
#include "fuzz_input.h"
#include "platform/posix/posix_profile_file.h"

#include <array>
#include <string>

namespace {

std::size_t characters(std::string_view s) {
    std::size_t count = 0;
    for (const char c : s) {
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    return count;
}

void ask(std::string_view text, const std::string& section, const std::string& key,
         std::size_t bufferSize) {
    const std::string defaultValue = "default";
    const std::string value =
        qly::posix::ProfileString(text, section, key, defaultValue, bufferSize);
    const std::size_t limit = bufferSize == 0 ? 0 : bufferSize - 1;
    qly::fuzz::Require(characters(value) <= limit, "answer longer than the buffer");
    qly::fuzz::Require(text.find(value) != std::string_view::npos ||
                           defaultValue.starts_with(value),
                       "answer neither from the file nor the default");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view text = qly::fuzz::AsText(data, size);
    constexpr std::array<std::array<const char*, 2>, 6> kAsked = {{{"linkleft", "x"},
                                                                   {"linkright", "link"},
                                                                   {"button", "szer"},
                                                                   {"select", "y"},
                                                                   {"textscroll", "wys"},
                                                                   {"favorites", "title"}}};
    for (const auto& [section, key] : kAsked) {
        ask(text, section, key, 255);
    }
    const std::string ownSection(qly::fuzz::FirstBetween(text, '[', ']'));
    const std::string ownKey(qly::fuzz::FirstBetween(text, '\n', '='));
    for (const std::size_t bufferSize :
         {std::size_t{0}, std::size_t{1}, std::size_t{4}, std::size_t{255}}) {
        ask(text, ownSection, ownKey, bufferSize);
        ask(text, "", ownKey, bufferSize);
    }
    return 0;
}
