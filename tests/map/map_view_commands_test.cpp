// The map buttons: pans across tile borders and their stops at the used tile
// rectangle (live and review view), the zoom steps and the fit, a zoom in
// refused when the data would leave the drawable tiles, and the busy
// indicator's dot running left to right, on screen at once.
#include <gtest/gtest.h>

#include "log_screen/panel_objects.h"
#include "map/map_tiles.h"
#include "map/map_view_commands.h"
#include "platform/dc.h"
#include "platform/sound.h"
#include "platform/window_fixture.h"
#include "survey_files/survey_model.h"

namespace {

constexpr int32_t kSide = 100;  // tile width and height

class MapViewCommandsTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ResetSurveyModel();
        MapTiles.TileWidth = MapTiles.TileHeight = kSide;
        MapDisplayOptions.CursorBandPixels = 76;  // a pan step of 7
        plat::test::ClearRecordedSounds();
    }
    void TearDown() override {
        DeleteAllMapTiles();
        WindowTest::TearDown();
    }
};

TEST_F(MapViewCommandsTest, PansCrossTileBordersAndStopAtTheUsedTiles) {
    struct Row {
        const char* What;
        int Review;                 // LogScreenState.ReviewMode
        int32_t Code;
        int32_t Col, Row, Ox, Oy;   // the view before
        int32_t UsedMin, UsedMax;   // used tiles, both directions
        int32_t ECol, ERow, EOx, EOy;
    };
    const Row rows[] = {
        {"left from offset 3: the west tile at W - 4", 0, 121, 1000, 1000, 3, 50, 998, 1002, 999, 1000, 96, 50},
        {"left at the westmost used column: nothing", 0, 121, 998, 1000, 3, 50, 998, 1002, 998, 1000, 3, 50},
        {"right from W - 3: the east tile at 4", 0, 122, 1000, 1000, 97, 50, 998, 1002, 1001, 1000, 4, 50},
        {"right when column + 1 is the last used: nothing", 0, 122, 1001, 1000, 97, 50, 998, 1002, 1001, 1000, 97, 50},
        {"right within the tile", 0, 122, 1000, 1000, 50, 50, 998, 1002, 1000, 1000, 57, 50},
        {"up from offset 3: the north row at H - 4", 1, 123, 1000, 1000, 50, 3, 998, 1002, 1000, 1001, 50, 96},
        {"up at the northmost used row: nothing", 1, 123, 1000, 1002, 50, 3, 998, 1002, 1000, 1002, 50, 3},
        {"down from H - 3: the south row at 4", 1, 124, 1000, 1000, 50, 97, 998, 1002, 1000, 999, 50, 4},
        {"down when row - 1 is the first used: nothing", 1, 124, 1000, 999, 50, 97, 998, 1002, 1000, 999, 50, 97},
        {"other codes: nothing", 0, 120, 1000, 1000, 50, 50, 998, 1002, 1000, 1000, 50, 50},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.What);
        LogScreenState.ReviewMode = r.Review;
        MapTiles.UsedMinCol = MapTiles.UsedMinRow = r.UsedMin;
        MapTiles.UsedMaxCol = MapTiles.UsedMaxRow = r.UsedMax;
        MapViewRecord& m = MapView;
        int32_t& col = r.Review ? m.ReviewTileCol : m.ViewTileCol;
        int32_t& row = r.Review ? m.ReviewTileRow : m.ViewTileRow;
        int32_t& ox = r.Review ? m.ReviewOffsetX : m.ViewOffsetX;
        int32_t& oy = r.Review ? m.ReviewOffsetY : m.ViewOffsetY;
        col = r.Col, row = r.Row, ox = r.Ox, oy = r.Oy;
        m.ViewMinX = 10, m.ViewMaxX = 110, m.ViewMinY = 20, m.ViewMaxY = 120;
        m.LastPositionPixelX = 60, m.LastPositionPixelY = 70;
        const MapViewRecord before = m;
        MapViewCommand(r.Code);
        EXPECT_EQ(col, r.ECol);
        EXPECT_EQ(row, r.ERow);
        EXPECT_EQ(ox, r.EOx);
        EXPECT_EQ(oy, r.EOy);
        // The live bounds and the last position follow a live pan (y north).
        const bool moved = r.Review == 0 && (col != r.Col || ox != r.Ox);
        const int32_t dx = moved ? (r.Code == 121 ? -7 : 7) : 0;
        EXPECT_EQ(m.ViewMinX, before.ViewMinX + dx);
        EXPECT_EQ(m.ViewMaxX, before.ViewMaxX + dx);
        EXPECT_EQ(m.LastPositionPixelX, before.LastPositionPixelX + dx);
        EXPECT_EQ(m.ViewMinY, before.ViewMinY);
        EXPECT_EQ(m.LastPositionPixelY, before.LastPositionPixelY);
        if (r.Review) {
            EXPECT_EQ(m.ViewTileCol, before.ViewTileCol);
            EXPECT_EQ(m.ViewOffsetY, before.ViewOffsetY);
        }
    }
}

TEST_F(MapViewCommandsTest, ZoomStepsAndFitSetTheMapSizeAndPlaceTheData) {
    struct Row {
        int32_t Code, Size;
        double Extent;          // data east and north of the origin, map units
        int32_t CursorBand;
        int32_t ESize;
    };
    const Row rows[] = {
        {125, 40, 0, 1, 38}, {126, 40, 0, 1, 42}, {125, 10, 0, 1, 9},  {126, 10, 0, 1, 11},
        {125, 1, 0, 1, 1},   {126, 1, 0, 1, 2},   {127, 40, 100, 1, 120}, {127, 40, 0, 1, 10},
        {127, 40, 5, 1, 16}, {127, 3, 100, 0, 115},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "code " << r.Code << " size " << r.Size << " extent " << r.Extent);
        MapDisplayOptions.MapSize = r.Size;
        MapDisplayOptions.CursorBand = r.CursorBand;
        MapView.MapOriginX = 500.0, MapView.MapOriginY = 7000.0;
        MapView.DataMinX = MapView.DataMaxX = 500.0;
        MapView.DataMinY = MapView.DataMaxY = 7000.0;
        MapView.DataMaxX += r.Extent;
        MapView.DataMaxY += r.Extent / 2;
        MapViewCommand(r.Code);
        EXPECT_EQ(MapDisplayOptions.MapSize, r.ESize);
        EXPECT_DOUBLE_EQ(MapDisplayOptions.MapPixelsPerUnit, static_cast<double>(kSide) / r.ESize);
        if (r.Code != 127) continue;
        // The data's middle lies at the window's middle, the review view at
        // the origin's tiles.
        const double k = MapDisplayOptions.MapPixelsPerUnit;
        const int32_t x1 = static_cast<int32_t>(r.Extent * k + 0.5), y1 = static_cast<int32_t>(r.Extent / 2 * k + 0.5);
        EXPECT_EQ(MapView.ViewMinX + MapView.ViewMaxX, x1 + (kSide - x1) % 2) << "live bounds centred";
        EXPECT_EQ(MapView.ViewMaxX - MapView.ViewMinX, kSide);
        EXPECT_EQ(MapView.ViewMinY + MapView.ViewMaxY, y1 + (kSide - y1) % 2);
        EXPECT_EQ(MapView.ReviewTileCol, 1000);
        EXPECT_EQ(MapView.ReviewTileRow, 1000);
        EXPECT_EQ(MapView.ReviewOffsetX, kSide - (kSide - x1) / 2);
        EXPECT_EQ(MapView.ReviewOffsetY, kSide - (kSide - y1) / 2 - y1);
    }
    EXPECT_TRUE(plat::test::RecordedSounds().empty());
}

TEST_F(MapViewCommandsTest, AZoomInThatWouldLeaveTheDrawableTilesIsRefused) {
    // 39000 units east at size 40 lie in column 1975; at 38 they would reach 2027.
    MapDisplayOptions.MapSize = 40;
    MapDisplayOptions.MapPixelsPerUnit = kSide / 40.0;
    MapView.MapOriginX = MapView.MapOriginY = 0.0;
    MapView.DataMinX = MapView.DataMinY = MapView.DataMaxY = 0.0;
    MapView.DataMaxX = 39000.0;
    MapViewCommand(125);
    EXPECT_EQ(MapDisplayOptions.MapSize, 40);
    EXPECT_DOUBLE_EQ(MapDisplayOptions.MapPixelsPerUnit, kSide / 40.0);
    ASSERT_EQ(plat::test::RecordedSounds().size(), 1u);
    EXPECT_STREQ(plat::test::RecordedSounds()[0].Name.c_str(), "SOUND_RING");
    MapViewCommand(126);
    EXPECT_EQ(MapDisplayOptions.MapSize, 42) << "zooming out is always taken";
}

TEST_F(MapViewCommandsTest, BusyIndicatorRunsOneDotLeftToRightOnScreenAtOnce) {
    plat::WindowClass cls;
    cls.Name = u"BusyTestMap";
    cls.Proc = plat::DefaultWindowProc;
    cls.Background = plat::GetStockObject(plat::kWhiteBrush);
    ASSERT_TRUE(plat::RegisterWindowClass(cls));
    ScreenWindows.MapWindow = plat::CreateWindow(u"BusyTestMap", u"", plat::kStyleVisible, 0, 0, 200, 200, 0, 0);
    ASSERT_NE(ScreenWindows.MapWindow, 0);
    CreateFixedPens();
    MapTiles.TileWidth = MapTiles.TileHeight = 200;  // the map window's size
    const int32_t bx = 100, by = 100;  // the window centre
    for (int k = 0; k < 5; ++k)
        ScreenLayout.BusyDotRects[static_cast<size_t>(k)] = plat::Rect{bx - 30 + 17 * k, by + 40, bx - 18 + 17 * k, by + 53};
    ScreenLayout.BusyFrameRect = plat::Rect{bx - 30, by + 40, bx + 50, by + 53};
    MapView.BusyPhase = 0;
    for (int step = 0; step < 6; ++step) {
        StepBusyIndicator();
        for (int k = 0; k < 5; ++k) {
            const plat::Rect& d = ScreenLayout.BusyDotRects[static_cast<size_t>(k)];
            const uint32_t centre = plat::test::WindowPixel(ScreenWindows.MapWindow, (d.Left + d.Right) / 2, (d.Top + d.Bottom) / 2 + 1);
            EXPECT_EQ(centre == 0xA0A0A0, k == step % 5) << "step " << step << " dot " << k;
        }
    }
    EXPECT_EQ(MapView.BusyPhase, 1);

    LogScreenState.MapShown = 0;
    ShowPleaseWait();
    EXPECT_EQ(plat::test::WindowPixel(ScreenWindows.MapWindow, 76, 147), 0xA0A0A0u) << "hidden map: left alone";
    LogScreenState.MapShown = 1;
    ShowPleaseWait();
    EXPECT_EQ(plat::test::WindowPixel(ScreenWindows.MapWindow, 76, 147), 0xFFFFFFu) << "the map cleared";
    plat::DestroyWindow(ScreenWindows.MapWindow);
    ScreenWindows.MapWindow = 0;
}

}  // namespace
