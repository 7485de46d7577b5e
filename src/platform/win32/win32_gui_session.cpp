#include "platform/win32/win32_gui_session.h"

#include <windows.h>
// After windows.h, whose types they use.
#include <commctrl.h>
#include <objbase.h>

namespace qly::win32 {

GuiSession::GuiSession() {
    INITCOMMONCONTROLSEX classes{};
    classes.dwSize = sizeof(classes);
    classes.dwICC = ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES;
    InitCommonControlsEx(&classes);
    // Single-threaded apartment: the shell's dialogs require it. S_FALSE (already initialized
    // on this thread) must be balanced too.
    comInitialized_ = SUCCEEDED(CoInitialize(nullptr));
}

GuiSession::~GuiSession() {
    if (comInitialized_) {
        CoUninitialize();
    }
}

} // namespace qly::win32
