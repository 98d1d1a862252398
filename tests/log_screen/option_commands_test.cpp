// The option, map and background-file commands as the operator reaches them:
// every key and menu entry opens its dialog with the screen marked busy (or
// is refused with its box), Map Size's fit test through the overflow cycle,
// review that returns to the live view, and background files whose points and
// lines appear in the base tiles and go again with the file.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "log_screen/log_screen_fixture.h"
#include "log_screen/option_commands.h"
#include "map/background_files.h"
#include "map/map_coords.h"
#include "map/map_pens.h"
#include "map/map_tiles.h"
#include "platform/dc.h"
#include "platform/dialog.h"
#include "platform/sound.h"
#include "resources/background_templates.h"
#include "resources/option_templates.h"
#include "survey_files/settings_file.h"

namespace {

constexpr int kNone = 0;

class OptionCommandsTest : public LogScreenTest {
protected:
    void SetUp() override {
        LogScreenTest::SetUp();
        ASSERT_TRUE(plat::PrepareProgramFolders());  // the settings file is written
        SystemSetup.ConsoleCount = 1;
        GpsPortSetup.InputMode = 1;
        OpenWithoutPorts();  // the map shown
        CreateMapPens(0);
        DeleteAllMapTiles();
        // A first fix at the origin has placed the map.
        GpsFix.PositionValid = 1;
        MapView.MapInitialised = 1;
        MapView.MapOriginX = 500000.0;
        MapView.MapOriginY = 5000000.0;
        SetExtent(100.0);
        MapDisplayOptions.MapSize = 40;
        MapDisplayOptions.MapPixelsPerUnit = double(MapTiles.TileWidth) / 40;
        plat::EnableWindow(ScreenButtons.MonitoringButtons[0], true);
        plat::test::ClearRecordedDialogs();
    }
    // Data reaching `half` map units around the origin.
    static void SetExtent(double half) {
        MapView.DataMinX = MapView.MapOriginX - half;
        MapView.DataMaxX = MapView.MapOriginX + half;
        MapView.DataMinY = MapView.MapOriginY - half;
        MapView.DataMaxY = MapView.MapOriginY + half;
    }
    // A dialog answered by `act` (which presses OK or not); ends with 0 otherwise.
    void AnswerDialog(std::function<void(plat::Hwnd)> act = nullptr) {
        plat::ModalAnswer a;
        a.Kind = plat::ModalKind::Dialog;
        a.Act = [this, act](int d) {
            idleInDialog_.push_back(LogScreenState.UiIdle);
            if (act) act(d);
            return -1;
        };
        plat::test::ScriptModal(a);
    }
    static void TypeMapScale(plat::Hwnd d, const char16_t* size, const char16_t* interval = nullptr) {
        ASSERT_TRUE(plat::test::TypeIntoEdit(plat::GetDialogItem(d, res::kMapScaleSizeId), size));
        if (interval != nullptr) {
            ASSERT_TRUE(plat::test::TypeIntoEdit(plat::GetDialogItem(d, res::kMapScaleIntervalId), interval));
        }
        plat::SendMessage(d, plat::kMsgCommand, plat::kIdOk, 0);
    }
    static std::vector<std::string> Dialogs() {
        std::vector<std::string> out;
        for (const auto& d : plat::test::RecordedDialogs()) out.push_back(d.Name);
        return out;
    }
    static int Rings() {
        int n = 0;
        for (const auto& s : plat::test::RecordedSounds()) n += s.Name == "SOUND_RING" ? 1 : 0;
        return n;
    }
    static bool Enabled(int mapButton) { return plat::IsWindowEnabled(ScreenButtons.MapButtons[mapButton]); }
    static bool Shown(int mapButton) { return Visible(ScreenButtons.MapButtons[mapButton]); }
    static void ClearRecords() {
        plat::test::ClearRecordedDialogs();
        plat::test::ClearRecordedMessageBoxes();
        plat::test::ClearRecordedSounds();
    }

    std::vector<int> idleInDialog_;
};

// ---------------------------------------------------------------------------

struct CommandCase {
    uint32_t Key;              // 0: no key
    int MenuItem;              // 0: no menu entry
    const char* Dialog;        // dialog it opens with GPS input, or nullptr
    const char16_t* Box;       // else the box it shows, or nullptr
    const char16_t* BoxWithoutGps;  // the box without GPS input (nullptr: as with GPS)
};

const CommandCase kCommands[] = {
    {'U', 0, nullptr, nullptr, nullptr},                                       // 104 nothing
    {'R', 505, "READINGSCALE", nullptr, nullptr},                              // 105
    {'B', 506, "SPEEDSCALE", nullptr, u"Option avaiable only when GPS is enabled"},
    {'P', 507, "DISPLAYSETUP", nullptr, nullptr},                              // 107
    {'H', 509, nullptr, nullptr, nullptr},                                     // 108 Hide Menu
    {'S', 510, "MAPSCALE", nullptr, u"Option avaiable only when GPS is enabled"},
    {'D', 511, "DISPLAYOPTIONS", nullptr, u"Option avaiable only when GPS is enabled"},
    {'W', 513, "GPSMASK", nullptr, u"Option avaiable only when GPS is enabled"},
    {'A', 508, "AUDIOFUNCTIONS", nullptr, nullptr},                            // 113
    {0, 515, "BACKGROUNDFILELOAD", nullptr, u"Option avaiable only when map is visible"},
    {0, 516, nullptr, u"No background files to remove", nullptr},              // 120 with none loaded
};

TEST_F(OptionCommandsTest, EveryKeyAndMenuEntryReachesItsDialogWithTheScreenBusy) {
    CreateNewFile();  // Stand By: the menu holds every entry
    for (const bool gps : {true, false}) {
        GpsPortSetup.InputMode = gps ? 1 : 0;
        LogScreenState.MapShown = gps ? 1 : 0;
        for (const CommandCase& c : kCommands) {
            for (const bool byMenu : {false, true}) {
                if (byMenu ? c.MenuItem == 0 : c.Key == 0) continue;
                SCOPED_TRACE(testing::Message() << "gps " << gps << " key " << char(c.Key) << " menu " << c.MenuItem);
                ClearRecords();
                idleInDialog_.clear();
                const char16_t* box = gps || c.BoxWithoutGps == nullptr ? c.Box : c.BoxWithoutGps;
                const char* dialog = gps || c.BoxWithoutGps == nullptr ? c.Dialog : nullptr;
                if (byMenu) AnswerMenu(c.MenuItem);
                if (dialog != nullptr) AnswerDialog();
                if (box != nullptr) AnswerBox(plat::kIdOk);
                Key(byMenu ? 'M' : c.Key);
                EXPECT_EQ(Dialogs(), dialog ? std::vector<std::string>{dialog} : std::vector<std::string>{});
                EXPECT_EQ(BoxTexts(), box ? std::vector<std::u16string>{box} : std::vector<std::u16string>{});
                if (dialog != nullptr) {
                    EXPECT_EQ(idleInDialog_, std::vector<int>{0}) << "busy while the dialog is open";
                }
                EXPECT_EQ(LogScreenState.UiIdle, 1);
                EXPECT_EQ(plat::GetFocus(), Screen());
                EXPECT_EQ(plat::test::PendingModalAnswers(), 0u);
            }
        }
    }
}

TEST_F(OptionCommandsTest, ToggleViewSwapsTheMapAndTheProfilesOnlyWithGps) {
    CreateNewFile();
    Key('T');
    EXPECT_EQ(LogScreenState.MapShown, 0);
    EXPECT_FALSE(Visible(ScreenWindows.MapWindow));
    AnswerMenu(512);
    Key('M');
    EXPECT_EQ(LogScreenState.MapShown, 1);
    EXPECT_TRUE(Visible(ScreenWindows.MapWindow));
    for (int b : {kMapLeft, kMapRight, kMapUp, kMapDown, kMapEnterReview}) EXPECT_TRUE(Enabled(b)) << b;

    GpsPortSetup.InputMode = 0;
    LogScreenState.MapShown = 0;
    LayoutLogScreen();
    const int32_t curveWidth = ScreenLayout.CurveWindowWidth;
    AnswerBox(plat::kIdOk);
    Key('T');
    EXPECT_EQ(LastBoxText(), u"Option avaiable only when GPS is enabled");
    EXPECT_EQ(LogScreenState.MapShown, 0);
    EXPECT_EQ(ScreenLayout.CurveWindowWidth, curveWidth) << "the profiles stay as they are";
}

// ---------------------------------------------------------------------------
// Map Size

TEST_F(OptionCommandsTest, MapSizeKeepsANewScaleOnlyWhenTheDataStillFit) {
    struct Case {
        const char* What;
        bool AnyData;
        double Extent;              // half width of the data, map units
        const char16_t* Size;       // typed into MAPSCALE
        const char16_t* Interval;
        int32_t SizeAfter;
        double IntervalAfter;
        std::vector<std::u16string> Boxes;
        int OverflowAfter;
    };
    const std::u16string tooSmall = u"Map Size too small\r\nPlease select Map Size option\r\nand increase the map size";
    const std::u16string minimum = u"Grid Interval must be >= 0.5 of map unit. Program assumed minimum value.";
    const std::vector<Case> cases = {
        {"larger: fits", true, 5000, u"60", u"5", 60, 5.0, {}, 0},
        {"far too small: the old scale back", true, 5000, u"1", u"7", 60, 5.0, {tooSmall}, 2},
        {"a grid interval below the minimum", true, 5000, u"80", u"0.3", 80, 0.5, {minimum}, 0},
        {"no data yet: no fit test", false, 1e300, u"1", u"5", 1, 5.0, {}, 0},
    };
    MapDisplayOptions.GridInterval = 5.0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        ClearRecords();
        LogScreenState.MapOverflowState = 2;
        MapView.MapInitialised = c.AnyData ? 1 : 0;
        SetExtent(c.Extent);
        MapView.MapViewResetPending = 0;
        AnswerDialog([&c](plat::Hwnd d) { TypeMapScale(d, c.Size, c.Interval); });
        for (size_t i = 0; i < c.Boxes.size(); ++i) AnswerBox(plat::kIdOk);
        Key('S');
        EXPECT_EQ(BoxTexts(), c.Boxes);
        EXPECT_EQ(Rings(), c.Boxes.empty() || c.Boxes[0] != tooSmall ? 0 : 1);
        EXPECT_EQ(MapDisplayOptions.MapSize, c.SizeAfter);
        EXPECT_DOUBLE_EQ(MapDisplayOptions.MapPixelsPerUnit, double(MapTiles.TileWidth) / c.SizeAfter);
        EXPECT_EQ(MapDisplayOptions.GridInterval, c.IntervalAfter);
        EXPECT_EQ(LogScreenState.MapOverflowState, c.OverflowAfter);
        int32_t colA, rowA, colB, rowB;
        if (c.AnyData && DataExtentFitsMapTiles(&colA, &rowA, &colB, &rowB)) {
            // The pans reach every tile the data cover at the scale kept.
            EXPECT_LE(MapTiles.UsedMinCol, colA);
            EXPECT_LE(MapTiles.UsedMinRow, rowA);
            EXPECT_GE(MapTiles.UsedMaxCol, colB);
            EXPECT_GE(MapTiles.UsedMaxRow, rowB);
        }
        // A new size re-centres the live view at the next position.
        EXPECT_EQ(MapView.MapViewResetPending, 1);
        EXPECT_EQ(plat::test::PendingModalAnswers(), 0u);
        // The settings file holds the scale in force.
        MapDisplayOptions.MapSize = 0;
        MapDisplayOptions.GridInterval = 0.0;
        ASSERT_TRUE(LoadSaveSettings(0));
        EXPECT_EQ(MapDisplayOptions.MapSize, c.SizeAfter);
        EXPECT_EQ(MapDisplayOptions.GridInterval, c.IntervalAfter);
        MapDisplayOptions.MapPixelsPerUnit = double(MapTiles.TileWidth) / c.SizeAfter;
    }
}

TEST_F(OptionCommandsTest, AnOverflowPauseRefusesGoUntilMapSizeMakesTheDataFit) {
    CreateNewFile();
    SetExtent(5000);
    Key('G');
    ASSERT_EQ(LogScreenState.LoggingState.load(), 1);
    // The track left the map: the map says so once; logging pauses.
    LogScreenState.MapOverflowState = 1;
    AnswerBox(plat::kIdOk);
    plat::SendMessage(Screen(), kMsgMapOverflow, 0, 0);
    EXPECT_EQ(LogScreenState.LoggingState.load(), -1);
    EXPECT_EQ(LogScreenState.MapOverflowState, 2);
    EXPECT_EQ(FileBytes().substr(FileBytes().size() - 27, 11), "XPAUSED BMP");

    auto go = [this] {
        Key('G');
        return LogScreenState.LoggingState.load();
    };
    AnswerBox(plat::kIdOk);
    EXPECT_EQ(go(), -1) << "Go refused";
    EXPECT_EQ(LastBoxText(), u"Cannot start logging.\r\nPlease increase the map size\r\nby 20-25%.");

    // A size still too small changes nothing.
    AnswerDialog([](plat::Hwnd d) { TypeMapScale(d, u"2"); });
    AnswerBox(plat::kIdOk);
    Key('S');
    EXPECT_EQ(MapDisplayOptions.MapSize, 40);
    EXPECT_EQ(LogScreenState.MapOverflowState, 2);
    AnswerBox(plat::kIdOk);
    EXPECT_EQ(go(), -1);

    // Large enough: Go starts logging again; the data logged before stay.
    const std::string before = FileBytes();
    AnswerDialog([](plat::Hwnd d) { TypeMapScale(d, u"50"); });
    Key('S');
    EXPECT_EQ(MapDisplayOptions.MapSize, 50);
    EXPECT_EQ(LogScreenState.MapOverflowState, 0);
    EXPECT_EQ(go(), 1);
    EXPECT_EQ(FileBytes().substr(0, before.size()), before);
    EXPECT_EQ(plat::test::PendingModalAnswers(), 0u);
}

// ---------------------------------------------------------------------------
// Review

TEST_F(OptionCommandsTest, ReviewPansAndZoomsACopyAndExitReturnsToTheLiveView) {
    CreateNewFile();
    MapView.ViewTileCol = 1001, MapView.ViewTileRow = 999;
    MapView.ViewOffsetX = 17, MapView.ViewOffsetY = 230;
    MapDisplayOptions.DisplayType = 1;
    const MapViewRecord live = MapView;
    const int32_t liveSize = MapDisplayOptions.MapSize;
    const double liveScale = MapDisplayOptions.MapPixelsPerUnit;

    Command(kMapButtonFirstId + kMapEnterReview);
    ASSERT_EQ(LogScreenState.ReviewMode, 1);
    EXPECT_EQ(MapView.ReviewTileCol, 1001);
    EXPECT_EQ(MapView.ReviewTileRow, 999);
    EXPECT_EQ(MapView.ReviewOffsetX, 17);
    EXPECT_EQ(MapView.ReviewOffsetY, 230);
    for (plat::Hwnd b : ScreenButtons.StandByButtons) {
        EXPECT_FALSE(Visible(b));
        EXPECT_FALSE(plat::IsWindowEnabled(b));
    }
    for (int b : {kMapLeft, kMapZoomIn, kMapZoomOut, kMapFitAll, kMapExitReview}) EXPECT_TRUE(Shown(b) && Enabled(b));
    EXPECT_FALSE(Shown(kMapEnterReview));
    Key('G');
    Key('X');
    EXPECT_EQ(LogScreenState.LoggingState.load(), -1) << "the Stand By buttons rest during review";
    EXPECT_EQ(ScreenWindows.ScreenMode, 1);

    // The operator zooms and pans the copy; the scale options wait for the end of review.
    for (int b : {kMapZoomIn, kMapZoomIn, kMapLeft, kMapDown, kMapFitAll}) Command(kMapButtonFirstId + b);
    for (uint32_t key : {uint32_t('S'), uint32_t('D')}) {
        ClearRecords();
        AnswerBox(plat::kIdOk);
        Key(key);
        EXPECT_EQ(BoxTexts(), std::vector<std::u16string>{u"Option not available during map review."});
        EXPECT_TRUE(Dialogs().empty());
    }
    // A zoomed review size never reaches the settings file, whichever dialog saves it.
    MapDisplayOptions.MapSize = 12;
    AnswerDialog([](plat::Hwnd d) { plat::SendMessage(d, plat::kMsgCommand, plat::kIdOk, 0); });
    Key('A');
    MapDisplayOptions.MapSize = 0;
    ASSERT_TRUE(LoadSaveSettings(0));
    EXPECT_EQ(MapDisplayOptions.MapSize, liveSize);
    MapDisplayOptions.MapSize = 12;
    // Hiding and showing the map keeps review leavable.
    Key('T');
    EXPECT_TRUE(Shown(kMapExitReview) && Enabled(kMapExitReview));
    Key('T');
    EXPECT_TRUE(Shown(kMapExitReview) && Enabled(kMapExitReview));
    EXPECT_FALSE(Shown(kMapEnterReview));

    Command(kMapButtonFirstId + kMapExitReview);
    EXPECT_EQ(LogScreenState.ReviewMode, 0);
    EXPECT_EQ(MapDisplayOptions.MapSize, liveSize);
    EXPECT_EQ(MapDisplayOptions.MapPixelsPerUnit, liveScale);
    EXPECT_EQ(MapDisplayOptions.DisplayType, 1);
    EXPECT_EQ(MapView.ViewTileCol, live.ViewTileCol);
    EXPECT_EQ(MapView.ViewTileRow, live.ViewTileRow);
    EXPECT_EQ(MapView.ViewOffsetX, live.ViewOffsetX);
    EXPECT_EQ(MapView.ViewOffsetY, live.ViewOffsetY);
    EXPECT_EQ(MapView.MapViewResetPending, 1) << "the next position re-centres the view";
    for (plat::Hwnd b : ScreenButtons.StandByButtons) EXPECT_TRUE(Visible(b) && plat::IsWindowEnabled(b));
    for (int b : {kMapZoomIn, kMapZoomOut, kMapFitAll, kMapExitReview}) EXPECT_FALSE(Shown(b) || Enabled(b));
    EXPECT_TRUE(Shown(kMapEnterReview));
    EXPECT_EQ(LogScreenState.UiIdle, 1);
    // The map buttons do nothing without a data file, even where enabled.
    AnswerBox(plat::kIdYes);
    Key('X');
    ASSERT_EQ(DataFileState.DataFileHandle, plat::kInvalidFile);
    OpenWithoutPorts();
    Command(kMapButtonFirstId + kMapEnterReview);
    EXPECT_EQ(LogScreenState.ReviewMode, 0);
}

// ---------------------------------------------------------------------------
// Background files

// Pixels of the background colour in every base tile.
int BackgroundPixels() {
    int n = 0;
    ForEachMapTile([](int32_t, int32_t, MapTile& t, void* count) {
        if (t.Base == 0) return;
        for (int32_t y = 0; y < MapTiles.TileHeight; ++y)
            for (int32_t x = 0; x < MapTiles.TileWidth; ++x)
                *static_cast<int*>(count) += plat::GetBitmapPixel(t.Base, x, y) == GdiObjectsRecord::BackgroundColor;
    }, &n);
    return n;
}
plat::ColourRef BasePixel(int32_t gx, int32_t gy) {
    int32_t c, r, bx, by;
    MapPixelToTile(gx, gy, &c, &r, &bx, &by);
    const MapTile* t = FindMapTile(c, r);
    return t != nullptr && t->Base != 0 ? plat::GetBitmapPixel(t->Base, bx, by) : 0xFFFFFF;
}

TEST_F(OptionCommandsTest, ABackgroundFileIsDrawnIntoTheBaseTilesAndGoesWithTheFile) {
    // One unit is ten pixels: the points sit at pixels (100, 100), (200, 200)
    // and, after a break, (300, 100).
    MapDisplayOptions.MapSize = MapTiles.TileWidth / 10;
    MapDisplayOptions.MapPixelsPerUnit = 10.0;
    const std::string path = root_ + "/LINES.TXT";
    WriteWholeFile(path, "500010,5000010\n500020,5000020\nb\n500030,5000010\n");
    BackgroundFileOptions = {};
    BackgroundFileOptions.FileType = 1;
    BackgroundFileOptions.ColumnDelimiter = 1;
    BackgroundFileOptions.CoordinatesType = 1;
    BackgroundFileOptions.EastingColumn = 0;
    BackgroundFileOptions.NorthingColumn = 1;
    BackgroundFileOptions.DisplayStyle = 3;  // thick lines
    AnswerMenu(515);
    AnswerDialog([](plat::Hwnd d) { plat::SendMessage(d, plat::kMsgCommand, res::kIdBackgroundOk, 0); });
    Script(plat::ModalKind::OpenFile, 1, path);
    Key('M');
    ASSERT_EQ(BackgroundFiles.BackgroundFileCount, 1);
    EXPECT_EQ(GdiObjects.BackgroundPen, GdiObjects.BackgroundPenThick);
    constexpr plat::ColourRef kInk = GdiObjectsRecord::BackgroundColor;
    for (auto [x, y] : std::vector<std::pair<int, int>>{{100, 100}, {150, 150}, {200, 200}, {300, 100}})
        EXPECT_EQ(BasePixel(x, y), kInk) << x << "," << y;
    EXPECT_NE(BasePixel(250, 150), kInk) << "the break parts the lines";
    const int drawn = BackgroundPixels();
    EXPECT_GT(drawn, 100 * 3) << "a 3-pixel line along 141 pixels";
    EXPECT_LT(drawn, 141 * 5);

    // A rebuild of the base tiles draws the kept file again, the same pixels.
    RebuildMapTiles(0);
    EXPECT_EQ(BackgroundPixels(), 0);
    RedrawAllBackgroundFiles();
    EXPECT_EQ(BackgroundPixels(), drawn);

    // Removed: gone from the tiles, the survey layer untouched.
    AnswerMenu(516);
    AnswerDialog([](plat::Hwnd d) {
        plat::SendMessage(d, plat::kMsgCommand, res::kIdBackgroundSelectAll, 0);
        plat::SendMessage(d, plat::kMsgCommand, res::kIdBackgroundOk, 0);
    });
    Key('M');
    EXPECT_EQ(BackgroundFiles.BackgroundFileCount, 0);
    EXPECT_EQ(BackgroundPixels(), 0);
    EXPECT_EQ(plat::test::PendingModalAnswers(), 0u);
}

}  // namespace
