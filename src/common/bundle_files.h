// The files of a patch bundle, as the installer finds them beside itself (or packed behind
// it) and as the patch maker's tools make and check them.
#pragma once

namespace qly {

inline constexpr const char* kPatchTreeName = "update";        // the tree copied into the game
inline constexpr const char* kManifestName = "update.sha256";  // the tree's digests; optional
inline constexpr const char* kLayoutFileName = "qlypatch.ini"; // where the controls stand
inline constexpr const char* kSkinName = "gfx.bmp";            // the window's picture
inline constexpr const char* kLanguageFolderName = "lang";     // one *.lng file per language

} // namespace qly
