// The nine GPS data formats the operator can choose (GpsPortSetup.DataFormat
// 0..8): which sentence is the position sentence, whether its NMEA checksum
// is required, which comma-separated field carries which item, where the time
// of day is, and the few validity rules a format adds. One table row per
// format; SetupGpsSentenceFields copies the chosen row into GpsSentenceFormat
// when the logging screen opens.
//
// Fields are counted as GetSentenceField counts them: the "$" word is field 1.
//   $GPGGA,173524,4336.5940,N,07936.6403,W,8,11,2.0,142.5,M,-35.4,M,,*70
//    1      2      3         4 5          6 7 8  9   10   11 12  13 14 15
#pragma once
#include <cstddef>
#include <cstdint>

// Item kinds (GpsSentenceFormat.GpsFieldType).
constexpr int32_t kGpsItemSatellites = 0;    // number of satellites, integer
constexpr int32_t kGpsItemQuality = 1;       // fix quality, integer; its first character names it
constexpr int32_t kGpsItemLatHemisphere = 2; // "N" or "S"
constexpr int32_t kGpsItemLatitude = 3;      // ddmm.mmmm
constexpr int32_t kGpsItemLonHemisphere = 4; // "E" or "W"
constexpr int32_t kGpsItemLongitude = 5;     // dddmm.mmmm
constexpr int32_t kGpsItemPdop = 6;          // PDOP (POS, GGK)
constexpr int32_t kGpsItemHdop = 7;          // HDOP (GGA)
constexpr int32_t kGpsItemNorthing = 8;      // local grid northing: the map Y
constexpr int32_t kGpsItemEasting = 9;       // local grid easting: the map X
constexpr int32_t kGpsItemGridQuality = 10;  // quality figure of LLK (GDOP) and LLQ (metres)

constexpr int kGpsFormatCount = 9;
constexpr size_t kGpsFieldChars = 20;        // a field buffer: 19 characters and a NUL

struct GpsFormatItem {
    int32_t Kind;
    int32_t Field;
};

// How a format gives its coordinates.
enum class GpsCoordinates {
    Geodetic,        // WGS84 latitude and longitude, projected to UTM
    GridMetres,      // local grid northing and easting in metres
    GridUnitLetter,  // local grid in the unit of a letter field: "F" feet, anything else metres
};

struct GpsFormatRow {
    const char* Label;            // the format's name in the GPS port setup list
    const char* Keyword;          // a sentence containing it is the format's position sentence
    bool Checksum;                // only sentences with a correct "*hh" are accepted
    int32_t TimeField;            // hhmmss.ss
    int32_t ItemCount;
    GpsFormatItem Items[8];       // decoded in this order
    GpsCoordinates Coordinates;
    int32_t UnitField;            // GridUnitLetter: the field with the unit letter
    int32_t QualityOffset;        // added to the received quality (POS counts from 0)
    bool QualityZeroIsNoFix;      // quality 0 makes the fix invalid
    int32_t StatusField;          // a field that, when present, must begin with "A" (0 = none)
    int32_t ModeField;            // a field whose "N" means no fix (0 = none)
    bool TakesGsa;                // GSA sentences are handed over too, for their PDOP
    bool MaskApplies;             // the GPS warning mask judges this format
};

// The row of format 0..8; nullptr for any other value.
const GpsFormatRow* GpsFormatRowOf(int format);

// Fills GpsSentenceFormat from GpsPortSetup.DataFormat. A format outside 0..8
// leaves no keyword and no items, so that no sentence is selected.
void SetupGpsSentenceFields();

// Copies field n (from 1) of `sentence`, delimited by `delimiter`, into `out`
// NUL-terminated and cut to capacity - 1 characters; returns 1. The last field
// runs to the end of the sentence (a checksum "*hh" included); two adjacent
// delimiters give an empty field (result 1). Returns 0 and leaves `out`
// untouched when the sentence has fewer than n fields, or for n < 1, a null
// sentence or a capacity of 0.
int GetSentenceField(const char* sentence, int n, char delimiter, char* out, size_t capacity = kGpsFieldChars);

// True when `sentence` is handed to the sentence handler under the format in
// force: it contains the keyword anywhere (the talker letters in front do not
// matter), or, in the GGA/GSA format, "GSA". Nothing is selected without a
// format.
bool IsSelectedGpsSentence(const char* sentence);
