// Start-up, skin and chrome of the installer's window.
#include "support/form1_rig.h"
#include "window/wait.h"

#include <gtest/gtest.h>

namespace qly {
namespace {

class WindowTest : public ::testing::Test {
protected:
    WindowTest() {
        fs.addFile("lang\\eng.lng", test::FullLangFile("ENG", "EN"));
        auto& v = rig.profile_.values_;
        v[{"linkright", "x"}] = "300";
        v[{"linkright", "y"}] = "-10";
        v[{"linkright", "szer"}] = "12.5";
        v[{"linkright", "wys"}] = "13.5";
        v[{"linkright", "link"}] = "http://right.example";
        v[{"button", "x"}] = "20";
        v[{"button", "y"}] = "250";
        v[{"button", "szer"}] = "120";
        v[{"button", "wys"}] = "30";
        v[{"select", "x"}] = "160";
        v[{"select", "y"}] = "255";
        v[{"select", "szer"}] = "90";
        v[{"textscroll", "x"}] = "20";
        v[{"textscroll", "y"}] = "40";
        v[{"textscroll", "szer"}] = "194";
        v[{"textscroll", "wys"}] = "184";
        v[{"favorites", "link"}] = "http://fav.example";
        v[{"favorites", "title"}] = "Quillory";
    }

    test::PatternFileSystem fs;
    test::Form1Rig rig{fs, "C:\\Program Files\\Patch", false};
};

TEST_F(WindowTest, StartUpLaysTheWindowOutFromSkinAndLayout) {
    ASSERT_TRUE(rig.load());
    EXPECT_EQ(rig.process_.workingFolders_, std::vector<std::string>{"C:\\Program Files\\Patch"});
    EXPECT_EQ(rig.profile_.pathAsked_, "C:\\Program Files\\Patch\\qlypatch.ini");
    EXPECT_EQ(rig.window_.captions_.front(), "Quillory - Install");
    EXPECT_EQ(rig.window_.skinPath_, "gfx.bmp");
    EXPECT_EQ(rig.window_.region_, std::make_pair(32, 32));
    EXPECT_TRUE(rig.window_.shown_);
    const auto expectRect = [](const Rect& r, int l, int t, int w, int h) {
        EXPECT_EQ(r.left, l);
        EXPECT_EQ(r.top, t);
        EXPECT_EQ(r.width, w);
        EXPECT_EQ(r.height, h);
    };
    expectRect(rig.image1_.bounds_, 300, -10, 12, 14);
    expectRect(rig.image2_.bounds_, 0, 0, 0, 0); // no section: top-left, no size
    expectRect(rig.command1_.bounds_, 20, 250, 120, 30);
    expectRect(rig.command2_.bounds_, 421, 8, 20, 20);
    expectRect(rig.command3_.bounds_, 399, 8, 20, 20);
    expectRect(rig.combo_.bounds_, 160, 255, 90, 21); // keeps its own height
    expectRect(rig.text_.bounds_, 20, 40, 194, 184);
    EXPECT_EQ(rig.image1_.linkPointer_, true);
    EXPECT_EQ(rig.image2_.linkPointer_, false);
    EXPECT_EQ(rig.form().linkright, "http://right.example");
    EXPECT_EQ(rig.form().linkleft, "");
    EXPECT_EQ(rig.form().titlefavorites, "Quillory");
    EXPECT_NE(rig.form().copyEngine(), nullptr);
    EXPECT_FALSE(rig.form().isBusy());
}

TEST_F(WindowTest, MissingSkinIsToldAndEndsTheProgram) {
    rig.window_.skinLoads_ = false;
    EXPECT_FALSE(rig.load());
    EXPECT_EQ(rig.loop_.messageBoxes(), std::vector<std::string>{Form1::kSkinMissing});
    EXPECT_EQ(rig.window_.destroyCount_, 1);
    EXPECT_FALSE(rig.window_.shown_);
    // Whatever still arrives does nothing.
    rig.form().Command1_Click();
    rig.form().Form_Unload();
    EXPECT_EQ(rig.text_.calls_.size(), 0u);
    EXPECT_EQ(rig.window_.releaseSkinCount_, 0);

    test::Form1Rig empty(fs, "C:\\Patch", false);
    empty.window_.skinWidth_ = 0; // a bitmap without pixels is as good as none
    EXPECT_FALSE(empty.load());
    EXPECT_EQ(empty.window_.destroyCount_, 1);
}

TEST_F(WindowTest, DragAndMinimizeAlwaysWorkAndCloseUnloadsInOrder) {
    rig.shell_.favorites_ = "C:\\Users\\me\\Favorites";
    fs.addFolder("C:\\Users\\me\\Favorites");
    bool engineHeldWhileWriting = false;
    rig.shell_.onFavorites_ = [&] {
        rig.log_.add("favorites");
        engineHeldWhileWriting = rig.form().copyEngine() != nullptr;
    };
    ASSERT_TRUE(rig.load());
    rig.loop_.at(rig.loop_.yields() + 1, [&] {
        rig.form().Form_MouseDown();
        rig.form().Command3_Click();
    });
    rig.form().Command1_Click();
    EXPECT_EQ(rig.window_.dragCount_, 1);
    EXPECT_EQ(rig.window_.minimizeCount_, 1);

    rig.form().Command2_Click();
    const auto& log = rig.log_;
    EXPECT_LT(log.indexOf("releaseSkin"), log.indexOf("favorites"));
    EXPECT_LT(log.indexOf("favorites"), log.indexOf("destroy"));
    EXPECT_TRUE(engineHeldWhileWriting);
    EXPECT_EQ(rig.form().copyEngine(), nullptr);
    EXPECT_EQ(fs.contents("C:\\Users\\me\\Favorites\\Quillory.URL"),
              "[InternetShortcut]\r\nURL=http://fav.example\r\n");
    // The platform's own unload after the window is gone changes nothing.
    rig.form().Form_Unload();
    EXPECT_EQ(rig.window_.releaseSkinCount_, 1);
    EXPECT_EQ(rig.shell_.favoritesAsked_, 1);
}

TEST_F(WindowTest, ClosingWithoutFavoritesLinkWritesNothing) {
    rig.profile_.values_.erase({"favorites", "link"});
    rig.shell_.favorites_ = "C:\\Fav";
    ASSERT_TRUE(rig.load());
    EXPECT_TRUE(rig.form().QueryUnload());
    rig.form().Form_Unload();
    EXPECT_EQ(rig.shell_.favoritesAsked_, 0);
    EXPECT_EQ(rig.form().copyEngine(), nullptr);
}

TEST(WaitTest, WaitsByTheTickCountAcrossItsWrapAndYieldsAtLeastOnce) {
    test::FakeMessageLoop loop;
    loop.setTickStep(7);
    Wait(loop, 1000);
    EXPECT_GE(loop.tickCount(), 1000u);
    EXPECT_EQ(loop.yields(), 144); // the tick is read before each yield: 143 * 7 >= 1000

    test::FakeMessageLoop wrapping;
    wrapping.setTickCount(0xFFFFFF00u);
    wrapping.setTickStep(100);
    Wait(wrapping, 1000);
    EXPECT_EQ(wrapping.yields(), 11);

    test::FakeMessageLoop none;
    Wait(none, 0);
    EXPECT_EQ(none.yields(), 1);
}

} // namespace
} // namespace qly
