// The map buttons: pans across tile borders and their stops at the used tile
// rectangle (live and review view), zoom steps, the fit, a zoom in refused
// when the data would leave the drawable tiles, and the busy indicator's dot
// running left to right, on screen at once.
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
        int Review, Code;
        int32_t Col, Row, Ox, Oy;  // the view before; used tiles 998..1002 both ways
        int32_t ECol, ERow, EOx, EOy;
    };
    const Row rows[] = {
        {0, 121, 1000, 1000, 3, 50, 999, 1000, 96, 50},    // left from 3: the west tile at W - 4
        {0, 121, 998, 1000, 3, 50, 998, 1000, 3, 50},      // left at the westmost used column: nothing
        {0, 122, 1000, 1000, 97, 50, 1001, 1000, 4, 50},   // right from W - 3: the east tile at 4
        {0, 122, 1001, 1000, 97, 50, 1001, 1000, 97, 50},  // column + 1 is the last used: nothing
        {0, 122, 1000, 1000, 50, 50, 1000, 1000, 57, 50},  // within the tile
        {1, 123, 1000, 1000, 50, 3, 1000, 1001, 50, 96},   // up from 3: the north row at H - 4
        {1, 123, 1000, 1002, 50, 3, 1000, 1002, 50, 3},    // at the northmost used row: nothing
        {1, 124, 1000, 1000, 50, 97, 1000, 999, 50, 4},    // down from H - 3: the south row at 4
        {1, 124, 1000, 999, 50, 97, 1000, 999, 50, 97},    // row - 1 is the first used: nothing
        {0, 120, 1000, 1000, 50, 50, 1000, 1000, 50, 50},  // not a map command
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "code " << r.Code << " from " << r.Col << "," << r.Row);
        LogScreenState.ReviewMode = r.Review;
        MapTiles.UsedMinCol = MapTiles.UsedMinRow = 998;
        MapTiles.UsedMaxCol = MapTiles.UsedMaxRow = 1002;
        MapViewRecord& m = MapView;
        int32_t* view[2][4] = {{&m.ViewTileCol, &m.ViewTileRow, &m.ViewOffsetX, &m.ViewOffsetY},
                               {&m.ReviewTileCol, &m.ReviewTileRow, &m.ReviewOffsetX, &m.ReviewOffsetY}};
        int32_t** v = view[r.Review];
        *v[0] = r.Col, *v[1] = r.Row, *v[2] = r.Ox, *v[3] = r.Oy;
        m.ViewMinX = m.ViewMinY = 10, m.LastPositionPixelX = 60;
        const MapViewRecord before = m;
        MapViewCommand(r.Code);
        EXPECT_EQ(*v[0], r.ECol);
        EXPECT_EQ(*v[1], r.ERow);
        EXPECT_EQ(*v[2], r.EOx);
        EXPECT_EQ(*v[3], r.EOy);
        // A live pan moves the live bounds and the last position with the view.
        const int32_t dx = r.Review == 0 && r.EOx != r.Ox ? (r.Code == 121 ? -7 : 7) : 0;
        EXPECT_EQ(m.ViewMinX, before.ViewMinX + dx);
        EXPECT_EQ(m.LastPositionPixelX, before.LastPositionPixelX + dx);
        EXPECT_EQ(m.ViewMinY, before.ViewMinY);
        EXPECT_TRUE(r.Review == 0 || m.ViewTileRow == before.ViewTileRow) << "the live view stays";
    }
}

TEST_F(MapViewCommandsTest, ZoomAndFitSetTheMapSizeAndFitPlacesTheDataInTheMiddle) {
    struct Row {
        int32_t Code, Size;
        double Extent;  // data east of the origin (north: half of it), map units
        int32_t CursorBand, ESize;
        bool Ring;
    };
    const Row rows[] = {
        {125, 40, 0, 1, 38, false},    {126, 40, 0, 1, 42, false},   {125, 10, 0, 1, 9, false},
        {126, 10, 0, 1, 11, false},    {125, 1, 0, 1, 1, false},     {126, 1, 0, 1, 2, false},
        {127, 40, 100, 1, 120, false}, {127, 40, 0, 1, 10, false},   {127, 40, 5, 1, 16, false},
        {127, 3, 100, 0, 115, false},
        // 39000 east lies in column 1975 at size 40, would reach 2027 at 38.
        {125, 40, 39000, 1, 40, true}, {126, 40, 39000, 1, 42, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "code " << r.Code << " size " << r.Size << " extent " << r.Extent);
        plat::test::ClearRecordedSounds();
        MapDisplayOptions.MapSize = r.Size;
        MapDisplayOptions.MapPixelsPerUnit = static_cast<double>(kSide) / r.Size;
        MapDisplayOptions.CursorBand = r.CursorBand;
        MapView.MapOriginX = MapView.DataMinX = 500.0, MapView.DataMaxX = 500.0 + r.Extent;
        MapView.MapOriginY = MapView.DataMinY = 7000.0, MapView.DataMaxY = 7000.0 + r.Extent / 2;
        MapViewCommand(r.Code);
        EXPECT_EQ(MapDisplayOptions.MapSize, r.ESize);
        EXPECT_DOUBLE_EQ(MapDisplayOptions.MapPixelsPerUnit, static_cast<double>(kSide) / r.ESize);
        EXPECT_EQ(plat::test::RecordedSounds().size(), r.Ring ? 1u : 0u);
        if (r.Code != 127) continue;
        // The data's middle at the window's middle; the review view at the origin's tiles.
        const double k = MapDisplayOptions.MapPixelsPerUnit;
        const int32_t x1 = static_cast<int32_t>(r.Extent * k + 0.5), y1 = static_cast<int32_t>(r.Extent / 2 * k + 0.5);
        EXPECT_EQ(MapView.ViewMinX + MapView.ViewMaxX, x1 + (kSide - x1) % 2);
        EXPECT_EQ(MapView.ViewMinY + MapView.ViewMaxY, y1 + (kSide - y1) % 2);
        EXPECT_EQ(MapView.ReviewTileCol * 10000 + MapView.ReviewTileRow, 10001000);
        // The review window's corner, bitmap (offset x, offset y), is the bounds' corner.
        EXPECT_EQ(MapView.ReviewOffsetX, MapView.ViewMinX - 1 + kSide);
        EXPECT_EQ(MapView.ReviewOffsetY, kSide - MapView.ViewMaxY);
    }
}

TEST_F(MapViewCommandsTest, BusyIndicatorRunsOneDotLeftToRightOnScreenAtOnce) {
    plat::WindowClass cls;
    cls.Name = u"BusyTestMap";
    cls.Proc = plat::DefaultWindowProc;
    cls.Background = plat::GetStockObject(plat::kWhiteBrush);
    ASSERT_TRUE(plat::RegisterWindowClass(cls));
    const plat::Hwnd map = plat::CreateWindow(u"BusyTestMap", u"", plat::kStyleVisible, 0, 0, 200, 200, 0, 0);
    ScreenWindows.MapWindow = map;
    CreateFixedPens();
    MapTiles.TileWidth = MapTiles.TileHeight = 200;
    for (int k = 0; k < 5; ++k)  // as the layout places them below the centre
        ScreenLayout.BusyDotRects[static_cast<size_t>(k)] = plat::Rect{70 + 17 * k, 140, 82 + 17 * k, 153};
    ScreenLayout.BusyFrameRect = plat::Rect{70, 140, 150, 153};
    for (int step = 0; step < 6; ++step) {
        StepBusyIndicator();  // a paint still pending must not wipe the first dot
        for (int k = 0; k < 5; ++k)
            EXPECT_EQ(plat::test::WindowPixel(map, 76 + 17 * k, 147) == 0xA0A0A0, k == step % 5) << step << " " << k;
    }
    EXPECT_EQ(MapView.BusyPhase, 1);
    LogScreenState.MapShown = 0;
    ShowPleaseWait();
    EXPECT_EQ(plat::test::WindowPixel(map, 76, 147), 0xA0A0A0u) << "the hidden map is left alone";
    LogScreenState.MapShown = 1;
    ShowPleaseWait();
    EXPECT_EQ(plat::test::WindowPixel(map, 76, 147), 0xFFFFFFu) << "the map cleared for the text";
    plat::DestroyWindow(map);
    ScreenWindows.MapWindow = 0;
}

}  // namespace
