// The profile (curve) and bar (decay) windows of the consoles, and the paint
// that the curve, bar, numbers and speed windows share.
//
// A curve window shows the current line as a trace that moves 2 pixels to the
// left with every reading while logging, one curve per sensor; a bar window
// shows each sensor's latest reading as a vertical bar from the baseline
// (top, zero row or bottom, ProfileTrace.BarBaseline). A new reading costs one
// block copy and a 3-pixel strip, or the difference between the old and the
// new bar end, so readings at the consoles' rate redraw no whole window.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/window.h"

// The row of a reading that gave no value (its field missing, damaged on the
// cable or no number): no point of the curve and no bar is drawn for it.
constexpr int kNoReadingRow = INT32_MIN;

// One step of console `console`'s profile while logging: the curve moves left
// and the newest points are drawn at rows y[0] (sensor 1) and, for a
// two-sensor console, y[1]. At kNoReadingRow the sensor's curve has a gap.
void ScrollConsoleProfile(plat::Hdc dc, int console, const int y[2]);

// Console `console`'s bars at rows tops[0] and, for a two-sensor console,
// tops[1]; at kNoReadingRow the sensor's bar is taken down until its next
// reading. The first update after ConsoleLines.ReadingValid was cleared
// starts from an empty bar area.
void UpdateConsoleBars(plat::Hdc dc, int console, const int tops[2]);

// Repaints console `console`'s stored bars (ProfileTrace.BarTop) from the baseline.
void PaintConsoleBars(plat::Hdc dc, int console);

// Draws the polyline a of n points with the left sensor's pen and, for a
// two-sensor console, b with the right sensor's, through a device context of
// `window` taken here; a point at kNoReadingRow breaks its polyline.
void DrawConsoleCurves(plat::Hwnd window, int console, const plat::Point a[], const plat::Point b[], size_t n);

// Every configured console's curve window: erased, its grid repainted at
// once, then its profile of the current line redrawn from the data file.
void RedrawCurveWindows();

// The shared paint handler of "CurveWnd", "DecayWnd", "NumbersWnd" and
// "SpeedWnd": grids and bars of every console, the numbers window's frame and
// an empty speed bar, each only where its window was invalid. Returns 0.
plat::LResult PaintArrayWindows(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l);

// Register "CurveWnd", "DecayWnd", "NumbersWnd", "SpeedWnd" and "MapWnd"
// (white background, redrawn whole when sized). 0 registered, 1 failed.
int RegisterCurveWndClass();
int RegisterDecayWndClass();
int RegisterNumbersWndClass();
int RegisterSpeedWndClass();
int RegisterMapWndClass();

// Window procedures of the five classes and the creation handler of the
// curve and bar windows (does nothing, returns 0).
plat::LResult CurveDecayOnCreate(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l);
plat::LResult CurveWndProc(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l);
plat::LResult DecayWndProc(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l);
plat::LResult NumbersWndProc(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l);
plat::LResult SpeedWndProc(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l);
plat::LResult MapWndProc(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l);

// The map window's paint only validates it: the map is copied into the window
// from the tile bitmaps, not painted here. Returns 0.
plat::LResult MapOnPaint(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l);
