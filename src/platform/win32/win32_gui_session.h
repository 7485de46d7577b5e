// What a Win32 GUI program sets up once before its first window and takes down after its last:
// the common controls classes and COM on this thread (the folder browser needs it).
#pragma once

namespace qly::win32 {

class GuiSession {
public:
    GuiSession();
    ~GuiSession();
    GuiSession(const GuiSession&) = delete;
    GuiSession& operator=(const GuiSession&) = delete;

private:
    bool comInitialized_ = false;
};

} // namespace qly::win32
