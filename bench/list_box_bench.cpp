// The cost of listing one more line in a list box as the GPS monitor lists
// it (add the line, make it the top visible line, let the window thread paint),
// when the list already holds about 1,000 and about 50,000 lines. A list that
// keeps up with a fast receiver for hours costs the same at both.
//
//   list_box_bench [lines per figure]      (default 1000)
//
// Prints the CPU time and the wall time per line; the CPU time is the
// process's (the window thread does all the work here). Runs on whatever Qt
// platform is set (QT_QPA_PLATFORM=offscreen when none is).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/controls.h"
#include "platform/window.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int32_t kWidth = 1004;   // the monitor's list on a 1024 x 768 screen
constexpr int32_t kHeight = 600;

// One receiver line of about 75 bytes, numbered so that no two are alike.
void MakeLine(int n, char16_t* out, size_t capacity) {
    char narrow[96];
    std::snprintf(narrow, sizeof narrow, "$GPGGA,%06d.00,4807.0381,N,01131.0002,E,1,08,0.9,545.4,M,46.9,M,,*%02X",
                  n % 1000000, n & 0xFF);
    size_t i = 0;
    for (; i + 1 < capacity && narrow[i] != 0; ++i) out[i] = static_cast<char16_t>(narrow[i]);
    out[i] = 0;
}

// Lists `count` lines the way the monitor does; returns CPU and wall
// microseconds per line.
void ListLines(plat::Hwnd list, int& next, int count, bool paint, double* cpuUs, double* wallUs) {
    char16_t line[96];
    const std::clock_t cpu0 = std::clock();
    const Clock::time_point wall0 = Clock::now();
    for (int i = 0; i < count; ++i) {
        MakeLine(next++, line, 96);
        const int32_t index = plat::ListAddString(list, line);
        if (index >= 0) plat::ListSetTopIndex(list, index);
        if (paint) plat::ProcessPendingEvents();
    }
    if (cpuUs != nullptr) *cpuUs = 1e6 * static_cast<double>(std::clock() - cpu0) / CLOCKS_PER_SEC / count;
    if (wallUs != nullptr) *wallUs = std::chrono::duration<double, std::micro>(Clock::now() - wall0).count() / count;
}

}  // namespace

int main(int argc, char** argv) {
    const int perFigure = argc > 1 ? std::max(100, std::atoi(argv[1])) : 1000;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (!plat::StartApplication()) return 1;

    plat::WindowClass frame;
    frame.Name = u"ListBoxBenchWnd";
    frame.Proc = plat::DefaultWindowProc;
    plat::RegisterWindowClass(frame);
    const plat::Hwnd top =
        plat::CreateWindow(u"ListBoxBenchWnd", u"", plat::kStylePopup | plat::kStyleVisible, 0, 0, kWidth + 20, kHeight + 20, 0, 0);
    const plat::Hwnd list = plat::CreateWindow(
        u"LISTBOX", u"", plat::kStyleChild | plat::kStyleVisible | plat::kStyleVScroll | plat::kStyleBorder | plat::kListExtendedSelection,
        10, 10, kWidth, kHeight, top, 760);
    if (top == 0 || list == 0) return 1;
    plat::ProcessPendingEvents();

    std::printf("one more line in a %d x %d list box, %d lines per figure\n", kWidth, kHeight, perFigure);
    std::printf("  %-10s %-26s %-26s\n", "from line", "add, top, paint", "add, top (no paint)");
    int next = 0;
    for (const int at : {1000, 50000}) {
        ListLines(list, next, at - plat::ListCount(list), false, nullptr, nullptr);  // fill
        plat::ProcessPendingEvents();
        double cpuPaint = 0, wallPaint = 0, cpuAdd = 0, wallAdd = 0;
        ListLines(list, next, perFigure / 2, true, &cpuPaint, &wallPaint);
        ListLines(list, next, perFigure / 2, false, &cpuAdd, &wallAdd);
        plat::ProcessPendingEvents();
        std::printf("  %-10d cpu %7.1f us wall %7.1f us   cpu %7.1f us wall %7.1f us\n", at, cpuPaint,
                    wallPaint, cpuAdd, wallAdd);
    }
    plat::DestroyWindow(top);
    return 0;
}
