// Start-up, skin and unload of the installer's window.
#include "platform/wait.h"
#include "support/form1_rig.h"

#include <gtest/gtest.h>

namespace qly {
namespace {

using test::Form1Rig;
using test::Lines;

TEST(WindowTest, StartUpLaysTheWindowOutFromSkinAndLayout) {
    Form1Rig rig;
    rig.process_.folder_ = "C:\\Program Files\\Patch";
    auto& v = rig.profile_.values_;
    for (const auto& [section, x, y, w, h] : {std::tuple{"linkright", "300", "-10", "12", "-5"},
                                              {"select", "160", "255", "90", "50"}}) {
        v[{section, "x"}] = x;
        v[{section, "y"}] = y;
        v[{section, "szer"}] = w;
        v[{section, "wys"}] = h;
    }
    v[{"linkright", "link"}] = "http://right.example";
    ASSERT_TRUE(rig.load());
    EXPECT_EQ(rig.process_.workingFolders_, Lines{"C:\\Program Files\\Patch"});
    EXPECT_EQ(rig.profile_.pathAsked_, "C:\\Program Files\\Patch\\qlypatch.ini");
    const auto rect = [](const Rect& r) { return std::tuple(r.left, r.top, r.width, r.height); };
    EXPECT_EQ(rect(rig.image1_.bounds_), std::tuple(300, -10, 12, 0)); // a negative size is 0
    EXPECT_EQ(rect(rig.image2_.bounds_), std::tuple(0, 0, 0, 0));      // no section: no size
    // Close 10 pixels from the skin's right edge, minimize 2 pixels left of it.
    EXPECT_EQ(rect(rig.command2_.bounds_), std::tuple(421, 8, 20, 20));
    EXPECT_EQ(rect(rig.command3_.bounds_), std::tuple(399, 8, 20, 20));
    EXPECT_EQ(rect(rig.combo_.bounds_), std::tuple(160, 255, 90, 21)); // keeps its own height
    EXPECT_EQ(rig.image1_.linkPointer_, true);
    EXPECT_EQ(rig.image2_.linkPointer_, false);
    // Each link area opens its own link, and only when it has one.
    rig.form().Image1_Click();
    rig.form().Image2_Click();
    EXPECT_EQ(rig.shell_.opened_, Lines{"http://right.example"});
}

TEST(WindowTest, MissingOrEmptySkinIsToldAndEndsTheProgram) {
    for (bool empty : {false, true}) {
        Form1Rig rig;
        rig.window_.skinLoads_ = empty; // an empty bitmap loads, but without pixels
        rig.window_.skinWidth_ = 0;
        EXPECT_FALSE(rig.load());
        EXPECT_EQ(rig.loop_.messageBoxes(), Lines{Form1::kSkinMissing});
        // Whatever still arrives does nothing.
        rig.form().Command1_Click();
        rig.form().Combo1_Click();
        rig.form().Form_Unload();
        EXPECT_TRUE(rig.text_.calls_.empty());
        EXPECT_EQ(rig.window_.events_, Lines{"destroy"});
    }
}

TEST(WindowTest, CloseReleasesSkinThenWritesFavoritesThenReleasesEngineOnce) {
    Form1Rig rig;
    rig.profile_.values_[{"favorites", "link"}] = "http://fav.example";
    rig.profile_.values_[{"favorites", "title"}] = "Quillory";
    rig.shell_.favorites_ = "C:\\Users\\me\\Favorites";
    rig.fs.addFolder("C:\\Users\\me\\Favorites");
    bool engineHeldWhileWriting = false;
    rig.shell_.onFavorites_ = [&] {
        rig.window_.events_.push_back("favorites");
        engineHeldWhileWriting = rig.form().copyEngine() != nullptr;
    };
    ASSERT_TRUE(rig.load());
    rig.form().Command2_Click();
    EXPECT_EQ(rig.window_.events_, (Lines{"show", "releaseSkin", "favorites", "destroy"}));
    EXPECT_TRUE(engineHeldWhileWriting);
    EXPECT_EQ(rig.form().copyEngine(), nullptr);
    EXPECT_EQ(rig.fs.contents("C:\\Users\\me\\Favorites\\Quillory.URL"),
              "[InternetShortcut]\r\nURL=http://fav.example\r\n");
    // The platform's own unload after the window is gone changes nothing.
    rig.form().Form_Unload();
    EXPECT_EQ(rig.window_.events_.size(), 4u);
}

TEST(WaitTest, WaitsByTheTickCountAcrossItsWrap) {
    test::FakeMessageLoop wrapping;
    wrapping.setTickCount(0xFFFFFF00u);
    wrapping.setTickStep(100);
    Wait(wrapping, 1000);
    EXPECT_EQ(wrapping.yields(), 11); // the tick is read before each yield
}

} // namespace
} // namespace qly
