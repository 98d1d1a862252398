// File on a data file of the neighbouring UTM zone, through the logging
// screen: every header records the zone its section's coordinates are in,
// and an append that the scan refuses after the zone moved leaves the file
// as it was and the run in its own zone for the next file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "acquisition/gps_fix.h"
#include "acquisition/gps_formats.h"
#include "log_screen/log_screen_fixture.h"
#include "support/gps_instrument.h"
#include "survey_files/data_records.h"
#include "survey_files/utm.h"

namespace {

constexpr size_t kRec = kDataRecordLength;
constexpr double kLatitude = 48.0 + 7.038 / 60.0;   // 4807.038 N
constexpr double kLongitude = 11.0 + 31.0 / 60.0;   // 01131.000 E: zone 32, 3.5 degrees from zone 33's meridian

using ZoneAppendTest = LogScreenTest;

// The same fix each time, through the logging screen's GPS handler.
void Fix() {
    const std::string body = "$GPGGA,120010,4807.038,N,01131.000,E,2,08,0.9,545.4,M,46.9,M,,";
    HandOverGpsSentence(body + "*" + instruments::NmeaChecksum(body));
}

// The section whose six header records start at `at`: its zone and first fix
// agree with the fix projected into that zone, and, while it is the open
// section, so does a fix handled now.
void ExpectHeaderInItsZone(const std::string& bytes, size_t at, bool open) {
    ASSERT_GE(bytes.size(), at + 6 * kRec);
    const std::string record4 = bytes.substr(at + 3 * kRec, kRec), record5 = bytes.substr(at + 4 * kRec, kRec);
    int zone = std::atoi(record4.substr(16, 2).c_str());
    double northing = 0.0, easting = 0.0;
    ASSERT_TRUE(GeodeticToUtm(kLatitude, kLongitude, &zone, &northing, &easting, 1)) << record4;
    EXPECT_NEAR(std::strtod(record4.substr(1, 14).c_str(), nullptr), easting, 0.001) << record4;
    EXPECT_NEAR(std::strtod(record5.substr(1, 14).c_str(), nullptr), northing, 0.001) << record5;
    if (!open) return;
    Fix();
    EXPECT_NEAR(GpsFix.X, easting, 0.001) << "the section's positions are in zone " << zone;
}

TEST_F(ZoneAppendTest, EveryHeaderNamesTheZoneOfItsCoordinates) {
    SystemSetup.ConsoleCount = 2;
    GpsPortSetup.InputMode = 1;
    GpsPortSetup.DataFormat = 1;  // GGA
    SetupGpsSentenceFields();
    MapDisplayOptions.MapPixelsPerUnit = 508.0 / 40.0;  // a map 40 m wide
    OpenWithoutPorts();
    Fix();  // the run's first fix chooses zone 32
    ASSERT_EQ(GpsFix.UtmZoneForced, 32);
    ASSERT_TRUE(plat::IsWindowEnabled(ScreenButtons.MonitoringButtons[0]));

    // A file of zone 33 that the scan refuses: a swath coordinate far off the map.
    HeaderRecords header;
    FormatHeaderRecords(header, 0);
    std::string neighbour(header.data(), header.size());
    neighbour.replace(3 * kRec + 16, 2, "33");
    SwathBlock block;
    FormatSwathBlock(block, 1, 240790.0, 5334000.0, 9.0e8, 5334000.0);
    neighbour.append(block.data(), block.size());
    path_ = root_ + "/neighbour.osd";
    WriteWholeFile(path_, neighbour);
    // Refused, and refused again on a retry: the file byte for byte as it
    // was, the run back in its own zone each time.
    for (int attempt = 0; attempt < 2; ++attempt) {
        ChooseFile(path_);
        AnswerBox(plat::kIdOk);  // "Map Size too small ..."
        Key('F');
        ASSERT_EQ(LogScreenState.LoggingState.load(), 0);
        ASSERT_NE(LastBoxText().find(u"Map Size too small"), std::u16string::npos);
        EXPECT_EQ(FileBytes(), neighbour) << "a refused append wrote to the file";
        EXPECT_EQ(GpsFix.UtmZoneForced, 32) << "the refused append left the run in zone 33";
    }

    // A new file in the same run: headed and projected in zone 32.
    CreateNewFile("next.osd");
    EXPECT_EQ(FileBytes().substr(3 * kRec + 16, 2), "32");
    ExpectHeaderInItsZone(FileBytes(), 0, true);
}

}  // namespace
