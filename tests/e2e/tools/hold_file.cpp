// hold_file.exe PATH: plays another program that has a game file open. Opens PATH for reading
// and writing with no sharing at all, prints "holding PATH", and keeps it open until its
// standard input closes or it is killed. Exit code 1 when PATH cannot be opened.
#include <windows.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fputs("usage: hold_file.exe PATH\n", stderr);
        return 2;
    }
    HANDLE file = CreateFileW(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "hold_file: cannot open the file (error %lu)\n", GetLastError());
        return 1;
    }
    std::printf("holding %ls\n", argv[1]);
    std::fflush(stdout);
    char buffer[256];
    DWORD n = 0;
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    while (ReadFile(in, buffer, sizeof buffer, &n, nullptr) && n > 0) {
    }
    CloseHandle(file);
    return 0;
}
