// The status panel of the logging screen: three framed boxes of survey
// totals, the current line and the GPS state, the logging-state text at the
// top edge, the map size above the map, the speed texts above the speed bar,
// the readings-scale labels of the bar windows, the colour-scale strip and a
// decorative frame. LayoutStatusPanel places every cell once per opening of
// the logging screen; PaintStatusPanel draws labels and the values that
// change seldom, with placeholders in the cells that are drawn cell by cell
// as data arrive. A cell is drawn whole: its box is cleared with the panel
// brush (or filled with a state colour), then its text is drawn at the box's
// top-left corner, clipped to the box, on a transparent background.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/dc.h"
#include "platform/window.h"

// ---------------------------------------------------------------------------
// Layout and paint

// Every rectangle and text position of the panel (ScreenLayout), measured in
// the panel fonts through a device context of the logging screen `window`,
// and the map's busy indicator. The coordinate display in force now fixes
// the coordinate boxes until the next opening.
void LayoutStatusPanel(plat::Hwnd window);

// The logging screen's paint handler. Returns 0.
plat::LResult PaintStatusPanel(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l);

// ---------------------------------------------------------------------------
// Cells drawn between repaints, through a device context of the logging screen

// Clears `box` with the panel brush and draws `text` (may be empty: the box
// is only cleared) in `font` at its top-left corner, clipped, in black.
void DrawPanelValue(plat::Hdc dc, const plat::Rect& box, const char16_t* text, plat::Hfont font);

// "Monitoring", "Stand By" or "Logging" by LogScreenState.LoggingState, bold.
const char16_t* LoggingStateText(int32_t state);
void DrawLoggingStateText(plat::Hdc dc);

// "Map Size:%5ld m" / " ft" / " US-ft" by SystemSetup.DisplayUnits.
void FormatMapSizeText(char* out, size_t capacity);
void DrawMapSizeText(plat::Hdc dc);

// "File:        " in Monitoring, else "File: %s" with the data file's base name.
void FormatDataFileText(char* out, size_t capacity);
void DrawDataFileText(plat::Hdc dc);

// ---------------------------------------------------------------------------
// GPS cells (right box, speed and distances), drawn by the GPS sentence
// handler, the GPS position processing and the GPS connection watchdog.

enum class GpsStatusCell : int32_t {
    FixQuality,   // row 1: "NO FIX", "AGPS", "DGPS", "RTK3".."RTK9", "UNKW"
    Dop,          // row 2: dilution of precision
    Satellites,   // row 2, after "Sat:"
    Latitude,     // row 3: latitude or northing
    Longitude,    // row 4: longitude or easting
    Zone,         // row 4, after "Z:": the UTM zone
    PositionCount,  // right box row 0: GPS positions of the data file
    Speed,          // above the speed bar
    LineLength,     // middle box row 3
    TotalLength,    // left box row 3
};

// The box of a GPS cell (an empty rectangle for an unknown cell).
plat::Rect GpsCellRect(GpsStatusCell cell);

// Clears the cell's box with the panel brush and draws `text` (may be empty:
// the box is only cleared) in `font` at its top-left corner, clipped.
void DrawGpsStatusText(plat::Hdc dc, GpsStatusCell cell, const char16_t* text, plat::Hfont font);

// The two indicator circles of row 1: the circle `stateLamp` (0 the first,
// 1 the second) in the state colour (green when `maskPasses`, else red), the
// other in white. Each circle: its box cleared with the panel brush, then an
// ellipse inside the box with the top edge one pixel lower.
void DrawGpsIndicator(plat::Hdc dc, int stateLamp, int maskPasses);

// A GPS connection break: the two indicator circles' boxes and the latitude,
// longitude, DOP and satellite boxes filled red, in this order.
void DrawGpsConnectionBreak(plat::Hdc dc);
