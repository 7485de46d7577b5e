// Form1's construction and start-up.
#include "common/error.h"
#include "layout/layout_file.h"
#include "window/form1.h"

namespace qly {

Form1::Form1(const Form1Controls& controls, const Form1Services& services, Form1Options options)
    : options_(std::move(options)),
      run_(RunServices{services.files, services.profile, services.registry, services.versions,
                       services.locale, services.loop, services.process, services.hashes,
                       services.folderLocks, services.elevation},
           RunOptions{options_.dir, options_.lang, options_.unattended, {}}, *this),
      DestPatch(run_.DestPatch), status(run_.status), etap(run_.etap), ErrorCode(run_.ErrorCode),
      window(controls.window), Command1(controls.Command1), Command2(controls.Command2),
      Command3(controls.Command3), Combo1(controls.Combo1), TextScroll1(controls.TextScroll1),
      Image1(controls.Image1), Image2(controls.Image2), files_(services.files),
      profile_(services.profile), shell_(services.shell), loop_(services.loop) {}

Form1::~Form1() = default;

bool Form1::Form_Load() {
    if (unloaded_) {
        return false;
    }
    const std::string programFolder = run_.EnterProgramFolder();
    StandAlone([&] { window.setCaption(run_.identity().title); });

    // Without its skin the window would be invisible and of no size: tell the user and end.
    try {
        LoadSkin(kSkinName);
    } catch (...) {
        StandAlone([&] { loop_.messageBox(kSkinMissing); });
        unloaded_ = true;
        StandAlone([&] { window.destroy(); });
        return false;
    }

    StandAlone([&] { PlaceControls(LayoutFile(profile_, LayoutFilePath(programFolder))); });
    StandAlone([&] { run_.CreateEngine(); });
    ErrorCode = 0;
    busy = -1;
    status = 0;
    StandAlone([&] { SetRoundRegion(32, 32); });
    StandAlone([&] { LoadLangList(); });
    StandAlone([&] { window.show(); });
    StandAlone([&] { FindGameFolder(); });
    StandAlone([&] { run_.RecoverGameFolder(); });
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
