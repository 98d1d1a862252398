// The map buttons of the logging screen: pan the live or review view, zoom
// and fit the review view (a new scale: the tiles are rebuilt and the data
// file replayed into them), and the two painters that tell the operator the
// map is busy ("Please Wait" and the five-dot busy indicator). Both painters
// put their drawing on screen at once (the layer's synchronous repaint), so
// they show inside a long replay that never returns to the message loop.
// Window thread only.
#pragma once
#include <cstdint>

// Map commands of the logging screen (its map buttons).
constexpr int kMapCommandLeft = 121, kMapCommandRight = 122, kMapCommandUp = 123, kMapCommandDown = 124;
constexpr int kMapCommandZoomIn = 125, kMapCommandZoomOut = 126, kMapCommandFitAll = 127;
// 115..118: the numbers window's console texts cleared and the map redrawn
// from the data file (no button sends them).
constexpr int kMapCommandRedrawFirst = 115, kMapCommandRedrawLast = 118;

// Carries out one map command:
//   121..124 pan west, east, north, south by PanStepPixels(): the review view
//            during review, else the live view (with its bounds and the last
//            position pixel); a pan that would leave the used tile rectangle
//            changes nothing and redraws nothing;
//   125, 126 zoom in / out (ZoomedMapSize) on the review view; a zoom in whose
//            data extent would no longer fit the drawable tiles, or a zoom at
//            which the data file's survey would not fit the map (its drawing
//            past the drawable tiles, or more tiles than the store may hold:
//            DataFileFitsMap) is refused: a ring, the map size kept, nothing
//            redrawn;
//   127      fit all the data into the window (FitAllMapSize), review view
//            and live bounds placed around the data;
//   115..118 full redraw at the same scale;
//   other    nothing.
// A new scale rewrites the "Map Size:" text, clears the map window, shows
// "Please Wait", rebuilds the tiles, redraws the background files, replays the
// data file and composes the review view. The new size is not saved.
void MapViewCommand(int32_t code);

// The map window cleared and "Please Wait" written in grey near its centre,
// on screen at once; only while the map is shown (LogScreenState.MapShown).
void ShowPleaseWait();
// One step of the busy indicator: the frame whitened and the grey dot
// MapView.BusyPhase drawn, on screen at once; the phase moves on (0..4).
void StepBusyIndicator();

// --- the arithmetic of the commands, for the commands and their tests ---

// Pixels one pan moves the view: trunc((1 + PanFactor) x CursorBandPixels x
// 0.1 - 0.5) (7 for the default band of 76 pixels).
int32_t PanStepPixels();
// The map size after one zoom step in (true) or out: 5 % smaller or larger,
// rounded, always at least one unit of change, never below 1, never past
// kMaxMapSize (40 -> 38 / 42, 10 -> 9 / 11, 1 -> 1 / 2).
int32_t ZoomedMapSize(int32_t size, bool zoomIn);
// The map size that shows an extent E (map units, the larger side) with the
// cursor band's margin: trunc((E + 0.5)(1 + (CursorBand + 1) x 0.05) + 10),
// 10 more when that is not above trunc(E); within 1..kMaxMapSize.
int32_t FitAllMapSize(double extent, int32_t cursorBand);
constexpr int32_t kMaxMapSize = 1000000000;

// Moves a view (tile column and row, bitmap offset of its upper left corner)
// by `step` pixels east (horizontal) or south (vertical), crossing into the
// neighbouring tile as needed but never past the used tile rectangle
// (MapTiles.UsedMin/Max Col/Row). False, and nothing changed, when the move
// would leave it.
bool PanViewTiles(bool horizontal, int32_t step, int32_t* col, int32_t* row, int32_t* offsetX, int32_t* offsetY);
