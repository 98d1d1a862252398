// The profile redrawn from the data file: a crafted file with two lines,
// readings of two consoles, a station, GPS groups and an event; the curve
// stops at the line's start and breaks at the station. A GPS reader writing
// groups while the profile is redrawn still appends them at the file's end.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "display_fixture.h"
#include "log_screen/profile_redraw.h"
#include "platform/files.h"
#include "platform/text.h"
#include "survey_files/data_file.h"
#include "survey_files/data_records.h"
#include "survey_files/settings_derived.h"

using namespace display_test;

namespace {

// Builds a data file record by record.
struct FileBuilder {
    std::string Bytes;
    void Add(const char* bytes, size_t n) { Bytes.append(bytes, n); }
    void Header() {
        HeaderRecords h;
        FormatHeaderRecords(h, 0);
        Add(h.data(), h.size());
    }
    void LineStart() {
        SessionRecords s;
        FormatSessionRecords(s, plat::LocalTime{});
        Add(s.data(), s.size());
    }
    void Reading(int console, const char* line) {
        DataRecord r;
        FormatReadingRecord(r, DataFileState.ConsoleRecordTag[static_cast<size_t>(console)], line, 1234);
        Add(r.data(), r.size());
    }
    void Station(double station) {
        DataRecord r;
        FormatStationRecord(r, station, plat::LocalTime{});
        Add(r.data(), r.size());
    }
    void Event(const char* text) {
        DataRecord r;
        FormatEventRecord(r, 'X', text, 99);
        Add(r.data(), r.size());
    }
    void Gps(const char* sentence, uint32_t tick = 777) {
        char group[kGpsGroupBytes];
        Add(group, FormatGpsSentenceGroup(group, sizeof group, sentence, '@', '#', 0, tick));
    }
};

constexpr char kSentence[] = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47";

class ProfileRedraw : public DisplayTest {
protected:
    void SetUp() override {
        DisplayTest::SetUp();
        InitConsoleRecordTags();
        screen_ = MakeScreen(1300, 200);
        SystemSetup.ConsoleCount = 2;
        SystemSetup.ConsoleType[0] = 1;  // the profile's console: two sensors
        SystemSetup.ConsoleType[1] = 0;
        DeriveConsoleCounts();
        ScreenLayout.CurveWindowWidth = 300;
        ScreenLayout.CurveWindowHeight = 128;
        ReadingsScale.Minimum = 0.0;
        ReadingsScale.Maximum = 500.0;
        DeriveScalePixels();  // 0.256 pixels per unit
        ComputeCurveGrid();
        curve_ = MakeChild(screen_, u"CurveWnd", 20, 20, 300, 128);
        ScreenWindows.CurveWindows[0] = curve_;
        path_ = root_ + "/redraw.osd";
    }
    void TearDown() override {
        CloseDataFile();
        DisplayTest::TearDown();
    }
    void Open(const std::string& bytes) {
        WriteWholeFile(path_, bytes);
        const std::u16string p = plat::Utf8ToUtf16(path_);
        DataFileState.DataFileHandle = plat::OpenFile(p.c_str(), plat::FileOpen::ExistingReadWrite, true);
        ASSERT_NE(DataFileState.DataFileHandle, plat::kInvalidFile);
    }
    // Columns of the curve window that hold colour c.
    std::vector<int32_t> InkedColumns(plat::ColourRef c) const {
        std::vector<int32_t> columns;
        for (int32_t x = 0; x < 298; ++x) {
            if (Count(curve_, plat::Rect{x, 0, x + 1, 126}, c) > 0) columns.push_back(x);
        }
        return columns;
    }
    static int32_t RowOf(double reading) { return static_cast<int32_t>((500.0 - reading) * 0.256); }

    plat::Hwnd screen_ = 0, curve_ = 0;
    std::string path_;
};

TEST_F(ProfileRedraw, CurveStopsAtTheLineStartAndBreaksAtAStation) {
    FileBuilder f;
    f.Header();
    f.LineStart();
    f.Reading(0, "$PBAR,  450,  480");  // the previous line: not drawn
    f.Reading(0, "$PBAR,  450,  480");
    f.LineStart();
    f.Reading(0, "$PBAR,  100,  480");
    f.Reading(1, "$PBAR,  250");        // another console: skipped
    f.Reading(0, "$PBAR,  200,  480");
    f.Gps(kSentence);
    f.Station(12.0);
    f.Reading(1, "$PBAR,  250");
    f.Reading(0, "$PBAR,  300,  480");
    f.Event("1CONN BRK 1");
    f.Reading(0, "$PBAR,  400,  480");
    Open(f.Bytes);
    Repaint(curve_);
    RedrawProfileFromFile(curve_, 0);

    // Newest at x = 290, then 288; the station leaves 286 empty; 284 and 282
    // before it; nothing left of the line's first reading.
    const int32_t x = 290;
    EXPECT_EQ(plat::test::WindowPixel(curve_, x, RowOf(400)), kLeftCurve);
    EXPECT_EQ(plat::test::WindowPixel(curve_, x - 6, RowOf(200)), kLeftCurve);
    EXPECT_EQ(InkedColumns(kLeftCurve), (std::vector<int32_t>{282, 283, 284, 288, 289, 290}));
    // The right sensor's flat curve: each piece leaves out its last point.
    EXPECT_EQ(InkedColumns(kRightCurve), (std::vector<int32_t>{283, 284, 289, 290}));
    EXPECT_EQ(RowsOf(curve_, 290, 126, kRightCurve), std::vector<int32_t>{RowOf(480)});
    // The other console's readings (row of 250) and the previous line's (450) are not drawn.
    EXPECT_EQ(Count(curve_, plat::Rect{0, RowOf(250), 298, RowOf(250) + 1}, kLeftCurve), 0);
    EXPECT_EQ(Count(curve_, plat::Rect{0, 0, 298, RowOf(400)}, kLeftCurve), 0);
}

// A reading that gave no value live (its field damaged, no number, missing)
// leaves its gap in the redrawn curve too, and so does a field the record
// could hold only cut.
TEST_F(ProfileRedraw, AReadingThatGaveNoValueLeavesAGap) {
    const std::vector<int32_t> whole = {283, 284, 285, 286, 287, 288, 289, 290};
    const std::vector<int32_t> gap = {283, 284, 289, 290};  // drawn newest first: each piece leaves out its oldest point
    const struct {
        const char* line;  // the middle of five readings, at x = 286
        std::vector<int32_t> left, right;
    } rows[] = {
        {"$PBAR,  2?0,  480", gap, whole},
        {"$PBAR,  2t0,  480", gap, whole},
        {"$PBAR,  250", whole, gap},
        {"$PBAR,  250??,  480", gap, gap},  // too long for the record: its last field cut
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        FileBuilder f;
        f.Header();
        f.LineStart();
        for (int k = 0; k < 5; ++k) f.Reading(0, k == 2 ? row.line : "$PBAR,  250,  480");
        Open(f.Bytes);
        Repaint(curve_);
        RedrawProfileFromFile(curve_, 0);
        EXPECT_EQ(InkedColumns(kLeftCurve), row.left);
        EXPECT_EQ(InkedColumns(kRightCurve), row.right);
        CloseDataFile();
    }
}

TEST_F(ProfileRedraw, OneSensorConsoleAndTheOddCases) {
    FileBuilder f;
    f.Header();
    f.LineStart();
    Open(f.Bytes);
    const std::vector<uint32_t> blank = (Repaint(curve_), Image(curve_));
    // A line with no reading yet: an empty profile.
    RedrawProfileFromFile(curve_, 0);
    EXPECT_EQ(Image(curve_), blank);
    CloseDataFile();

    // A torn last record (a write cut short by a full disk) and a file
    // without line records: the walk keeps to whole records and ends at the
    // file's start.
    FileBuilder g;
    g.Reading(1, "$PBAR,  100");
    g.Reading(1, "$PBAR,  200");
    g.Reading(1, "$PBAR,  300");
    Open(g.Bytes + "@$GPGGA,12");
    ScreenWindows.CurveWindows[1] = curve_;
    RedrawProfileFromFile(curve_, 1);
    EXPECT_EQ(InkedColumns(kLeftCurve), (std::vector<int32_t>{286, 287, 288, 289, 290}));
    EXPECT_EQ(InkedColumns(kRightCurve), std::vector<int32_t>{});
    CloseDataFile();

    // No data file: nothing drawn.
    Repaint(curve_);
    RedrawProfileFromFile(curve_, 1);
    EXPECT_EQ(Image(curve_), blank);
}

TEST_F(ProfileRedraw, WideWindowFillsWithoutOverflow) {
    ScreenLayout.CurveWindowWidth = 1210;
    const plat::Hwnd wide = MakeChild(screen_, u"CurveWnd", 20, 20, 1210, 128);
    FileBuilder f;
    f.LineStart();
    for (int i = 0; i < 1000; ++i) f.Reading(0, i % 2 == 0 ? "$PBAR,  100,  480" : "$PBAR,  200,  480");
    Open(f.Bytes);
    RedrawProfileFromFile(wide, 0);
    // 601 points from x = 1200 down to x = 0: ink reaches the left edge.
    EXPECT_GT(Count(wide, plat::Rect{0, 0, 2, 126}, kLeftCurve), 0);
    EXPECT_GT(Count(wide, plat::Rect{1199, 0, 1201, 126}, kLeftCurve), 0);
}

// The GPS reader appends its groups while the window thread walks the file
// backwards: every group lands whole at the end, after what was there.
class ProfileRedrawThreaded : public ProfileRedraw {};

TEST_F(ProfileRedrawThreaded, GpsGroupsWrittenDuringTheWalkLandAtTheEnd) {
    FileBuilder f;
    f.Header();
    f.LineStart();
    for (int i = 0; i < 300; ++i) f.Reading(0, "$PBAR,  100,  480");
    Open(f.Bytes);
    constexpr int kGroups = 200;
    std::atomic<int> written{0};
    std::thread gps([&written] {
        for (int i = 0; i < kGroups; ++i) {
            EXPECT_EQ(WriteGpsSentenceRecords(kSentence, 1000 + static_cast<uint32_t>(i), '@', '#'), 1);
            written.store(i + 1);
        }
    });
    int walks = 0;
    while (written.load() < kGroups || walks == 0) {
        RedrawProfileFromFile(curve_, 0);
        ++walks;
    }
    gps.join();
    CloseDataFile();

    for (int i = 0; i < kGroups; ++i) f.Gps(kSentence, 1000 + static_cast<uint32_t>(i));
    EXPECT_EQ(ReadWholeFile(path_), f.Bytes);
    EXPECT_GT(walks, 0);
}

}  // namespace
