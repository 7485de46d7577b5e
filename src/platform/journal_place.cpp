#include "platform/journal_place.h"

namespace qly {

std::string JournalPlaceKey(HashService& hashes, std::string_view gameFolder, bool foldCase) {
    std::string spelling(gameFolder);
    for (char& c : spelling) {
        if (c == '/') {
            c = '\\';
        } else if (foldCase && c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    while (spelling.size() > 1 && spelling.back() == '\\') {
        spelling.pop_back();
    }
    auto sha = hashes.newSha256();
    sha->update(std::span<const char>(spelling.data(), spelling.size()));
    // 128 bits: no two game folders meet by chance, and the name stays short.
    return ToHex(sha->finish()).substr(0, 32);
}

} // namespace qly
