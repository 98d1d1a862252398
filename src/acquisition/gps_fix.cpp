#include "acquisition/gps_fix.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "acquisition/gps_formats.h"
#include "acquisition/gps_position.h"
#include "platform/dc.h"
#include "platform/sound.h"
#include "survey_files/data_file.h"
#include "survey_files/survey_model.h"
#include "survey_files/text_helpers.h"
#include "survey_files/utm.h"

namespace {

constexpr int kCellCount = static_cast<int>(GpsStatusCell::TotalLength) + 1;  // every GPS cell
constexpr size_t kCellChars = 32;
constexpr char kNotAvailable[] = "     N/A     ";

// What was drawn last into each GPS cell, for the tests (window thread only).
char16_t g_shownText[kCellCount][kCellChars] = {};
int g_shownLamp = -1;
int g_shownPasses = 0;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }
// The blanks a standard number conversion skips.
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// The text of a numeric field without the blanks around it and without the
// sentence's "*hh" checksum when the field is the last one, copied into
// `out` (kGpsFieldChars). False when anything else follows the number
// ("5000.0*XYZ", "12*"): in the formats without a checksum test such a field
// is not a number.
bool NumberText(const char* field, char* out) {
    if (field == nullptr) return false;
    const char* begin = field;
    while (IsBlank(*begin)) ++begin;
    const char* end = std::strchr(begin, '*');
    if (end != nullptr) {
        const char* q = end + 1;
        int digits = 0;
        for (; IsHexDigit(*q) && digits < 2; ++q) ++digits;
        while (IsBlank(*q)) ++q;
        if (digits == 0 || *q != 0) return false;
    } else {
        end = begin + std::strlen(begin);
    }
    while (end > begin && IsBlank(end[-1])) --end;
    const auto length = std::min(static_cast<size_t>(end - begin), kGpsFieldChars - 1);
    std::memcpy(out, begin, length);
    out[length] = 0;
    return true;
}

// Draws an 8-bit text into a GPS cell. Texts with the degree sign are widened
// unsigned, so byte 0xB0 is drawn as U+00B0.
void ShowGpsText(plat::Hdc dc, GpsStatusCell cell, const char* text, plat::Hfont font, bool latin1 = false) {
    char16_t wide[kCellChars];
    if (latin1) {
        NarrowToWideUnsigned(text, wide, kCellChars);
    } else {
        NarrowToWide(text, wide, kCellChars);
    }
    const auto i = static_cast<size_t>(cell);
    if (i < kCellCount) std::memcpy(g_shownText[i], wide, sizeof wide);
    DrawGpsStatusText(dc, cell, wide, font);
}

// The working values of one sentence: decoded latitude and longitude (signed
// degrees) or northing and easting (display units), later the map Y and X.
struct FixWork {
    double Lat = 0.0, Lon = 0.0;
    double Latitude = 0.0, Longitude = 0.0;  // signed degrees as decoded, kept by the projection
    char LatLetter = ' ', LonLetter = ' ';
    int LatSign = 0, LonSign = 0;
};

// A local grid value brought into the display unit.
double GridValueInDisplayUnits(const GpsFormatRow& row, const char* sentence, double value) {
    const int units = SystemSetup.DisplayUnits;
    if (row.Coordinates == GpsCoordinates::GridUnitLetter) {
        char letter[kGpsFieldChars] = "";
        const bool feet = GetSentenceField(sentence, row.UnitField, ',', letter) == 1 && letter[0] == 'F';
        if (units == 0) return feet ? value * kMetresPerFoot : value;
        return feet ? value : value * 3.28084;
    }
    return value / MetresPerDisplayUnit(units);
}

void DecodeHemisphere(const char* field, bool present, bool latitude, FixWork& w) {
    const char plus = latitude ? 'N' : 'E';
    const char minus = latitude ? 'S' : 'W';
    const char c = present ? field[0] : 0;
    char& letter = latitude ? w.LatLetter : w.LonLetter;
    int& sign = latitude ? w.LatSign : w.LonSign;
    if (c == plus || c == minus) {
        letter = c;
        sign = c == plus ? 1 : -1;
    } else {
        GpsFix.FixValid = 0;
    }
}

void DecodeLatLon(plat::Hdc dc, const char* received, bool present, bool latitude, FixWork& w) {
    if (!present) {
        GpsFix.FixValid = 0;
        return;
    }
    if (GpsFix.FixValid == 0) return;  // decoded only while the fix still holds
    char field[kGpsFieldChars];
    double degrees = 0.0;
    if (!NumberText(received, field) || !DecodeGpsCoordinate(field, latitude ? 90 : 180, &degrees)) {
        GpsFix.FixValid = 0;
        return;
    }
    (latitude ? w.Lat : w.Lon) = degrees * (latitude ? w.LatSign : w.LonSign);
    if (SystemSetup.CoordinatesDisplay == 0) {
        // The letter, at most 16 degree digits of a 19-character field, the
        // degree sign, 2 minute digits, the apostrophe, 7 of seconds and the
        // quote: the text always fits its cell, so it is never left empty.
        static_assert(1 + (kGpsFieldChars - 4) + 1 + 2 + 1 + 7 + 1 < kCellChars);
        char text[kCellChars];
        FormatGeodeticText(latitude ? w.LatLetter : w.LonLetter, field, text, sizeof text);
        ShowGpsText(dc, latitude ? GpsStatusCell::Latitude : GpsStatusCell::Longitude, text, GdiObjects.TextFont, true);
    }
}

void DecodeItem(plat::Hdc dc, const GpsFormatRow& row, int kind, int fieldNumber, const char* sentence, FixWork& w) {
    char field[kGpsFieldChars] = "";
    const bool present = GetSentenceField(sentence, fieldNumber, ',', field) == 1;
    char text[kCellChars];
    switch (kind) {
    case kGpsItemSatellites: {
        const int32_t count = present ? ParseGpsCount(field) : 0;
        GpsFix.Satellites = count;
        if (count < 2) GpsFix.FixValid = 0;
        std::snprintf(text, sizeof text, "%2d", static_cast<int>(count));
        ShowGpsText(dc, GpsStatusCell::Satellites, text, GdiObjects.BoldFont);
        break;
    }
    case kGpsItemQuality: {
        const int32_t received = present ? ParseGpsCount(field) : 0;
        if (row.QualityZeroIsNoFix && received == 0) GpsFix.FixValid = 0;
        GpsFix.FixQuality = received + row.QualityOffset;
        ShowGpsText(dc, GpsStatusCell::FixQuality, present ? GpsQualityText(field[0]) : "", GdiObjects.BoldFont);
        break;
    }
    case kGpsItemLatHemisphere:
    case kGpsItemLonHemisphere:
        DecodeHemisphere(field, present, kind == kGpsItemLatHemisphere, w);
        break;
    case kGpsItemLatitude:
    case kGpsItemLongitude:
        DecodeLatLon(dc, field, present, kind == kGpsItemLatitude, w);
        break;
    case kGpsItemPdop:
    case kGpsItemHdop:
    case kGpsItemGridQuality: {
        double dop = 0.0;
        if (!present || !ParseGpsNumber(field, &dop) || dop < 0.0) break;  // absent: the stored value stays
        GpsFix.Dop = dop;
        FormatDilutionText(dop, text, sizeof text);
        ShowGpsText(dc, GpsStatusCell::Dop, text, GdiObjects.TextFont);
        break;
    }
    case kGpsItemNorthing:
    case kGpsItemEasting: {
        double value = 0.0;
        if (!present || !ParseGpsNumber(field, &value)) {
            GpsFix.FixValid = 0;
            break;
        }
        (kind == kGpsItemNorthing ? w.Lat : w.Lon) = GridValueInDisplayUnits(row, sentence, value);
        break;
    }
    default:
        break;
    }
}

// A GLL sentence that carries a status other than "A" (valid), or the mode
// "N" (not valid), reports no fix; a sentence too old to carry them is judged
// by its coordinates alone.
bool ReportsNoFix(const GpsFormatRow& row, const char* sentence) {
    char field[kGpsFieldChars];
    if (row.StatusField > 0 && GetSentenceField(sentence, row.StatusField, ',', field) == 1 && field[0] != 'A') return true;
    return row.ModeField > 0 && GetSentenceField(sentence, row.ModeField, ',', field) == 1 && field[0] == 'N';
}

void ShowGridCoordinates(plat::Hdc dc, const FixWork& w) {
    const double toMetres = MetresPerDisplayUnit(SystemSetup.DisplayUnits);
    const int display = SystemSetup.CoordinatesDisplay;
    char north[kCellChars], east[kCellChars];
    if (display >= 1 && display <= 3) {
        FormatGridText(w.Lat * toMetres, display, north, sizeof north);
        FormatGridText(w.Lon * toMetres, display, east, sizeof east);
    } else {
        std::snprintf(north, sizeof north, "N/A  for  selected");
        std::snprintf(east, sizeof east, "NMEA  Data ");
    }
    ShowGpsText(dc, GpsStatusCell::Latitude, north, GdiObjects.TextFont);
    ShowGpsText(dc, GpsStatusCell::Longitude, east, GdiObjects.TextFont);
    ShowGpsText(dc, GpsStatusCell::Zone, "na", GdiObjects.TextFont);
}

// Projects a valid geodetic fix into the zone and northing frame of the
// logging screen (chosen by its first projected fix: across the equator the
// northing goes on in that hemisphere's frame) and makes w the map Y and X.
// False when the projection refuses the values; the fix is then invalid.
bool ProjectFix(plat::Hdc dc, FixWork& w) {
    int zone = GpsFix.UtmZoneForced;
    const int useGivenZone = zone == -9 ? 0 : 1;
    double northing = 0.0, easting = 0.0;
    if (!GeodeticToUtm(w.Lat, w.Lon, &zone, &northing, &easting, useGivenZone)) return false;
    w.Latitude = w.Lat;
    w.Longitude = w.Lon;
    if (useGivenZone == 0) {
        GpsFix.UtmZoneForced = zone;
        GpsFix.UtmFrameForced = NorthingFrameOf(w.Lat);
        GpsFix.UtmZone = zone;
        GpsFix.OriginLatitude = w.Lat;
        GpsFix.OriginLongitude = w.Lon;
    }
    northing = NorthingInFrame(northing, w.Lat, GpsFix.UtmFrameForced);
    const int display = SystemSetup.CoordinatesDisplay;
    if (display >= 1 && display <= 3) {
        char text[kCellChars];
        FormatGridText(northing, display, text, sizeof text);
        ShowGpsText(dc, GpsStatusCell::Latitude, text, GdiObjects.TextFont);
        FormatGridText(easting, display, text, sizeof text);
        ShowGpsText(dc, GpsStatusCell::Longitude, text, GdiObjects.TextFont);
        std::snprintf(text, sizeof text, "%-2d", zone);
        ShowGpsText(dc, GpsStatusCell::Zone, text, GdiObjects.TextFont);
    }
    const double perUnit = MetresPerDisplayUnit(SystemSetup.DisplayUnits);
    w.Lat = northing / perUnit;
    w.Lon = easting / perUnit;
    return true;
}

// The indicator: the state colour moves to the other circle at every
// selected sentence; a failing mask also sounds the GPS warning, except while
// the watchdog handles a connection break.
void ShowGpsIndicator(plat::Hdc dc) {
    const bool passes = GpsMaskPasses();
    if (!passes && GpsSentenceBuffer.GpsConnectionBroken.load() == 0 && AudioOptions.GpsMaskWarning == 1) {
        plat::PlaySound("SOUND_GPSWARNING");
    }
    int stateLamp = 0;
    if (GpsFix.BlinkPhase == '/') {
        GpsFix.BlinkPhase = '\\';
        stateLamp = 1;
    } else {
        GpsFix.BlinkPhase = '/';
        stateLamp = 0;
    }
    g_shownLamp = stateLamp;
    g_shownPasses = passes ? 1 : 0;
    DrawGpsIndicator(dc, stateLamp, passes ? 1 : 0);
}

// Items, validity, coordinates and the indicator of a selected sentence;
// then the position goes on.
void HandlePositionSentence(plat::Hdc dc, const GpsFormatRow& row, const char* sentence) {
    GpsFix.FixValid = 1;
    FixWork w;
    const int count = GpsSentenceFormat.GpsFieldCount;
    for (int i = 0; i < count && i < kGpsFormatItems; ++i) {
        const auto k = static_cast<size_t>(i);
        DecodeItem(dc, row, GpsSentenceFormat.GpsFieldType[k], GpsSentenceFormat.GpsFieldNumber[k], sentence, w);
    }
    if (ReportsNoFix(row, sentence)) GpsFix.FixValid = 0;

    if (GpsFix.FixValid == 1) {
        if (row.Coordinates == GpsCoordinates::Geodetic) {
            if (!ProjectFix(dc, w)) GpsFix.FixValid = 0;
        } else {
            ShowGridCoordinates(dc, w);
        }
    }
    if (GpsFix.FixValid == 0) {
        ShowGpsText(dc, GpsStatusCell::Longitude, kNotAvailable, GdiObjects.TextFont);
        ShowGpsText(dc, GpsStatusCell::Latitude, kNotAvailable, GdiObjects.TextFont);
    }

    ShowGpsIndicator(dc);

    if (GpsFix.FixValid == 1) {
        GpsFix.Latitude = w.Latitude;
        GpsFix.Longitude = w.Longitude;
    }
    int firstFix = 0;
    if (GpsFix.FixValid == 1 && GpsFix.PositionValid == 0) {
        GpsFix.FirstFixX = w.Lon;
        GpsFix.FirstFixY = w.Lat;
        GpsFix.FirstFixLatitude = w.Latitude;
        GpsFix.FirstFixLongitude = w.Longitude;
        GpsFix.PositionValid = 1;
        EnableFileButton();
        firstFix = 1;
    }
    ProcessGpsPosition(w.Lon, w.Lat, firstFix);
}

// In the GGA/GSA format a GSA sentence carries the PDOP in field 16.
void HandleGsaSentence(plat::Hdc dc, const char* sentence) {
    char field[kGpsFieldChars] = "";
    double pdop = 0.0;
    if (GetSentenceField(sentence, 16, ',', field) == 1 && ParseGpsNumber(field, &pdop) && pdop >= 0.0) {
        GpsFix.Dop = pdop;
        char text[kCellChars];
        std::snprintf(text, sizeof text, "%-4.1f", pdop);
        ShowGpsText(dc, GpsStatusCell::Dop, text, GdiObjects.BoldFont);
    } else {
        ShowGpsText(dc, GpsStatusCell::Dop, "N/A", GdiObjects.BoldFont);
    }
}

}  // namespace

double MetresPerDisplayUnit(int displayUnits) {
    if (displayUnits == 1) return kMetresPerFoot;
    if (displayUnits == 2) return kMetresPerUsFoot;
    return 1.0;
}

bool ParseGpsNumber(const char* text, double* out) {
    char number[kGpsFieldChars];
    if (out == nullptr || !NumberText(text, number)) return false;
    const char* p = number;
    if (*p == '+' || *p == '-') ++p;
    int digits = 0, points = 0;
    for (; *p != 0; ++p) {
        if (IsDigit(*p)) {
            ++digits;
        } else if (*p == '.' && points == 0) {
            ++points;
        } else {
            return false;
        }
    }
    if (digits == 0) return false;
    const double value = std::strtod(number, nullptr);
    if (!std::isfinite(value)) return false;
    *out = value;
    return true;
}

int32_t ParseGpsCount(const char* text) {
    char number[kGpsFieldChars];
    if (!NumberText(text, number)) return 0;
    const char* p = number;
    if (*p == '+') ++p;
    int32_t value = 0;
    for (; IsDigit(*p); ++p) {
        if (value < 10000) value = value * 10 + (*p - '0');
    }
    if (*p != 0) return 0;  // a sign, a point or a letter: not a count
    return std::min<int32_t>(value, 9999);
}

bool DecodeGpsCoordinate(const char* received, int maxDegrees, double* degrees) {
    char field[kGpsFieldChars];
    if (degrees == nullptr || !NumberText(received, field)) return false;
    const char* point = std::strchr(field, '.');
    if (point == nullptr) return false;
    const size_t p = static_cast<size_t>(point - field);
    if (p < 2) return false;
    for (size_t i = 0; i < p; ++i) {
        if (!IsDigit(field[i])) return false;
    }
    for (const char* q = point + 1; *q != 0; ++q) {
        if (!IsDigit(*q)) return false;
    }
    double whole = 0.0;
    for (size_t i = 0; i + 2 < p; ++i) whole = whole * 10.0 + (field[i] - '0');
    char minutesText[9];
    std::snprintf(minutesText, sizeof minutesText, "%s", field + p - 2);  // mm.mmmmm: at most 8 characters count
    const double minutes = std::strtod(minutesText, nullptr);
    if (!(minutes < 60.0)) return false;
    const double value = whole + minutes / 60.0;
    if (!(value <= maxDegrees)) return false;
    *degrees = value;
    return true;
}

bool FormatGeodeticText(char letter, const char* field, char* out, size_t capacity) {
    if (out == nullptr || capacity == 0) return false;
    out[0] = 0;
    const char* point = field != nullptr ? std::strchr(field, '.') : nullptr;
    if (point == nullptr || point - field < 2) return false;
    const int degreeDigits = static_cast<int>(point - field) - 2;
    const double seconds = std::strtod(point, nullptr) * 60.0;
    // Seconds of a fraction of a minute take exactly the 7 characters of
    // "%-7.4f"; anything from 99.9 on is no such fraction.
    if (!(seconds >= 0.0 && seconds < 99.9)) return false;
    const int n = std::snprintf(out, capacity, "%c%.*s\xB0%.2s'%-7.4f%c", letter, degreeDigits, field, point - 2,
                                seconds, '"');
    if (n < 0 || static_cast<size_t>(n) >= capacity) {
        out[0] = 0;  // never a cut text: cut seconds would show another position
        return false;
    }
    return true;
}

const char* GpsQualityText(char first) {
    static const char* const kRtk[] = {"RTK3", "RTK4", "RTK5", "RTK6", "RTK7", "RTK8", "RTK9"};
    switch (first) {
    case '0': return "NO FIX";
    case '1': return "AGPS";
    case '2': return "DGPS";
    default: break;
    }
    if (first >= '3' && first <= '9') return kRtk[first - '3'];
    return "UNKW";
}

void FormatDilutionText(double dop, char* out, size_t capacity) {
    std::snprintf(out, capacity, dop >= 10.0 ? "%3.0f" : "%3.1f", dop);
}

void FormatGridText(double metres, int coordinatesDisplay, char* out, size_t capacity) {
    switch (coordinatesDisplay) {
    case 2: std::snprintf(out, capacity, "%12.2f ft", metres / kMetresPerFoot); break;
    case 3: std::snprintf(out, capacity, "%12.2f USft", metres / kMetresPerUsFoot); break;
    default: std::snprintf(out, capacity, "%12.2f m", metres); break;
    }
}

bool GpsMaskPasses() {
    const GpsFormatRow* row = GpsFormatRowOf(GpsSentenceFormat.DataFormat);
    if (GpsWarningMask.Warning == 0 || row == nullptr || !row->MaskApplies) return true;
    return GpsFix.Satellites >= GpsWarningMask.MinSatellites && GpsFix.Dop <= GpsWarningMask.MaxDilution &&
           GpsFix.FixQuality >= GpsWarningMask.MinQuality + 1;
}

int DecodeGpsFixTime(const char* sentence, double* seconds) {
    char field[kGpsFieldChars];
    if (seconds == nullptr || GetSentenceField(sentence, GpsSentenceFormat.GpsTimeFieldNumber, ',', field) != 1) return 0;
    for (int i = 0; i < 4; ++i) {
        if (!IsDigit(field[i])) return 0;  // also stops at the end of a short field
    }
    const int hours = (field[0] - '0') * 10 + (field[1] - '0');
    const int minutes = (field[2] - '0') * 10 + (field[3] - '0');
    double secs = 0.0;
    if (hours > 23 || minutes > 59 || field[4] == '+' || field[4] == '-' || field[4] == ' ') return 0;
    if (!ParseGpsNumber(field + 4, &secs) || secs >= 61.0) return 0;
    *seconds = hours * 3600.0 + minutes * 60.0 + secs;
    return 1;
}

void ResetFirstFix() {
    GpsFix.PositionValid = 0;
    GpsFix.UtmZoneForced = -9;
    GpsFix.UtmZone = -9;
    GpsFix.UtmFrameForced = 0;
}

plat::LResult OnGpsSentence(plat::Hwnd, uint32_t, plat::WParam, plat::LParam) {
    const bool recorded = GpsSentenceIsRecorded();
    const char* sentence = GpsSentenceBuffer.GpsLastSentence;
    const GpsFormatRow* row = GpsFormatRowOf(GpsSentenceFormat.DataFormat);
    const plat::Hwnd screen = ScreenWindows.LogScreenWindow;
    const plat::Hdc dc = screen != 0 ? plat::GetDC(screen) : 0;
    if (row != nullptr) {
        if (GpsSentenceFormat.GpsSentenceType[0] != 0 && std::strstr(sentence, GpsSentenceFormat.GpsSentenceType) != nullptr) {
            HandlePositionSentence(dc, *row, sentence);
        }
        if (row->TakesGsa && std::strstr(sentence, "GSA") != nullptr) HandleGsaSentence(dc, sentence);
    }
    if (dc != 0) plat::ReleaseDC(screen, dc);
    // The group follows the swath records of its fix. The end of the data
    // file's capacity stops logging inside the handler: that last sentence
    // is not written.
    if (recorded && LogScreenState.LoggingState.load() == kStateLogging && ReaderThreads.SimulatePositions == 0) {
        WriteGpsSentenceRecords(GpsSentenceBuffer.GpsWholeSentence, GpsSentenceBuffer.GpsSentenceTick.load(), '@', '#');
    }
    GpsSentenceBuffer.GpsLastSentence[0] = 0;
    GpsSentenceBuffer.GpsWholeSentence[0] = 0;
    return 0;
}

void ShowGpsCellText(plat::Hdc dc, GpsStatusCell cell, const char* text) {
    ShowGpsText(dc, cell, text, GdiObjects.TextFont);
}

namespace gps_test {

const char16_t* ShownGpsText(GpsStatusCell cell) {
    const auto i = static_cast<size_t>(cell);
    return i < kCellCount ? g_shownText[i] : u"";
}

int ShownStateLamp() { return g_shownLamp; }
int ShownMaskPasses() { return g_shownPasses; }

void ClearShownGpsCells() {
    for (auto& t : g_shownText) t[0] = 0;
    g_shownLamp = -1;
    g_shownPasses = 0;
}

}  // namespace gps_test
