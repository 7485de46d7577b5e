// What a window frame would give: dragging, minimize, close, and the unload.
#include "links/favorites_shortcut.h"
#include "window/form1.h"

namespace qly {

void Form1::Form_MouseDown() {
    if (unloaded_) {
        return;
    }
    StandAlone([&] { window.beginDrag(); });
}

void Form1::Command3_Click() {
    if (unloaded_) {
        return;
    }
    StandAlone([&] { window.minimize(); });
}

void Form1::Command2_Click() {
    if (unloaded_ || busy != 0) {
        return;
    }
    UnloadWindow();
}

bool Form1::QueryUnload() {
    return unloaded_ || busy == 0 || updating_;
}

void Form1::Form_Unload() {
    if (unloaded_) {
        return;
    }
    unloaded_ = true;
    StandAlone([&] { ReleaseSkin(); });
    if (!linkfavorites.empty()) {
        MakeFavoritesShortcut(shell_, files_, titlefavorites, linkfavorites);
    }
    // A close from outside Command2 during the run (or a forced unload) gets here during a
    // copy: the run stops it and undoes it.
    StandAlone([&] { run_.Stop(); });
}

void Form1::UnloadWindow() {
    Form_Unload();
    StandAlone([&] { window.destroy(); });
}

} // namespace qly
