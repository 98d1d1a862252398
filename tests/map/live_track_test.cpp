// The live track and the position processing: swath records per fix as the
// data file gets them (bars behind or ahead of the antenna, zero steps), the
// colour swath's bands, the overflow signal, the speed texts and the end of
// the data file's capacity.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "acquisition/acquisition_test.h"
#include "acquisition/gps_fix.h"
#include "acquisition/gps_position.h"
#include "log_screen/log_screen.h"
#include "log_screen/panel_objects.h"
#include "map/live_track.h"
#include "map/map_coords.h"
#include "map/map_pens.h"
#include "map/map_tiles.h"
#include "platform/dc.h"
#include "platform/message_box.h"
#include "platform/modal_script.h"
#include "platform/text.h"

namespace {

int g_overflows = 0;

plat::LResult ScreenProc(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l) {
    if (message == kMsgMapOverflow) ++g_overflows;
    if (message == plat::kMsgTimer) plat::PostQuitMessage(99);
    return plat::DefaultWindowProc(hwnd, message, w, l);
}

class LiveTrackTest : public AcquisitionTest {
protected:
    void SetUp() override {
        AcquisitionTest::SetUp();
        StartLogScreen(ScreenProc);
        CreateMapPens(0);
        CreateColourScalePens();
        Fresh();
    }
    // The map as at logging start, nothing signalled.
    void Fresh() {
        g_overflows = 0;
        MapTiles.TileWidth = MapTiles.TileHeight = 100;
        MapDisplayOptions.MapSize = 10;  // 10 pixels per unit
        MapDisplayOptions.DisplayType = 0;
        ArrayGeometry.MapSwathLeft = ArrayGeometry.MapSwathLeft2 = 1.0;
        ArrayGeometry.MapSwathRight = ArrayGeometry.MapSwathRight2 = 2.0;
        SensorLayout.TotalSensors = 1;
        LogScreenState.LoggingState = 1;
        DeleteAllMapTiles();
    }
    void TearDown() override {
        DeleteAllMapTiles();
        AcquisitionTest::TearDown();
    }
    // The "{" records of the file.
    std::vector<std::string> SwathRecords() const {
        std::vector<std::string> out;
        const std::string bytes = FileBytes();
        for (size_t at = 0; at + 27 <= bytes.size(); at += 27) {
            if (bytes[at] == '{') out.push_back(bytes.substr(at, 27));
        }
        return out;
    }
    static plat::ColourRef OverlayPixel(int32_t x, int32_t y) {
        int32_t c, r, bx, by;
        MapPixelToTile(x, y, &c, &r, &bx, &by);
        const MapTile* t = FindMapTile(c, r);
        return t != nullptr && t->Overlay != 0 ? plat::GetBitmapPixel(t->Overlay, bx, by) : 0xFFFFFF;
    }
};

TEST_F(LiveTrackTest, SwathRecordsPerFixWithTheBarBehindOrAheadOfTheAntenna) {
    struct Row {
        double Offset;    // antenna ahead of the sensor line, metres
        int Units;        // display unit: 0 metres, 1 feet
        int Fixes;        // walked east from (9, 0), one unit apart
        size_t Records;   // "{" records in the file
        double CentreX;   // of the last bar (left and right ends at y 1.0 and -2.0)
    };
    const Row rows[] = {
        {0.5, 0, 2, 1 + 16, 9.5},       // the worked example: C = (9.5, 0)
        {0.5, 0, 3, 1 + 16 + 8, 10.5},
        {2.0, 0, 2, 17, 8.0},           // path shorter than the offset: behind the first fix
        {2.0, 0, 3, 25, 9.0},           // from the third fix on: 2.0 behind along the path
        {2.5, 0, 3, 25, 8.5},
        {2.0, 0, 5, 41, 11.0},
        {0.0, 0, 3, 25, 11.0},          // on the antenna
        {-1.0, 0, 3, 25, 12.0},         // sensor line ahead
        {0.3048, 1, 3, 25, 10.0},       // one foot in a feet display
    };
    for (const Row& row : rows) {
        Fresh();
        const size_t before = SwathRecords().size();
        ArrayGeometry.GpsAntennaOffsetY = row.Offset;
        SystemSetup.DisplayUnits = row.Units;
        InitMapScales();
        MapView.LeadHistoryState = MapView.LeadHistoryIndex = 0;
        MapView.MapInitialised = 0;
        AddPositionToMap(0, 1, 0.0, 9.0, 0.0);  // sets up the view only
        EXPECT_EQ(SwathRecords().size(), before);
        for (int i = 0; i < row.Fixes; ++i) AddPositionToMap(0, 1, 0.0, 9.0 + i, 1.0);
        const double last = 9.0 + row.Fixes - 1;
        AddPositionToMap(0, 1, 0.0, last, 1.0);   // the same place again: no step
        AddPositionToMap(0, 1, 0.0, last, 0.0);
        AddPositionToMap(0, 0, 0.0, last + 1, 1.0);  // not logging
        std::vector<std::string> records = SwathRecords();
        records.erase(records.begin(), records.begin() + static_cast<long>(before));
        ASSERT_EQ(records.size(), row.Records) << row.Offset << " " << row.Fixes;
        EXPECT_EQ(records[0], "{0         0.000          \n");
        size_t e = records.size() - 4;
        while (e > 0 && records[e].compare(0, 2, "{e") != 0) --e;
        const std::string* bar = &records[e];  // the last kind 2: "{e".."{h"
        EXPECT_EQ(bar[0].substr(0, 2), "{e");
        EXPECT_DOUBLE_EQ(std::strtod(bar[0].c_str() + 2, nullptr), row.CentreX) << row.Offset;
        EXPECT_EQ(bar[1].substr(0, 16), "{f         1.000");
        EXPECT_DOUBLE_EQ(std::strtod(bar[2].c_str() + 2, nullptr), row.CentreX);
        EXPECT_EQ(bar[3].substr(0, 16), "{h        -2.000");
        EXPECT_EQ(records.back().substr(0, 2), "{p");
        EXPECT_EQ(g_overflows, 0);
    }
}

TEST_F(LiveTrackTest, ColourSwathFillsEachSensorsBandFromItsSamplesSpreadOverTheCrossLines) {
    SensorLayout.TotalSensors = 2;
    SensorLayout.SensorBandStart = {0.0, 0.5};
    SensorLayout.SensorBandEnd = {0.5, 1.0};
    ReadingSamplesRecord& rs = ReadingSamples;
    rs.ClosedHalf = 1;
    rs.ClosedHalfValid = 1;
    rs.ClosedSampleCount = {4, 0};
    const int colours[4] = {0, 10, 20, 30};
    for (int i = 0; i < 4; ++i) rs.SampleColour[0][1][i] = colours[i];
    // Old bar at x 0, new at x 20, both from y 0 (left) to y -40 (right).
    DrawColourSwath(20, 0, 20, -40, 0, 0, 0, -40);
    for (int i = 0; i < 4; ++i) {
        const int32_t x = 5 * i + 2;  // cross lines 5i..5i+4 take sample i
        EXPECT_EQ(OverlayPixel(x, -10), ColourScaleColour(colours[i])) << x;
        EXPECT_EQ(OverlayPixel(x, -30), 0xFFFFFFu) << "no reading: band left empty";
    }
    EXPECT_EQ(OverlayPixel(21, -10), 0xFFFFFFu) << "the new bar is left to the next interval";
    rs.ClosedHalfValid = 0;
    DrawColourSwath(60, 0, 60, -40, 40, 0, 40, -40);
    EXPECT_EQ(OverlayPixel(50, -10), 0xFFFFFFu) << "an interval without readings draws nothing";
}

TEST_F(LiveTrackTest, ATrackLeavingTheDrawableTilesIsSignalledOnce) {
    InitMapScales();
    AddPositionToMap(0, 1, 0.0, 0.0, 0.0);
    AddPositionToMap(0, 0, 0.0, 5.0, 5.0);
    EXPECT_EQ(g_overflows, 0);
    // 100 pixels a tile at 10 per unit: x 99700 lies in column 1997.
    for (double x : {9970.0, 1e300, 12000.0}) AddPositionToMap(0, 0, 0.0, x, 1.0);
    EXPECT_EQ(g_overflows, 1);
    EXPECT_EQ(LogScreenState.MapOverflowState, 1);
    EXPECT_EQ(MapTiles.UsedMaxCol, 1001) << "no tile was made out there";
}

TEST_F(LiveTrackTest, SpeedTextsAndTheirTimeSteps) {
    struct Row {
        int Units, SpeedUnit;
        double Step;
        const char *Time1, *Time2;
        const char16_t* Shown;
    };
    const Row rows[] = {
        {0, 2, 3.0, "120000.00", "120001.00", u"10.80 km/h"},
        {1, 3, 3.0, "120000.00", "120001.00", u" 2.05 mph"},
        {0, 0, 3.0, "235959.50", "000000.50", u" 3.00 m/s"},   // across midnight
        {0, 0, 3.0, "120000.00", "120000.00", u" 0.00 m/s"},   // no time step: the previous speed
        {0, 1, 3.0, "120000.00", "12", u" 0.00 ft/s"},          // no time: the previous speed
    };
    GpsSentenceFormat.GpsTimeFieldNumber = 2;
    LogScreenState.LoggingState = 0;
    LogScreenState.ReviewMode = 1;
    for (const Row& r : rows) {
        GpsFix = GpsFixRecord{};
        GpsFix.PositionValid = 1;
        SystemSetup.DisplayUnits = r.Units;
        SystemSetup.SpeedUnits = r.SpeedUnit;
        // The screen's first fix, then the first fix of a new stamp: the speed's start.
        std::snprintf(GpsSentenceBuffer.GpsLastSentence, kGpsSentenceChars, "$GPGGA,115959.00,");
        ProcessGpsPosition(100.0, 200.0, 1);
        std::snprintf(GpsSentenceBuffer.GpsLastSentence, kGpsSentenceChars, "$GPGGA,%s,", r.Time1);
        ProcessGpsPosition(100.0, 200.0, 0);
        std::snprintf(GpsSentenceBuffer.GpsLastSentence, kGpsSentenceChars, "$GPGGA,%s,", r.Time2);
        ProcessGpsPosition(100.0 + r.Step, 200.0, 0);
        EXPECT_EQ(std::u16string(gps_test::ShownGpsText(GpsStatusCell::Speed)), r.Shown) << r.Time2;
        EXPECT_EQ(MapView.MapOriginX, 100.0);
        EXPECT_EQ(GpsFix.PrevX, 100.0 + r.Step);
    }
}

TEST_F(LiveTrackTest, SpeedOverReceiverTimeSequences) {
    struct Fix {
        std::string Time;
        double X;      // metres east
        double Speed;  // m/s once this fix is handled
    };
    struct Row {
        const char* Name;
        std::vector<Fix> Fixes;
    };
    // Three seconds walked at 1.48 m/s, `hz` fixes a second, each stamped
    // with its time cut to `decimals`, the screen opened at fix `opened`: the
    // start is the first fix of the next stamp, and from the stamp after it
    // on the speed is the walk's at every fix, however coarse the clock.
    const auto walk = [](const char* name, int hz, int decimals, int opened = 0) {
        Row r{name, {}};
        const double scale = std::pow(10.0, decimals);
        int stamps = 0;
        double last = -1.0;
        for (int i = opened; i <= 3 * hz; ++i) {
            const double cut = std::floor(static_cast<double>(i) / hz * scale + 1e-9) / scale;
            char time[16];
            std::snprintf(time, sizeof time, "1200%0*.*f", decimals > 0 ? 3 + decimals : 2, decimals, cut);
            stamps += cut != last ? 1 : 0;
            last = cut;
            r.Fixes.push_back({time, 1.48 * i / hz, stamps > 2 ? 1.48 : 0.0});
        }
        return r;
    };
    const Row rows[] = {
        walk("5 Hz, whole seconds", 5, 0),
        walk("2 Hz, whole seconds", 2, 0),
        walk("20 Hz, tenths", 20, 1),
        walk("20 Hz, whole seconds", 20, 0),
        walk("5 Hz, hundredths", 5, 2),
        walk("5 Hz, whole seconds, opened at a second's third fix", 5, 0, 2),
        walk("20 Hz, tenths, opened at a tenth's second fix", 20, 1, 1),
        {"midnight at 1 Hz", {{"235958", 0, 0}, {"235959", 1, 0}, {"000000", 2, 1}, {"000001", 3, 1}}},
        {"midnight at 5 Hz", {{"235959.60", 0, 0}, {"235959.80", 0.2, 0}, {"000000.00", 0.4, 1}, {"000000.20", 0.6, 1}}},
        {"midnight at 20 Hz",
         {{"235959.90", 0, 0}, {"235959.95", 0.05, 0}, {"000000.00", 0.1, 1}, {"000000.05", 0.15, 1}}},
        {"leap second", {{"235958", 0, 0}, {"235959", 1, 0}, {"235960", 2, 1}, {"000000", 4, 1}, {"000001", 5, 1}}},
        // The next time takes the whole way since its last was first seen.
        {"time repeated", {{"115959", -1, 0}, {"120000", 0, 0}, {"120001", 2, 2}, {"120001", 3, 2}, {"120002", 5, 3}}},
        {"one second back", {{"115959", -1, 0}, {"120000", 0, 0}, {"120001", 2, 2}, {"120000", 3, 2}, {"120001", 5, 2}}},
        // A stale sentence with the position of now keeps the speed, and the
        // next is measured from the last fix whose time went forward.
        {"a stale stamp at 1 Hz",
         {{"120003", 0, 0}, {"120004", 1.48, 0}, {"120005", 2.96, 1.48}, {"120003", 4.44, 1.48}, {"120007", 5.92, 1.48}}},
        {"back from the day's first seconds to its last",
         {{"235957", 0, 0}, {"235958", 1, 0}, {"235959", 2, 1}, {"000000", 3, 1}, {"235959", 4, 1}, {"000002", 5, 1}}},
        {"stale stamps before the first start", {{"120005", 0, 0}, {"120003", 1, 0}, {"120007", 2, 0}, {"120008", 3, 1}}},
        // A clock set back: the first fix going forward on it is the start.
        {"clock reset at noon",
         {{"115959", -1, 0}, {"120000", 0, 0}, {"120001", 2, 2}, {"000000", 3, 2}, {"000001", 5, 2}, {"000002", 6, 1}}},
        {"empty time", {{"115959", -1, 0}, {"120000", 0, 0}, {"120001", 2, 2}, {"", 4, 2}, {"120003", 6, 2}}},
        {"unreadable time", {{"115959", -1, 0}, {"120000", 0, 0}, {"120001", 2, 2}, {"12x001", 4, 2}, {"120003", 6, 2}}},
        {"hundredths and none", {{"120000.25", -1, 0}, {"120000.50", 0, 0}, {"120001", 1, 2}, {"120001.25", 2, 4}}},
        {"first fix without time", {{"", 0, 0}, {"120000", 1, 0}, {"120001", 3, 0}, {"120002", 5, 2}}},
    };
    GpsSentenceFormat.GpsTimeFieldNumber = 2;
    LogScreenState.LoggingState = 0;
    LogScreenState.ReviewMode = 1;
    SystemSetup.DisplayUnits = 0;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.Name);
        GpsFix = GpsFixRecord{};
        GpsFix.PositionValid = 1;
        for (size_t i = 0; i < r.Fixes.size(); ++i) {
            const Fix& f = r.Fixes[i];
            std::snprintf(GpsSentenceBuffer.GpsLastSentence, kGpsSentenceChars, "$GPGGA,%s,", f.Time.c_str());
            ProcessGpsPosition(f.X, 0.0, i == 0 ? 1 : 0);
            EXPECT_NEAR(GpsFix.Speed, f.Speed, 1e-9) << f.Time;
            EXPECT_EQ(GpsFix.PrevX, f.X) << "every valid fix is the next distance's start";
        }
    }
}

TEST_F(LiveTrackTest, The28800thPositionStopsRecordingClosesTheFileAndEndsTheProgram) {
    GpsFix.FixValid = 0;  // invalid fixes count as well
    SurveyProgress.GpsPositionCount = 28798;
    ProcessGpsPosition(0.0, 0.0, 0);
    EXPECT_EQ(SurveyProgress.GpsPositionCount, 28799);
    EXPECT_EQ(LogScreenState.LoggingState.load(), 1);
    EXPECT_TRUE(plat::test::RecordedMessageBoxes().empty());

    plat::ModalAnswer ok;
    ok.Kind = plat::ModalKind::MessageBox;
    ok.Result = plat::kIdOk;
    plat::test::ScriptModal(ok);
    ProcessGpsPosition(0.0, 0.0, 0);
    EXPECT_EQ(LogScreenState.LoggingState.load(), 0);
    EXPECT_EQ(DataFileState.DataFileHandle, plat::kInvalidFile) << "closed whole before the box";
    const auto boxes = plat::test::RecordedMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Title, u"STOP");
    EXPECT_EQ(boxes[0].Text,
              u"Maximum number of GPS positions reached.\r\nCurrent data file is saved.\r\nPlease restart the program.");
    plat::SetTimer(ScreenWindows.LogScreenWindow, 5, 2000);
    EXPECT_EQ(plat::RunMessageLoop(), 0) << "the program ends with code 0";
}

// The end takes the last look at the file's name that every way out takes:
// what was written since a replacement is saved and told, and the box says
// "saved" only when the file is.
TEST_F(LiveTrackTest, TheEndRescuesALostNameAndSaysSavedOnlyWhenItIs) {
    const std::string data = root_ + "/data";
    const std::string lost = data + "/end.osd";
    const std::u16string lost16 = plat::Utf8ToUtf16(lost);
    const std::string rescue = data + "/end_rescue1.osd";
    const struct {
        const char* What;
        bool Nowhere;  // the folder removed and no other folder to save into
        std::u16string Told;
        const char16_t* Saved;
        int32_t Appended = 0;  // File opened an existing file
    } cases[] = {
        {"replaced by a copy", false,
         u"The data file " + lost16 + u" was replaced by another file.\r\nEverything written to it is saved in the new "
         u"data file\r\n" + plat::Utf8ToUtf16(rescue),
         u"Current data file is saved."},
        {"its folder removed, nowhere to save", true,
         u"The data file " + lost16 + u" was deleted with its folder.\r\nNo new file could be made for its records:\r\n"
         u"every record written to it since File is gone.",
         u"Current data file could not be saved whole."},
        {"appended to, its folder removed, nowhere to save", true,
         u"The data file " + lost16 + u" was deleted with its folder.\r\nNo new file could be made for its records:\r\n"
         u"every record in it is gone, those it held before File too.",
         u"Current data file could not be saved whole.", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        plat::test::ClearRecordedMessageBoxes();
        ASSERT_EQ(std::system(("rm -rf '" + data + "' && mkdir '" + data + "'").c_str()), 0);
        plat::CloseFile(DataFileState.DataFileHandle);
        DataFileState.DataFileHandle = plat::OpenFile(lost16.c_str(), plat::FileOpen::OpenOrCreateReadWrite, true);
        std::copy(lost16.begin(), lost16.end() + 1, DataFileState.DataFilePath);
        DataFileState.WrittenSize = 0;  // a new empty file
        DataFileState.OpenedExisting = c.Appended;
        LogScreenState.LoggingState = 1;
        ASSERT_EQ(WriteEventRecord(u"BEFORE", 'X'), 1);
        if (c.Nowhere) {
            ASSERT_EQ(std::system(("rm -rf '" + data + "'").c_str()), 0);
            setenv("HOME", (root_ + "/nohome").c_str(), 1);
            setenv("XDG_CACHE_HOME", (root_ + "/nocache").c_str(), 1);
        } else {
            WriteWholeFile(data + "/copy", ReadWholeFile(lost));
            ASSERT_EQ(rename((data + "/copy").c_str(), lost.c_str()), 0);
        }
        ASSERT_EQ(WriteEventRecord(u"AFTER", 'X'), 1) << "only in the file no name reaches";
        SurveyProgress.GpsPositionCount = SurveyProgress.MaxGpsPositions - 1;
        plat::ModalAnswer ok;
        ok.Kind = plat::ModalKind::MessageBox;
        ok.Result = plat::kIdOk;
        plat::test::ScriptModal(ok);
        plat::test::ScriptModal(ok);
        ProcessGpsPosition(0.0, 0.0, 0);
        setenv("HOME", root_.c_str(), 1);
        setenv("XDG_CACHE_HOME", (root_ + "/cache").c_str(), 1);
        EXPECT_EQ(DataFileState.DataFileHandle, plat::kInvalidFile);
        const auto boxes = plat::test::RecordedMessageBoxes();
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_EQ(boxes[0].Title, u"FILE ERROR");
        EXPECT_EQ(boxes[0].Text, c.Told);
        EXPECT_EQ(boxes[1].Text, u"Maximum number of GPS positions reached.\r\n" + std::u16string(c.Saved) +
                                     u"\r\nPlease restart the program.");
        EXPECT_EQ(ReadWholeFile(rescue).find("XAFTER") != std::string::npos, !c.Nowhere);
        plat::SetTimer(ScreenWindows.LogScreenWindow, 5, 2000);
        EXPECT_EQ(plat::RunMessageLoop(), 0);
        DataFileState.DataFileHandle = plat::OpenFile(lost16.c_str(), plat::FileOpen::OpenOrCreateReadWrite, true);
    }
}

}  // namespace
