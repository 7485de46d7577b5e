#include "platform/win32/win32_controls.h"

#include "common/error.h"
#include "platform/win32/wide_string.h"

#include <algorithm>
#include <commctrl.h>
#include <utility>

namespace qly::win32 {
namespace {

// The list part of the language selector: room for about ten entries when it drops down.
constexpr int kDropDownHeight = 180;
constexpr int kChromeButtonSize = 20;

// The window property that ties a child window to its control object. A property of our own
// (not GWLP_USERDATA, which other windows of the program use for other objects) so that only
// windows made here are ever taken for controls.
constexpr const wchar_t* kControlProperty = L"QlyPatch.ChildControl";

HINSTANCE instanceOf(HWND window) {
    return reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window, GWLP_HINSTANCE));
}

// Throws when the button cannot take the keyboard focus, as the toolkit refuses it for a
// hidden or disabled control or a minimized window.
void focusOrThrow(HWND button) {
    HWND top = GetAncestor(button, GA_ROOT);
    if (!IsWindowVisible(button) || !IsWindowEnabled(button) || IsIconic(top)) {
        throw Error("the button cannot take the focus now");
    }
    SetFocus(button);
}

} // namespace

ChildControl* ChildControl::from(HWND child) {
    if (child == nullptr) {
        return nullptr;
    }
    return static_cast<ChildControl*>(GetPropW(child, kControlProperty));
}

void callHandler(const std::function<void()>& handler) noexcept {
    if (!handler) {
        return;
    }
    try {
        handler();
    } catch (...) {
        // The handlers keep their own errors; anything else must still not cross the system.
    }
}

UniqueFont makeControlFont(int32_t charset) {
    return UniqueFont(CreateFontW(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                  static_cast<DWORD>(charset), OUT_DEFAULT_PRECIS,
                                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                                  L"Tahoma"));
}

template <typename Interface>
Win32Control<Interface>::Win32Control(HWND parent, int id, const wchar_t* windowClass, DWORD style,
                                      const Rect& r) {
    window_ = CreateWindowExW(0, windowClass, L"", WS_CHILD | WS_VISIBLE | style, r.left, r.top,
                              std::max(r.width, 0), std::max(r.height, 0), parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instanceOf(parent),
                              nullptr);
    if (window_ == nullptr) {
        throw Error("cannot create a control of the window");
    }
    SetPropW(window_, kControlProperty, static_cast<ChildControl*>(this));
}

template <typename Interface> Win32Control<Interface>::~Win32Control() {
    if (window_ != nullptr && IsWindow(window_)) {
        RemovePropW(window_, kControlProperty);
        DestroyWindow(window_);
    }
}

template <typename Interface> void Win32Control<Interface>::setBounds(const Rect& r) {
    MoveWindow(window_, r.left, r.top, std::max(r.width, 0), std::max(r.height, 0), TRUE);
}

template <typename Interface> Rect Win32Control<Interface>::bounds() const {
    RECT rc{};
    GetWindowRect(window_, &rc);
    MapWindowPoints(HWND_DESKTOP, GetParent(window_), reinterpret_cast<POINT*>(&rc), 2);
    return Rect{rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top};
}

template <typename Interface> void Win32Control<Interface>::setEnabled(bool on) {
    if (!on && GetFocus() == window_) {
        refocusOnEnable_ = true;
    }
    EnableWindow(window_, on ? TRUE : FALSE);
    if (on && std::exchange(refocusOnEnable_, false)) {
        HWND focus = GetFocus();
        if (focus == nullptr || focus == GetParent(window_)) {
            SetFocus(window_);
        }
    }
}

template <typename Interface>
void Win32Control<Interface>::setWindowName(const std::string& text, int32_t charset) {
    const std::wstring wide = fromCodePage(text, codePageOfCharset(charset));
    SetWindowTextW(window_, wide.c_str());
}

void setTabOrder(std::initializer_list<HWND> controls) {
    HWND previous = HWND_TOP;
    for (HWND control : controls) {
        SetWindowPos(control, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = control;
    }
}

template <typename Interface> bool Win32Control<Interface>::enabled() const {
    return IsWindowEnabled(window_) != FALSE;
}

template class Win32Control<Button>;
template class Win32Control<ComboBox>;
template class Win32Control<ImageArea>;

// --- push button ---

Win32PushButton::Win32PushButton(HWND parent, int id, const Rect& r)
    : Win32Control(parent, id, WC_BUTTONW, WS_TABSTOP | BS_PUSHBUTTON, r) {
    setFontCharset(DEFAULT_CHARSET);
}

void Win32PushButton::setCaption(const std::string& text) {
    caption_ = text;
    showCaption();
}

void Win32PushButton::setFontCharset(int32_t charset) {
    UniqueFont font = makeControlFont(charset);
    if (!font) {
        return;
    }
    charset_ = charset;
    SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    // Only now that the button no longer uses the old font may it go.
    font_ = std::move(font);
    showCaption();
}

void Win32PushButton::showCaption() {
    const std::wstring text = fromCodePage(caption_, codePageOfCharset(charset_));
    SetWindowTextW(window_, text.c_str());
}

void Win32PushButton::setFocus() {
    focusOrThrow(window_);
}

void Win32PushButton::onCommand(WORD notification) {
    if (notification == BN_CLICKED) {
        callHandler(onClick_);
    }
}

// --- bitmap button ---

Win32BitmapButton::Win32BitmapButton(HWND parent, int id, HINSTANCE instance, int bitmapResource)
    : Win32Control(parent, id, WC_BUTTONW, WS_TABSTOP | BS_PUSHBUTTON | BS_BITMAP,
                   Rect{0, 0, kChromeButtonSize, kChromeButtonSize}),
      picture_(static_cast<HBITMAP>(LoadImageW(instance, MAKEINTRESOURCEW(bitmapResource),
                                               IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR))) {
    SendMessageW(window_, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture_.get()));
}

void Win32BitmapButton::setFocus() {
    focusOrThrow(window_);
}

void Win32BitmapButton::onCommand(WORD notification) {
    if (notification == BN_CLICKED) {
        callHandler(onClick_);
    }
}

// --- combo box ---

Win32ComboBox::Win32ComboBox(HWND parent, int id, const Rect& r)
    : Win32Control(parent, id, WC_COMBOBOXW, WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
                   Rect{r.left, r.top, r.width, std::max(r.height, kDropDownHeight)}),
      font_(makeControlFont(DEFAULT_CHARSET)) {
    SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
}

void Win32ComboBox::addItem(const std::string& text, int32_t charset) {
    // Each entry goes in as Unicode, so entries of different code pages show side by side.
    const std::wstring wide = fromCodePage(text, codePageOfCharset(charset));
    SendMessageW(window_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    items_.push_back(text);
}

int32_t Win32ComboBox::itemCount() const {
    return static_cast<int32_t>(items_.size());
}

std::string Win32ComboBox::item(int32_t index) const {
    if (index < 0 || index >= itemCount()) {
        return {};
    }
    return items_[static_cast<std::size_t>(index)];
}

int32_t Win32ComboBox::selectedIndex() const {
    LRESULT i = SendMessageW(window_, CB_GETCURSEL, 0, 0);
    return i == CB_ERR ? -1 : static_cast<int32_t>(i);
}

void Win32ComboBox::setSelectedIndex(int32_t index) {
    SendMessageW(window_, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void Win32ComboBox::setBounds(const Rect& r) {
    Win32Control::setBounds(Rect{r.left, r.top, r.width, std::max(r.height, kDropDownHeight)});
}

void Win32ComboBox::onCommand(WORD notification) {
    if (notification == CBN_SELCHANGE) {
        callHandler(onSelect_);
    }
}

// --- image area ---

Win32ImageArea::Win32ImageArea(HWND parent, int id, const Rect& r)
    : Win32Control(parent, id, WC_BUTTONW, BS_OWNERDRAW, r) {}

void Win32ImageArea::setLinkPointer(bool on) {
    linkPointer_ = on;
    const LONG_PTR style = GetWindowLongPtrW(window_, GWL_STYLE);
    SetWindowLongPtrW(window_, GWL_STYLE, on ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP));
}

HCURSOR Win32ImageArea::cursor() const {
    return linkPointer_ ? LoadCursorW(nullptr, IDC_HAND) : nullptr;
}

void Win32ImageArea::onCommand(WORD notification) {
    if (notification == BN_CLICKED) {
        callHandler(onClick_);
    }
}

} // namespace qly::win32
