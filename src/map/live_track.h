// The live track: every valid fix that the position processing hands to the
// map moves the live view and the cursor, and while logging places the
// array's swath at the fix, writes it into the data file as swath coordinate
// records ("{") and draws it into the overlay tiles, either as sensor
// positions or as the colour map of the readings of the interval just closed.
// A track that leaves the drawable tiles (or the store's budget) is signalled
// once to the logging screen (kMsgMapOverflow).
//
// Every bar end is drawn at the pixel of its coordinates as the file stores
// them (StoredWorldToMapPixel), so a replay of the file that hands the stored
// bars to DrawColourSwath / DrawPositionsSwath draws the same pixels.
// Window thread only.
#pragma once
#include <cstdint>

#include "platform/window.h"

// At logging start with GPS input: the position limit (28800), the map's
// pixels per unit, the speed bar's pixels per unit and the antenna side.
void InitMapScales();

// A valid fix at (X, Y) in display units, `distance` from the previous valid
// fix (0.0 at the first). The first call after logging start centres the
// live view on the origin and shows the base tiles and the cursor only.
// Later calls scroll the view, draw the swath while `loggingState` is 1 and
// the step is not zero, compose the window when the map is shown, and test
// for the overflow (in every logging state).
void AddPositionToMap(plat::Hwnd mapWindow, int32_t loggingState, double Y, double X, double distance);

// Swath coordinate records: kind 0 one "{0" record; kinds 1..4 four records
// of a, b, c, d in one write. 1 written, 0 no file open, -1 failed or a
// value too wide for its field (then nothing is written).
int WriteCoordinateRecords(char tag, int kind, double a, double b, double c, double d);

// One bar (global pixels) in the positions view: PositionSize 0..3 a dot per
// sensor at its cross position (one sensor: the middle), 4 and 5 the bar as
// a line of 1 or 2 pixels. Also used by the replay.
void DrawPositionsSwath(int32_t xl, int32_t yl, int32_t xr, int32_t yr);
// The colour map between the old bar (oxl..oyr) and the new one: cross lines
// one pixel apart from the old bar up to (not including) the new, each
// sensor's band in the colour of its sample spread evenly over the lines.
// Draws only when ReadingSamples.ClosedHalfValid is 1. Also used by the replay.
void DrawColourSwath(int32_t xl, int32_t yl, int32_t xr, int32_t yr, int32_t oxl, int32_t oyl, int32_t oxr,
                     int32_t oyr);
// The track between two pixels for PositionSize 4 (1 px) or 5 (2 px); other
// sizes draw nothing.
void DrawTrackSegment(int32_t x1, int32_t y1, int32_t x2, int32_t y2);

// The overflow test of every position: the used tiles beyond the drawable
// range, or a tile refused, sends kMsgMapOverflow to the logging screen once
// per overflow state (LogScreenState.MapOverflowState 0 -> 1).
void TestMapOverflow();

// The cross lines of one colour swath step are at most this many.
constexpr int32_t kMaxCrossLines = 16384;
