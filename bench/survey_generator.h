// Writes a whole survey data file as the logging screen would: header, line
// records, and for every walked line "$STARTED", the console readings, the
// swath records of each GPS fix ("{0" at a line's first fix, kinds 1-4 at its
// second, kinds 2 and 4 after) before the fix's GGA and GSA sentence groups,
// then "PAUSED" and the next line's records. Lines run north and south, side
// by side, like a field walked with the array. Every record comes from the
// program's own formatters. For the benchmarks of whole-file readers (the
// scan and the replay onto the map).
#pragma once
#include <cstdint>
#include <string>

namespace bench {

struct SurveyShape {
    int Fixes = 28799;             // GPS fixes at 1 Hz: one short of the most a data file may hold (8 hours),
                                   // so the file can still be opened and appended to
    int Consoles = 9;              // two-sensor consoles
    int ReadingsPerFix = 11;       // readings of each console between two fixes (about 10 Hz)
    double LineLength = 200.0;     // metres walked per line
    double LineSpacing = 9.0;      // metres between neighbouring lines
    double Step = 1.0;             // metres between fixes
    double OriginX = 500000.0;     // first fix, map units (UTM metres)
    double OriginY = 5700000.0;
    int UtmZone = 31;              // the zone the header names (the append check compares it)
};

struct GeneratedSurvey {
    int64_t Records = 0;           // 27-byte records written
    int64_t Bytes = 0;
    int32_t Positions = 0;         // "{d" and "{h" records: what the scan counts
    int32_t Lines = 0;
    double MinX = 0, MaxX = 0, MinY = 0, MaxY = 0;  // extent of the bars (coordinates a to h), origin included
};

// Sets the survey model for the shape (consoles, array, GPS format GGA/GSA)
// and writes the file at `path` (created or emptied). False when it cannot
// be written; the reason on stderr.
bool WriteSurveyFile(const std::string& path, const SurveyShape& shape, GeneratedSurvey* out);

// Opens `path` as the data file and sets the map up as the logging screen
// does for the survey at map size 40 on a 508-pixel tile (the pens decide
// how far the drawing reaches past a bar). False, with a line on stderr,
// when the file cannot be opened.
bool OpenSurveyOnMap(const std::string& path, const SurveyShape& shape);

}  // namespace bench
