// The two link areas.
#include "window/form1.h"

namespace qly {

void Form1::Image1_Click() {
    if (unloaded_ || linkright.empty()) {
        return;
    }
    StandAlone([&] { shell_.open(linkright); });
}

void Form1::Image2_Click() {
    if (unloaded_ || linkleft.empty()) {
        return;
    }
    StandAlone([&] { shell_.open(linkleft); });
}

} // namespace qly
