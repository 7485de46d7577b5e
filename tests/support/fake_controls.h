// Fake window and controls: they remember what the program did to them (bounds, captions,
// enabled state, focus, items, skin, region) so that tests check what the user would see.
#pragma once

#include "platform/controls.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qly::test {

// One ordered record of notable events across several fakes ("releaseSkin", "favorites",
// ...), for tests that check the order of steps.
struct EventLog {
    std::vector<std::string> events;
    void add(std::string event) { events.push_back(std::move(event)); }
    // Position of the first event equal to name, or -1.
    int indexOf(const std::string& name) const;
};

class FakeButton : public Button {
public:
    void setBounds(const Rect& r) override { bounds_ = r; }
    Rect bounds() const override { return bounds_; }
    void setEnabled(bool on) override { enabled_ = on; }
    bool enabled() const override { return enabled_; }
    void setCaption(const std::string& text) override { caption_ = text; }
    std::string caption() const override { return caption_; }
    void setFontCharset(int32_t charset) override { charset_ = charset; }
    // Throws Error while refuseFocus is set, as a minimized window's button does.
    void setFocus() override;

    Rect bounds_;
    bool enabled_ = true;
    std::string caption_;
    int32_t charset_ = 0;
    int focusCount_ = 0;
    bool refuseFocus_ = false;
};

class FakeComboBox : public ComboBox {
public:
    void setBounds(const Rect& r) override { bounds_ = r; }
    Rect bounds() const override { return bounds_; }
    void setEnabled(bool on) override { enabled_ = on; }
    bool enabled() const override { return enabled_; }
    void addItem(const std::string& text, int32_t charset) override;
    int32_t itemCount() const override { return static_cast<int32_t>(items_.size()); }
    std::string item(int32_t index) const override;
    int32_t selectedIndex() const override { return selected_; }
    void setSelectedIndex(int32_t index) override { selected_ = index; }

    Rect bounds_;
    bool enabled_ = true;
    std::vector<std::pair<std::string, int32_t>> items_; // text and charset
    int32_t selected_ = -1;
};

class FakeImageArea : public ImageArea {
public:
    void setBounds(const Rect& r) override { bounds_ = r; }
    Rect bounds() const override { return bounds_; }
    void setEnabled(bool on) override { enabled_ = on; }
    bool enabled() const override { return enabled_; }
    void setLinkPointer(bool on) override { linkPointer_ = on; }

    Rect bounds_;
    bool enabled_ = true;
    std::optional<bool> linkPointer_; // empty until the program decides
};

class FakeMainWindow : public MainWindow {
public:
    explicit FakeMainWindow(EventLog* log = nullptr) : log_(log) {}

    void setCaption(const std::string& text) override;
    std::string caption() const override { return caption_; }
    // Takes the size skinWidth_ by skinHeight_; throws Error when skinLoads_ is false.
    void loadSkin(const std::string& path) override;
    void releaseSkin() override;
    int32_t width() const override { return width_; }
    int32_t height() const override { return height_; }
    void setRoundRegion(int32_t cornerWidth, int32_t cornerHeight) override;
    void show() override;
    void minimize() override { ++minimizeCount_; }
    void beginDrag() override { ++dragCount_; }
    void destroy() override;

    // Set up by the test.
    bool skinLoads_ = true;
    int32_t skinWidth_ = 451;
    int32_t skinHeight_ = 304;

    // Observed.
    std::string caption_;
    std::vector<std::string> captions_; // every caption set, in order
    std::string skinPath_;
    bool skinHeld_ = false;
    int releaseSkinCount_ = 0;
    int32_t width_ = 0;
    int32_t height_ = 0;
    std::optional<std::pair<int32_t, int32_t>> region_;
    bool shown_ = false;
    int minimizeCount_ = 0;
    int dragCount_ = 0;
    int destroyCount_ = 0;

private:
    EventLog* log_;
};

} // namespace qly::test
