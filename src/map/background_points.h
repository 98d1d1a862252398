// The temporary coordinate file of a background file: 30-byte records of
// "%14.3f,%14.3f" (X easting, Y northing, map units) and LF, no header. A
// break record (both values -99999.0) separates polylines; readers take any
// record whose X is negative as a break.
//
// The two converters write through the helpers here, which keep the file
// sound: a point that is not finite or whose text would not fill its 14
// columns exactly is skipped (one bad line never shifts every later record),
// and the records go out in large blocks.
#pragma once
#include <cstdint>

#include "platform/files.h"

constexpr double kBackgroundBreakValue = -99999.0;

// Starts a conversion into `temp` (kInvalidFile: nothing is written, the
// conversion counts nothing). BackgroundFiles.BackgroundRecordCount = 0.
void StartBackgroundPoints(plat::FileHandle temp);
// One point in map units. Skipped (false) when it cannot be written as a
// record; otherwise written and counted, and when it is drawable the data
// extent (MapView.DataMin/Max X/Y) grows to include it.
bool WriteBackgroundPoint(double x, double y);
void WriteBackgroundBreak();
// Flushes what is buffered; BackgroundFiles.BackgroundRecordCount becomes the
// number of whole records that reached the file (a failed write loses the
// tail, never leaves a record count the file cannot give back).
void FinishBackgroundPoints();

// The "%14.3f,%14.3f\n" text of a point; false when either value is not
// finite or does not fill its field exactly.
bool FormatBackgroundRecord(double x, double y, char (&record)[31]);
// X from columns 0-13 and Y from columns 15-28 of a 30-byte record.
void ParseBackgroundRecord(const char* record, double* x, double* y);

// A world point's global map pixel (the map's origin and scale, saturated) and
// whether its tile lies within MapTiles.MinDrawableTile..MaxDrawableTile in
// both column and row. The pixel outputs may be null.
bool BackgroundPointDrawable(double x, double y, int32_t* px = nullptr, int32_t* py = nullptr);

// Metres to the display units (SystemSetup.DisplayUnits: 0 m, 1 ft, 2 US ft).
double MetresToDisplayUnits(double metres);
// WGS84 latitude and longitude to UTM metres, in the survey's zone and
// northing frame when they are fixed (GpsFix.UtmZoneForced, UtmFrameForced),
// else in the zone of the longitude. False for a point that cannot be projected.
bool ProjectBackgroundGeodetic(double latitude, double longitude, double* easting, double* northing);
