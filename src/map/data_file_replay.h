// The replay of the survey data file onto the map. The map keeps no list of
// positions: after its tiles were cleared or rebuilt (zoom, fit, a new
// display type, readings scale or map size, a file loaded for appending), the
// survey is drawn again from the file's swath coordinate records and, in the
// colour-map view, its reading records.
//
// The file is walked in whole-record blocks by position (data_file_reader.h):
// the append position never moves and a record being appended meanwhile is
// never read half. Every bar is drawn through the live track's own drawers at
// the pixels of its coordinates as the file stores them, so replaying a
// survey's file draws exactly the pixels its live drawing drew.
//
// Window thread only; it does not return to the message loop, so no console
// line is handled while it runs. The busy indicator steps at most every 750 ms.
#pragma once
#include <cstdint>

// Replays the open data file into the overlay tiles: from the record after
// its first "X$START" event (looked for in the first 50 records, else from the
// 51st), swath bars ("{l" and "{p" in the positions view, "{h" colour cells
// between "{d"/"{h" bars in the colour-map view) and, in the colour-map view,
// the colour indices of the readings of each open segment (a "{0" opens one;
// a comment, line, station, appended-header record or a single GPS sentence
// "X$PA"/"X GP" closes it). A bar is drawn only when all four of its values
// were read as numbers and both its ends lie in the pixel frame.
// No data file open: nothing at all happens. The callers have rebuilt the
// tiles and set the origin and scale first.
void ReplayDataFileToMap();

// What one replay did, for the tests and the benchmark.
struct ReplayCounts {
    int64_t Records = 0;      // whole records read (the skipped ones included)
    int64_t FirstHandled = 0; // 0-based index of the first record interpreted
    int32_t Bars = 0;         // bars handed to a swath drawer
    int32_t Refused = 0;      // bars not drawn: a value unread or out of the pixel frame
};
// The replay itself; false (and nothing done) when no data file is open.
bool ReplayDataFile(ReplayCounts* counts);
