// The registry file reader on any file: the game's keys, the unnamed value and a key and value
// the input names itself. A string is only ever read from a key that the file holds, and a file
// in UTF-8 gives strings in UTF-8.
#include "fuzz_input.h"
#include "platform/posix/reg_file_registry.h"

#include <sstream>
#include <string>

namespace {

std::optional<std::string> lookUp(std::string_view text, const std::string& key,
                                  const std::string& value) {
    std::istringstream file{std::string(text)};
    return qly::posix::ReadRegFileString(file, key, value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view text = qly::fuzz::AsText(data, size);
    for (const char* key :
         {"Software\\Brantmoor Games\\Quillory", "Software\\Brantmoor Games\\Quillory DEMO"}) {
        lookUp(text, key, "Install Path");
        lookUp(text, key, "");
    }
    std::string ownKey(qly::fuzz::FirstBetween(text, '[', ']'));
    // The file doubles the separators of key names.
    for (std::size_t at = ownKey.find("\\\\"); at != std::string::npos;
         at = ownKey.find("\\\\", at + 1)) {
        ownKey.erase(at, 1);
    }
    const std::string ownValue(qly::fuzz::FirstBetween(text, '"', '"'));
    const auto value = lookUp(text, ownKey, ownValue);
    qly::fuzz::Require(!value || text.find('[') != std::string_view::npos,
                       "a value outside every key");
    // Escapes stand for UTF-16 units, so a valid file gives valid text whatever they hold.
    qly::fuzz::Require(!value || !qly::fuzz::IsValidUtf8(text) || qly::fuzz::IsValidUtf8(*value),
                       "a valid file gave text that is not UTF-8");
    return 0;
}
