// The replay's reading of the data file record by record: where it starts,
// what opens and closes a colour segment, what a reading gives (columns 0-15,
// 500 samples a bar), which bars are drawn. The pixels themselves are compared
// with the live map's in replay_equals_live_threaded_test.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "acquisition/console_reading.h"
#include "log_screen/panel_objects.h"
#include "map/data_file_replay.h"
#include "map/map_pens.h"
#include "map/map_tiles.h"
#include "platform/dc.h"
#include "platform/files.h"
#include "platform/text.h"
#include "platform/window.h"
#include "support/test_env.h"
#include "survey_files/data_file.h"
#include "survey_files/survey_model.h"

namespace {

// One 27-byte record: the text blank padded to 26 columns, then LF.
std::string Rec(std::string text) {
    text.resize(26, ' ');
    return text + "\n";
}
std::string Swath(char kind, const char* value) { return Rec(std::string("{") + kind + value); }
// A whole bar of kind letters from..from+3 (x-left, y-left, x-right, y-right).
std::string Bar(char from, double y) {
    std::string out;
    for (int j = 0; j < 4; ++j) {
        char text[32];
        std::snprintf(text, sizeof text, "%14.3f", j % 2 == 1 ? y : 10.0 * (j + 2) / 2);
        out += Swath(static_cast<char>(from + j), text);
    }
    return out;
}
std::string Times(int n, const std::string& r) {
    std::string out;
    for (int i = 0; i < n; ++i) out += r;
    return out;
}

uint64_t Bits(double v) {
    uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

const std::string kStart = Rec("X$STARTED");
const std::string kReading = Rec("T$P,  75,  62        12345");

class DataFileReplayTest : public OstrimaTest {
protected:
    void SetUp() override {
        OstrimaTest::SetUp();
        ASSERT_TRUE(plat::StartApplication());
        CreateFixedPens();
        CreateColourScalePens();
        CreateMapPens(0);
        MapTiles.TileWidth = MapTiles.TileHeight = 64;
        MapDisplayOptions.MapPixelsPerUnit = 1.0;
        SystemSetup.ConsoleCount = 1;
        SystemSetup.ConsoleType[0] = 1;
        SensorLayout.TotalSensors = 2;
        SensorLayout.ConsoleFirstSensor[0] = 0;
        DataFileState.ConsoleRecordTag[0] = 'T';
        ReadingsScale.Minimum = 0.0;
        ReadingsScale.Maximum = 500.0;  // colour step 10
        ReadingSamples.ActiveHalf = 0;  // the replay fills bank 1
        DeleteAllMapTiles();
    }
    void TearDown() override {
        CloseDataFile();
        DeleteAllMapTiles();
        OstrimaTest::TearDown();
    }
    void Open(const std::string& bytes) {
        CloseDataFile();
        const std::string path = root_ + "/replay.osd";
        WriteWholeFile(path, bytes);
        const std::u16string path16 = plat::Utf8ToUtf16(path);
        DataFileState.DataFileHandle = plat::OpenFile(path16.c_str(), plat::FileOpen::ExistingReadWrite, true, true);
        ASSERT_NE(DataFileState.DataFileHandle, plat::kInvalidFile);
    }
};

TEST_F(DataFileReplayTest, RecordsOpenCloseSegmentsStoreSamplesAndDrawBars) {
    struct Row {
        const char* What;
        int32_t DisplayType;
        std::string Bytes;
        int64_t FirstHandled;   // records skipped before the first one interpreted
        int32_t Bars, Refused;
        int32_t First, Second;  // colour samples left for sensor 0 and 1 at the end
    };
    const std::string header = Times(11, Rec("HEADER"));
    const std::vector<Row> rows = {
        {"data begin after the first $STARTED", 1, header + kStart + Rec("{0") + kReading, 12, 0, 0, 1, 1},
        {"no $STARTED in the first 50 records: from the 51st", 1,
         Times(50, Rec("HEADER")) + Rec("{0") + kReading, 50, 0, 0, 1, 1},
        {"a file ending in the skip handles nothing", 1, Rec("{0") + kReading, 2, 0, 0, 0, 0},
        {"readings before the first {0 are not stored", 1, kStart + kReading + kReading, 1, 0, 0, 0, 0},
        {"a colour bar draws the segment's samples and clears them", 1,
         kStart + Rec("{0") + kReading + Bar('a', 0) + kReading + Bar('e', 5), 1, 1, 0, 0, 0},
        {"comment, line, station, appended header close the segment", 1,
         kStart + Rec("{0") + Rec("Ccomment") + kReading + Rec("{0") + Rec("L 1") + kReading + Rec("{0") +
             Rec("S 2") + kReading + Rec("{0") + Rec("rSTRMA  W") + Rec("X$STARTED") + kReading,
         1, 0, 0, 0, 0},
        {"a proprietary or GP sentence alone closes it", 1,
         kStart + Rec("{0") + Rec("X$PASHR,POS") + kReading + Rec("{0") + Rec("X GPGSV,3") + kReading, 1, 0, 0, 0, 0},
        {"a pause event does not", 1, kStart + Rec("{0") + Rec("XPAUSED") + kReading, 1, 0, 0, 1, 1},
        {"a missing second field stores the first sensor only", 1, kStart + Rec("{0") + Rec("T$P,  75        12345"), 1,
         0, 0, 1, 0},
        {"the tag of a console beyond the set-up is no reading", 1, kStart + Rec("{0") + Rec("t$P,  75,  62    12345"),
         1, 0, 0, 0, 0},
        {"the first 500 readings of a bar are kept", 1, kStart + Rec("{0") + Times(600, kReading), 1, 0, 0, 500, 500},
        {"positions view: bars of i-l and m-p, the colour letters ignored", 0,
         kStart + Rec("{0") + Bar('a', 0) + Bar('e', 1) + Bar('i', 0) + Bar('m', 1) + Bar('m', 2), 1, 3, 0, 0, 0},
        {"colour view: the position letters ignored", 1, kStart + Bar('i', 0) + Bar('m', 1), 1, 0, 0, 0, 0},
        {"an unreadable value draws no bar", 0,
         kStart + Swath('i', "        10.000") + Swath('j', "      1x.000") + Swath('k', "        20.000") +
             Swath('l', "         0.000") + Bar('m', 1),
         1, 1, 1, 0, 0},
        {"a colour bar joined to an unreadable one is not drawn", 1,
         kStart + Swath('a', "abc") + Swath('b', "0") + Swath('c', "20") + Swath('d', "0") + Bar('e', 1) + Bar('e', 2),
         1, 1, 1, 0, 0},
        {"a value beyond the pixel frame draws no bar", 0,
         kStart + Swath('i', "1500000000.000") + Swath('j', "0") + Swath('k', "20") + Swath('l', "0"), 1, 0, 1, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.What);
        MapDisplayOptions.DisplayType = row.DisplayType;
        ReadingSamples.ClosedSampleCount.fill(-7);
        Open(row.Bytes);
        ReplayCounts counts;
        ASSERT_TRUE(ReplayDataFile(&counts));
        EXPECT_EQ(counts.Records, static_cast<int64_t>(row.Bytes.size() / 27));
        EXPECT_EQ(counts.FirstHandled, row.FirstHandled);
        EXPECT_EQ(counts.Bars, row.Bars);
        EXPECT_EQ(counts.Refused, row.Refused);
        EXPECT_EQ(ReadingSamples.ClosedSampleCount[0], row.First);
        EXPECT_EQ(ReadingSamples.ClosedSampleCount[1], row.Second);
        EXPECT_EQ(ReadingSamples.ClosedHalfValid, 0);
        EXPECT_EQ(ReadingSamples.ClosedHalf, 1) << "the bank the consoles are not filling";
    }
    // No file open: nothing at all.
    CloseDataFile();
    ReadingSamples.ClosedHalfValid = 1;
    EXPECT_FALSE(ReplayDataFile(nullptr));
    EXPECT_EQ(ReadingSamples.ClosedHalfValid, 1);
}

// Both layers of every stored tile, a missing layer read as white.
using StoreImage = std::map<std::pair<int32_t, int32_t>, std::vector<plat::ColourRef>>;
StoreImage ImageOfStore() {
    StoreImage out;
    ForEachMapTile([](int32_t c, int32_t r, MapTile& t, void* image) {
        auto& pixels = (*static_cast<StoreImage*>(image))[{c, r}];
        for (const plat::Hbitmap layer : {t.Base, t.Overlay})
            for (int32_t y = 0; y < MapTiles.TileHeight; ++y)
                for (int32_t x = 0; x < MapTiles.TileWidth; ++x)
                    pixels.push_back(layer != 0 ? plat::GetBitmapPixel(layer, x, y) : 0xFFFFFF);
    }, &out);
    return out;
}

// A change of scale gives back what the new scale does not draw: after the
// rebuild and the replay the store is exactly what a replay into an empty
// store makes at that scale, and back at the first scale the tiles and the
// pixel memory are what they were. Redrawing the survey alone gives back the
// overlays and keeps the bases.
TEST_F(DataFileReplayTest, ANewScaleKeepsOnlyWhatItsReplayDraws) {
    MapDisplayOptions.DisplayType = 0;
    MapDisplayOptions.PositionSize = 5;
    MapDisplayOptions.GridInterval = 10.0;
    MapDisplayOptions.MapSize = 64;
    std::string bytes = kStart + Rec("{0");
    for (int i = 0; i < 40; ++i) bytes += Bar('m', 7.5 * i);  // a bar 10 to 20 across, 0 to 292 north
    Open(bytes);
    const double scales[] = {1.0, 4.0, 0.25, 2.5, 1.0};
    int firstCount = -1;
    int64_t firstBytes = -1;
    for (const double scale : scales) {
        SCOPED_TRACE(scale);
        // Tiles of the scale before, as the window and a background file leave them.
        for (int32_t c = 990; c < 1010; c += 3) SelectMapTile(c, 1000, kBaseLayer);
        MapDisplayOptions.MapPixelsPerUnit = scale;
        ComputeGridSpacing();
        RebuildMapTiles(2);
        ASSERT_TRUE(ReplayDataFile(nullptr));
        const StoreImage rescaled = ImageOfStore();
        DeleteAllMapTiles();
        ASSERT_TRUE(ReplayDataFile(nullptr));
        EXPECT_TRUE(ImageOfStore() == rescaled) << MapTileCount() << " tiles fresh, " << rescaled.size() << " rescaled";
        EXPECT_GE(rescaled.size(), scale > 2.0 ? 3u : 1u) << "the bars cross rows";
        if (firstCount < 0) {
            firstCount = MapTileCount();
            firstBytes = plat::GetPixelPoolFigures().MappedBytes;
        }
    }
    EXPECT_EQ(MapTileCount(), firstCount);
    EXPECT_EQ(plat::GetPixelPoolFigures().MappedBytes, firstBytes);

    SelectMapTile(1000, 1000, kBaseLayer);
    const int tiles = MapTileCount();
    RebuildMapTiles(1);
    int overlays = 0;
    ForEachMapTile([](int32_t, int32_t, MapTile& t, void* n) { *static_cast<int*>(n) += t.Overlay != 0; }, &overlays);
    EXPECT_EQ(overlays, 0);
    EXPECT_EQ(MapTileCount(), 1) << "of " << tiles << " only the tile with a base";
    ASSERT_TRUE(ReplayDataFile(nullptr));
    EXPECT_EQ(MapTileCount(), tiles);
}

// The replay and the profile redraw read a record's readings with the live
// handler's field reader, from columns 1-15 only. A plain number reads bit for
// bit as the C library reads it (the reader converts plain decimals itself);
// anything else in a field, or damage marked in the text searched for it,
// gives no value.
TEST(ReplayReadings, APlainNumberReadsAsTheCLibraryReadsItAndNothingElseReads) {
    const char* const kNone = nullptr;
    const struct {
        const char* text;
        const char *first, *second;  // the number read from field 1, field 2
    } rows[] = {
        {"T$P,  75,  62", "75", "62"},         {"T$P,-123,-4567", "-123", "-4567"}, {"T$P,+12.5,.25", "12.5", ".25"},
        {"T$P,0.1,0.7", "0.1", "0.7"},         {"T$P,  75", "75", kNone},           {"T$P,,  62", kNone, "62"},
        {"T$P,-0,00042.50", "-0", "42.5"},     {"T$P,9999999.9999", "9999999.9999", kNone},
        {"T$P,123456789012", "123456789012", kNone},    {"T$P,0.0000000001", "0.0000000001", kNone},
        {"T$P,  5.,-.5", "5", "-.5"},          {"T$P, 1e3, 2E-2", kNone, kNone},    {"T$P,0x1A,-0x10", kNone, kNone},
        {"T$P,-,.", kNone, kNone},             {"T$P,75 nT,6.2.3", kNone, kNone},   {"T$P,   ,  ", kNone, kNone},
        {"T$P,+-1, 2 ", kNone, "2"},           {"T$P, nan, 400", kNone, "400"},     {"T$P, inf,-4.5", kNone, "-4.5"},
        // damage marked on the cable: no value from the field that holds it
        {"T$P,  4?75,  62", kNone, "62"},      {"T$P,  475?  62", kNone, kNone},    {"T$P,?75,  62", kNone, "62"},
        {"T$P,31\xFF" "5,  62", kNone, "62"}, {"T$P,  75,  6\x01", "75", kNone},  {"T$P?  75,  62", kNone, "62"},
        {"T$P,  75,  62 ?", "75", kNone},      {"T$P,  75?,", kNone, kNone},
    };
    SystemSetup.ConsoleType[0] = 1;
    for (const auto& row : rows) {
        for (const char* tick : {"        12", "1000000000"}) {
            std::string record = Rec(row.text);
            record.replace(16, 10, tick);
            SCOPED_TRACE(record);
            double got[2] = {-1.5, -2.5};
            const int unread = ReadRecordReadings(0, record.c_str(), &got[0], &got[1]);
            EXPECT_EQ((unread & kNoFirstReading) == 0, row.first != kNone);
            EXPECT_EQ((unread & kNoSecondReading) == 0, row.second != kNone);
            const char* const numbers[2] = {row.first, row.second};
            for (int n = 0; n < 2; ++n) {
                if (numbers[n] == kNone) continue;
                EXPECT_EQ(Bits(got[n]), Bits(std::strtod(numbers[n], nullptr))) << numbers[n];
            }
        }
    }
}

}  // namespace
