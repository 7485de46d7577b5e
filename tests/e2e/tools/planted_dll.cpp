// A DLL an attacker would plant beside the installer under the name of a system DLL. It
// exports nothing; when any process loads it, it leaves a marker file beside itself named after
// the name it was loaded under ("version.dll" -> "version.dll.loaded"), holding the program
// that loaded it. The end-to-end tests copy it under every name the installer loads and check
// that no marker appears.
#include <windows.h>

namespace {

void leaveMarker(HINSTANCE self) {
    wchar_t path[MAX_PATH + 16];
    const DWORD n = GetModuleFileNameW(self, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        return;
    }
    lstrcatW(path, L".loaded");
    HANDLE marker = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (marker == INVALID_HANDLE_VALUE) {
        return;
    }
    char loader[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, loader, MAX_PATH);
    DWORD written = 0;
    WriteFile(marker, loader, length, &written, nullptr);
    CloseHandle(marker);
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        leaveMarker(self);
    }
    return TRUE;
}
