// The option, map and background-file commands as the operator reaches them:
// every key and menu entry opens its dialog with the screen busy (or is
// refused), the overflow cycle through Map Size, review returning to the live
// view, and a background file's pixels in the base tiles, gone with the file.
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

const std::u16string kNoGps = u"Option avaiable only when GPS is enabled";

class OptionCommandsTest : public LogScreenTest {
protected:
    void SetUp() override {
        LogScreenTest::SetUp();
        ASSERT_TRUE(plat::PrepareProgramFolders());
        SystemSetup.ConsoleCount = 1;
        GpsPortSetup.InputMode = 1;
        OpenWithoutPorts();  // the map shown
        CreateMapPens(0);
        DeleteAllMapTiles();
        GpsFix.PositionValid = 1;  // a first fix at the origin placed the map
        MapView.MapInitialised = 1;
        MapView.MapOriginX = 500000.0, MapView.MapOriginY = 5000000.0;
        SetExtent(5000.0);
        MapDisplayOptions.MapPixelsPerUnit = double(MapTiles.TileWidth) / MapDisplayOptions.MapSize;
        plat::EnableWindow(ScreenButtons.MonitoringButtons[0], true);
        CreateNewFile();  // Stand By: the menu holds every entry
        ClearRecords();
    }
    static void SetExtent(double half) {
        MapView.DataMinX = MapView.MapOriginX - half, MapView.DataMaxX = MapView.MapOriginX + half;
        MapView.DataMinY = MapView.MapOriginY - half, MapView.DataMaxY = MapView.MapOriginY + half;
    }
    // A dialog that `act` answers (or that ends with 0); notes whether the screen was busy.
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
    static void Press(plat::Hwnd d, int32_t id) { plat::SendMessage(d, plat::kMsgCommand, plat::WParam(id), 0); }
    static std::vector<std::string> Dialogs() {
        std::vector<std::string> out;
        for (const auto& d : plat::test::RecordedDialogs()) out.push_back(d.Name);
        return out;
    }
    static bool Usable(int b) { return Visible(ScreenButtons.MapButtons[b]) && plat::IsWindowEnabled(ScreenButtons.MapButtons[b]); }
    static void ClearRecords() {
        plat::test::ClearRecordedDialogs();
        plat::test::ClearRecordedMessageBoxes();
        plat::test::ClearRecordedSounds();
    }
    std::vector<int> idleInDialog_;
};

TEST_F(OptionCommandsTest, EveryKeyAndMenuEntryReachesItsDialogWithTheScreenBusy) {
    struct Case {
        uint32_t Key;                 // 0: none
        int MenuItem;                 // 0: none
        const char* Dialog;           // opened with GPS input
        const char16_t* Box;          // shown instead of a dialog
        const char16_t* BoxWithoutGps;  // without GPS input, when it differs
    };
    const Case cases[] = {
        {'U', 0, nullptr, nullptr, nullptr},  {'R', 505, "READINGSCALE", nullptr, nullptr},
        {'B', 506, "SPEEDSCALE", nullptr, kNoGps.c_str()}, {'P', 507, "DISPLAYSETUP", nullptr, nullptr},
        {'H', 509, nullptr, nullptr, nullptr}, {'S', 510, "MAPSCALE", nullptr, kNoGps.c_str()},
        {'D', 511, "DISPLAYOPTIONS", nullptr, kNoGps.c_str()}, {'W', 513, "GPSMASK", nullptr, kNoGps.c_str()},
        {'A', 508, "AUDIOFUNCTIONS", nullptr, nullptr},
        {0, 515, "BACKGROUNDFILELOAD", nullptr, u"Option avaiable only when map is visible"},
        {0, 516, nullptr, u"No background files to remove", nullptr},
    };
    for (const bool gps : {true, false}) {
        GpsPortSetup.InputMode = LogScreenState.MapShown = gps ? 1 : 0;
        for (const Case& c : cases) {
            for (const bool byMenu : {false, true}) {
                if (byMenu ? c.MenuItem == 0 : c.Key == 0) continue;
                SCOPED_TRACE(testing::Message() << "gps " << gps << " key " << char(c.Key) << " menu " << c.MenuItem);
                ClearRecords();
                idleInDialog_.clear();
                const bool refused = !gps && c.BoxWithoutGps != nullptr;
                const char* dialog = refused ? nullptr : c.Dialog;
                const char16_t* box = refused ? c.BoxWithoutGps : c.Box;
                if (byMenu) AnswerMenu(c.MenuItem);
                if (dialog != nullptr) AnswerDialog();
                if (box != nullptr) AnswerBox(plat::kIdOk);
                Key(byMenu ? 'M' : c.Key);
                EXPECT_EQ(Dialogs(), dialog ? std::vector<std::string>{dialog} : std::vector<std::string>{});
                EXPECT_EQ(BoxTexts(), box ? std::vector<std::u16string>{box} : std::vector<std::u16string>{});
                EXPECT_EQ(idleInDialog_, dialog ? std::vector<int>{0} : std::vector<int>{}) << "busy while open";
                EXPECT_EQ(LogScreenState.UiIdle, 1);
                EXPECT_EQ(plat::GetFocus(), Screen());
            }
        }
    }
    // Toggle View swaps the map and the profiles, with GPS input only.
    GpsPortSetup.InputMode = LogScreenState.MapShown = 1;
    Key('T');
    EXPECT_EQ(LogScreenState.MapShown, 0);
    GpsPortSetup.InputMode = 0;
    AnswerBox(plat::kIdOk);
    Key('T');
    EXPECT_EQ(LastBoxText(), kNoGps);
    GpsPortSetup.InputMode = 1;
    Key('T');
    EXPECT_TRUE(LogScreenState.MapShown == 1 && Visible(ScreenWindows.MapWindow) && Usable(kMapEnterReview));
}

TEST_F(OptionCommandsTest, AfterAnOverflowPauseOnlyAMapSizeTheDataFitRestoresGo) {
    Key('G');
    LogScreenState.MapOverflowState = 1;  // the track left the map: the map says so once
    AnswerBox(plat::kIdOk);
    plat::SendMessage(Screen(), kMsgMapOverflow, 0, 0);
    ASSERT_EQ(LogScreenState.MapOverflowState, 2);
    EXPECT_EQ(FileBytes().substr(FileBytes().size() - 27, 11), "XPAUSED BMP");
    const std::u16string tooSmall = u"Map Size too small\r\nPlease select Map Size option\r\nand increase the map size";
    const std::u16string minimum = u"Grid Interval must be >= 0.5 of map unit. Program assumed minimum value.";
    struct Case {
        const char16_t *Size, *Interval;
        bool AnyData;
        std::vector<std::u16string> Boxes;  // after the dialog
        int32_t SizeAfter;
        double IntervalAfter;
        int Overflow, StateAfterGo;
    };
    const Case cases[] = {
        {u"2", u"7", true, {tooSmall}, 40, 5.0, 2, -1},  // 5 km at 2 m a window: the old scale back, Go refused
        {u"80", u"0.3", true, {minimum}, 80, 0.5, 0, 1},
        {u"1", u"5", false, {}, 1, 5.0, 0, 1},           // no position yet: nothing to fit
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "size " << std::string(c.Size, c.Size + 2));
        ClearRecords();
        Key(plat::kKeySpace);
        LogScreenState.MapOverflowState = 2;
        MapView.MapInitialised = c.AnyData ? 1 : 0;
        AnswerDialog([&c](plat::Hwnd d) {
            ASSERT_TRUE(plat::test::TypeIntoEdit(plat::GetDialogItem(d, res::kMapScaleSizeId), c.Size));
            ASSERT_TRUE(plat::test::TypeIntoEdit(plat::GetDialogItem(d, res::kMapScaleIntervalId), c.Interval));
            Press(d, plat::kIdOk);
        });
        for (size_t i = 0; i < c.Boxes.size(); ++i) AnswerBox(plat::kIdOk);
        Key('S');
        EXPECT_EQ(BoxTexts(), c.Boxes);
        const auto sounds = plat::test::RecordedSounds();
        ASSERT_FALSE(sounds.empty());
        EXPECT_EQ(!sounds.empty() && sounds[0].Name == "SOUND_RING", c.Overflow == 2);
        EXPECT_EQ(sounds.back().Name, "BEEP") << "the redrawn map";
        EXPECT_EQ(MapDisplayOptions.MapPixelsPerUnit, double(MapTiles.TileWidth) / c.SizeAfter);
        EXPECT_EQ(LogScreenState.MapOverflowState, c.Overflow);
        EXPECT_EQ(MapView.MapViewResetPending, 1);
        int32_t colA, rowA, colB, rowB;
        if (c.AnyData && c.Overflow == 0 && DataExtentFitsMapTiles(&colA, &rowA, &colB, &rowB)) {
            EXPECT_TRUE(MapTiles.UsedMinCol <= colA && MapTiles.UsedMaxRow >= rowB) << "pans reach all data";
        }
        MapDisplayOptions.MapSize = 0;  // the settings file holds the scale in force
        ASSERT_TRUE(LoadSaveSettings(0));
        EXPECT_EQ(MapDisplayOptions.MapSize, c.SizeAfter);
        EXPECT_EQ(MapDisplayOptions.GridInterval, c.IntervalAfter);
        if (c.StateAfterGo == -1) AnswerBox(plat::kIdOk);  // "Cannot start logging."
        Key('G');
        EXPECT_EQ(LogScreenState.LoggingState.load(), c.StateAfterGo);
    }
}

TEST_F(OptionCommandsTest, ReviewPansAndZoomsACopyAndExitReturnsToTheLiveView) {
    MapView.ViewTileCol = 1001, MapView.ViewTileRow = 999, MapView.ViewOffsetX = 17, MapView.ViewOffsetY = 230;
    const MapViewRecord live = MapView;
    const MapDisplayOptionsRecord liveScale = MapDisplayOptions;
    Command(kMapButtonFirstId + kMapEnterReview);
    ASSERT_EQ(LogScreenState.ReviewMode, 1);
    EXPECT_EQ(std::vector<int>({MapView.ReviewTileCol, MapView.ReviewTileRow, MapView.ReviewOffsetX, MapView.ReviewOffsetY}),
              std::vector<int>({1001, 999, 17, 230}));
    for (plat::Hwnd b : ScreenButtons.StandByButtons) EXPECT_FALSE(Visible(b) || plat::IsWindowEnabled(b));
    for (int b : {kMapLeft, kMapZoomIn, kMapZoomOut, kMapFitAll, kMapExitReview}) EXPECT_TRUE(Usable(b)) << b;
    EXPECT_FALSE(Visible(ScreenButtons.MapButtons[kMapEnterReview]));

    for (int b : {kMapZoomIn, kMapZoomIn, kMapLeft, kMapDown, kMapFitAll}) Command(kMapButtonFirstId + b);
    // The scale options wait for the end of review; a zoomed size never reaches the settings file.
    for (uint32_t key : {uint32_t('S'), uint32_t('D')}) {
        ClearRecords();
        AnswerBox(plat::kIdOk);
        Key(key);
        EXPECT_EQ(BoxTexts(), std::vector<std::u16string>{u"Option not available during map review."});
        EXPECT_TRUE(Dialogs().empty());
    }
    MapDisplayOptions.MapSize = 12;
    AnswerDialog([](plat::Hwnd d) { Press(d, plat::kIdOk); });
    Key('A');
    ASSERT_TRUE(LoadSaveSettings(0));
    EXPECT_EQ(MapDisplayOptions.MapSize, liveScale.MapSize);
    // Hiding and showing the map keeps review leavable.
    Key('T');
    EXPECT_TRUE(Usable(kMapExitReview));
    Key('T');
    EXPECT_TRUE(Usable(kMapExitReview) && !Visible(ScreenButtons.MapButtons[kMapEnterReview]));

    Command(kMapButtonFirstId + kMapExitReview);
    EXPECT_EQ(LogScreenState.ReviewMode, 0);
    EXPECT_EQ(std::vector<double>({double(MapDisplayOptions.MapSize), MapDisplayOptions.MapPixelsPerUnit,
                                   double(MapDisplayOptions.DisplayType), double(MapView.ViewTileCol),
                                   double(MapView.ViewTileRow), double(MapView.ViewOffsetX), double(MapView.ViewOffsetY)}),
              std::vector<double>({double(liveScale.MapSize), liveScale.MapPixelsPerUnit, double(liveScale.DisplayType),
                                   double(live.ViewTileCol), double(live.ViewTileRow), double(live.ViewOffsetX),
                                   double(live.ViewOffsetY)}));
    EXPECT_EQ(MapView.MapViewResetPending, 1) << "the next position re-centres the view";
    for (plat::Hwnd b : ScreenButtons.StandByButtons) EXPECT_TRUE(Visible(b) && plat::IsWindowEnabled(b));
    for (int b : {kMapZoomIn, kMapZoomOut, kMapFitAll, kMapExitReview}) EXPECT_FALSE(Usable(b)) << b;
    EXPECT_TRUE(Usable(kMapEnterReview));
    // Without a data file the map buttons do nothing, even where enabled.
    AnswerBox(plat::kIdYes);
    Key('X');
    OpenWithoutPorts();
    Command(kMapButtonFirstId + kMapEnterReview);
    EXPECT_EQ(LogScreenState.ReviewMode, 0);
}

// Pixels of the background colour over every base tile.
int BackgroundPixels() {
    int n = 0;
    ForEachMapTile([](int32_t, int32_t, MapTile& t, void* count) {
        for (int32_t y = 0; t.Base != 0 && y < MapTiles.TileHeight; ++y)
            for (int32_t x = 0; x < MapTiles.TileWidth; ++x)
                *static_cast<int*>(count) += plat::GetBitmapPixel(t.Base, x, y) == GdiObjectsRecord::BackgroundColor;
    }, &n);
    return n;
}

TEST_F(OptionCommandsTest, ABackgroundFileIsDrawnIntoTheBaseTilesAndGoesWithTheFile) {
    MapDisplayOptions.MapPixelsPerUnit = 10.0;  // points at pixels (100, 100), (200, 200), break, (300, 100)
    WriteWholeFile(root_ + "/LINES.TXT", "500010,5000010\n500020,5000020\nb\n500030,5000010\n");
    BackgroundFileOptions.FileType = 1, BackgroundFileOptions.ColumnDelimiter = 1;
    BackgroundFileOptions.CoordinatesType = 1, BackgroundFileOptions.DisplayStyle = 3;  // thick lines
    BackgroundFileOptions.EastingColumn = 0, BackgroundFileOptions.NorthingColumn = 1;
    AnswerMenu(515);
    AnswerDialog([](plat::Hwnd d) { Press(d, res::kIdBackgroundOk); });
    Script(plat::ModalKind::OpenFile, 1, root_ + "/LINES.TXT");
    Key('M');
    ASSERT_EQ(BackgroundFiles.BackgroundFileCount, 1);
    EXPECT_EQ(GdiObjects.BackgroundPen, GdiObjects.BackgroundPenThick);
    auto ink = [](int32_t x, int32_t y) {
        int32_t c, r, bx, by;
        MapPixelToTile(x, y, &c, &r, &bx, &by);
        const MapTile* t = FindMapTile(c, r);
        return t != nullptr && t->Base != 0 && plat::GetBitmapPixel(t->Base, bx, by) == GdiObjectsRecord::BackgroundColor;
    };
    EXPECT_TRUE(ink(100, 100) && ink(150, 150) && ink(200, 200) && ink(300, 100));
    EXPECT_FALSE(ink(250, 150)) << "the break parts the lines";
    const int drawn = BackgroundPixels();
    EXPECT_TRUE(drawn > 141 * 3 && drawn < 141 * 5) << drawn << " pixels: a 3-pixel line of 141 and three markers";
    RebuildMapTiles(0);  // the grid drawn afresh: the kept file drawn again gives the same pixels
    RedrawAllBackgroundFiles();
    EXPECT_EQ(BackgroundPixels(), drawn);

    AnswerMenu(516);
    AnswerDialog([](plat::Hwnd d) {
        Press(d, res::kIdBackgroundSelectAll);
        Press(d, res::kIdBackgroundOk);
    });
    Key('M');
    EXPECT_EQ(BackgroundFiles.BackgroundFileCount, 0);
    EXPECT_EQ(BackgroundPixels(), 0);
}

}  // namespace
