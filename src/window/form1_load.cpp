// Form1's construction and start-up.
#include "common/error.h"
#include "layout/layout_file.h"
#include "layout/window_geometry.h"
#include "window/form1.h"

namespace qly {

Form1::Form1(const Form1Controls& controls, const Form1Services& services, Form1Options options)
    : options_(std::move(options)),
      run_(services.run, RunOptions{options_.dir, options_.lang, options_.unattended, {}}, *this),
      DestPatch(run_.DestPatch), status(run_.status), etap(run_.etap), ErrorCode(run_.ErrorCode),
      window(controls.window), Command1(controls.Command1), Command2(controls.Command2),
      Command3(controls.Command3), Combo1(controls.Combo1), TextScroll1(controls.TextScroll1),
      Image1(controls.Image1), Image2(controls.Image2), files_(services.run.files),
      profile_(services.run.profile), shell_(services.shell), loop_(services.run.loop) {}

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
    StandAlone([&] { SetRoundRegion(kCornerWidth, kCornerHeight); });
    StandAlone([&] { LoadLangList(); });
    StandAlone([&] { window.show(); });
    StandAlone([&] { FindGameFolder(); });
    StandAlone([&] { run_.RecoverGameFolder(); });
    busy = 0;
    return true;
}

void Form1::PlaceControls(const LayoutFile& layout) {
    const WindowLayout areas = ReadWindowLayout(layout);
    StandAlone([&] {
        Image1.setBounds(areas.linkRight);
        linkright = layout.ReadIniString("linkright", "link");
    });
    StandAlone([&] {
        Image2.setBounds(areas.linkLeft);
        linkleft = layout.ReadIniString("linkleft", "link");
    });
    StandAlone([&] { Command1.setBounds(areas.button); });

    // Close and minimize keep their pictures' sizes; minimize is placed by close's width.
    StandAlone([&] {
        const int32_t w = window.width();
        const Rect close = CloseButtonArea(w, Command2.bounds());
        Command2.setBounds(close);
        Command3.setBounds(MinimizeButtonArea(w, Command3.bounds(), close.width));
    });

    // The selector keeps the height its font gives it.
    StandAlone([&] {
        Rect r = Combo1.bounds();
        r.top = areas.select.top;
        r.left = areas.select.left;
        r.width = areas.select.width;
        Combo1.setBounds(r);
    });
    StandAlone([&] { TextScroll1.Move(areas.textArea); });
    StandAlone([&] {
        linkfavorites = layout.ReadIniString("favorites", "link");
        titlefavorites = layout.ReadIniString("favorites", "title");
    });
    StandAlone([&] { Image2.setLinkPointer(!linkleft.empty()); });
    StandAlone([&] { Image1.setLinkPointer(!linkright.empty()); });
}

} // namespace qly
