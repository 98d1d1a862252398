#include "acquisition/gps_formats.h"

#include <cstring>

#include "survey_files/survey_model.h"

namespace {

constexpr GpsFormatItem Sats(int32_t f) { return {kGpsItemSatellites, f}; }
constexpr GpsFormatItem Quality(int32_t f) { return {kGpsItemQuality, f}; }
constexpr GpsFormatItem NorthSouth(int32_t f) { return {kGpsItemLatHemisphere, f}; }
constexpr GpsFormatItem Lat(int32_t f) { return {kGpsItemLatitude, f}; }
constexpr GpsFormatItem EastWest(int32_t f) { return {kGpsItemLonHemisphere, f}; }
constexpr GpsFormatItem Lon(int32_t f) { return {kGpsItemLongitude, f}; }
constexpr GpsFormatItem Pdop(int32_t f) { return {kGpsItemPdop, f}; }
constexpr GpsFormatItem Hdop(int32_t f) { return {kGpsItemHdop, f}; }
constexpr GpsFormatItem Northing(int32_t f) { return {kGpsItemNorthing, f}; }
constexpr GpsFormatItem Easting(int32_t f) { return {kGpsItemEasting, f}; }
constexpr GpsFormatItem GridQuality(int32_t f) { return {kGpsItemGridQuality, f}; }

using enum GpsCoordinates;

// label, keyword, checksum, time field, item count, items in decoding order,
// coordinates, unit field, quality offset, quality 0 = no fix, status field,
// mode field, takes GSA, mask applies
constexpr GpsFormatRow kGpsFormats[kGpsFormatCount] = {
    // 0: standard NMEA fix; the PDOP comes from the GSA sentences of the same epoch.
    //    $GPGGA,hhmmss.ss,ddmm.mmmm,N,dddmm.mmmm,W,q,ss,h.h,alt,M,geoid,M,age,station*hh
    {"GGA/GSA", "GGA", true, 2, 6, {Sats(8), Quality(7), NorthSouth(4), Lat(3), EastWest(6), Lon(5)},
     Geodetic, 0, 0, true, 0, 0, true, true},
    // 1: standard NMEA fix with its own HDOP (field 9).
    {"GGA", "GGA", true, 2, 7, {Sats(8), Quality(7), NorthSouth(4), Lat(3), EastWest(6), Lon(5), Hdop(9)},
     Geodetic, 0, 0, true, 0, 0, false, true},
    // 2: receiver position sentence; its mode counts from 0 (autonomous), so every mode is a fix.
    //    $PASHR,POS,m,ss,hhmmss.ss,ddmm.mmmmm,N,dddmm.mmmmm,E,alt,,course,speed,vvel,PDOP,HDOP,VDOP,TDOP,fw*hh
    {"POS", "POS", true, 5, 7, {Sats(4), Quality(3), NorthSouth(7), Lat(6), EastWest(9), Lon(8), Pdop(15)},
     Geodetic, 0, 1, false, 0, 0, false, true},
    // 3: local grid position in metres, with GDOP.
    //    $GPLLK,hhmmss.ss,mmddyy,eeeeee.eee,M,nnnnnnn.nnn,M,q,ss,g.g,h.hhh,M*hh
    {"LLK", "LLK", true, 2, 5, {Sats(9), Quality(8), Northing(6), Easting(4), GridQuality(10)},
     GridMetres, 0, 0, true, 0, 0, false, true},
    // 4: local grid position in metres, with the coordinate quality in metres.
    //    $GPLLQ,hhmmss.ss,ddmmyy,eeeeee.eee,M,nnnnnnn.nnn,M,q,ss,c.c,h.hhh,M*hh
    {"LLQ", "LLQ", true, 2, 5, {Sats(9), Quality(8), Northing(6), Easting(4), GridQuality(10)},
     GridMetres, 0, 0, true, 0, 0, false, true},
    // 5: geographic position only; a status other than "A", or mode "N" (NMEA 2.3 and later), is no fix.
    //    $GPGLL,ddmm.mmmm,N,dddmm.mmmm,W,hhmmss.ss,A,A*hh
    {"GLL", "GLL", true, 6, 4, {NorthSouth(3), Lat(2), EastWest(5), Lon(4)},
     Geodetic, 0, 0, false, 7, 8, false, false},
    // 6: receiver kinematic position with DOP; quality 0 is no fix.
    //    $PTNL,GGK,hhmmss.ss,mmddyy,ddmm.mmmmmmm,N,dddmm.mmmmmmm,W,q,ss,d.d,EHTh.hhh,M*hh
    {"GGK", "GGK", true, 3, 7, {Sats(10), Quality(9), NorthSouth(6), Lat(5), EastWest(8), Lon(7), Pdop(11)},
     Geodetic, 0, 0, true, 0, 0, false, true},
    // 7: a total station's GGA look-alike: local northing in field 3, easting in 5, unit letter in 11.
    //    $GPGGA,hhmmss.ss,nnnnn.nnn,,eeeee.eee,,q,ss,,hhh.hh,F
    {"RTS pseudo GGA", "GGA", false, 2, 2, {Northing(3), Easting(5)},
     GridUnitLetter, 11, 0, false, 0, 0, false, false},
    // 8: GLL without a checksum (sent by total stations and converters, which
    //    may not keep the status and mode fields): judged by its coordinates only.
    {"Pseudo GLL", "GLL", false, 6, 4, {NorthSouth(3), Lat(2), EastWest(5), Lon(4)},
     Geodetic, 0, 0, false, 0, 0, false, false},
};

}  // namespace

const GpsFormatRow* GpsFormatRowOf(int format) {
    if (format < 0 || format >= kGpsFormatCount) return nullptr;
    return &kGpsFormats[format];
}

void SetupGpsSentenceFields() {
    GpsSentenceFormatRecord& f = GpsSentenceFormat;
    f.GpsTimeFieldNumber = 2;
    f.GpsChecksumCheck = 1;
    const GpsFormatRow* row = GpsFormatRowOf(GpsPortSetup.DataFormat);
    if (row == nullptr) {
        // No format: nothing may be selected, and no item of an earlier
        // format may stay in effect.
        f.DataFormat = -1;
        f.GpsSentenceType[0] = 0;
        f.GpsFieldCount = 0;
        return;
    }
    f.DataFormat = GpsPortSetup.DataFormat;
    std::strncpy(f.GpsSentenceType, row->Keyword, sizeof f.GpsSentenceType - 1);
    f.GpsSentenceType[sizeof f.GpsSentenceType - 1] = 0;
    f.GpsChecksumCheck = row->Checksum ? 1 : 0;
    f.GpsTimeFieldNumber = row->TimeField;
    f.GpsFieldCount = row->ItemCount;
    for (int i = 0; i < row->ItemCount && i < kGpsFormatItems; ++i) {
        f.GpsFieldType[static_cast<size_t>(i)] = row->Items[i].Kind;
        f.GpsFieldNumber[static_cast<size_t>(i)] = row->Items[i].Field;
    }
}

int GetSentenceField(const char* sentence, int n, char delimiter, char* out, size_t capacity) {
    if (sentence == nullptr || out == nullptr || capacity == 0 || n < 1) return 0;
    const char* start = sentence;
    for (int passed = 1; passed < n; ++passed) {
        const char* next = std::strchr(start, delimiter);
        if (next == nullptr || delimiter == 0) return 0;  // fewer than n fields
        start = next + 1;
    }
    const char* end = delimiter != 0 ? std::strchr(start, delimiter) : nullptr;
    size_t length = end != nullptr ? static_cast<size_t>(end - start) : std::strlen(start);
    if (length > capacity - 1) length = capacity - 1;
    std::memcpy(out, start, length);
    out[length] = 0;
    return 1;
}

bool IsSelectedGpsSentence(const char* sentence) {
    if (sentence == nullptr || GpsSentenceFormat.GpsSentenceType[0] == 0) return false;
    if (std::strstr(sentence, GpsSentenceFormat.GpsSentenceType) != nullptr) return true;
    const GpsFormatRow* row = GpsFormatRowOf(GpsSentenceFormat.DataFormat);
    return row != nullptr && row->TakesGsa && std::strstr(sentence, "GSA") != nullptr;
}
