// The GPS sentence handler on sentences as real receivers send them: validity
// per format, the texts of the GPS cells, the warning mask and its indicator
// and sound, local-grid units, the UTM zone chosen once, the first fix.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "acquisition/gps_fix.h"
#include "acquisition/gps_formats.h"
#include "platform/sound.h"
#include "support/gps_instrument.h"
#include "support/test_env.h"
#include "survey_files/survey_model.h"
#include "survey_files/utm.h"

namespace {

using Cell = GpsStatusCell;

// "$..." with its "*hh" (no line end): as the reader hands it over.
std::string Nmea(const std::string& body) { return body + "*" + instruments::NmeaChecksum(body); }

// A drawn 16-bit text as bytes (every character here is below U+0100).
std::string Shown(Cell cell) {
    std::string out;
    for (const char16_t* p = gps_test::ShownGpsText(cell); *p != 0; ++p) out += static_cast<char>(*p);
    return out;
}

int CountSounds(const char* name) {
    int n = 0;
    for (const auto& s : plat::test::RecordedSounds()) n += s.Name == name ? 1 : 0;
    return n;
}

const std::string kLat48 = "N48\xB0" "07'2.2800 \"";   // 48 deg 7.038 min
const std::string kLon11 = "E011\xB0" "31'0.0000 \"";  // 11 deg 31.000 min
const std::string kNa = "     N/A     ";

class GpsFixTest : public OstrimaTest {
protected:
    void SetUp() override {
        OstrimaTest::SetUp();
        gps_test::ClearShownGpsCells();
        GpsWarningMask.Warning = 0;
    }

    static void UseFormat(int format) {
        GpsPortSetup.DataFormat = format;
        SetupGpsSentenceFields();
    }

    // One sentence through the handler, as the reader's hand-over does it.
    static void Handle(const std::string& sentence) {
        std::snprintf(GpsSentenceBuffer.GpsLastSentence, sizeof GpsSentenceBuffer.GpsLastSentence, "%s",
                      sentence.c_str());
        OnGpsSentence(0, kMsgGpsSentence, 0, 0);
        EXPECT_EQ(GpsSentenceBuffer.GpsLastSentence[0], 0) << "the handler empties the buffer";
    }

    // Map Y and X of a valid first fix.
    static void ExpectFirstFixAt(double y, double x, double tolerance = 1e-6) {
        EXPECT_EQ(GpsFix.PositionValid, 1);
        EXPECT_NEAR(GpsFix.FirstFixY, y, tolerance);
        EXPECT_NEAR(GpsFix.FirstFixX, x, tolerance);
    }
};

TEST_F(GpsFixTest, ReceiverSentencesPerFormat) {
    struct Case {
        int format;
        std::string sentence;
        int valid;
        const char* sats;
        const char* quality;  // nullptr: not drawn
        std::string lat, lon;
        int fixQuality;
    } cases[] = {
        // standard fixes, any talker, NMEA 2.3 and 4.11 extra fields
        {0, Nmea("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"), 1, " 8", "AGPS", kLat48, kLon11, 1},
        {0, Nmea("$GNGGA,123519.00,4807.038,N,01131.000,E,4,12,0.7,545.4,M,46.9,M,1.0,0000"), 1, "12", "RTK4", kLat48, kLon11, 4},
        {1, Nmea("$GLGGA,123519.00,4807.038,N,01131.000,E,5,07,1.1,545.4,M,46.9,M,,"), 1, " 7", "RTK5", kLat48, kLon11, 5},
        {1, Nmea("$GAGGA,123519.00,4807.038,S,01131.000,W,2,09,1.1,545.4,M,46.9,M,,"), 1, " 9", "DGPS",
         "S48\xB0" "07'2.2800 \"", "W011\xB0" "31'0.0000 \"", 2},
        // no fix: empty fields, quality 0
        {0, Nmea("$GPGGA,123519,,,,,0,00,,,M,,M,,"), 0, " 0", "NO FIX", kNa, kNa, 0},
        {1, Nmea("$GPGGA,,,,,,,,,,,,,,"), 0, " 0", "UNKW", kNa, kNa, 0},
        // one satellite is no fix, whatever the quality
        {1, Nmea("$GPGGA,123519,4807.038,N,01131.000,E,1,01,0.9,545.4,M,46.9,M,,"), 0, " 1", "AGPS", kNa, kNa, 1},
        // POS counts its mode from 0: mode 0 is a fix of quality 1
        {2, Nmea("$PASHR,POS,0,09,123519.00,4807.03800,N,01131.00000,E,00520.30,,000.0,000.1,+000.0,01.6,00.9,01.3,01.0,GG12"),
         1, " 9", "NO FIX", kLat48, kLon11, 1},
        // GGK: quality 0 is no fix; seven decimals of minutes
        {6, Nmea("$PTNL,GGK,123519.00,061524,4807.0380004,N,01131.0000004,E,3,10,1.1,EHT520.300,M"), 1, "10", "RTK3",
         kLat48, kLon11, 3},
        {6, Nmea("$PTNL,GGK,123519.00,061524,4807.0380000,N,01131.0000000,E,0,10,1.1,EHT520.300,M"), 0, "10", "NO FIX",
         kNa, kNa, 0},
        // GLL: a status other than A, or mode N, is no fix; an old GLL without them is a fix
        {5, Nmea("$GNGLL,4807.038,N,01131.000,E,123519.00,A,D"), 1, "", nullptr, kLat48, kLon11, 10},
        {5, Nmea("$GPGLL,4807.038,N,01131.000,E,123519,V,N"), 0, "", nullptr, kNa, kNa, 10},
        {5, Nmea("$GPGLL,4807.038,N,01131.000,E,123519,N"), 0, "", nullptr, kNa, kNa, 10},
        {5, Nmea("$GPGLL,4807.038,N,01131.000,E,123519,A,N"), 0, "", nullptr, kNa, kNa, 10},
        {5, Nmea("$GPGLL,4807.038,N,01131.000,E"), 1, "", nullptr, kLat48, kLon11, 10},
        {5, "$GPGLL,4336.5973,N,07936.6482,W,152346,A,S*49", 1, "", nullptr,  // the simulator's
         "N43\xB0" "36'35.8380\"", "W079\xB0" "36'38.8920\"", 10},
        // Pseudo GLL: its converters may not keep status or mode; the coordinates decide
        {8, "$GPGLL,4807.038,N,01131.000,E,123519,A", 1, "", nullptr, kLat48, kLon11, 10},
        {8, "$GPGLL,4807.038,N,01131.000,E,123519,V,N", 1, "", nullptr, kLat48, kLon11, 10},
        // blanks around numbers read as a conversion reads them
        {1, Nmea("$GPGGA,123519, 4807.038 ,N,01131.000 ,E, 1, 8,0.9,545.4,M,46.9,M,,"), 1, " 8", "UNKW", kLat48, kLon11, 1},
        // local grid: quality 0 is no fix in LLK and LLQ as in GGA
        {3, Nmea("$GPLLK,123519.00,061524,1000.000,M,5000.000,M,0,09,1.2,520.300,M"), 0, " 9", "NO FIX", kNa, kNa, 0},
        {4, Nmea("$GPLLQ,123519.00,061524,1000.000,M,5000.000,M,3,09,0.02,520.300,M"), 1, " 9", "RTK3",
         "N/A  for  selected", "NMEA  Data ", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sentence);
        ResetSurveyModel();
        gps_test::ClearShownGpsCells();
        UseFormat(c.format);
        Handle(c.sentence);
        EXPECT_EQ(GpsFix.FixValid, c.valid);
        EXPECT_EQ(GpsFix.PositionValid, c.valid) << "only a valid fix is a first fix";
        EXPECT_EQ(Shown(Cell::Satellites), c.sats);
        if (c.quality != nullptr) {
            EXPECT_EQ(Shown(Cell::FixQuality), c.quality);
        }
        EXPECT_EQ(Shown(Cell::Latitude), c.lat);
        EXPECT_EQ(Shown(Cell::Longitude), c.lon);
        EXPECT_EQ(GpsFix.FixQuality, c.fixQuality);
    }
}

TEST_F(GpsFixTest, CoordinateFieldsThatAreNotCoordinatesMakeTheFixInvalid) {
    const char* fields[] = {
        ",N,01131.000,E",          // empty latitude
        "48O7.038,N,01131.000,E",  // a letter among the digits
        "4807,N,01131.000,E",      // no point
        "7.038,N,01131.000,E",     // fewer than two digits before the point
        "4860.000,N,01131.000,E",  // 60 minutes
        "9100.000,N,01131.000,E",  // beyond the pole
        "4807.038,N,18100.000,E",  // beyond 180 degrees
        "4807.038,,01131.000,E",   // no hemisphere
        "4807.038,N,01131.000,X",  // no such hemisphere
        "4807.038,N,-1131.000,E",  // a sign where digits belong
        "4807.038,N,,E",           // empty longitude
    };
    UseFormat(0);
    for (const char* f : fields) {
        SCOPED_TRACE(f);
        GpsFix.PositionValid = 0;
        Handle(Nmea(std::string("$GPGGA,123519,") + f + ",1,08,0.9,545.4,M,46.9,M,,"));
        EXPECT_EQ(GpsFix.FixValid, 0);
        EXPECT_EQ(GpsFix.PositionValid, 0);
        EXPECT_EQ(Shown(Cell::Latitude), kNa);
        EXPECT_EQ(Shown(Cell::Longitude), kNa);
    }
    // A sentence cut short before its coordinates.
    Handle(Nmea("$GPGGA,123519"));
    EXPECT_EQ(GpsFix.FixValid, 0);
    EXPECT_EQ(Shown(Cell::Satellites), " 0");
    // Format 7 (no checksum test): an empty or non-numeric northing or easting.
    UseFormat(7);
    for (const char* s : {"$GPGGA,123519.00,,,200.000,,1,09,,520.30,M", "$GPGGA,123519.00,1O0.0,,200.000,,1,09,,520.30,M",
                          "$GPGGA,123519.00,100.0,,", "$GPGGA,123519.00,100.0,,200.0*XYZ"}) {
        Handle(s);
        EXPECT_EQ(GpsFix.FixValid, 0) << s;
    }
}

TEST_F(GpsFixTest, DilutionTextsAndAbsentDilution) {
    UseFormat(1);
    struct Case {
        const char* hdop;
        double dop;
        const char* text;
    } cases[] = {
        {"12.34", 12.34, " 12"}, {"3.14", 3.14, "3.1"}, {"0.9", 0.9, "0.9"},
        {"", 0.9, "0.9"},        // empty: absent, the stored value and its text stay
        {"abc", 0.9, "0.9"},     // not a number: absent as well
        {"-1.0", 0.9, "0.9"},    // no dilution is negative
        {"10", 10.0, " 10"},
    };
    for (const Case& c : cases) {
        Handle(Nmea(std::string("$GPGGA,123519,4807.038,N,01131.000,E,1,08,") + c.hdop + ",545.4,M,46.9,M,,"));
        EXPECT_DOUBLE_EQ(GpsFix.Dop, c.dop) << c.hdop;
        EXPECT_EQ(Shown(Cell::Dop), c.text) << c.hdop;
        EXPECT_EQ(GpsFix.FixValid, 1) << "dilution never affects validity";
    }
}

TEST_F(GpsFixTest, GsaGivesThePdopInTheGgaGsaFormatOnly) {
    UseFormat(0);
    Handle(Nmea("$GPGSA,A,3,04,05,09,12,24,25,29,31,,,,,1.5,1.2,1.3"));
    EXPECT_DOUBLE_EQ(GpsFix.Dop, 1.5);
    EXPECT_EQ(Shown(Cell::Dop), "1.5 ");
    EXPECT_EQ(gps_test::ShownStateLamp(), -1) << "a GSA sentence does not blink the indicator";
    EXPECT_EQ(GpsFix.PositionValid, 0);
    Handle(Nmea("$GNGSA,A,3,05,07,13,15,18,30,,,,,,,12.0,0.9,1.3,1"));  // NMEA 4.11: system id at the end
    EXPECT_DOUBLE_EQ(GpsFix.Dop, 12.0);
    EXPECT_EQ(Shown(Cell::Dop), "12.0");
    Handle(Nmea("$GPGSA,A,1" + std::string(15, ',')));  // no fix: every field empty
    EXPECT_DOUBLE_EQ(GpsFix.Dop, 12.0);
    EXPECT_EQ(Shown(Cell::Dop), "N/A");

    // Format 1 takes no GSA (the reader would not hand it over either), and
    // without a format a sentence is only emptied.
    for (int format : {1, 12}) {
        ResetSurveyModel();
        gps_test::ClearShownGpsCells();
        UseFormat(format);
        Handle(Nmea("$GPGSA,A,3,04,05,09,12,24,25,29,31,,,,,1.5,1.2,1.3"));
        Handle(Nmea("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"));
        EXPECT_DOUBLE_EQ(GpsFix.Dop, format == 1 ? 0.9 : -2.0);
        EXPECT_EQ(Shown(Cell::Dop), format == 1 ? "0.9" : "");
        EXPECT_EQ(GpsFix.PositionValid, format == 1 ? 1 : 0);
    }
}

// The mask judges the stored satellites, dilution and quality (not the fix),
// and spares the formats that carry none of them.
TEST_F(GpsFixTest, WarningMaskBoundariesAndItsSound) {
    GpsWarningMask.Warning = 1;
    GpsWarningMask.MinSatellites = 5;
    GpsWarningMask.MaxDilution = 4.0;
    GpsWarningMask.MinQuality = 1;
    const std::string gga = "$GPGGA,123519,4807.038,N,01131.000,E,";
    const struct {
        int format;
        std::string sentence;
        int passes;
    } cases[] = {
        {0, Nmea(gga + "2,05,9.9,545.4,M,46.9,M,,"), 1},  // no dilution yet: -2.0 passes any maximum
        {1, Nmea(gga + "2,05,4.0,545.4,M,46.9,M,,"), 1},
        {1, Nmea(gga + "2,04,4.0,545.4,M,46.9,M,,"), 0},
        {1, Nmea(gga + "2,05,4.01,545.4,M,46.9,M,,"), 0},
        {1, Nmea(gga + "1,05,4.0,545.4,M,46.9,M,,"), 0},
        {1, Nmea("$GPGGA,123519,,N,01131.000,E,4,12,0.5,545.4,M,46.9,M,,"), 1},  // invalid fix, good values
        {1, Nmea("$GPGGA,123519,,,,,0,00,,,M,,M,,"), 0},  // stores 0 satellites and quality 0
        {5, Nmea("$GPGLL,4807.038,N,01131.000,E,123519,A,A"), 1},
        {7, "$GPGGA,123519.00,100.000,,200.000,,1,09,,520.30,M", 1},
        {8, "$GPGLL,4807.038,N,01131.000,E,123519,V", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sentence);
        plat::test::ClearRecordedSounds();
        UseFormat(c.format);
        Handle(c.sentence);
        EXPECT_EQ(gps_test::ShownMaskPasses(), c.passes);
        EXPECT_EQ(CountSounds("SOUND_GPSWARNING"), c.passes ? 0 : 1);
    }
    // Silent while the watchdog handles a connection break, or with the sound option off.
    plat::test::ClearRecordedSounds();
    UseFormat(1);
    GpsSentenceBuffer.GpsConnectionBroken = 1;
    Handle(Nmea("$GPGGA,123519,,,,,0,00,,,M,,M,,"));
    EXPECT_EQ(gps_test::ShownMaskPasses(), 0);
    GpsSentenceBuffer.GpsConnectionBroken = 0;
    AudioOptions.GpsMaskWarning = 0;
    Handle(Nmea("$GPGGA,123519,,,,,0,00,,,M,,M,,"));
    EXPECT_EQ(CountSounds("SOUND_GPSWARNING"), 0);
}

TEST_F(GpsFixTest, IndicatorAlternatesAtEverySelectedSentence) {
    UseFormat(0);
    const std::string gga = Nmea("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
    Handle(gga);
    EXPECT_EQ(gps_test::ShownStateLamp(), 0) << "the first sentence lights the first circle";
    EXPECT_EQ(GpsFix.BlinkPhase, '/');
    Handle(Nmea("$GPGGA,123519,,,,,0,00,,,M,,M,,"));  // invalid fixes blink as well
    EXPECT_EQ(gps_test::ShownStateLamp(), 1);
    Handle(Nmea("$GPRMC,123519,A,4807.038,N,01131.000,E,0.0,0.0,150624,,,A"));  // not selected
    EXPECT_EQ(gps_test::ShownStateLamp(), 1);
    Handle(gga);
    EXPECT_EQ(gps_test::ShownStateLamp(), 0);
}

// Local grid coordinates become the map Y and X in the display unit; the
// panel shows them in the coordinate display's unit, and no zone.
TEST_F(GpsFixTest, LocalGridUnits) {
    const std::string llk = Nmea("$GPLLK,123519.00,061524,1000.000,M,5000.000,M,1,09,1.2,520.300,M");
    const std::string rts = "$GPGGA,123519.00,100.000,,200.000,,1,09,,520.30,";
    constexpr double kFt = 0.3048, kUsFt = 0.304800609601219;
    const struct {
        int format;
        std::string sentence;
        int displayUnits, coordinates;
        double y, x;
        const char* north;  // nullptr: not checked
        const char* east;
    } cases[] = {
        {3, llk, 0, 1, 5000.0, 1000.0, "     5000.00 m", "     1000.00 m"},
        {3, llk, 1, 1, 5000.0 / kFt, 1000.0 / kFt, "     5000.00 m", "     1000.00 m"},
        {3, llk, 2, 2, 5000.0 / kUsFt, 1000.0 / kUsFt, "    16404.20 ft", "     3280.84 ft"},
        {3, llk, 0, 3, 5000.0, 1000.0, "    16404.17 USft", "     3280.83 USft"},
        {3, llk, 1, 0, 5000.0 / kFt, 1000.0 / kFt, "N/A  for  selected", "NMEA  Data "},
        // the total station's unit letter: "F" feet, anything else metres
        {7, rts + "F", 0, 1, 30.48, 60.96, "       30.48 m", "       60.96 m"},
        {7, rts + "M", 0, 0, 100.0, 200.0, nullptr, nullptr},
        {7, rts + "M", 1, 0, 328.084, 656.168, nullptr, nullptr},
        {7, rts + "F", 1, 0, 100.0, 200.0, nullptr, nullptr},
        {7, rts + "M", 2, 0, 328.084, 656.168, nullptr, nullptr},
        {7, rts + "F", 2, 0, 100.0, 200.0, nullptr, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sentence + " units " + std::to_string(c.displayUnits));
        ResetSurveyModel();
        SystemSetup.DisplayUnits = c.displayUnits;
        SystemSetup.CoordinatesDisplay = c.coordinates;
        UseFormat(c.format);
        Handle(c.sentence);
        ExpectFirstFixAt(c.y, c.x, 1e-6);
        if (c.north != nullptr) {
            EXPECT_EQ(Shown(Cell::Latitude), c.north);
            EXPECT_EQ(Shown(Cell::Longitude), c.east);
        }
        EXPECT_EQ(Shown(Cell::Zone), "na");
        EXPECT_EQ(GpsFix.UtmZoneForced, -9) << "local grid chooses no zone";
    }
}

TEST_F(GpsFixTest, ZoneIsChosenByTheFirstProjectionOnly) {
    SystemSetup.CoordinatesDisplay = 1;
    UseFormat(1);
    Handle(Nmea("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"));
    const double lat1 = 48 + 7.038 / 60, lon1 = 11 + 31.0 / 60;
    int zone = 0;
    double n = 0, e = 0;
    ASSERT_TRUE(GeodeticToUtm(lat1, lon1, &zone, &n, &e, 0));
    EXPECT_EQ(zone, 32);
    EXPECT_EQ(GpsFix.UtmZoneForced, 32);
    EXPECT_EQ(GpsFix.UtmZone, 32);
    EXPECT_DOUBLE_EQ(GpsFix.OriginLatitude, lat1);
    EXPECT_DOUBLE_EQ(GpsFix.OriginLongitude, lon1);
    ExpectFirstFixAt(n, e);
    char text[32];
    std::snprintf(text, sizeof text, "%12.2f m", n);
    EXPECT_EQ(Shown(Cell::Latitude), text);
    EXPECT_EQ(Shown(Cell::Zone), "32");

    // Seven degrees further east, still in zone 32; the first fix stays the first.
    Handle(Nmea("$GPGGA,123520,4807.038,N,01831.000,E,1,08,0.9,545.4,M,46.9,M,,"));
    int forced = 32;
    double n2 = 0, e2 = 0;
    ASSERT_TRUE(GeodeticToUtm(lat1, 18 + 31.0 / 60, &forced, &n2, &e2, 1));
    std::snprintf(text, sizeof text, "%12.2f m", e2);
    EXPECT_EQ(Shown(Cell::Longitude), text);
    EXPECT_EQ(GpsFix.UtmZoneForced, 32);
    EXPECT_DOUBLE_EQ(GpsFix.OriginLongitude, lon1);
    ExpectFirstFixAt(n, e);

    // The next logging screen there: its first fix chooses zone 34 and is its origin.
    ResetFirstFix();
    Handle(Nmea("$GPGGA,123521,4807.038,N,01831.000,E,1,08,0.9,545.4,M,46.9,M,,"));
    ASSERT_TRUE(GeodeticToUtm(lat1, 18 + 31.0 / 60, &zone, &n2, &e2, 0));
    EXPECT_EQ(zone, 34);
    EXPECT_EQ(GpsFix.UtmZoneForced, 34);
    EXPECT_EQ(GpsFix.UtmZone, 34);
    EXPECT_DOUBLE_EQ(GpsFix.OriginLongitude, 18 + 31.0 / 60);
    ExpectFirstFixAt(n2, e2);

    // Southern and western fixes are negative before the projection.
    ResetSurveyModel();
    SystemSetup.DisplayUnits = 1;
    UseFormat(1);
    Handle(Nmea("$GPGGA,123519,3352.000,S,07012.000,W,1,08,0.9,545.4,M,46.9,M,,"));
    ASSERT_TRUE(GeodeticToUtm(-(33 + 52.0 / 60), -(70 + 12.0 / 60), &zone, &n, &e, 0));
    EXPECT_EQ(GpsFix.UtmZone, 19);
    ExpectFirstFixAt(n / 0.3048, e / 0.3048);
}

TEST_F(GpsFixTest, TimeOfDayOnlyFromAProperTimeField) {
    const struct {
        int format;
        const char* sentence;
        int ok;
        double seconds;
    } cases[] = {
        {1, "$GPGGA,123519,4807.038", 1, 45319.0},    {1, "$GPGGA,123519.50,4807.038", 1, 45319.5},
        {1, "$GPGGA,235960.5,4807.038", 1, 86400.5},  // a leap second
        {1, "$GPGGA,,4807.038", 0, 0},                // empty: never a previous field's text
        {1, "$GPGGA", 0, 0},                          {1, "$GPGGA,12", 0, 0},
        {1, "$GPGGA,1235,4807.038", 0, 0},            {1, "$GPGGA,1235-1,x", 0, 0},
        {1, "$GPGGA,246000,x", 0, 0},                 {1, "$GPGGA,126000,x", 0, 0},
        {5, "$GPGLL,4807.038,N,01131.000,E,123519*4A", 1, 45319.0},
        {2, "$PASHR,POS,0,09,123519.00,4807.03800", 1, 45319.0},
        {6, "$PTNL,GGK,123519.00,061524,4807", 1, 45319.0},
        {6, "$PTNL,GGK", 0, 0},
    };
    for (const auto& c : cases) {
        UseFormat(c.format);
        double seconds = -1.0;
        EXPECT_EQ(DecodeGpsFixTime(c.sentence, &seconds), c.ok) << c.sentence;
        EXPECT_DOUBLE_EQ(seconds, c.ok ? c.seconds : -1.0) << c.sentence;
    }
}

TEST_F(GpsFixTest, FieldReaders) {
    double v = 0;
    EXPECT_TRUE(ParseGpsNumber("-35.4", &v));
    EXPECT_DOUBLE_EQ(v, -35.4);
    EXPECT_TRUE(ParseGpsNumber("1.5*3F", &v)) << "the last field keeps its checksum";
    EXPECT_DOUBLE_EQ(v, 1.5);
    EXPECT_TRUE(ParseGpsNumber(" \t5000.25\r", &v)) << "blanks around";
    EXPECT_DOUBLE_EQ(v, 5000.25);
    for (const char* bad : {"", " ", ".", "-", "1.2.3", "1e5", "abc", "1,5", "*3F", "nan", "inf", "5000.0*XYZ", "12*",
                            "12*3F4", "1 2", "12x"}) {
        EXPECT_FALSE(ParseGpsNumber(bad, &v)) << bad;
    }
    const struct {
        const char* text;
        int32_t count;
    } counts[] = {{"08", 8}, {" 8", 8}, {"8 ", 8}, {"+12*4F", 12}, {"-3", 0}, {"", 0}, {"12*", 0}, {"8x", 0}, {"8.0", 0},
                  {"99999999999999999999", 9999}};  // clamped, no overflow
    for (const auto& c : counts) EXPECT_EQ(ParseGpsCount(c.text), c.count) << c.text;

    double degrees = 0;
    ASSERT_TRUE(DecodeGpsCoordinate("4807.038999", 90, &degrees));
    EXPECT_DOUBLE_EQ(degrees, 48 + 7.03899 / 60) << "eight characters of minutes count";
    ASSERT_TRUE(DecodeGpsCoordinate(" 4807.038999 ", 90, &degrees));
    EXPECT_DOUBLE_EQ(degrees, 48 + 7.03899 / 60) << "blanks around";
    EXPECT_FALSE(DecodeGpsCoordinate("4807.038*XY", 90, &degrees));
    ASSERT_TRUE(DecodeGpsCoordinate("9000.000", 90, &degrees));
    EXPECT_FALSE(DecodeGpsCoordinate("9000.001", 90, &degrees));

    char text[32];
    FormatGeodeticText('W', "01131.12345678", text, sizeof text);
    EXPECT_EQ(std::string(text), "W011\xB0" "31'7.4074 \"");
    EXPECT_FALSE(FormatGeodeticText('N', "4807.038", text, 8));
    EXPECT_STREQ(text, "") << "never cut: cut seconds would show another position";
}

}  // namespace
