// Fake window, controls and text area: they remember what the program did to them, so that
// tests check what the user would see.
#pragma once

#include "common/error.h"
#include "platform/controls.h"
#include "platform/message_loop.h"
#include "textscroll/text_area.h"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qly::test {

// Bounds and enabled state, as every control keeps them.
template <typename Base> class FakeControl : public Base {
public:
    void setBounds(const Rect& r) override { bounds_ = r; }
    Rect bounds() const override { return bounds_; }
    void setEnabled(bool on) override { enabled_ = on; }
    bool enabled() const override { return enabled_; }
    void setAccessibleName(const std::string& text, int32_t charset) override {
        accessibleName_ = text + " @" + std::to_string(charset);
    }

    Rect bounds_;
    bool enabled_ = true;
    std::string accessibleName_; // "<name> @<charset>", empty until named
};

class FakeButton : public FakeControl<Button> {
public:
    void setCaption(const std::string& text) override { caption_ = text; }
    std::string caption() const override { return caption_; }
    void setFontCharset(int32_t charset) override { charset_ = charset; }
    // Refuses while refuseFocus_ is set, as the button of a minimized window does.
    void setFocus() override {
        if (refuseFocus_) {
            throw Error("the button cannot take the focus");
        }
        ++focusCount_;
    }

    std::string caption_;
    int32_t charset_ = 0;
    int focusCount_ = 0;
    bool refuseFocus_ = false;
};

class FakeComboBox : public FakeControl<ComboBox> {
public:
    void addItem(const std::string& text, int32_t charset) override {
        items_.emplace_back(text, charset);
    }
    int32_t itemCount() const override { return static_cast<int32_t>(items_.size()); }
    std::string item(int32_t index) const override { return items_.at(index).first; }
    int32_t selectedIndex() const override { return selected_; }
    void setSelectedIndex(int32_t index) override { selected_ = index; }

    std::vector<std::pair<std::string, int32_t>> items_; // text and charset
    int32_t selected_ = -1;
};

class FakeImageArea : public FakeControl<ImageArea> {
public:
    void setLinkPointer(bool on) override { linkPointer_ = on; }

    std::optional<bool> linkPointer_; // empty until the program decides
};

class FakeMainWindow : public MainWindow {
public:
    void setCaption(const std::string& text) override { captions_.push_back(text); }
    std::string caption() const override { return captions_.empty() ? "" : captions_.back(); }
    // Takes the size skinWidth_ by 304; throws Error when skinLoads_ is false.
    void loadSkin(const std::string& path) override {
        if (!skinLoads_) {
            throw Error("cannot load the skin " + path);
        }
        width_ = skinWidth_;
        height_ = 304;
    }
    void releaseSkin() override { events_.push_back("releaseSkin"); }
    int32_t width() const override { return width_; }
    int32_t height() const override { return height_; }
    void setRoundRegion(int32_t, int32_t) override {}
    void show() override { events_.push_back("show"); }
    void minimize() override {}
    void beginDrag() override {}
    void destroy() override { events_.push_back("destroy"); }
    // What the system shows of the work, recorded as events: "taskbar <n>", "taskbar error",
    // "taskbar clear", "block <reason> @<charset>", "allow". sessionBlocked_ follows them.
    void setTaskbarProgress(int16_t percent) override {
        events_.push_back("taskbar " + std::to_string(percent));
    }
    void setTaskbarError() override { events_.push_back("taskbar error"); }
    void clearTaskbarProgress() override { events_.push_back("taskbar clear"); }
    void blockSessionEnd(const std::string& reason, int32_t charset) override {
        events_.push_back("block " + reason + " @" + std::to_string(charset));
        sessionBlocked_ = true;
    }
    void allowSessionEnd() override {
        events_.push_back("allow");
        sessionBlocked_ = false;
    }
    // The events whose text starts with prefix, in order.
    std::vector<std::string> eventsStartingWith(const std::string& prefix) const {
        std::vector<std::string> found;
        for (const std::string& e : events_) {
            if (e.starts_with(prefix)) {
                found.push_back(e);
            }
        }
        return found;
    }
    bool sessionBlocked_ = false;
    int count(const std::string& event) const { return std::ranges::count(events_, event); }

    bool skinLoads_ = true;
    int32_t skinWidth_ = 451;

    std::vector<std::string> captions_; // every caption set, in order
    int32_t width_ = 0;
    int32_t height_ = 0;
    std::vector<std::string> events_; // "show", "releaseSkin", "destroy", and the test's own
};

// Records every call ("Tekst:<text>", "Cls", "Bar:<n>", "Charset:<n>") and yields once to
// the message loop per Tekst and Cls, so that scripted actions run "during" a line.
class FakeTextArea : public TextArea {
public:
    explicit FakeTextArea(MessageLoop& loop) : loop_(loop) {}

    void Tekst(std::string sss) override {
        calls_.push_back("Tekst:" + sss);
        shown_.push_back(sss);
        loop_.yield();
    }
    void Cls() override {
        calls_.push_back("Cls");
        shown_.clear();
        loop_.yield();
    }
    void Bar(int16_t proc) override {
        calls_.push_back("Bar:" + std::to_string(proc));
        bars_.push_back(proc);
    }
    void SetFontCharset(int32_t charset) override {
        calls_.push_back("Charset:" + std::to_string(charset));
        charset_ = charset;
    }
    void Move(const Rect&) override {}

    std::vector<std::string> calls_;
    std::vector<std::string> shown_; // the lines since the last Cls: what the area shows now
    std::vector<int> bars_;          // the percentages drawn, in order
    int32_t charset_ = 0;

private:
    MessageLoop& loop_;
};

} // namespace qly::test
