// Prints how long the text area takes to scroll in a 20-line text under the real message loop,
// against the pauses it asks for: once with the loop's precise wait, once with a plain Sleep
// (the system tick's resolution) for comparison. A figure, not a test: run by run.sh.
#include "platform/win32/win32_main_window.h"
#include "platform/win32/win32_message_loop.h"
#include "platform/win32/win32_text_scroll_host.h"

#include <cstdio>
#include <windows.h>

namespace qly::win32 {
namespace {

double nowMs() {
    LARGE_INTEGER frequency{};
    LARGE_INTEGER counter{};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The real loop, counting the pauses asked for and timing them; plainSleep replaces its wait
// by Sleep.
class TimedLoop : public MessageLoop {
public:
    TimedLoop(Win32MessageLoop& real, bool plainSleep) : real_(real), plainSleep_(plainSleep) {}
    void yield() override { real_.yield(); }
    uint32_t tickCount() override { return real_.tickCount(); }
    void sleep(int ms) override {
        const double start = nowMs();
        if (plainSleep_) {
            Sleep(static_cast<DWORD>(ms));
        } else {
            real_.sleep(ms);
        }
        sleptMs += nowMs() - start;
        askedMs += ms;
        ++pauses;
    }
    void messageBox(const std::string& text) override { real_.messageBox(text); }

    int pauses = 0;
    int64_t askedMs = 0;
    double sleptMs = 0;

private:
    Win32MessageLoop& real_;
    bool plainSleep_;
};

void measure(HWND parent, Win32MessageLoop& real, bool plainSleep) {
    TimedLoop loop(real, plainSleep);
    Win32TextScrollHost text(parent, 200, loop);
    text.Move(Rect{0, 0, 268, 176}); // the demo's text area
    const double start = nowMs();
    for (int line = 1; line <= 20; ++line) {
        text.Tekst("Line " + std::to_string(line) + " of the text.");
    }
    const double took = nowMs() - start;
    std::printf("scroll pace (%s): 20 lines, %d pauses asking %lld ms in all; the pauses took "
                "%.0f ms (%.2f ms each), the whole scroll %.0f ms, %.2f times the pauses asked\n",
                plainSleep ? "plain Sleep" : "precise wait", loop.pauses,
                static_cast<long long>(loop.askedMs), loop.sleptMs,
                loop.pauses > 0 ? loop.sleptMs / loop.pauses : 0.0, took,
                loop.askedMs > 0 ? took / static_cast<double>(loop.askedMs) : 0.0);
}

} // namespace
} // namespace qly::win32

int main() {
    using namespace qly::win32;
    Win32MessageLoop loop;
    Win32MainWindow window(GetModuleHandleW(nullptr), 0);
    loop.setMainWindow(window.handle());
    measure(window.handle(), loop, false);
    measure(window.handle(), loop, true);
    return 0;
}
