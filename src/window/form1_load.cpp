// Form1's construction and start-up.
#include "common/error.h"
#include "window/form1.h"
#include "window/layout_file.h"

#include <algorithm>

namespace qly {

namespace {

// folder joined with name by one "\" (a drive root already ends with one).
std::string inFolder(const std::string& folder, const std::string& name) {
    if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) {
        return folder + name;
    }
    return folder + "\\" + name;
}

// The area of a layout section; negative sizes are not valid for a control and become 0.
Rect areaOf(const LayoutFile& layout, const std::string& section) {
    Rect r;
    r.top = layout.ReadIniNumber(section, "y");
    r.left = layout.ReadIniNumber(section, "x");
    r.width = std::max(0, layout.ReadIniNumber(section, "szer"));
    r.height = std::max(0, layout.ReadIniNumber(section, "wys"));
    return r;
}

} // namespace

Form1::Form1(const Form1Controls& controls, const Form1Services& services, Form1Options options)
    : window(controls.window), Command1(controls.Command1), Command2(controls.Command2),
      Command3(controls.Command3), Combo1(controls.Combo1), TextScroll1(controls.TextScroll1),
      Image1(controls.Image1), Image2(controls.Image2), files_(services.files),
      profile_(services.profile), registry_(services.registry), shell_(services.shell),
      versions_(services.versions), locale_(services.locale), loop_(services.loop),
      process_(services.process), options_(std::move(options)), lang_(services.files) {}

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

    StandAlone(
        [&] { PlaceControls(LayoutFile(profile_, inFolder(programFolder, "qlypatch.ini"))); });
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
        Image1.setBounds(areaOf(layout, "linkright"));
        linkright = layout.ReadIniString("linkright", "link");
    });
    StandAlone([&] {
        Image2.setBounds(areaOf(layout, "linkleft"));
        linkleft = layout.ReadIniString("linkleft", "link");
    });
    StandAlone([&] { Command1.setBounds(areaOf(layout, "button")); });

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
        const Rect area = areaOf(layout, "select");
        Rect r = Combo1.bounds();
        r.top = area.top;
        r.left = area.left;
        r.width = area.width;
        Combo1.setBounds(r);
    });
    StandAlone([&] { TextScroll1.Move(areaOf(layout, "textscroll")); });
    StandAlone([&] {
        linkfavorites = layout.ReadIniString("favorites", "link");
        titlefavorites = layout.ReadIniString("favorites", "title");
    });
    StandAlone([&] { Image2.setLinkPointer(!linkleft.empty()); });
    StandAlone([&] { Image1.setLinkPointer(!linkright.empty()); });
}

} // namespace qly
