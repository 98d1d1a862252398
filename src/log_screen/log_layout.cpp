#include "log_screen/log_layout.h"

#include <algorithm>

#include "log_screen/numbers_window.h"
#include "platform/window.h"
#include "survey_files/survey_model.h"

int32_t LayoutConsoleCount() { return std::clamp<int32_t>(SystemSetup.ConsoleCount, 1, kMaxConsoles); }

int32_t ShownConsoleCount() { return std::clamp<int32_t>(SystemSetup.ConsoleCount, 0, kMaxConsoles); }

void ComputeConsoleGeometry(int32_t numbersColumnWidth) {
    ScreenLayoutRecord& g = ScreenLayout;
    const int32_t n = LayoutConsoleCount();
    const int32_t w = g.ClientWidth;
    const int32_t lines = g.LineHeight;
    const int32_t h = g.ClientHeight - 8 * lines;  // the profile area ends 8 text lines above the bottom

    g.WorkAreaLeft = kMargin;
    g.ScreenMargin = kMargin;
    g.WindowGap = 2;
    g.ProfileHeight = h;
    g.CurveWindowHeight = (h - kMargin - (n - 1) * g.WindowGap) / n;
    g.NumbersColumnWidth = numbersColumnWidth;
    g.NumbersWindowLeft = w - numbersColumnWidth - kMargin;
    g.NumbersWindowHeight = (n + 1) * lines + 10;
    // The numbers window's bottom is level with the bottom of the last curve window.
    const int32_t curvesBottom = (g.CurveWindowHeight + g.WindowGap) * n + kMargin - g.WindowGap;
    g.NumbersWindowTop = curvesBottom - g.NumbersWindowHeight;
    g.WorkAreaWidth = w - numbersColumnWidth - 2 * kMargin - kMargin;
    g.DecayWindowsLeft = g.NumbersWindowLeft;
    g.DecayWindowsTop = kMargin;
    g.DecayWindowWidth = (numbersColumnWidth - (n - 1) * g.WindowGap) / n;
    g.DecayWindowHeight = h - g.NumbersWindowHeight - kMargin - 3 * lines;

    // The map is square and as tall as the stack of curve windows.
    const int32_t side = (g.CurveWindowHeight + g.WindowGap) * n - g.WindowGap;
    g.MapWindowLeft = kMargin;
    g.MapWindowTop = kMargin;
    g.MapWindowWidth = side;
    g.MapWindowHeight = side;
    if (LogScreenState.MapShown == 1) {
        g.CurveWindowsLeft = kMargin + side + kMapGap;
        g.CurveWindowWidth = g.WorkAreaWidth - side - kMapGap;
        MapTiles.TileWidth = side - 2;
        MapTiles.TileHeight = side - 2;
        MapTiles.TileLastX = side - 3;
        MapTiles.TileLastY = side - 3;
    } else {
        g.CurveWindowsLeft = kMargin;
        g.CurveWindowWidth = g.WorkAreaWidth;
    }
    g.ColourStripLeft = g.CurveWindowsLeft + g.CurveWindowWidth + 3;
    g.ColourStripWidth = g.DecayWindowsLeft - g.ColourStripLeft - 3;
}

namespace {

void SetMapButtonWidths(bool narrow) {
    ScreenLayoutRecord& g = ScreenLayout;
    if (narrow) {
        g.MapButtonWidth = static_cast<int32_t>((g.WorkAreaWidth - 3 * 2) / 5.5);
        g.ReviewButtonWidth = static_cast<int32_t>(g.MapButtonWidth * 1.4);
    } else {
        g.MapButtonWidth = (g.WorkAreaWidth - 3 * 2) / 6;
        g.ReviewButtonWidth = static_cast<int32_t>(g.MapButtonWidth * 1.25);
    }
}

}  // namespace

int32_t MapButtonRowRight() {
    const ScreenLayoutRecord& g = ScreenLayout;
    return g.MapButtonsLeft + (g.MapButtonWidth + g.MapButtonGap) * (kMapDown + 1) - g.MapButtonGap;
}

int32_t ReviewButtonLeft() {
    const ScreenLayoutRecord& g = ScreenLayout;
    return kMargin + g.WorkAreaWidth - g.ReviewButtonWidth - 40;
}

void ComputeFixedGeometry() {
    ScreenLayoutRecord& g = ScreenLayout;
    const int32_t w = g.ClientWidth;
    const int32_t hc = g.ClientHeight;
    g.ButtonBlockTop = g.ProfileHeight + g.LineHeight - 2;
    g.ButtonGap = 2;
    g.ButtonHeight = (hc - g.ButtonBlockTop - 5 - 2) / 2;
    g.SpeedWindowLeft = kMargin;
    g.SpeedWindowTop = g.ProfileHeight + g.LineHeight - 2;
    g.SpeedWindowHeight = 8;
    g.SpeedBarLength = g.WorkAreaWidth - 40;
    g.MapButtonsLeft = kMargin;
    g.MapButtonHeight = 32;
    g.MapButtonTop = hc - g.MapButtonHeight - 5;
    g.MapButtonGap = 2;
    // Narrow screens: fewer but wider map buttons per row width, unless
    // Enter Review would then cover Down; the wide screens' widths fit.
    const bool narrow = w <= 800;
    SetMapButtonWidths(narrow);
    if (narrow && MapButtonRowRight() > ReviewButtonLeft()) SetMapButtonWidths(false);
}

int32_t StateButtonBlockLeft() { return ScreenLayout.ClientWidth - kCreationNumbersWidth - kMargin - 40; }

int32_t StackedMapButtonHeight() {
    return (ScreenLayout.ClientHeight - ScreenLayout.ButtonBlockTop - 5 - 2 * 2) / 3;
}

namespace {

void MoveAndShow(plat::Hwnd hwnd, int32_t x, int32_t y, int32_t width, int32_t height) {
    if (hwnd == 0) return;
    plat::ShowWindow(hwnd, plat::kShowHide);
    plat::MoveWindow(hwnd, x, y, std::max(width, 0), std::max(height, 0), true);
    plat::ShowWindow(hwnd, plat::kShow);
}

void ShowMapButton(int index, bool shown, bool enabled) {
    const plat::Hwnd b = ScreenButtons.MapButtons[static_cast<size_t>(index)];
    if (b == 0) return;
    plat::EnableWindow(b, enabled);
    plat::ShowWindow(b, shown ? plat::kShow : plat::kShowHide);
}

}  // namespace

void LayoutLogScreen() {
    ComputeConsoleGeometry(kLayoutNumbersWidth);
    const ScreenLayoutRecord& g = ScreenLayout;

    if (LogScreenState.MapShown == 1) {
        MoveAndShow(ScreenWindows.MapWindow, g.MapWindowLeft, g.MapWindowTop, g.MapWindowWidth, g.MapWindowHeight);
    } else if (ScreenWindows.MapWindow != 0) {
        plat::ShowWindow(ScreenWindows.MapWindow, plat::kShowHide);  // keeps its last size
    }

    for (int i = 0; i < kCurveWindowSlots; ++i) {
        if (ScreenWindows.CurveWindows[i] != 0) plat::ShowWindow(ScreenWindows.CurveWindows[i], plat::kShowHide);
        if (ScreenWindows.DecayWindows[i] != 0) plat::ShowWindow(ScreenWindows.DecayWindows[i], plat::kShowHide);
    }
    for (int i = 0; i < ShownConsoleCount(); ++i) {
        MoveAndShow(ScreenWindows.CurveWindows[i], g.CurveWindowsLeft, (g.CurveWindowHeight + g.WindowGap) * i + kMargin,
                    g.CurveWindowWidth, g.CurveWindowHeight);
        MoveAndShow(ScreenWindows.DecayWindows[i], g.DecayWindowsLeft + (g.DecayWindowWidth + g.WindowGap) * i,
                    g.DecayWindowsTop, g.DecayWindowWidth, g.DecayWindowHeight);
    }
    MoveAndShow(ScreenWindows.NumbersWindow, g.NumbersWindowLeft, g.NumbersWindowTop, g.NumbersColumnWidth,
                g.NumbersWindowHeight);

    // The view buttons wait for a data file; zoom, fit and leaving review only exist in review.
    for (int i : {kMapLeft, kMapRight, kMapUp, kMapDown, kMapEnterReview}) ShowMapButton(i, true, false);
    for (int i : {kMapZoomIn, kMapZoomOut, kMapFitAll, kMapExitReview}) ShowMapButton(i, false, false);

    MoveAndShow(ScreenWindows.SpeedWindow, g.SpeedWindowLeft, g.SpeedWindowTop, g.SpeedBarLength, g.SpeedWindowHeight);
    LayoutNumbersWindow();
}
