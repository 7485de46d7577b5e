// The game-version check of the update run, made before anything in the game folder changes.
#include "update/game_folder.h"
#include "update/game_version.h"
#include "window/form1.h"
#include "window/layout_file.h"

namespace qly {

bool Form1::RefusedGameVersion() {
    const auto refusal =
        GameVersionRefusal(LayoutFile(profile_, LayoutFilePath(process_.programFolder())),
                           versions_, DestPatch + kGameProgram, lang_);
    if (refusal) {
        StandAlone([&] { TextScroll1.Tekst(*refusal); });
    }
    return refusal.has_value();
}

} // namespace qly
