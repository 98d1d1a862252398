// A survey across the equator, through the logging screen: the northing frame
// of the first fix holds while the screen is open, so the track, the speed
// and the swath records go on without a jump and logging never stops; the
// next logging screen takes the frame of its own first fix, and a later run
// on the other side of the line, having walked on before it appends, goes on
// in the file's own frame without a jump in its track or its speed.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "acquisition/gps_fix.h"
#include "acquisition/gps_formats.h"
#include "log_screen/log_screen_fixture.h"
#include "support/gps_instrument.h"
#include "survey_files/data_records.h"
#include "survey_files/utm.h"

namespace {

constexpr size_t kRec = kDataRecordLength;
constexpr double kLongitude = 17.5;              // zone 33
constexpr double kMetresPerDegree = 110574.0;    // of latitude at the equator

using EquatorWalkTest = LogScreenTest;

// A GGA fix `metres` north of the equator (south when negative), `second`
// seconds into the minute, through the logging screen's GPS handler.
void FixAt(double metres, int second) {
    const double latitude = metres / kMetresPerDegree, a = std::fabs(latitude);
    const int degrees = static_cast<int>(a);
    char body[128];
    std::snprintf(body, sizeof body, "$GPGGA,1200%02d,%02d%08.5f,%c,01730.000,E,2,08,0.9,545.4,M,46.9,M,,", second,
                  degrees, (a - degrees) * 60.0, latitude < 0.0 ? 'S' : 'N');
    HandOverGpsSentence(std::string(body) + "*" + instruments::NmeaChecksum(body));
}

// The northing of a point `metres` north of the equator in a frame.
double Northing(double metres, int frame) {
    int zone = 33;
    double northing = 0.0, easting = 0.0;
    const double latitude = metres / kMetresPerDegree;
    EXPECT_TRUE(GeodeticToUtm(latitude, kLongitude, &zone, &northing, &easting, 1));
    return NorthingInFrame(northing, latitude, frame);
}

// Walks `fixes` metres from `from`, one metre a second while logging, the
// first step `second` + 1 seconds into the minute: every fix one metre from
// the last at 1 m/s, nothing refused, no message.
void Walk(double from, double step, int fixes, int frame, int second = 0) {
    for (int i = 1; i <= fixes; ++i) {
        const double prevY = GpsFix.Y;
        FixAt(from + step * i, second + i);
        SCOPED_TRACE(i);
        ASSERT_EQ(LogScreenState.LoggingState.load(), 1) << "logging stopped";
        EXPECT_NEAR(GpsFix.Y - prevY, step, 0.05);
        EXPECT_NEAR(GpsFix.Y, Northing(from + step * i, frame), 0.05);
        EXPECT_NEAR(GpsFix.Speed, 1.0, 0.05);
    }
}

// Every swath northing ("{b", "{d", "{f", "{h", "{j", "{l", "{n", "{p")
// from `at` on lies within the walk's northings, grown by the bar's half width.
void ExpectSwathWithin(const std::string& bytes, size_t at, double low, double high) {
    int seen = 0;
    for (size_t r = at; r + kRec <= bytes.size(); r += kRec) {
        const char kind = bytes[r + 1];
        if (bytes[r] != '{' || kind < 'a' || kind > 'p' || (kind - 'a') % 2 == 0) continue;
        const double y = std::strtod(bytes.substr(r + 2, 14).c_str(), nullptr);
        EXPECT_TRUE(y >= low - 3.0 && y <= high + 3.0) << bytes.substr(r, kRec - 1);
        ++seen;
    }
    EXPECT_GT(seen, 10) << "the walk wrote its swath";
}

double FirstFixYOf(const std::string& bytes, size_t header) {
    return std::strtod(bytes.substr(header + 4 * kRec + 1, 14).c_str(), nullptr);
}

TEST_F(EquatorWalkTest, TheFrameOfTheFirstFixHoldsAcrossTheLineAndOnAppend) {
    struct Row {
        const char* What;
        double Start, Step;  // metres north of the equator, metres a second
        int Frame;           // of the run that starts at Start
    };
    for (const Row& c : {Row{"north from the south", -10.5, 1.0, -1}, Row{"south from the north", 10.5, -1.0, 1}}) {
        SCOPED_TRACE(c.What);
        SystemSetup.ConsoleCount = 2;
        GpsPortSetup.InputMode = 1;
        GpsPortSetup.DataFormat = 1;  // GGA
        SetupGpsSentenceFields();
        MapDisplayOptions.MapPixelsPerUnit = 508.0 / 40.0;  // a map 40 m wide
        GpsFix = GpsFixRecord{};  // a new run of the program
        OpenWithoutPorts();
        FixAt(c.Start, 0);
        FixAt(c.Start, 1);  // a second's wait: the first fix of a new second is the speed's start
        ASSERT_EQ(GpsFix.UtmFrameForced, c.Frame);
        CreateNewFile(std::string(c.Frame < 0 ? "south" : "north") + ".osd");
        Key('G');
        Walk(c.Start, c.Step, 21, c.Frame, 1);
        const double end = c.Start + c.Step * 21;
        EXPECT_TRUE(BoxTexts().empty()) << std::string(LastBoxText().begin(), LastBoxText().end());
        ExpectSwathWithin(FileBytes(), 0, Northing(std::fmin(c.Start, end), c.Frame),
                          Northing(std::fmax(c.Start, end), c.Frame));
        EXPECT_NEAR(FirstFixYOf(FileBytes(), 0), Northing(c.Start, c.Frame), 0.02);  // the sentence holds 1e-5 minutes
        plat::test::ClickControl(ScreenButtons.PauseButton);
        ASSERT_EQ(LogScreenState.LoggingState.load(), -1);
        CloseDataFile();
        LogScreenState.LoggingState = 0;
        const std::string crossed = path_;

        // The next logging screen of the same run, wholly on the far side:
        // its first fix chooses its own frame, which its new file keeps.
        const double far = end + c.Step;
        OpenWithoutPorts();
        ResetFirstFix();  // as opening the logging screen does
        FixAt(far, 0);
        ASSERT_EQ(GpsFix.UtmFrameForced, -c.Frame);
        CreateNewFile(std::string(c.Frame < 0 ? "then-north" : "then-south") + ".osd");
        EXPECT_NEAR(FirstFixYOf(FileBytes(), 0), Northing(far, -c.Frame), 0.02);
        Key('G');
        Walk(far, c.Step, 5, -c.Frame);
        ExpectSwathWithin(FileBytes(), 0, Northing(std::fmin(far, far + 5 * c.Step), -c.Frame),
                          Northing(std::fmax(far, far + 5 * c.Step), -c.Frame));
        plat::test::ClickControl(ScreenButtons.PauseButton);
        CloseDataFile();
        LogScreenState.LoggingState = 0;

        // A new run whose first fix is on the far side walks on for a while,
        // then appends to the crossing's file in its frame: the track and the
        // speed go on from the latest fix.
        path_ = crossed;
        const std::string before = FileBytes();
        GpsFix = GpsFixRecord{};
        OpenWithoutPorts();
        FixAt(far, 0);
        ASSERT_EQ(GpsFix.UtmFrameForced, -c.Frame);
        constexpr int kWalked = 20;
        for (int i = 1; i <= kWalked; ++i) FixAt(far + c.Step * i, i);
        ChooseFile(path_);
        AnswerBox(plat::kIdOk);  // "Total Number of GPS Positions: ..."
        Key('F');
        ASSERT_EQ(LogScreenState.LoggingState.load(), -1) << std::string(LastBoxText().begin(), LastBoxText().end());
        EXPECT_EQ(GpsFix.UtmFrameForced, c.Frame);
        const std::string appended = FileBytes();
        ASSERT_EQ(appended.compare(before.size(), 9, "rSTRMA  W"), 0);
        EXPECT_EQ(appended.substr(before.size() + 3 * kRec + 16, 2), "33");
        EXPECT_NEAR(FirstFixYOf(appended, before.size()), Northing(far, c.Frame), 0.02);
        Key('G');
        const double walked = far + c.Step * kWalked;
        Walk(walked, c.Step, 5, c.Frame, kWalked);
        ExpectSwathWithin(FileBytes(), before.size(), Northing(std::fmin(walked, walked + 5 * c.Step), c.Frame),
                          Northing(std::fmax(walked, walked + 5 * c.Step), c.Frame));
        plat::test::ClickControl(ScreenButtons.PauseButton);
        CloseDataFile();
        LogScreenState.LoggingState = 0;
        plat::test::ClearRecordedMessageBoxes();
    }
}

}  // namespace
