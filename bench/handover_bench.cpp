// The program's start and the hand-over from a reader thread to the window
// thread. Prints:
//   - the time from the start of the process to the desktop application, to
//     the start screen painted into the main window (the main window's
//     creation ends with its first paint) and to the window shown on screen;
//   - the round trip of one hand-over (a reader's send until the handler on
//     the window thread has returned and the sender runs again), p50, p99
//     and max, once with the window thread idle in its loop and once while it
//     repaints a window full of drawing as fast as it can.
//
//   handover_bench [sends]      (default 20000 per run)
//
// It runs the real program's start in a folder of its own (HOME and the XDG
// folders point there), so no settings of the user's are read or written.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/dc.h"
#include "platform/window.h"
#include "shell/main_window.h"
#include "survey_files/survey_model.h"

namespace {

using Clock = std::chrono::steady_clock;

const Clock::time_point g_processStart = Clock::now();

constexpr uint32_t kMsgEcho = plat::kMsgUser + 50;
constexpr uintptr_t kPaintTimer = 7;

int g_sends = 20000;
std::vector<double> g_roundTripsUs;  // written by the reader, read after it ended
int g_paints = 0;                    // window thread
double g_paintMs = 0.0;

double MsSince(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

// The echo: what a line handler costs at least.
plat::LResult EchoProc(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l) {
    if (message == kMsgEcho) return static_cast<plat::LResult>(w + 1);
    return plat::DefaultWindowProc(hwnd, message, w, l);
}

// A window that repaints itself from a 1 ms timer: grid lines, filled boxes
// and text over its whole area, like the logging screen's windows at work.
plat::LResult PainterProc(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l) {
    if (message == plat::kMsgTimer) {
        plat::InvalidateRect(hwnd, nullptr, true);
        plat::UpdateWindow(hwnd);
        return 0;
    }
    if (message != plat::kMsgPaint) return plat::DefaultWindowProc(hwnd, message, w, l);
    const Clock::time_point start = Clock::now();
    plat::PaintInfo paint;
    const plat::Hdc dc = plat::BeginPaint(hwnd, &paint);
    plat::Rect client;
    plat::GetClientRect(hwnd, &client);
    const plat::Hpen pen = plat::CreatePen(plat::kPenSolid, 1, 0xC0C0C0);
    const plat::Hbrush brush = plat::CreateSolidBrush(0x00A0FF ^ static_cast<uint32_t>(g_paints * 0x010101));
    plat::SelectObject(dc, pen);
    plat::SelectObject(dc, brush);
    for (int32_t y = 0; y < client.Bottom; y += 6) {
        plat::MoveTo(dc, 0, y);
        plat::LineTo(dc, client.Right, y + (g_paints % 7));
    }
    for (int i = 0; i < 40; ++i) {
        const int32_t x = (i * 97 + g_paints * 13) % (client.Right > 60 ? client.Right - 60 : 1);
        plat::Rectangle(dc, x, (i * 31) % (client.Bottom > 40 ? client.Bottom - 40 : 1), x + 60, i * 31 % 600 + 40);
    }
    plat::SetBackgroundMode(dc, plat::kTransparent);
    for (int i = 0; i < 20; ++i) plat::TextOut(dc, 10 + i * 30, 20 * i, u"$PBAR,  75,  62  1234.56");
    plat::EndPaint(hwnd, &paint);
    plat::DeleteObject(pen);
    plat::DeleteObject(brush);
    ++g_paints;
    g_paintMs += MsSince(start);
    return 0;
}

struct ReaderJob {
    plat::Hwnd Target;
};

uint32_t ReaderThread(void* argument) {
    const auto* job = static_cast<const ReaderJob*>(argument);
    g_roundTripsUs.clear();
    g_roundTripsUs.reserve(static_cast<size_t>(g_sends));
    uint32_t wrong = 0;
    for (int i = 0; i < g_sends + 500; ++i) {
        const Clock::time_point t = Clock::now();
        const plat::LResult r = plat::SendMessage(job->Target, kMsgEcho, static_cast<plat::WParam>(i), 0);
        const double us = std::chrono::duration<double, std::micro>(Clock::now() - t).count();
        if (r != i + 1) ++wrong;
        if (i >= 500) g_roundTripsUs.push_back(us);  // the first ones warm up
        std::this_thread::sleep_for(std::chrono::microseconds(100));  // lines arrive spaced, not back to back
    }
    plat::PostQuitMessage(0);
    return wrong;
}

void Report(const char* what) {
    std::vector<double> v = g_roundTripsUs;
    std::sort(v.begin(), v.end());
    if (v.empty()) return;
    auto at = [&](double q) { return v[std::min(v.size() - 1, static_cast<size_t>(q * static_cast<double>(v.size())))]; };
    std::printf("  %-22s p50 %7.1f us   p99 %7.1f us   max %8.1f us   (%zu sends)\n", what, at(0.50), at(0.99),
                v.back(), v.size());
}

bool RunReader(plat::Hwnd target) {
    ReaderJob job{target};
    const plat::ThreadHandle t = plat::StartThread(ReaderThread, &job);
    if (t == 0) return false;
    plat::RunMessageLoop();
    uint32_t wrong = 0;
    plat::JoinThread(t, &wrong);
    if (wrong != 0) std::printf("  %u hand-overs gave a wrong result\n", wrong);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) g_sends = std::max(100, std::atoi(argv[1]));

    // A home of its own: the program makes its folders and settings file there.
    const std::filesystem::path home = std::filesystem::temp_directory_path() / "ostrima-handover-bench";
    std::filesystem::remove_all(home);
    std::filesystem::create_directories(home);
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    setenv("XDG_CACHE_HOME", (home / "cache").c_str(), 1);
    std::filesystem::current_path(home);

    plat::StartApplication();
    const double appMs = MsSince(g_processStart);
    const int started = StartOstrima();
    if (started != 0) {
        std::fprintf(stderr, "the program did not start: exit code %d\n", started);
        return 1;
    }
    const double paintedMs = MsSince(g_processStart);
    plat::ProcessPendingEvents();
    const double shownMs = MsSince(g_processStart);
    std::printf("start (from process start)\n");
    std::printf("  desktop application    %7.1f ms\n", appMs);
    std::printf("  start screen painted   %7.1f ms\n", paintedMs);
    std::printf("  main window on screen  %7.1f ms\n", shownMs);

    plat::WindowClass echo;
    echo.Name = u"HandoverBenchEcho";
    echo.Proc = EchoProc;
    plat::RegisterWindowClass(echo);
    plat::WindowClass painter;
    painter.Name = u"HandoverBenchPainter";
    painter.Proc = PainterProc;
    painter.Background = plat::GetStockObject(plat::kWhiteBrush);
    plat::RegisterWindowClass(painter);
    const plat::Hwnd main = ScreenWindows.MainWindow;
    const plat::Hwnd target = plat::CreateWindow(u"HandoverBenchEcho", u"", plat::kStyleChild, 0, 0, 1, 1, main, 900);

    std::printf("hand-over round trip (reader thread -> window thread -> reader)\n");
    RunReader(target);
    Report("window thread idle");

    plat::Rect client;
    plat::GetClientRect(main, &client);
    const plat::Hwnd canvas = plat::CreateWindow(u"HandoverBenchPainter", u"", plat::kStyleChild | plat::kStyleVisible,
                                                 0, 0, client.Right - 210, client.Bottom, main, 901);
    plat::SetTimer(canvas, kPaintTimer, 1);
    RunReader(target);
    plat::KillTimer(canvas, kPaintTimer);
    Report("window thread painting");
    if (g_paints > 0) {
        std::printf("  (%d paints of %d x %d pixels, %.2f ms each)\n", g_paints, client.Right - 210, client.Bottom,
                    g_paintMs / g_paints);
    }

    plat::PostMessage(main, plat::kMsgClose, 0, 0);
    const int code = RunUntilQuit();
    std::filesystem::remove_all(home);
    return code;
}
