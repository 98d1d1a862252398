// The scan of an existing data file before it is loaded onto the map: the
// extent of its swath coordinates, whether that extent fits the drawable
// tiles at the current origin and scale, whether the tiles its replay would
// draw into fit the map's tile budget, and the count of its GPS positions.
#pragma once
#include <cstdint>

#include "platform/window.h"

// Reads the open data file from its first record to its end (whole records,
// in blocks, never moving the append position) and sets MapView.DataMinX..
// DataMaxY to the extent of its swath coordinates and the map origin, and
// SurveyProgress.GpsPositionCount to its positions (one per "{d" and "{h"
// record). Steps the busy indicator at most every 750 ms.
// 1: the file fits the map; the count was shown ("INFORMATION").
// 0: nothing to load: the survey does not fit the map (SurveyFitsMap: ring
//    and "WARNING", owned by `owner`), or no data file is open (nothing shown),
//    or the file already holds the most positions a file may hold (told, and
//    the program ends with exit code 0 once control is back in its loop).
// The caller closes the data file on 0.
int ScanDataFileGpsPositions(plat::Hwnd owner);

// What the scan found, without its messages or its ending; for the scan
// itself and its tests.
struct DataFileScan {
    double MinX = 0.0, MaxX = 0.0, MinY = 0.0, MaxY = 0.0;  // map units, the origin included
    int32_t Positions = 0;                                 // "{d" and "{h" records
    int64_t Records = 0;                                   // whole records read
    // The tiles the replay would draw into at the origin, scale, display type
    // and position size in force: each bar the replay draws counts the tiles
    // met by the rectangle around its drawing (for the colour map the bar and
    // the one before it), grown by half the pen or a position mark's radius
    // and frame. The count may be a little high, never low. It stops at the
    // first drawing that reaches past the drawable tiles, or once it passes
    // MapTileSlotLimit().
    int32_t SwathTiles = 0;
    bool SwathBeyondDrawable = false;  // some drawing reaches past MapTiles.Min/MaxDrawableTile
    bool SwathOverBudget = false;      // more tiles than MapTileSlotLimit()
};
// False when no data file is open.
bool ScanDataFileExtent(DataFileScan& scan);

// Whether the survey a scan found fits the map at the scale in force: its
// extent and every drawing within the drawable tiles, and its tiles within
// the budget of the tile store.
enum class MapFit { Fits, BeyondDrawable, OverBudget };
MapFit SurveyFitsMap(const DataFileScan& scan);
// The open data file scanned at the scale in force (steps the busy indicator;
// shows nothing, changes nothing else). Fits when no data file is open.
MapFit DataFileFitsMap();

// The extent (map units) lies within the drawable tiles MapTiles.MinDrawableTile
// .. MaxDrawableTile at the map origin and scale in force.
bool DataExtentFitsDrawableTiles(double minX, double minY, double maxX, double maxY);
