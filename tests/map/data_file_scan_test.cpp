// The scan of an existing data file before it goes onto the map: the count
// and extent of a known walk, the fit test against the drawable tiles, what a
// damaged or half-written file gives, and the tiles it counts for the replay
// (never fewer than the replay draws into).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "map/data_file_replay.h"
#include "map/data_file_scan.h"
#include "map/map_pens.h"
#include "map/map_tiles.h"
#include "log_screen/panel_objects.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/modal_script.h"
#include "platform/sound.h"
#include "platform/text.h"
#include "platform/window.h"
#include "support/test_env.h"
#include "survey_files/data_file.h"
#include "survey_files/data_records.h"
#include "survey_files/survey_model.h"

namespace {

constexpr double kOriginX = 612345.0, kOriginY = 5761234.0;

// A survey as the logging screen writes it: header, then per line readings,
// the swath records of each fix ("{0" at a line's first fix, kinds 1-4 at its
// second, kinds 2 and 4 after) and its GPS group. Keeps the bars' extent.
struct KnownWalk {
    std::string Bytes;
    double MinX = kOriginX, MaxX = kOriginX, MinY = kOriginY, MaxY = kOriginY;

    KnownWalk() {
        HeaderRecords h;
        FormatHeaderRecords(h, 0);
        Bytes.assign(h.data(), h.size());
    }
    void Add(const char* bytes, size_t n) { Bytes.append(bytes, n); }
    void Bar(int kind, double x, double y) {
        SwathBlock b;
        FormatSwathBlock(b, kind, x - 4.0, y, x + 4.0, y);
        Add(b.data(), b.size());
        if (kind <= 2) MinX = std::min(MinX, x - 4.0), MaxX = std::max(MaxX, x + 4.0), MaxY = std::max(MaxY, y);
    }
    // `fixes` fixes northwards from (x, kOriginY), one metre apart.
    void Line(int fixes, double x) {
        for (int i = 0; i < fixes; ++i) {
            DataRecord r;
            FormatReadingRecord(r, 0x54, "$PBAR, 123,-45", 2000);
            Add(r.data(), r.size());
            FormatSwathStartRecord(r);
            if (i == 0) Add(r.data(), r.size());
            if (i == 1) Bar(1, x, kOriginY), Bar(3, x, kOriginY);  // the previous bar
            if (i >= 1) Bar(2, x, kOriginY + i), Bar(4, x, kOriginY + i);
            char group[kGpsGroupBytes];
            Add(group, FormatGpsSentenceGroup(group, sizeof group, "$GPGGA,120000.00,5200.0000,N,00500.0000,E,4,12,0.9",
                                              '@', '#', 0, 3000));
        }
    }
};

class DataFileScanTest : public OstrimaTest {
protected:
    void SetUp() override {
        OstrimaTest::SetUp();
        ASSERT_TRUE(plat::StartApplication());
        path_ = root_ + "/walk.osd";
        MapView.MapOriginX = kOriginX;
        MapView.MapOriginY = kOriginY;
        MapDisplayOptions.MapPixelsPerUnit = 508.0 / 40.0;  // map size 40 on a 510-pixel map
    }
    void TearDown() override {
        CloseDataFile();
        DeleteAllMapTiles();
        OstrimaTest::TearDown();
    }
    void Open(const std::string& bytes) {
        CloseDataFile();
        WriteWholeFile(path_, bytes);
        const std::u16string path16 = plat::Utf8ToUtf16(path_);
        DataFileState.DataFileHandle = plat::OpenFile(path16.c_str(), plat::FileOpen::ExistingReadWrite, true, true);
        ASSERT_NE(DataFileState.DataFileHandle, plat::kInvalidFile);
    }
    int Scan() {
        plat::test::ClearRecordedMessageBoxes();
        plat::test::ClearRecordedSounds();
        plat::test::ScriptModal(plat::ModalAnswer{});
        const int result = ScanDataFileGpsPositions(0);
        plat::test::ClearModalScript();
        return result;
    }
    static std::u16string Boxes() {
        std::u16string all;
        for (const auto& b : plat::test::RecordedMessageBoxes()) all += b.Title + u"|" + b.Text;
        return all;
    }
    static int Rings() {
        int n = 0;
        for (const auto& s : plat::test::RecordedSounds()) n += s.Name == "SOUND_RING" ? 1 : 0;
        return n;
    }
    std::string path_;
};

std::string SwathRecord(char kind, const char* value) {
    std::string r = "{" + std::string(1, kind) + value;
    r.resize(26, ' ');
    return r + "\n";
}

TEST_F(DataFileScanTest, KnownWalkGivesItsPositionsAndExtent) {
    struct Case {
        const char* What;
        std::vector<int> Lines;     // fixes per line, lines 10 m apart
        std::string Tail;           // bytes after the walk
        double LineX;               // east of the origin, metres
        int Result;
        int Positions;
        std::u16string Box;
        double TailMinY = kOriginY, TailMaxY = kOriginY;  // extent of the tail's y values
    };
    const std::u16string tooSmall = u"WARNING|Map Size too small to accommodate the data file.\r\n"
                                    u"Please increase map size in Map Size option\r\nthen select the file again";
    const Case cases[] = {
        {"three lines", {5, 12, 2}, "", 10.0, 1, 19, u"INFORMATION|Total Number of GPS Positions:       19\r\n"},
        {"a line of one fix counts none", {1}, "", 10.0, 1, 0, u"INFORMATION|Total Number of GPS Positions:       0\r\n"},
        // Three "{d" and five "{h"; the second bars' "{l" and "{p" count nothing.
        {"d and h records", {}, SwathRecord('d', "   5761240.000") + SwathRecord('d', "   5761230.000") +
             SwathRecord('d', " 5761234.5") + SwathRecord('h', "   5761236.000") + SwathRecord('h', "5761235") +
             SwathRecord('h', "   5761233.000") + SwathRecord('h', " x") + SwathRecord('h', "") +
             SwathRecord('l', "         1.000") + SwathRecord('p', "  99999999.000"),
         10.0, 1, 8, u"INFORMATION|Total Number of GPS Positions:       8\r\n", 5761230.0, 5761240.0},
        // A record half written when the file was chosen is not read.
        {"half-written last record", {3}, SwathRecord('h', "   5761299.000").substr(0, 20), 10.0, 1, 3,
         u"INFORMATION|Total Number of GPS Positions:       3\r\n"},
        // Tile 1996 ends 39840 m east of the origin at map size 40.
        {"fits to the last drawable tile", {2}, "", 39830.0, 1, 2, u"INFORMATION|Total Number of GPS Positions:       2\r\n"},
        {"reaches tile 1997", {2}, "", 39840.0, 0, 0, tooSmall},
        {"fits to the first drawable tile", {2}, "", -39880.0 + 4.0, 1, 2, u"INFORMATION|Total Number of GPS Positions:       2\r\n"},
        {"reaches tile 2 westwards", {2}, "", -39925.0 + 4.0, 0, 0, tooSmall},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        KnownWalk walk;
        for (size_t i = 0; i < c.Lines.size(); ++i) walk.Line(c.Lines[i], kOriginX + c.LineX + 10.0 * i);
        Open(walk.Bytes + c.Tail);
        SurveyProgress.GpsPositionCount = 0;
        EXPECT_EQ(Scan(), c.Result);
        EXPECT_EQ(Boxes(), c.Box);
        EXPECT_EQ(Rings(), c.Result == 0 ? 1 : 0);
        EXPECT_EQ(SurveyProgress.GpsPositionCount, c.Positions);
        // Damaged values ("  x", empty) widen nothing; well-formed ones do.
        EXPECT_EQ(MapView.DataMinX, walk.MinX);
        EXPECT_EQ(MapView.DataMaxX, walk.MaxX);
        EXPECT_EQ(MapView.DataMinY, std::min(walk.MinY, c.TailMinY));
        EXPECT_EQ(MapView.DataMaxY, std::max(walk.MaxY, c.TailMaxY));
    }
}

TEST_F(DataFileScanTest, NoFileOpenDoesNothingAndSaysNothing) {
    MapView.DataMinX = 7.0;
    SurveyProgress.GpsPositionCount = 5;
    EXPECT_EQ(ScanDataFileGpsPositions(0), 0);
    EXPECT_TRUE(plat::test::RecordedMessageBoxes().empty());
    EXPECT_TRUE(plat::test::RecordedSounds().empty());
    EXPECT_EQ(MapView.DataMinX, 7.0);
    EXPECT_EQ(SurveyProgress.GpsPositionCount, 5);
}

TEST_F(DataFileScanTest, FullFileIsToldAndEndsTheProgram) {
    SurveyProgress.MaxGpsPositions = 4;
    KnownWalk walk;
    walk.Line(4, kOriginX);
    Open(walk.Bytes);
    EXPECT_EQ(Scan(), 0);
    EXPECT_EQ(Boxes(), u"INFORMATION|Number of GPS Positions in the file has reached its maximum");
    EXPECT_EQ(plat::test::RecordedMessageBoxes().back().Icon, plat::MessageIcon::Information);
    EXPECT_EQ(plat::RunMessageLoop(), 0);  // the quit was posted: the loop ends at once with code 0
}

// A walk of bars in every direction, and walks along the tile grid whose
// bars, marks and first and last lines lie a few pixels either side of tile
// borders, with the swath values written as the logging screen writes them
// ("%14.3f") or otherwise (more or fewer decimals, left-aligned), and
// readings between the bars: in every view the scan counts at least the tiles
// the replay draws into, and for position marks along the grid as many.
TEST_F(DataFileScanTest, TilesCountedAreNeverFewerThanTheReplayDrawsInto) {
    CreateFixedPens();
    CreateColourScalePens();
    MapTiles.TileWidth = MapTiles.TileHeight = 64;
    MapDisplayOptions.MapPixelsPerUnit = 4.0;
    SystemSetup.ConsoleCount = 1;
    SystemSetup.ConsoleType[0] = 1;
    SensorLayout.TotalSensors = 2;
    SensorLayout.ConsoleFirstSensor[0] = 0;
    SensorLayout.SensorCrossPosition[0] = 0.0, SensorLayout.SensorCrossPosition[1] = 1.0;  // marks at the bar's ends
    SensorLayout.SensorBandStart[0] = 0.0, SensorLayout.SensorBandEnd[0] = 0.5;
    SensorLayout.SensorBandStart[1] = 0.5, SensorLayout.SensorBandEnd[1] = 1.0;
    DataFileState.ConsoleRecordTag[0] = 'T';
    ReadingsScale.Minimum = 0.0, ReadingsScale.Maximum = 500.0;

    // `shift` pixels east and north of the grid's borders; a diagonal walk wanders.
    auto walk = [](const char* format, bool diagonal, int shift) {
        std::string bytes;
        DataRecord r;
        FormatEventRecord(r, 'X', "$STARTED", 1000);
        bytes.append(r.data(), r.size());
        FormatSwathStartRecord(r);
        bytes.append(r.data(), r.size());
        uint32_t seed = 7;
        // Along the grid: bars 32 px wide ending at x = 64 + shift, 8 px apart,
        // from y = shift to y = 952 + shift (row borders at 0 and 960).
        double x = kOriginX + (48 + shift) / 4.0, y = kOriginY + shift / 4.0, heading = 0.3;
        for (int fix = 0; fix < 120; ++fix) {
            FormatReadingRecord(r, 'T', fix % 3 == 0 ? "$PBAR, 480,  20" : "$PBAR, 130, 260", 2000);
            bytes.append(r.data(), r.size());
            seed = seed * 1664525u + 1013904223u;
            if (diagonal) {
                heading += ((seed >> 16) % 100) / 100.0 - 0.45;
                x += 3.0 * std::cos(heading), y += 3.0 * std::sin(heading);
            } else if (fix > 0) {
                y += 2.0;
            }
            const double dx = diagonal ? -std::sin(heading) : -1.0, dy = diagonal ? std::cos(heading) : 0.0;
            const double half = diagonal ? 6.0 : 4.0;
            const double values[4] = {x - half * dx, y - half * dy, x + half * dx, y + half * dy};
            // Kinds 1 and 3 (the bars before) once, then kinds 2 and 4.
            for (const char first : fix == 0 ? std::string("ai") : std::string("em")) {
                for (int j = 0; j < 4; ++j) {
                    char field[40];
                    std::snprintf(field, sizeof field, format, values[j]);
                    bytes += SwathRecord(static_cast<char>(first + j), std::string(field).substr(0, 14).c_str());
                }
            }
        }
        return bytes;
    };
    struct View {
        int32_t DisplayType, PositionSize;
    };
    struct Walk {
        const char* Format;
        bool Diagonal;
        int Shift;
    };
    std::vector<Walk> walks;
    for (const char* format : {"%14.3f", "%14.5f", "%-14.1f"}) walks.push_back({format, true, 0});
    for (int shift = -5; shift <= 5; ++shift) walks.push_back({"%14.3f", false, shift});
    walks.push_back({"%14.5f", false, 1});
    walks.push_back({"%-14.1f", false, -1});
    for (const Walk& w : walks) {
        for (const View v : {View{1, 4}, View{0, 0}, View{0, 3}, View{0, 4}, View{0, 5}}) {
            SCOPED_TRACE(testing::Message() << w.Format << (w.Diagonal ? " diagonal" : " along the grid") << ", shift "
                                            << w.Shift << ", view " << v.DisplayType << ", marks " << v.PositionSize);
            MapDisplayOptions.DisplayType = v.DisplayType;
            MapDisplayOptions.PositionSize = v.PositionSize;
            CreateMapPens(0);
            Open(walk(w.Format, w.Diagonal, w.Shift));
            DataFileScan scan;
            ASSERT_TRUE(ScanDataFileExtent(scan));
            DeleteAllMapTiles();
            ReplayCounts counts;
            ASSERT_TRUE(ReplayDataFile(&counts));
            EXPECT_GT(counts.Bars, 100);
            EXPECT_FALSE(scan.SwathBeyondDrawable || scan.SwathOverBudget);
            EXPECT_GE(scan.SwathTiles, MapTileCount());
            // Marks along the grid meet all of their rectangles (the colour
            // map's cross lines stop short of the newest bar, which it counts).
            if (!w.Diagonal && v.DisplayType == 0) {
                EXPECT_EQ(scan.SwathTiles, MapTileCount());
            }
            EXPECT_GE(MapTileCount(), 8);
        }
    }
}

}  // namespace
