// What stands in for the window when nobody works it: controls that show nothing but keep
// their state, so that Form1 runs unchanged without a window (/VERYSILENT), and a message
// loop whose message boxes go to the log instead of waiting for a click (/SILENT and
// /VERYSILENT).
#pragma once

#include "common/error.h"
#include "platform/controls.h"
#include "platform/file_system.h"
#include "platform/message_loop.h"
#include "textscroll/text_area.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace qly::app {

template <typename Base> class UnattendedControl : public Base {
public:
    void setBounds(const Rect& r) override { bounds_ = r; }
    Rect bounds() const override { return bounds_; }
    void setEnabled(bool on) override { enabled_ = on; }
    bool enabled() const override { return enabled_; }

private:
    Rect bounds_;
    bool enabled_ = true;
};

class UnattendedButton : public UnattendedControl<Button> {
public:
    void setCaption(const std::string& text) override { caption_ = text; }
    std::string caption() const override { return caption_; }
    void setFontCharset(int32_t) override {}
    void setFocus() override {}

private:
    std::string caption_;
};

class UnattendedComboBox : public UnattendedControl<ComboBox> {
public:
    void addItem(const std::string& text, int32_t) override { items_.push_back(text); }
    int32_t itemCount() const override { return static_cast<int32_t>(items_.size()); }
    std::string item(int32_t index) const override { return items_.at(index); }
    int32_t selectedIndex() const override { return selected_; }
    void setSelectedIndex(int32_t index) override { selected_ = index; }

private:
    std::vector<std::string> items_;
    int32_t selected_ = -1;
};

class UnattendedImageArea : public UnattendedControl<ImageArea> {
public:
    void setLinkPointer(bool) override {}
};

// Shows nothing; the log records what it was given (see LoggedTextArea).
class UnattendedTextArea : public TextArea {
public:
    void Cls() override {}
    void Tekst(std::string) override {}
    void Bar(int16_t) override {}
    void SetFontCharset(int32_t) override {}
    void Move(const Rect&) override {}
};

// A window that is never created. The skin must still be there: a bundle without it is
// incomplete, with a window or without.
class UnattendedWindow : public MainWindow {
public:
    explicit UnattendedWindow(FileSystem& files) : files_(files) {}
    void setCaption(const std::string& text) override { caption_ = text; }
    std::string caption() const override { return caption_; }
    void loadSkin(const std::string& path) override {
        if (!files_.fileExists(path)) {
            throw Error("no skin at " + path);
        }
        skinned_ = true;
    }
    void releaseSkin() override { skinned_ = false; }
    int32_t width() const override { return skinned_ ? 1 : 0; }
    int32_t height() const override { return skinned_ ? 1 : 0; }
    void setRoundRegion(int32_t, int32_t) override {}
    void show() override {}
    void minimize() override {}
    void beginDrag() override {}
    void destroy() override {}

private:
    FileSystem& files_;
    std::string caption_;
    bool skinned_ = false;
};

// The inner loop's services, with every message box written to the log instead of shown.
class LoggingMessageLoop : public MessageLoop {
public:
    LoggingMessageLoop(MessageLoop& inner, std::function<void(const std::string&)> log)
        : inner_(inner), log_(std::move(log)) {}
    void yield() override { inner_.yield(); }
    uint32_t tickCount() override { return inner_.tickCount(); }
    void sleep(int ms) override { inner_.sleep(ms); }
    void messageBox(const std::string& text) override { log_("message box: " + text); }

private:
    MessageLoop& inner_;
    std::function<void(const std::string&)> log_;
};

} // namespace qly::app
