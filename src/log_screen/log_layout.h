// The geometry of the logging screen: where the profile strips, bar boxes,
// numbers window, map, speed bar and buttons go for the main window's client
// size, the number of consoles and whether the map is shown.
//
// Two kinds of values: those fixed when the logging screen is created (the
// state buttons, the PAUSE button, the map buttons, the speed window) and
// those that follow the console count and the map, recomputed by
// LayoutLogScreen at every logging start and every toggle of the view.
#pragma once
#include <cstdint>

// Child window and button ids of the logging screen.
constexpr int32_t kLogScreenId = 4;
constexpr int32_t kCurveWindowFirstId = 600;    // 600..609
constexpr int32_t kDecayWindowFirstId = 630;    // 630..639
constexpr int32_t kNumbersWindowId = 650;
constexpr int32_t kSpeedWindowId = 651;
constexpr int32_t kMapWindowId = 652;
constexpr int32_t kColorBarWindowId = 653;
constexpr int32_t kStateButtonFirstId = 460;    // 460..463, shared by the three button sets
constexpr int32_t kMapButtonFirstId = 470;      // 470..478

// Index of a map button in ScreenButtons.MapButtons (id = 470 + index).
enum MapButtonIndex : int {
    kMapLeft = 0,
    kMapRight,
    kMapUp,
    kMapDown,
    kMapZoomIn,
    kMapZoomOut,
    kMapFitAll,
    kMapEnterReview,
    kMapExitReview,
    kMapButtonCount,
};

constexpr int32_t kMargin = 20;                  // screen margin and work-area left edge
constexpr int32_t kCreationNumbersWidth = 220;   // numbers column at creation
constexpr int32_t kLayoutNumbersWidth = 140;     // numbers column from every layout on
constexpr int32_t kStateButtonWidth = (kCreationNumbersWidth - 2) / 2 + 20;  // 129
constexpr int32_t kMapGap = 6;                   // between the map and the curve windows

// The console count the arithmetic uses: 1..9 (a settings file without
// consoles lays the screen out as for one, and shows no console windows).
int32_t LayoutConsoleCount();
// The console windows that are shown: 0..9.
int32_t ShownConsoleCount();

// The values that follow the console count and the map setting, from
// ScreenLayout.ClientWidth, ClientHeight and LineHeight, with the given
// numbers column width; the map tile size when the map is shown.
void ComputeConsoleGeometry(int32_t numbersColumnWidth);

// The values fixed at creation (after ComputeConsoleGeometry with 220): the
// button block, the speed window and the map buttons.
void ComputeFixedGeometry();

// Right edge of the row of map buttons Left .. Down, and left edge of the
// review buttons (Enter Review and Exit Review share the place).
int32_t MapButtonRowRight();
int32_t ReviewButtonLeft();

// Left edge of the 2 x 2 block of state buttons.
int32_t StateButtonBlockLeft();
// Height of each of the three map buttons stacked over the state buttons.
int32_t StackedMapButtonHeight();

// Recomputes the per-console and map geometry and moves and shows the
// windows: the map (shown or hidden), the first ConsoleCount curve and bar
// windows (the others hidden), the numbers window and the speed window; the
// map buttons Left, Right, Up, Down and Enter Review shown and disabled,
// Zoom+, Zoom-, Fit All and Exit Review hidden.
void LayoutLogScreen();
