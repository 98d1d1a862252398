// The GPS sentence handler: what the window thread does with each sentence
// the GPS reader hands over. A sentence of the selected format is decoded item
// by item as the format's table says, judged valid or not, shown in the GPS
// cells of the status panel, projected to UTM (or taken as local grid
// coordinates) in the display unit, and judged by the GPS warning mask, whose
// result blinks in the indicator circles. The position itself then goes on to
// ProcessGpsPosition (gps_position.h). In the GGA/GSA format a GSA sentence
// gives the PDOP.
//
// Every field is untrusted text from the receiver: a coordinate, northing or
// easting that is absent, empty or not a number makes the fix invalid (it
// never reads as 0); a dilution that is empty or not a number counts as
// absent; counts are clamped before they become integers.
#pragma once
#include <cstddef>
#include <cstdint>

#include "log_screen/status_panel.h"
#include "platform/window.h"

// The hand-over of a GPS sentence to the logging screen, wParam = lParam = 0.
constexpr uint32_t kMsgGpsSentence = plat::kMsgUser + 11;

// Metres per display unit: 0 metres, 1 feet, 2 US survey feet.
constexpr double kMetresPerFoot = 0.3048;
constexpr double kMetresPerUsFoot = 0.304800609601219;
double MetresPerDisplayUnit(int displayUnits);

// Numeric fields may have blanks around them and, as the last field of a
// sentence, its "*hh" checksum after them; anything else after the number
// makes the field not a number.
//
// A decimal number (optional sign, digits with at most one point, at least
// one digit). False for anything else and for values that are not finite.
bool ParseGpsNumber(const char* text, double* out);
// A count: digits after an optional "+", clamped to 0..9999; an empty field
// or one that is not a count reads as 0.
int32_t ParseGpsCount(const char* text);

// ddmm.mmmm (latitude, maxDegrees 90) or dddmm.mmmm (longitude, 180): degrees
// before the last two digits ahead of the point, minutes from there (at most
// eight characters count). False unless the field has that form with minutes
// below 60 and at most maxDegrees in all. The result is unsigned.
bool DecodeGpsCoordinate(const char* field, int maxDegrees, double* degrees);

// The panel text of a decoded latitude or longitude field: the hemisphere
// letter, the degrees as received, a degree sign (byte 0xB0), the two minute
// digits, an apostrophe, the seconds ("%-7.4f") and a double quote.
// "4807.038" with 'N' gives N48\xB007'2.2800 " (at most 31 characters).
// False, with `out` empty, when the text does not fit `capacity` whole or
// the field has no such form: a text is never shown cut.
bool FormatGeodeticText(char letter, const char* field, char* out, size_t capacity);

// The fix-quality text by the first character of the received field.
const char* GpsQualityText(char first);

// A dilution as the panel shows it: "%3.0f" from 10.0 on, else "%3.1f".
void FormatDilutionText(double dop, char* out, size_t capacity);

// A northing or easting in metres as the panel shows it for a coordinate
// display of 1 (m), 2 (ft) or 3 (US ft): "%12.2f m", "%12.2f ft", "%12.2f USft".
void FormatGridText(double metres, int coordinatesDisplay, char* out, size_t capacity);

// The GPS warning mask on the stored satellites, dilution and quality: passes
// when the warning is off or the format is not judged by it.
bool GpsMaskPasses();

// The time of day of `sentence` in seconds since midnight, from the format's
// time field hhmmss.ss. Returns 1, or 0 (and *seconds untouched) unless the
// field is present and holds two digits of hours 0..23, two of minutes 0..59
// and seconds below 61.
int DecodeGpsFixTime(const char* sentence, double* seconds);

// Draws an 8-bit text into a GPS cell in GdiObjects.TextFont (the handler's
// own cells and the position processing's speed, count and lengths); the
// tests read it back with gps_test::ShownGpsText.
void ShowGpsCellText(plat::Hdc dc, GpsStatusCell cell, const char* text);

// Opening the logging screen: the next valid fix is a first fix again. It
// sets a new map origin and, when it is projected, chooses the UTM zone and
// the hemisphere's northing frame afresh, so a file of this screen lies in
// the frame of where it was logged, whatever the screens before it crossed.
void ResetFirstFix();

// The logging screen's handler of kMsgGpsSentence; window, message and
// parameters are not used. Reads GpsSentenceBuffer.GpsLastSentence and
// empties it as its last step. When the sentence belongs to the recording
// (GpsSentenceIsRecorded) and logging goes on, writes its group from
// GpsSentenceBuffer.GpsWholeSentence and GpsSentenceTick after the swath
// records of its fix: every fix counted has its group, and Go and Pause,
// which run on this thread too, fall wholly before or after. Returns 0.
plat::LResult OnGpsSentence(plat::Hwnd, uint32_t, plat::WParam, plat::LParam);

namespace gps_test {
// What the handler last drew into each GPS cell ("" until it drew), the
// indicator circle last shown in the state colour (0 or 1, -1 none yet) and
// whether that colour was green. Cleared by ClearShownGpsCells.
const char16_t* ShownGpsText(GpsStatusCell cell);
int ShownStateLamp();
int ShownMaskPasses();
void ClearShownGpsCells();
}  // namespace gps_test
