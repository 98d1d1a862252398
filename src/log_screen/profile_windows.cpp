#include "log_screen/profile_windows.h"

#include <array>

#include "log_screen/curve_grid.h"
#include "log_screen/numbers_window.h"
#include "log_screen/profile_redraw.h"
#include "log_screen/speed_bar.h"
#include "platform/dc.h"
#include "survey_files/survey_model.h"

namespace {

bool ValidConsole(int console) { return console >= 0 && console < kMaxConsoles; }

size_t SensorsOf(size_t console) {
    const int32_t n = SystemSetup.ConsoleSensorCount[console];
    return n >= 2 ? 2 : (n == 1 ? 1 : 0);
}

// The row every bar starts from.
int32_t BaselineRow() {
    if (ProfileTrace.BarBaseline < 0) return 0;
    if (ProfileTrace.BarBaseline == 0) return ScreenLayout.DecayGridRows[1];
    return ScreenLayout.DecayWindowHeight;
}

// Bar ends far outside the window are brought to just beyond its edges: the
// band drawn inside the window is the same, and no rectangle spans thousands
// of rows that nobody sees.
int32_t NearRow(int32_t y) {
    const int32_t h = ScreenLayout.DecayWindowHeight;
    if (y < -1) return -1;
    if (y > h + 1) return h + 1;
    return y;
}

// Erasing covers the bar's band a pixel wider on each side, in white.
void EraseBar(plat::Hdc dc, size_t sensor, int32_t y1, int32_t y2) {
    const int32_t left = ScreenLayout.BarOffset[sensor];
    plat::SelectObject(dc, GdiObjects.WhitePen);
    plat::SelectObject(dc, GdiObjects.WhiteBrush);
    plat::Rectangle(dc, left - 1, NearRow(y1), left + ScreenLayout.BarWidth + 1, NearRow(y2));
}

void FillBar(plat::Hdc dc, size_t sensor, int32_t y1, int32_t y2) {
    const int32_t left = ScreenLayout.BarOffset[sensor];
    plat::SelectObject(dc, GdiObjects.ProfileBarPens[sensor]);
    plat::SelectObject(dc, GdiObjects.ProfileBrushes[sensor]);
    plat::Rectangle(dc, left, NearRow(y1), left + ScreenLayout.BarWidth, NearRow(y2));
}

// Moves one sensor's bar end from `old` to `now` by painting only the difference.
void MoveBarEnd(plat::Hdc dc, size_t sensor, int32_t old, int32_t now) {
    switch (ProfileTrace.BarBaseline) {
        case -1:  // bars hang from the top
            if (now <= old) {
                EraseBar(dc, sensor, old, now);
            } else {
                FillBar(dc, sensor, old, now);
            }
            return;
        case 1:  // bars stand on the bottom
            if (now >= old) {
                EraseBar(dc, sensor, old, now);
            } else {
                FillBar(dc, sensor, now, old);
            }
            return;
        default: {  // bars grow up or down from the zero row
            const int32_t zero = ScreenLayout.DecayGridRows[1];
            if (now > zero && old >= zero) {
                if (now <= old) {
                    EraseBar(dc, sensor, old, now);
                } else {
                    FillBar(dc, sensor, now, old);
                }
            } else if (now > zero) {  // crosses to below zero
                EraseBar(dc, sensor, old, zero);
                FillBar(dc, sensor, now, zero);
            } else if (old < zero) {
                if (now >= old) {
                    EraseBar(dc, sensor, old, now);
                } else {
                    FillBar(dc, sensor, now, old);
                }
            } else {  // crosses to above zero
                EraseBar(dc, sensor, ScreenLayout.DecayWindowHeight, zero);
                FillBar(dc, sensor, now, zero);
            }
            return;
        }
    }
}

int32_t ClampedBarTop(int32_t y) {
    if (y < 0) return 0;
    if (y > ScreenLayout.DecayWindowHeight) return ScreenLayout.DecayWindowHeight;
    return y;
}

// One sensor's curve step at x: a line from the previous point, or the first
// point; no reading leaves a gap, and the next point starts afresh.
void CurveStep(plat::Hdc dc, size_t console, size_t sensor, int32_t x, int32_t y) {
    if (y == kNoReadingRow) {
        ProfileTrace.HasPreviousPoint[console][sensor] = 0;
        return;
    }
    plat::SelectObject(dc, GdiObjects.ProfilePens[sensor]);
    if (ProfileTrace.HasPreviousPoint[console][sensor] == 1) {
        plat::MoveTo(dc, x - 2, ProfileTrace.PreviousY[console][sensor]);
    } else {
        plat::MoveTo(dc, x, y);
        ProfileTrace.HasPreviousPoint[console][sensor] = 1;
    }
    plat::LineTo(dc, x, y);
    ProfileTrace.PreviousY[console][sensor] = y;
}

// One curve of collected points, in the pieces between its gaps.
void PolylinePieces(plat::Hdc dc, const plat::Point points[], size_t n) {
    size_t start = 0;
    for (size_t k = 0; k <= n; ++k) {
        if (k < n && points[k].Y != kNoReadingRow) continue;
        if (k > start) plat::Polyline(dc, points + start, k - start);
        start = k + 1;
    }
}

// BeginPaint and EndPaint on one window around `draw`; BeginPaint clips the
// drawing to what was invalid, so a valid window stays as it stands.
template <typename Draw>
void PaintWindow(plat::Hwnd window, Draw&& draw) {
    if (window == 0) return;
    plat::PaintInfo info;
    const plat::Hdc dc = plat::BeginPaint(window, &info);
    if (dc == 0) return;
    draw(dc);
    plat::EndPaint(window, &info);
}

}  // namespace

void ScrollConsoleProfile(plat::Hdc dc, int console, const int y[2]) {
    if (!ValidConsole(console) || dc == 0) return;
    const auto c = static_cast<size_t>(console);
    const int32_t x = ScreenLayout.CurveWindowWidth - 10;
    const int32_t height = ScreenLayout.CurveWindowHeight;
    plat::BitBlt(dc, 0, 0, x - 1, height, dc, 2, 0, plat::kSrcCopy);
    // The three white one-pixel lines of the erased strip, from row 0 up to
    // (not including) the height, cover exactly this rectangle: filled in one go.
    plat::FillRect(dc, plat::Rect{x - 1, 0, x + 2, height}, GdiObjects.WhiteBrush);
    // The rows cover the whole erased strip, its last column included, so
    // that the grid keeps no hole where the strip was erased.
    DrawGridRows(dc, ScreenLayout.CurveGridRows, x - 1, x + 2);
    CurveStep(dc, c, 0, x, y[0]);
    if (SystemSetup.ConsoleType[c] == 1) CurveStep(dc, c, 1, x, y[1]);
}

void UpdateConsoleBars(plat::Hdc dc, int console, const int tops[2]) {
    if (!ValidConsole(console) || dc == 0) return;
    const auto c = static_cast<size_t>(console);
    const size_t sensors = SensorsOf(c);
    DrawDecayGrid(dc);
    if (ConsoleLines.ReadingValid[c] == 0) {
        ConsoleLines.ReadingValid[c] = 1;
        plat::SelectObject(dc, GdiObjects.WhitePen);
        plat::SelectObject(dc, GdiObjects.WhiteBrush);
        plat::Rectangle(dc, 1, 1, ScreenLayout.DecayWindowWidth - 1, ScreenLayout.DecayWindowHeight);
        const int32_t base = BaselineRow();
        ProfileTrace.BarLastTop[c] = {base, base};
    }
    for (size_t s = 0; s < sensors; ++s) {
        const int32_t now = tops[s];
        if (now == kNoReadingRow) {
            // No reading: the bar goes, and the next one grows from the baseline.
            const int32_t base = BaselineRow();
            EraseBar(dc, s, ProfileTrace.BarLastTop[c][s], base);
            ProfileTrace.BarLastTop[c][s] = base;
            ProfileTrace.BarTop[c][s] = -1;
            continue;
        }
        MoveBarEnd(dc, s, ProfileTrace.BarLastTop[c][s], now);
        ProfileTrace.BarLastTop[c][s] = now;
        ProfileTrace.BarTop[c][s] = ClampedBarTop(now);
    }
    DrawDecayGrid(dc);
}

void PaintConsoleBars(plat::Hdc dc, int console) {
    if (!ValidConsole(console) || dc == 0) return;
    const auto c = static_cast<size_t>(console);
    const int32_t base = BaselineRow();
    for (size_t s = 0; s < SensorsOf(c); ++s) {
        const int32_t top = ProfileTrace.BarTop[c][s];
        if (top < 0) continue;
        FillBar(dc, s, top, base);
    }
}

void DrawConsoleCurves(plat::Hwnd window, int console, const plat::Point a[], const plat::Point b[], size_t n) {
    if (!ValidConsole(console) || window == 0 || n == 0) return;
    const plat::Hdc dc = plat::GetDC(window);
    if (dc == 0) return;
    plat::SelectObject(dc, GdiObjects.ProfilePens[0]);
    PolylinePieces(dc, a, n);
    if (SystemSetup.ConsoleType[static_cast<size_t>(console)] == 1) {
        plat::SelectObject(dc, GdiObjects.ProfilePens[1]);
        PolylinePieces(dc, b, n);
    }
    plat::ReleaseDC(window, dc);
}

void RedrawCurveWindows() {
    for (int i = 0; i < SystemSetup.ConsoleCount && i < kMaxConsoles; ++i) {
        const plat::Hwnd window = ScreenWindows.CurveWindows[static_cast<size_t>(i)];
        if (window == 0) continue;
        plat::InvalidateRect(window, nullptr, true);
        plat::UpdateWindow(window);
        RedrawProfileFromFile(window, i);
    }
}

plat::LResult PaintArrayWindows(plat::Hwnd hwnd, uint32_t, plat::WParam, plat::LParam) {
    const int32_t n = SystemSetup.ConsoleCount < kMaxConsoles ? SystemSetup.ConsoleCount : kMaxConsoles;
    bool answered = false;
    if (n >= 1) {
        for (int32_t c = 0; c < n; ++c) {
            const plat::Hwnd curve = ScreenWindows.CurveWindows[static_cast<size_t>(c)];
            answered = answered || curve == hwnd;
            PaintWindow(curve, [](plat::Hdc dc) { DrawCurveGrid(dc); });
        }
        for (int32_t c = 0; c < n; ++c) {
            const plat::Hwnd bars = ScreenWindows.DecayWindows[static_cast<size_t>(c)];
            answered = answered || bars == hwnd;
            PaintWindow(bars, [c](plat::Hdc dc) {
                if (ConsoleLines.ReadingValid[static_cast<size_t>(c)] == 1) PaintConsoleBars(dc, c);
                DrawDecayGrid(dc);
            });
        }
        answered = answered || ScreenWindows.NumbersWindow == hwnd || ScreenWindows.SpeedWindow == hwnd;
        PaintWindow(ScreenWindows.NumbersWindow, [](plat::Hdc dc) { DrawNumbersWindowFrame(dc); });
        PaintWindow(ScreenWindows.SpeedWindow, [](plat::Hdc dc) { DrawSpeedBar(dc, ScreenLayout.SpeedBarLength); });
    }
    // A window outside the array (no console, or a spare console's window)
    // is still validated, so that no paint request stays pending.
    if (!answered) PaintWindow(hwnd, [](plat::Hdc) {});
    return 0;
}

plat::LResult CurveDecayOnCreate(plat::Hwnd, uint32_t, plat::WParam, plat::LParam) { return 0; }

namespace {
constexpr plat::MessageHandler kCurveMessages[] = {
    {plat::kMsgCreate, CurveDecayOnCreate},
    {plat::kMsgPaint, PaintArrayWindows},
};
constexpr plat::MessageHandler kPaintOnlyMessages[] = {
    {plat::kMsgPaint, PaintArrayWindows},
};
constexpr plat::MessageHandler kMapMessages[] = {
    {plat::kMsgPaint, MapOnPaint},
};
}  // namespace

plat::LResult CurveWndProc(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l) {
    return plat::DispatchFromTable(kCurveMessages, hwnd, message, w, l);
}

plat::LResult DecayWndProc(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l) {
    return plat::DispatchFromTable(kCurveMessages, hwnd, message, w, l);
}

plat::LResult NumbersWndProc(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l) {
    return plat::DispatchFromTable(kPaintOnlyMessages, hwnd, message, w, l);
}

plat::LResult SpeedWndProc(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l) {
    return plat::DispatchFromTable(kPaintOnlyMessages, hwnd, message, w, l);
}

plat::LResult MapWndProc(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l) {
    return plat::DispatchFromTable(kMapMessages, hwnd, message, w, l);
}

plat::LResult MapOnPaint(plat::Hwnd hwnd, uint32_t, plat::WParam, plat::LParam) {
    PaintWindow(hwnd, [](plat::Hdc) {});
    return 0;
}

namespace {
int RegisterArrayClass(const char16_t* name, plat::WindowProc proc) {
    plat::WindowClass cls;
    cls.Name = name;
    cls.Proc = proc;
    cls.Background = plat::GetStockObject(plat::kWhiteBrush);
    cls.Style = plat::kClassHRedraw | plat::kClassVRedraw;
    return plat::RegisterWindowClass(cls) ? 0 : 1;
}
}  // namespace

int RegisterCurveWndClass() { return RegisterArrayClass(u"CurveWnd", CurveWndProc); }
int RegisterDecayWndClass() { return RegisterArrayClass(u"DecayWnd", DecayWndProc); }
int RegisterNumbersWndClass() { return RegisterArrayClass(u"NumbersWnd", NumbersWndProc); }
int RegisterSpeedWndClass() { return RegisterArrayClass(u"SpeedWnd", SpeedWndProc); }
int RegisterMapWndClass() { return RegisterArrayClass(u"MapWnd", MapWndProc); }
