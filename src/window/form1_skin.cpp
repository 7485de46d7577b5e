// The skin and the window's rounded shape.
#include "common/error.h"
#include "window/form1.h"

namespace qly {

void Form1::LoadSkin(const std::string& fileName) {
    window.loadSkin(fileName);
    // A bitmap without pixels would leave an invisible window that cannot be closed.
    if (window.width() <= 0 || window.height() <= 0) {
        throw Error("the skin " + fileName + " has no pixels");
    }
}

void Form1::ReleaseSkin() {
    window.releaseSkin();
}

void Form1::SetRoundRegion(int16_t cornerWidth, int16_t cornerHeight) {
    window.setRoundRegion(cornerWidth, cornerHeight);
}

} // namespace qly
