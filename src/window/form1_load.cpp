// Form1's construction and start-up.
#include "common/error.h"
#include "window/form1.h"
#include "window/layout_file.h"

#include <algorithm>

namespace qly {

Form1::Form1(const Form1Controls& controls, const Form1Services& services, Form1Options options)
    : window(controls.window), Command1(controls.Command1), Command2(controls.Command2),
      Command3(controls.Command3), Combo1(controls.Combo1), TextScroll1(controls.TextScroll1),
      Image1(controls.Image1), Image2(controls.Image2), files_(services.files),
      profile_(services.profile), registry_(services.registry), shell_(services.shell),
      versions_(services.versions), locale_(services.locale), loop_(services.loop),
      process_(services.process), hashes_(services.hashes), options_(std::move(options)),
      lang_(services.files), folderLocks_(services.folderLocks), elevation_(services.elevation) {}

Form1::~Form1() = default;

bool Form1::Form_Load() {
    if (unloaded_) {
        return false;
    }
    std::string programFolder;
    StandAlone([&] {
        programFolder = process_.programFolder();
        process_.setWorkingFolder(programFolder);
    });
    StandAlone([&] { window.setCaption(kCaption); });

    // Without its skin the window would be invisible and of no size: tell the user and end.
    try {
        LoadSkin("gfx.bmp");
    } catch (...) {
        StandAlone([&] { loop_.messageBox(kSkinMissing); });
        unloaded_ = true;
        StandAlone([&] { window.destroy(); });
        return false;
    }

    StandAlone([&] { PlaceControls(LayoutFile(profile_, LayoutFilePath(programFolder))); });
    StandAlone([&] {
        CopySys = std::make_unique<classCopySys>(files_, loop_);
        CopySys->CopyState = [this](int16_t procent, int64_t& totalBytes, int64_t& totalCopy) {
            CopySys_CopyState(procent, totalBytes, totalCopy);
        };
    });
    ErrorCode = 0;
    busy = -1;
    status = 0;
    StandAlone([&] { SetRoundRegion(32, 32); });
    StandAlone([&] { LoadLangList(); });
    StandAlone([&] { window.show(); });
    StandAlone([&] { FindGameFolder(); });
    StandAlone([&] { RecoverGameFolder(); });
    busy = 0;
    return true;
}

void Form1::PlaceControls(const LayoutFile& layout) {
    StandAlone([&] {
        Image1.setBounds(ReadLayoutArea(layout, "linkright"));
        linkright = layout.ReadIniString("linkright", "link");
    });
    StandAlone([&] {
        Image2.setBounds(ReadLayoutArea(layout, "linkleft"));
        linkleft = layout.ReadIniString("linkleft", "link");
    });
    StandAlone([&] { Command1.setBounds(ReadLayoutArea(layout, "button")); });

    // Close and minimize sit at the top right corner; both are placed by the close button's
    // width, so minimize ends 2 pixels left of close, and close 10 pixels from the edge.
    StandAlone([&] {
        const int32_t w = window.width();
        Rect close = Command2.bounds();
        close.top = 8;
        close.left = w - close.width - 10;
        Command2.setBounds(close);
        Rect minimize = Command3.bounds();
        minimize.top = 8;
        minimize.left = w - 2 * close.width - 10 - 2;
        Command3.setBounds(minimize);
    });

    // The selector keeps the height its font gives it.
    StandAlone([&] {
        const Rect area = ReadLayoutArea(layout, "select");
        Rect r = Combo1.bounds();
        r.top = area.top;
        r.left = area.left;
        r.width = area.width;
        Combo1.setBounds(r);
    });
    StandAlone([&] { TextScroll1.Move(ReadLayoutArea(layout, "textscroll")); });
    StandAlone([&] {
        linkfavorites = layout.ReadIniString("favorites", "link");
        titlefavorites = layout.ReadIniString("favorites", "title");
    });
    StandAlone([&] { Image2.setLinkPointer(!linkleft.empty()); });
    StandAlone([&] { Image1.setLinkPointer(!linkright.empty()); });
}

} // namespace qly
