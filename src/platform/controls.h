// The window and its child controls as the installer's logic sees them, so that the same
// logic drives real Win32 controls and test fakes. Texts are raw bytes of a single-byte code
// page; the charset says which (GDI charset numbers: 0 ANSI, 204 Cyrillic, 238 East Europe).
#pragma once

#include <cstdint>
#include <string>

namespace qly {

struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
};

class Control {
public:
    virtual ~Control() = default;
    virtual void setBounds(const Rect& r) = 0;
    virtual Rect bounds() const = 0;
    virtual void setEnabled(bool on) = 0;
    virtual bool enabled() const = 0;
    // The name a screen reader reads for a control that shows no text of its own (a picture
    // button, a link area); bytes of the code page of charset. Controls with a visible
    // caption are named by it and may ignore this.
    virtual void setAccessibleName(const std::string& /*text*/, int32_t /*charset*/) {}
};

class Button : public Control {
public:
    virtual void setCaption(const std::string& text) = 0;
    virtual std::string caption() const = 0;
    // Charset of the button's font; decides how the caption's bytes are shown.
    virtual void setFontCharset(int32_t charset) = 0;
    // Gives the button the keyboard focus. Throws Error when it cannot take it (hidden,
    // disabled or minimized window).
    virtual void setFocus() = 0;
};

// A drop-down list. Selecting an entry by program does not raise any event: the caller runs
// the selection handler itself, as a user's choice would.
class ComboBox : public Control {
public:
    // Appends an entry whose bytes belong to charset.
    virtual void addItem(const std::string& text, int32_t charset) = 0;
    virtual int32_t itemCount() const = 0;
    virtual std::string item(int32_t index) const = 0;
    // -1 when nothing is selected.
    virtual int32_t selectedIndex() const = 0;
    virtual void setSelectedIndex(int32_t index) = 0;
};

// A transparent click area over the skin.
class ImageArea : public Control {
public:
    // The hand pointer while the area holds a link, the default arrow otherwise.
    virtual void setLinkPointer(bool on) = 0;
};

// The borderless, skinned main window.
class MainWindow {
public:
    virtual ~MainWindow() = default;
    virtual void setCaption(const std::string& text) = 0;
    virtual std::string caption() const = 0;
    // Loads the skin bitmap at path, sizes the window to it and makes it the window's
    // persistent background. Throws Error when the file is missing or not a bitmap.
    virtual void loadSkin(const std::string& path) = 0;
    // Releases the skin's drawing resources; harmless when none are held.
    virtual void releaseSkin() = 0;
    // The window's outer size in pixels.
    virtual int32_t width() const = 0;
    virtual int32_t height() const = 0;
    // Clips the window to a rectangle of its size with corners rounded by ellipses of the
    // given size.
    virtual void setRoundRegion(int32_t cornerWidth, int32_t cornerHeight) = 0;
    virtual void show() = 0;
    virtual void minimize() = 0;
    // Starts moving the window with the mouse, as a press on a title bar would.
    virtual void beginDrag() = 0;
    // Destroys the window; the program ends when its message loop sees that.
    virtual void destroy() = 0;

    // What the system shows of the work outside the window. A window without a task bar
    // button or a session to end (a test's, an unattended run's) may leave these as they are.
    //
    // The task bar button shows percent (0 to 100) of the work as done.
    virtual void setTaskbarProgress(int16_t /*percent*/) {}
    // The task bar button shows the work as failed, until progress is shown or cleared.
    virtual void setTaskbarError() {}
    // The task bar button shows no progress.
    virtual void clearTaskbarProgress() {}
    // Until allowSessionEnd(), a shutdown or logoff is refused with reason (bytes of the code
    // page of charset) shown by the system as what holds it up.
    virtual void blockSessionEnd(const std::string& /*reason*/, int32_t /*charset*/) {}
    virtual void allowSessionEnd() {}
};

} // namespace qly
