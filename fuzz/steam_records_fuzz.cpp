// The readers of a game store's records on any text: the library list and an app manifest.
// A library path never carries the separator it was written to end with, and an install folder
// never leaves steamapps\common.
#include "fuzz_input.h"
#include "game/key_values.h"
#include "game/steam_library.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view text = qly::fuzz::AsText(data, size);
    qly::ParseKeyValues(text);
    for (const std::string& path : qly::SteamLibraryPaths(text)) {
        qly::fuzz::Require(!path.empty(), "an empty library path");
        qly::fuzz::Require(path.size() <= 1 || (path.back() != '/' && path.back() != '\\') ||
                               (path.size() == 3 && path[1] == ':'),
                           "a library path with its trailing separator");
    }
    const std::string appId(qly::fuzz::FirstBetween(text, '"', '"'));
    for (const std::string& id : {appId, std::string("2231380")}) {
        if (const auto dir = qly::SteamInstallDir(text, id)) {
            qly::fuzz::Require(!dir->empty() && *dir != "." && *dir != ".." &&
                                   dir->find_first_of("/\\:") == std::string::npos,
                               "an install folder outside steamapps\\common");
        }
    }
    return 0;
}
