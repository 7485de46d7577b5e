// Real Win32 child controls of the main window: push buttons (with a caption or a bitmap),
// the drop-down language list and the transparent link areas. The main window routes their
// notifications (WM_COMMAND) and pointer questions (WM_SETCURSOR) to them.
#pragma once

#include "platform/controls.h"
#include "platform/win32/win32_handles.h"

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>
#include <windows.h>

namespace qly::win32 {

// What the main window asks of a child control it found under a message.
class ChildControl {
public:
    virtual ~ChildControl() = default;
    // A WM_COMMAND notification code from this control. Never throws.
    virtual void onCommand(WORD notification) = 0;
    // The pointer to show over the control; null for the class's own.
    virtual HCURSOR cursor() const { return nullptr; }
    // The control object behind a child window, or null for windows that are not ours.
    static ChildControl* from(HWND child);
};

// A child window owned by one control object: created in the constructor, destroyed (and
// detached from the object) in the destructor.
template <typename Interface> class Win32Control : public Interface, public ChildControl {
public:
    ~Win32Control() override;
    Win32Control(const Win32Control&) = delete;
    Win32Control& operator=(const Win32Control&) = delete;

    // Negative sizes are taken as 0.
    void setBounds(const Rect& r) override;
    // Position in the parent's client area and outer size, in pixels.
    Rect bounds() const override;
    // A control disabled while it had the keyboard focus takes it back when enabled again,
    // unless another control took it meanwhile: disabling drops the focus, and a keyboard
    // user would be left with none.
    void setEnabled(bool on) override;
    bool enabled() const override;

    HWND handle() const { return window_; }

protected:
    Win32Control(HWND parent, int id, const wchar_t* windowClass, DWORD style, const Rect& r);
    // The window text that screen readers read as the control's name.
    void setWindowName(const std::string& text, int32_t charset);

    HWND window_ = nullptr;
    bool refocusOnEnable_ = false;
};

// Puts the controls in this order for Tab (and Shift+Tab backwards) and reading.
void setTabOrder(std::initializer_list<HWND> controls);

// Calls a control's event handler, keeping any exception inside (a Win32 callback must not
// unwind through the system's frames).
void callHandler(const std::function<void()>& handler) noexcept;

// A push button with a caption whose bytes are shown in its font's charset (Command1).
class Win32PushButton : public Win32Control<Button> {
public:
    Win32PushButton(HWND parent, int id, const Rect& r);

    void setCaption(const std::string& text) override;
    std::string caption() const override { return caption_; }
    // Makes a new font of the same face and size in charset and shows the caption through
    // that charset's code page.
    void setFontCharset(int32_t charset) override;
    void setFocus() override;

    void setOnClick(std::function<void()> handler) { onClick_ = std::move(handler); }
    void onCommand(WORD notification) override;

private:
    void showCaption();

    std::string caption_;
    int32_t charset_ = DEFAULT_CHARSET;
    UniqueFont font_;
    std::function<void()> onClick_;
};

// A small push button showing a bitmap from the program's resources (close and minimize).
class Win32BitmapButton : public Win32Control<Button> {
public:
    // Made 20 x 20 pixels at the parent's origin; the layout moves it later.
    Win32BitmapButton(HWND parent, int id, HINSTANCE instance, int bitmapResource);

    // The caption is kept for callers but not shown: the bitmap is the face.
    void setCaption(const std::string& text) override { caption_ = text; }
    std::string caption() const override { return caption_; }
    void setFontCharset(int32_t) override {}
    void setFocus() override;
    // The bitmap is the face; the name is the window text, which the bitmap hides.
    void setAccessibleName(const std::string& text, int32_t charset) override {
        setWindowName(text, charset);
    }

    void setOnClick(std::function<void()> handler) { onClick_ = std::move(handler); }
    void onCommand(WORD notification) override;

private:
    std::string caption_;
    UniqueBitmap picture_;
    std::function<void()> onClick_;
};

// A drop-down list (no edit field) whose entries each carry their own charset.
class Win32ComboBox : public Win32Control<ComboBox> {
public:
    Win32ComboBox(HWND parent, int id, const Rect& r);

    void addItem(const std::string& text, int32_t charset) override;
    int32_t itemCount() const override;
    // The entry's bytes as added; empty for an index out of range.
    std::string item(int32_t index) const override;
    int32_t selectedIndex() const override;
    // -1 clears the selection. Raises no event.
    void setSelectedIndex(int32_t index) override;
    // Keeps the list's drop-down room; the closed height is the system's.
    void setBounds(const Rect& r) override;

    // Runs when the user picks an entry (CBN_SELCHANGE).
    void setOnSelect(std::function<void()> handler) { onSelect_ = std::move(handler); }
    void onCommand(WORD notification) override;

private:
    std::vector<std::string> items_;
    UniqueFont font_;
    std::function<void()> onSelect_;
};

// A transparent click area over the skin: an owner-drawn button, for which the main window
// paints the skin beneath it and, while it has the keyboard focus, a focus rectangle. While it
// holds a link it is a Tab stop and Enter or Space open the link.
class Win32ImageArea : public Win32Control<ImageArea> {
public:
    Win32ImageArea(HWND parent, int id, const Rect& r);

    void setLinkPointer(bool on) override;
    HCURSOR cursor() const override;
    void setAccessibleName(const std::string& text, int32_t charset) override {
        setWindowName(text, charset);
    }

    void setOnClick(std::function<void()> handler) { onClick_ = std::move(handler); }
    void onCommand(WORD notification) override;

private:
    bool linkPointer_ = false;
    std::function<void()> onClick_;
};

// The font the controls use: 8 points at 96 dots per inch, in pixels so that it keeps its
// size against the skin whatever the display's scale.
UniqueFont makeControlFont(int32_t charset);

} // namespace qly::win32
