// A map size at which a survey cannot fit is known before its replay: File on
// an existing data file, Map Size (or the map size of Map Display Options) and
// zoom refuse a scale at which the survey
// would need more tiles than the store may hold (or reach past the drawable
// tiles), before anything is drawn; every survey the scan accepts replays
// without an overflow and in no more tiles than it counted. After an open at
// the smallest map sizes the window follows the walk whole and the tiles hold
// what a replay of the file draws. A new map size and a review round trip
// leave the window where it was, the cursor on its position's pixel.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "log_screen/log_screen_fixture.h"
#include "map/data_file_replay.h"
#include "map/data_file_scan.h"
#include "map/live_track.h"
#include "map/map_coords.h"
#include "map/map_pens.h"
#include "map/map_tiles.h"
#include "platform/dialog.h"
#include "platform/sound.h"
#include "platform/text.h"
#include "resources/option_templates.h"
#include "shell/start_logging.h"
#include "survey_files/data_records.h"
#include "survey_files/settings_derived.h"
#include "survey_files/settings_file.h"

namespace {

constexpr double kOriginX = 500000.0, kOriginY = 5000000.0;
constexpr int kSlots = 16;  // whole tiles the store may hold in these tests
const std::u16string kFileTooSmall = u"Map Size too small to accommodate the data file.\r\n"
                                     u"Please increase map size in Map Size option\r\nthen select the file again";
const std::u16string kMapSizeTooSmall = u"Map Size too small\r\nPlease select Map Size option\r\nand increase the map size";

// A survey as the logging screen writes it: header, "$STARTED", then per fix
// a console's readings and the swath records ("{0" at a line's first fix,
// kinds 1-4 at its second, kinds 2 and 4 after). Lines run north-east,
// `spacing` metres apart, the bars 4 m wide.
std::string Survey(int lines, int fixesPerLine, double spacing, double eastOffset = 0.0) {
    HeaderRecords h;
    FormatHeaderRecords(h, 0);
    std::string bytes(h.data(), h.size());
    DataRecord r;
    FormatEventRecord(r, 'X', "$STARTED", 1000);
    bytes.append(r.data(), r.size());
    for (int line = 0; line < lines; ++line) {
        const double x0 = kOriginX + eastOffset + spacing * line;
        for (int i = 0; i < fixesPerLine; ++i) {
            FormatReadingRecord(r, DataFileState.ConsoleRecordTag[0], i % 2 == 0 ? "$PBAR, 123,-45" : "$PBAR, 450, 20",
                                2000);
            bytes.append(r.data(), r.size());
            auto bar = [&](int kind, int at, double half) {
                const double x = x0 + 0.5 * at, y = kOriginY + at;
                SwathBlock b;
                FormatSwathBlock(b, kind, x - half, y + half * 0.5, x + half, y - half * 0.5);
                bytes.append(b.data(), b.size());
            };
            if (i == 0) {
                FormatSwathStartRecord(r);
                bytes.append(r.data(), r.size());
                continue;
            }
            if (i == 1) bar(1, 0, 2.0), bar(3, 0, 1.5);
            bar(2, i, 2.0), bar(4, i, 1.5);
        }
    }
    return bytes;
}

class MapFitTest : public LogScreenTest {
protected:
    void SetUp() override {
        LogScreenTest::SetUp();
        ASSERT_TRUE(plat::PrepareProgramFolders());
        SystemSetup.ConsoleCount = 1;
        SystemSetup.ConsoleType[0] = 1;
        GpsPortSetup.InputMode = 1;
        DeriveArrayGeometry();
        ComputeSensorLayout();
        OpenWithoutPorts();  // the map shown
        CreateMapPens(0);
        GpsFix.PositionValid = 1;  // a first fix at the origin placed the map
        GpsFix.UtmZone = GpsFix.UtmZoneForced = 31;
        MapView.MapInitialised = 1;
        MapView.MapOriginX = kOriginX, MapView.MapOriginY = kOriginY;
        map_test::SetTileBudgetBytes(int64_t{kSlots} * 2 * MapTiles.TileWidth * MapTiles.TileHeight);
        ASSERT_EQ(MapTileSlotLimit(), kSlots);
        path_ = root_ + "/survey.osd";
    }
    void TearDown() override {
        map_test::SetTileBudgetBytes(0);
        DeleteAllMapTiles();
        LogScreenTest::TearDown();
    }
    static void SetScale(int32_t size) {
        MapDisplayOptions.MapSize = size;
        MapDisplayOptions.MapPixelsPerUnit = double(MapTiles.TileWidth) / size;
    }
    static int Overlays() {
        int n = 0;
        ForEachMapTile([](int32_t, int32_t, MapTile& t, void* count) { *static_cast<int*>(count) += t.Overlay != 0; }, &n);
        return n;
    }
    static int Rings() {
        int n = 0;
        for (const auto& s : plat::test::RecordedSounds()) n += s.Name == "SOUND_RING" ? 1 : 0;
        return n;
    }
    static void ClearRecords() {
        plat::test::ClearRecordedMessageBoxes();
        plat::test::ClearRecordedSounds();
    }
    // File on the survey, from Monitoring with an empty tile store; the boxes answered.
    void OpenSurvey(const std::string& bytes) {
        WriteWholeFile(path_, bytes);
        FileAgain();
    }
    // File on the same file once more, as it is now.
    void FileAgain() {
        DeleteAllMapTiles();
        ClearRecords();
        plat::EnableWindow(ScreenButtons.MonitoringButtons[0], true);
        ChooseFile(path_);
        AnswerBox(plat::kIdOk);  // the count, or the refusal
        Key('F');
    }
};

TEST_F(MapFitTest, FileRefusesASurveyTheMapCannotHoldAndReplaysEveryOtherWithoutOverflow) {
    const std::string survey = Survey(4, 30, 6.0);  // about 35 m x 30 m of swath
    struct View {
        const char* Name;
        int32_t DisplayType, PositionSize;
    };
    for (const View v : {View{"colour map", 1, 4}, View{"dots", 0, 3}, View{"2-pixel bars", 0, 5}}) {
        MapDisplayOptions.DisplayType = v.DisplayType;
        MapDisplayOptions.PositionSize = v.PositionSize;
        CreateMapPens(0);
        int refused = 0, replayed = 0;
        for (const int32_t size : {1, 2, 3, 4, 5, 6, 7, 8, 10, 12, 16, 20, 40, 400}) {
            SCOPED_TRACE(testing::Message() << v.Name << ", map size " << size);
            SetScale(size);
            OpenSurvey(survey);
            ASSERT_EQ(plat::test::RecordedMessageBoxes().size(), 1u);
            if (LogScreenState.LoggingState.load() == 0) {
                ++refused;
                EXPECT_EQ(LastBoxText(), kFileTooSmall);
                EXPECT_EQ(Rings(), 1);
                EXPECT_EQ(MapTileCount(), 0) << "a refusal draws nothing";
                EXPECT_EQ(DataFileState.DataFileHandle, plat::kInvalidFile);
                // Refused before anything is written, and again on a retry.
                EXPECT_EQ(FileBytes(), survey);
                FileAgain();
                EXPECT_EQ(LastBoxText(), kFileTooSmall);
                EXPECT_EQ(FileBytes(), survey);
                continue;
            }
            ++replayed;
            ASSERT_EQ(LogScreenState.LoggingState.load(), -1);
            // Accepted: one new section (header, line records, time mark) after the survey.
            EXPECT_EQ(FileBytes().substr(0, survey.size()), survey);
            EXPECT_EQ(FileBytes().size(), survey.size() + 11 * kDataRecordLength);
            EXPECT_EQ(FileBytes().compare(survey.size(), 9, "rSTRMA  W"), 0);
            EXPECT_EQ(Rings(), 0);
            EXPECT_EQ(MapTiles.TileRefused, 0) << "no tile refused: no overflow to come";
            EXPECT_EQ(LogScreenState.MapOverflowState, 0);
            EXPECT_GT(Overlays(), 0);
            DataFileScan scan;
            ASSERT_TRUE(ScanDataFileExtent(scan));
            EXPECT_LE(Overlays(), scan.SwathTiles) << "the count is never low";
            EXPECT_LE(scan.SwathTiles, kSlots);
            FallBackToMonitoring(Screen());
        }
        // The smallest sizes cannot hold it, the largest can.
        EXPECT_GE(refused, 3);
        EXPECT_GE(replayed, 3);
    }
    // Past the drawable tiles, refused with the same text before anything is drawn.
    SetScale(40);
    OpenSurvey(Survey(1, 3, 0.0, 39840.0));
    EXPECT_EQ(LogScreenState.LoggingState.load(), 0);
    EXPECT_EQ(LastBoxText(), kFileTooSmall);
    EXPECT_EQ(MapTileCount(), 0);
}

TEST_F(MapFitTest, MapSizeAndZoomRefuseAScaleTheSurveyCannotFitBeforeRedrawing) {
    MapDisplayOptions.DisplayType = 1;
    SetScale(40);
    OpenSurvey(Survey(4, 30, 6.0));
    ASSERT_EQ(LogScreenState.LoggingState.load(), -1);
    const int tiles = MapTileCount();

    // Map size 1, by Map Size or by Map Display Options: the old scale back
    // with the warning, the tiles as they were.
    for (const auto& [key, sizeEdit] : {std::pair{uint32_t{'S'}, res::kMapScaleSizeId}, std::pair{uint32_t{'D'}, res::kMapSizeId}}) {
        SCOPED_TRACE(char(key));
        ClearRecords();
        plat::ModalAnswer dialog;
        dialog.Kind = plat::ModalKind::Dialog;
        dialog.Act = [edit = sizeEdit](int d) {
            EXPECT_TRUE(plat::test::TypeIntoEdit(plat::GetDialogItem(d, edit), u"1"));
            plat::SendMessage(d, plat::kMsgCommand, plat::WParam(plat::kIdOk), 0);
            return -1;
        };
        plat::test::ScriptModal(dialog);
        AnswerBox(plat::kIdOk);
        Key(key);
        EXPECT_EQ(BoxTexts(), std::vector<std::u16string>{kMapSizeTooSmall});
        EXPECT_EQ(Rings(), 1);
        EXPECT_EQ(MapDisplayOptions.MapSize, 40);
        EXPECT_EQ(MapDisplayOptions.MapPixelsPerUnit, double(MapTiles.TileWidth) / 40);
        EXPECT_EQ(MapTileCount(), tiles) << "no tile of the refused scale";
        MapDisplayOptions.MapSize = 0;  // the settings file holds the scale kept
        ASSERT_TRUE(LoadSaveSettings(0));
        EXPECT_EQ(MapDisplayOptions.MapSize, 40);
    }

    // In review, a zoom whose survey needs more tiles than the store may hold
    // (here one) rings and keeps the size; nothing is rebuilt or replayed.
    Command(kMapButtonFirstId + kMapEnterReview);
    ASSERT_EQ(LogScreenState.ReviewMode, 1);
    map_test::SetTileBudgetBytes(int64_t{2} * MapTiles.TileWidth * MapTiles.TileHeight);
    for (const int button : {kMapZoomIn, kMapZoomOut}) {
        ClearRecords();
        Command(kMapButtonFirstId + button);
        EXPECT_EQ(Rings(), 1) << button;
        EXPECT_EQ(MapDisplayOptions.MapSize, 40) << button;
        EXPECT_EQ(MapTileCount(), tiles) << button;
    }
}

// The pixels of one layer of every tile that holds it, as stored.
using TileImages = std::map<std::pair<int32_t, int32_t>, std::string>;
TileImages KeepLayer(int layer) {
    struct Keep {
        int Layer;
        TileImages Out;
    } keep{layer, {}};
    ForEachMapTile(
        [](int32_t col, int32_t row, MapTile& tile, void* context) {
            auto& k = *static_cast<Keep*>(context);
            const plat::RasterTarget& t = k.Layer == kOverlayLayer ? tile.OverlayPixels : tile.BasePixels;
            if (t.Pixels == nullptr) return;
            std::string& bytes = k.Out[{col, row}];
            for (int32_t y = 0; y < t.Height; ++y)
                bytes.append(static_cast<const char*>(t.Pixels) + y * t.Stride * t.Depth, size_t(t.Width) * t.Depth);
        },
        &keep);
    return keep.Out;
}

// Pixels of the map window, the cursor cross aside, that differ from the
// map (base AND overlay) at the live view's bounds.
int WindowPixelsOffTheMap() {
    const MapViewRecord& v = MapView;
    const int32_t W = MapTiles.TileWidth, H = MapTiles.TileHeight, cross = MapDisplayOptions.CursorHalfSize;
    const std::vector<uint32_t> image = display_test::Image(ScreenWindows.MapWindow);
    plat::Rect client;
    plat::GetClientRect(ScreenWindows.MapWindow, &client);
    const int32_t width = client.Right;
    int wrong = 0;
    for (int32_t wy = 0; wy < H; ++wy) {
        for (int32_t wx = 0; wx < W; ++wx) {
            if (std::abs(wx - v.PositionWindowX) <= cross && std::abs(wy - v.PositionWindowY) <= cross) continue;
            int32_t c, r, bx, by;
            MapPixelToTile(v.ViewMinX + wx, v.ViewMaxY - 1 - wy, &c, &r, &bx, &by);
            const MapTile* t = FindMapTile(c, r);
            plat::ColourRef map = 0xFFFFFF;
            if (t != nullptr && t->Base != 0) map &= plat::GetBitmapPixel(t->Base, bx, by);
            if (t != nullptr && t->Overlay != 0) map &= plat::GetBitmapPixel(t->Overlay, bx, by);
            wrong += (image[static_cast<size_t>(wy * width + wx)] & 0xFFFFFF) != (map & 0xFFFFFF);
        }
    }
    return wrong;
}

TEST_F(MapFitTest, AfterAnOpenAtSmallMapSizesTheWindowFollowsTheWalkAndTheTilesEqualAReplay) {
    MapDisplayOptions.GridType = 0;
    MapDisplayOptions.GridInterval = 1.0;
    const std::string survey = Survey(2, 5, 3.0);
    const plat::Hwnd map = ScreenWindows.MapWindow;
    struct Row {
        int32_t Size;
        int32_t DisplayType, PositionSize;
        int Slots;  // tiles the store may hold; 0 the real budget
        bool Opened;
    };
    for (const Row row : {Row{1, 1, 4, 0, true}, Row{2, 0, 5, 0, true}, Row{3, 0, 3, 0, true}, Row{1, 1, 4, kSlots, false}}) {
        SCOPED_TRACE(testing::Message() << "map size " << row.Size << (row.Opened ? "" : ", refused"));
        MapDisplayOptions.DisplayType = row.DisplayType;
        MapDisplayOptions.PositionSize = row.PositionSize;
        CreateMapPens(1);
        map_test::SetTileBudgetBytes(int64_t{row.Slots} * 2 * MapTiles.TileWidth * MapTiles.TileHeight);
        SetScale(row.Size);
        ComputeGridSpacing();
        DeleteAllMapTiles();
        WriteWholeFile(path_, survey);
        // Walking north-west at a metre a fix in Monitoring, then File while
        // the walk goes on: the fixes during the command move nothing.
        MapView.MapInitialised = 0;
        MapView.MapViewResetPending = 0;
        double y = kOriginY, x = kOriginX;
        AddPositionToMap(map, 0, y, x, 0.0);
        for (int i = 0; i < 3; ++i) AddPositionToMap(map, 0, y += 1.0, x -= 0.03, 1.0);
        ClearRecords();
        plat::EnableWindow(ScreenButtons.MonitoringButtons[0], true);
        ChooseFile(path_);
        AnswerBox(plat::kIdOk);
        Key('F');
        ASSERT_EQ(LogScreenState.LoggingState.load(), row.Opened ? -1 : 0);
        for (int i = 0; i < 4; ++i) y += 1.0, x -= 0.03;
        // Each later fix (logging in the positions view, whose live drawing
        // needs no readings): the window shows the map at the live view's
        // bounds, the cursor aside, with nothing left of the waiting text.
        if (row.Opened && row.DisplayType == 0) {
            Key('G');
            ASSERT_EQ(LogScreenState.LoggingState.load(), 1);
        }
        for (int i = 0; i < 3; ++i) {
            AddPositionToMap(map, LogScreenState.LoggingState.load(), y += 1.0, x -= 0.03, 1.0);
            EXPECT_EQ(WindowPixelsOffTheMap(), 0) << "fix " << i << " after the open";
        }

        // The tiles equal the data file replayed into an empty store.
        const TileImages overlays = KeepLayer(kOverlayLayer), bases = KeepLayer(kBaseLayer);
        DeleteAllMapTiles();
        ReplayDataFileToMap();  // nothing without an open file
        EXPECT_TRUE(overlays == KeepLayer(kOverlayLayer));
        EXPECT_EQ(overlays.empty(), !row.Opened);
        for (const auto& [key, pixels] : bases) SelectMapTile(key.first, key.second, kBaseLayer);
        EXPECT_TRUE(KeepLayer(kBaseLayer) == bases);
        FallBackToMonitoring(Screen());
    }
}

// The window pixel that shows global pixel (x, y) through a view's tile and
// offsets, as BlitMapView lays the tiles out.
std::pair<int32_t, int32_t> WindowPixelOf(int32_t x, int32_t y, int32_t col, int32_t row, int32_t ox, int32_t oy) {
    int32_t c, r, bx, by;
    MapPixelToTile(x, y, &c, &r, &bx, &by);
    return {(c - col) * MapTiles.TileWidth + bx - ox, (row - r) * MapTiles.TileHeight + by - oy};
}

TEST_F(MapFitTest, MapSizeAndReviewRoundTripsLeaveTheViewWhereItWasAndTheCursorOnItsPixel) {
    const plat::Hwnd map = ScreenWindows.MapWindow;
    std::vector<int32_t> widths;
    // One to three consoles: map sides, and so tile widths, odd and even.
    for (const int consoles : {1, 2, 3}) {
        SystemSetup.ConsoleCount = consoles;
        for (int i = 0; i < consoles; ++i) SystemSetup.ConsoleType[static_cast<size_t>(i)] = 1;
        DeriveArrayGeometry();
        ComputeSensorLayout();
        OpenWithoutPorts();
        const int32_t W = MapTiles.TileWidth;
        widths.push_back(W);
        SCOPED_TRACE(testing::Message() << "tile width " << W);
        map_test::SetTileBudgetBytes(0);
        SetScale(40);
        OpenSurvey(Survey(2, 5, 3.0));
        ASSERT_EQ(LogScreenState.LoggingState.load(), -1);
        // The GPS stands a little north-east of the first fix.
        const double x = kOriginX + 1.3, y = kOriginY + 2.6;
        MapView.MapInitialised = 0;
        AddPositionToMap(map, -1, kOriginY, kOriginX, 0.0);
        AddPositionToMap(map, -1, y, x, 0.0);
        const int32_t cursorX = MapView.PositionWindowX, cursorY = MapView.PositionWindowY;
        // Where the window stands and where the cursor is drawn: on the
        // pixel that the tiles show for its position.
        const auto expectInPlace = [&](const std::string& after) {
            SCOPED_TRACE(after);
            const MapViewRecord& v = MapView;
            int32_t px, py;
            ASSERT_EQ(StoredWorldToMapPixel(x, y, &px, &py), 1);
            EXPECT_EQ(v.PositionWindowX, cursorX);
            EXPECT_EQ(v.PositionWindowY, cursorY);
            EXPECT_EQ(WindowPixelOf(px, py, v.ViewTileCol, v.ViewTileRow, v.ViewOffsetX, v.ViewOffsetY),
                      std::make_pair(v.PositionWindowX, v.PositionWindowY));
            EXPECT_EQ(WindowPixelOf(v.ViewMinX, v.ViewMaxY - 1, v.ViewTileCol, v.ViewTileRow, v.ViewOffsetX,
                                    v.ViewOffsetY),
                      std::make_pair(0, 0));
            EXPECT_EQ(WindowPixelsOffTheMap(), 0);
        };
        expectInPlace("the first fixes");
        for (const char16_t* size : {u"3", u"2", u"1", u"40"}) {
            plat::ModalAnswer dialog;
            dialog.Kind = plat::ModalKind::Dialog;
            dialog.Act = [size](int d) {
                EXPECT_TRUE(plat::test::TypeIntoEdit(plat::GetDialogItem(d, res::kMapScaleSizeId), size));
                plat::SendMessage(d, plat::kMsgCommand, plat::WParam(plat::kIdOk), 0);
                return -1;
            };
            plat::test::ScriptModal(dialog);
            Key('S');
            AddPositionToMap(map, -1, y, x, 0.0);
            expectInPlace("map size " + plat::Utf16ToUtf8(size));
        }
        // Review: Fit All puts the review window's corner on the bounds it
        // sets, and leaving review brings the live window back.
        Command(kMapButtonFirstId + kMapEnterReview);
        ASSERT_EQ(LogScreenState.ReviewMode, 1);
        Command(kMapButtonFirstId + kMapFitAll);
        const MapViewRecord& v = MapView;
        EXPECT_EQ(WindowPixelOf(v.ViewMinX, v.ViewMaxY - 1, v.ReviewTileCol, v.ReviewTileRow, v.ReviewOffsetX,
                                v.ReviewOffsetY),
                  std::make_pair(0, 0));
        Command(kMapButtonFirstId + kMapExitReview);
        ASSERT_EQ(LogScreenState.ReviewMode, 0);
        AddPositionToMap(map, -1, y, x, 0.0);
        expectInPlace("review");
        FallBackToMonitoring(Screen());
    }
    int odd = 0;
    for (const int32_t w : widths) odd += w % 2;
    EXPECT_TRUE(odd > 0 && odd < 3) << "odd and even tile widths";
}

}  // namespace
