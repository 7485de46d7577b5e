#include "links/favorites_shortcut.h"

#include <memory>
#include <string_view>

namespace qly {

std::string FavoritesFileTitle(const std::string& title) {
    constexpr std::string_view kNotInNames = "/\\:*?\"<>|";
    std::string safe = title;
    bool leading = true;
    for (char& c : safe) {
        const auto byte = static_cast<unsigned char>(c);
        if (leading && c == '.') {
            c = '_';
            continue;
        }
        leading = false;
        if (byte < 0x20 || kNotInNames.find(c) != std::string_view::npos) {
            c = '_';
        }
    }
    return safe;
}

void MakeFavoritesShortcut(Shell& shell, FileSystem& files, const std::string& title,
                           const std::string& link) noexcept {
    try {
        const std::optional<std::string> folder = shell.favoritesFolder();
        if (!folder || folder->empty()) {
            return;
        }
        std::string path = *folder;
        if (path.back() != '\\' && path.back() != '/') {
            path += '\\';
        }
        path += FavoritesFileTitle(title) + ".URL";
        const std::string text = "[InternetShortcut]\r\nURL=" + link + "\r\n";
        const std::unique_ptr<File> file = files.open(path, OpenMode::CreateAlways);
        file->write(std::span<const char>(text.data(), text.size()));
    } catch (...) {
        // The shortcut is a courtesy: the window closes whatever happens to it.
    }
}

} // namespace qly
