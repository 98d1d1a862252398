// The tile store and the drawing split over tiles: drawings given in global
// pixels land in every tile they meet so that the tiles side by side show
// exactly what one big image shows; the pixel frame's worked numbers; the grid.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "log_screen/panel_objects.h"
#include "map/colour_bar.h"
#include "map/map_coords.h"
#include "map/map_draw.h"
#include "map/map_tiles.h"
#include "platform/dc.h"
#include "survey_files/survey_model.h"
#include "support/test_env.h"

namespace {

constexpr int32_t kSide = 16;                   // small tiles: many borders in a short drawing
constexpr int32_t kFirst = 996, kLast = 1004;   // the big image covers these columns and rows
constexpr int32_t kBigSide = (kLast - kFirst + 1) * kSide;
constexpr plat::ColourRef kWhite = 0xFFFFFF;

class MapTilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSurveyModel();
        MapTiles.TileWidth = MapTiles.TileHeight = kSide;
        MapTiles.TileLastX = MapTiles.TileLastY = kSide - 1;
        MapDisplayOptions.GridPixelSpacing = 0.0;  // white bases unless a test draws the grid
        DeleteAllMapTiles();
        big_ = plat::CreateCompatibleBitmap(0, kBigSide, kBigSide);
    }
    void TearDown() override {
        DeleteAllMapTiles();
        plat::DeleteObject(big_);
        for (plat::Hgdi o : objects_) plat::DeleteObject(o);
    }
    plat::Hpen Pen(int width) {
        objects_.push_back(plat::CreatePen(plat::kPenSolid, width, 0x0000FF));
        return objects_.back();
    }
    plat::Hbrush Brush() {
        objects_.push_back(plat::CreateSolidBrush(0x00FF00));
        return objects_.back();
    }
    // Global pixel to the big image's frame (y grows south, as in a tile).
    static int32_t BigX(int64_t x) { return static_cast<int32_t>(x - TileLeftX(kFirst)); }
    static int32_t BigY(int64_t y) { return static_cast<int32_t>(TileBottomY(kLast) + kSide - 1 - y); }

    // Every pixel of the big image equals the overlay of the tile holding it;
    // where no tile was made the big image is untouched. No tile lies outside.
    void ExpectStitchedEqualsBig(const char* what, bool onlyInside = true) {
        int outside = 0;
        ForEachMapTile([](int32_t c, int32_t r, MapTile&, void* n) {
            if (c < kFirst || c > kLast || r < kFirst || r > kLast) ++*static_cast<int*>(n);
        }, &outside);
        if (onlyInside) {
            EXPECT_EQ(outside, 0) << what;
        }
        int wrong = 0;
        for (int64_t gy = TileBottomY(kFirst); gy < TileBottomY(kLast) + kSide; ++gy) {
            for (int64_t gx = TileLeftX(kFirst); gx < TileLeftX(kLast) + kSide; ++gx) {
                int32_t c, r, bx, by;
                MapPixelToTile(static_cast<int32_t>(gx), static_cast<int32_t>(gy), &c, &r, &bx, &by);
                const MapTile* t = FindMapTile(c, r);
                const plat::ColourRef want = plat::GetBitmapPixel(big_, BigX(gx), BigY(gy));
                const plat::ColourRef got = t != nullptr && t->Overlay != 0 ? plat::GetBitmapPixel(t->Overlay, bx, by) : kWhite;
                if (want != got && ++wrong < 4) ADD_FAILURE() << what << " at " << gx << "," << gy;
            }
        }
    }

    plat::Hbitmap big_ = 0;
    std::vector<plat::Hgdi> objects_;
};

TEST_F(MapTilesTest, SegmentsAndDotsOverTilesStitchIntoTheDrawingOnOneBigImage) {
    struct Point { int32_t X, Y; };
    // Starts on borders and corners of tiles (x 0 | 1 and y -1 | 0 are borders).
    const Point starts[] = {{0, 0}, {1, -1}, {-15, 16}, {7, 3}, {16, -16}};
    // Lengths from 0 to crossing five tiles, every octant, steep and shallow.
    const Point steps[] = {{0, 0}, {1, 0}, {0, -1}, {17, 0}, {0, 17}, {33, 21}, {-40, 5},
                           {3, -45}, {-1, -1}, {47, -47}, {-20, 44}, {15, 1}, {-2, -30}};
    for (int width = 1; width <= 3; ++width) {
        const plat::Hpen pen = Pen(width);
        for (const Point& a : starts) {
            for (const Point& d : steps) {
                SetUp();
                const int32_t x2 = a.X + d.X, y2 = a.Y + d.Y;
                EXPECT_EQ(DrawSegmentAcrossTiles(kOverlayLayer, a.X, a.Y, x2, y2, pen), 0);
                plat::FillBitmap(big_, kWhite);
                plat::RasterLine(big_, BigX(a.X), BigY(a.Y), BigX(x2), BigY(y2), pen);
                char what[96];
                std::snprintf(what, sizeof what, "width %d (%d,%d)-(%d,%d)", width, a.X, a.Y, x2, y2);
                ExpectStitchedEqualsBig(what);
            }
        }
    }
    // A segment from far off (a saturated pixel) is cut to the tiles it meets.
    SetUp();
    const plat::Hpen pen = Pen(2);
    EXPECT_EQ(DrawSegmentAcrossTiles(kOverlayLayer, -kMapPixelLimit, 9, 20, 5, pen), 1) << "far part refused";
    plat::FillBitmap(big_, kWhite);
    plat::RasterLine(big_, BigX(-int64_t{kMapPixelLimit}), BigY(9), BigX(20), BigY(5), pen);
    ExpectStitchedEqualsBig("from far west", false);
    EXPECT_EQ(MapTiles.TileRefused, 1);

    const Point dots[] = {{0, 0}, {1, 0}, {0, -1}, {1, -1}, {16, 15}, {-15, 16}, {8, 8}, {17, -17}};
    const plat::Hbrush brush = Brush();
    const plat::Hpen outline = Pen(1);
    for (int radius = 0; radius <= 3; ++radius) {
        for (const Point& p : dots) {
            SetUp();
            EXPECT_EQ(DrawDotAcrossTiles(kOverlayLayer, p.X, p.Y, radius, outline, brush), 0);
            plat::FillBitmap(big_, kWhite);
            const int32_t bx = BigX(p.X), by = BigY(p.Y);
            plat::RasterEllipse(big_, bx - 1 - radius, by - 1 - radius, bx + radius + 1, by + radius + 1,
                                outline, brush);
            char what[64];
            std::snprintf(what, sizeof what, "dot r %d at (%d,%d)", radius, p.X, p.Y);
            ExpectStitchedEqualsBig(what);
        }
    }
}

TEST_F(MapTilesTest, PixelFrameWorkedNumbers) {
    MapTiles.TileWidth = MapTiles.TileHeight = 508;
    struct Row { int32_t X, Y, Col, Row, Bx, By; };
    const Row rows[] = {
        {0, 0, 1000, 1000, 507, 507},      // the origin: east and bottom edge of tile 1000/1000
        {1, -1, 1001, 999, 0, 0},          // one pixel east and south: the neighbours' corner
        {508, 507, 1001, 1000, 507, 0},    // the far corner of tile 1001/1000
        {509, 508, 1002, 1001, 0, 507},
        {-507, -508, 1000, 999, 0, 507},
        {-508, -509, 999, 998, 507, 0},
    };
    for (const Row& r : rows) {
        int32_t c, rw, bx, by;
        MapPixelToTile(r.X, r.Y, &c, &rw, &bx, &by);
        EXPECT_EQ(c, r.Col) << r.X;
        EXPECT_EQ(rw, r.Row) << r.Y;
        EXPECT_EQ(bx, r.Bx) << r.X;
        EXPECT_EQ(by, r.By) << r.Y;
        EXPECT_EQ(TileLeftX(c) + bx, r.X) << "round trip";
        EXPECT_EQ(TileBottomY(rw) + (508 - 1 - by), r.Y) << "round trip";
    }

    // World to pixel: truncation toward zero after adding half a pixel, saturation.
    MapDisplayOptions.MapPixelsPerUnit = 10.0;
    struct World { double X; int32_t Pixel; int Drawable; };
    const World world[] = {
        {-0.07, 0, 1}, {-0.17, -1, 1}, {0.049, 0, 1}, {0.05, 1, 1},
        {1e12, kMapPixelLimit, 0}, {-1e12, -kMapPixelLimit, 0}, {NAN, 0, 0}, {INFINITY, kMapPixelLimit, 0},
    };
    for (const World& w : world) {
        int32_t x = 7, y = 7;
        EXPECT_EQ(WorldToMapPixel(w.X, 0.0, &x, &y), w.Drawable) << w.X;
        EXPECT_EQ(x, w.Pixel) << w.X;
    }
    // The pixel of a position is that of its value as the file stores it.
    int32_t live = 0, stored = 0, y = 0;
    WorldToMapPixel(0.04999, 0.0, &live, &y);
    StoredWorldToMapPixel(0.04999, 0.0, &stored, &y);
    EXPECT_EQ(live, 0);
    EXPECT_EQ(stored, 1) << "0.04999 is stored as 0.050";
    EXPECT_EQ(StoredWorldToMapPixel(1e11, 0.0, &stored, &y), 0) << "too wide for the record field";
}

// A coordinate's stored value is what the file's "%14.3f" text reads back
// as, bit for bit: near half thousandths, at zero and at the field's edge too.
TEST(StoredMapCoordinates, AreWhatTheFileTextReadsBackAs) {
    std::vector<double> values = {0.0,    -0.0,         0.0004,      -0.0004,         0.0005,          -0.0005,
                                  0.0015, 2.0005,       1.2345,      500000.1235,     5700000.0005,    -123.4565,
                                  1e-300, 999999998.9996, 999999999.0, -999999999.9994, -999999999.9996, 9999999999.0,
                                  1e300,  -1e15};
    std::mt19937_64 random(7);
    for (int i = 0; i < 20000; ++i) {
        const double k = static_cast<double>(random() % 2000000001) - 1e9;
        values.push_back(k / 2000.0);                                           // on and near half thousandths
        values.push_back(5.7e6 + std::ldexp(static_cast<double>(random() >> 11), -40));  // UTM northings
        values.push_back(std::ldexp(static_cast<double>(random() >> 11), -20) - 4e9);     // beyond the field too
    }
    for (const double v : values) {
        char text[64];
        const int n = std::snprintf(text, sizeof text, "%14.3f", v);
        double got = 12345.0;
        const bool stored = StoredMapCoordinate(v, &got);
        ASSERT_EQ(stored, n <= 14) << text;
        if (!stored) continue;
        const double want = std::strtod(text, nullptr);
        ASSERT_EQ(std::memcmp(&got, &want, sizeof got), 0) << text << " from " << v;
    }
    double got = 0.0;
    EXPECT_FALSE(StoredMapCoordinate(std::nan(""), &got));
    EXPECT_FALSE(StoredMapCoordinate(HUGE_VAL, &got));
}

TEST_F(MapTilesTest, TilesOutsideTheDrawableRangeOrPastTheBudgetAreRefused) {
    EXPECT_EQ(GetMapTile(2, 1000), nullptr);
    EXPECT_EQ(GetMapTile(1000, 1997), nullptr);
    EXPECT_EQ(MapTiles.TileRefused, 1);
    EXPECT_EQ(MapTileCount(), 0);
    DeleteAllMapTiles();
    EXPECT_NE(GetMapTile(3, 1996), nullptr);
    // The budget allows so many tiles at this size, and no more are made.
    DeleteAllMapTiles();
    EXPECT_EQ(MapTileSlotLimit(), int64_t{1} << 30 >> 9) << "1 GiB of 16 x 16 tiles in two layers of a byte a pixel";
    map_test::SetTileBudgetBytes(2 * 2 * kSide * kSide);
    EXPECT_EQ(MapTileSlotLimit(), 2);
    EXPECT_NE(GetMapTile(1000, 1000), nullptr);
    EXPECT_NE(GetMapTile(1001, 1000), nullptr);
    EXPECT_EQ(GetMapTile(1002, 1000), nullptr);
    EXPECT_EQ(MapTiles.TileRefused, 1);
    DeleteAllMapTiles();
    EXPECT_EQ(MapTileCount(), 0);
    EXPECT_EQ(MapTiles.TileRefused, 0);
    map_test::SetTileBudgetBytes(0);
}

TEST_F(MapTilesTest, GridSpacingAndGridLinesMeetAcrossTileBorders) {
    struct Row { int32_t Type; double Angle; int32_t Direction; double Spacing; };
    const Row rows[] = {
        {0, -60.0, 0, 63.5},       // basic grid: 5 units at 508 px per 40 units
        {1, 0.0, 2, 63.5},         // parallel lines at angle 0: verticals only
        {1, -60.0, -1, 73.323},    // 5 / sin 60 along y
        {1, 60.0, 1, 73.323},
    };
    MapTiles.TileWidth = 508;
    for (const Row& r : rows) {
        MapDisplayOptions.GridType = r.Type;
        MapDisplayOptions.LinesAngle = r.Angle;
        MapDisplayOptions.GridInterval = 5.0;
        MapDisplayOptions.MapSize = 40;
        ComputeGridSpacing();
        EXPECT_EQ(MapDisplayOptions.LinesDirection, r.Direction) << r.Angle;
        EXPECT_NEAR(MapDisplayOptions.GridPixelSpacing, r.Spacing, 1e-3) << r.Angle;
    }
    MapTiles.TileWidth = kSide;
    objects_.push_back(plat::CreatePen(plat::kPenSolid, 1, 0xC0C0C0));
    GdiObjects.GridPen = objects_.back();
    // Basic grid at 7.3 px: the grey columns of all tiles are the global
    // columns round(k x 7.3), in every row; the grey rows likewise.
    MapDisplayOptions.LinesDirection = 0;
    MapDisplayOptions.GridPixelSpacing = 7.3;
    for (int64_t gx = TileLeftX(998); gx < TileLeftX(1002); ++gx) {
        const double k = std::round(gx / 7.3);
        const bool line = static_cast<int64_t>(std::floor(k * 7.3 + 0.5)) == gx;
        for (int64_t gy : {int64_t{-1}, int64_t{0}, int64_t{3}, int64_t{16}}) {
            int32_t c, r, bx, by;
            MapPixelToTile(static_cast<int32_t>(gx), static_cast<int32_t>(gy), &c, &r, &bx, &by);
            const plat::ColourRef p = plat::GetBitmapPixel(SelectMapTile(c, r, kBaseLayer), bx, by);
            if (line) {
                EXPECT_EQ(p, 0xC0C0C0u) << gx << "," << gy;
            }
        }
    }
    // A spacing under one pixel, zero or not a number draws nothing.
    for (double s : {0.5, 0.0, double(NAN), -3.0}) {
        DeleteAllMapTiles();
        MapDisplayOptions.GridPixelSpacing = s;
        const plat::Hbitmap base = SelectMapTile(1000, 1000, kBaseLayer);
        for (int32_t i = 0; i < kSide; ++i) EXPECT_EQ(plat::GetBitmapPixel(base, i, i), kWhite) << s;
    }
    GdiObjects.GridPen = 0;
}

// The colour bar window: 50 cells of 5 pixels, colour 0 at the bottom, in a
// dark frame, as the readings scale dialog shows it.
class ColourBarTest : public OstrimaTest {};

TEST_F(ColourBarTest, CellsRunFromColourZeroAtTheBottomToTheLastAtTheTop) {
    ASSERT_TRUE(plat::StartApplication());
    plat::test::ResetWindows();
    CreateFixedPens();
    CreateColourScalePens();
    ASSERT_EQ(RegisterColorBarWndClass(), 0);
    const plat::Hwnd bar = plat::CreateWindow(u"ColorBarWnd", u"Colour Scale Bar", plat::kStyleVisible, 30, 32, 112, 296, 0, 0);
    ASSERT_NE(bar, 0);
    plat::InvalidateRect(bar, nullptr, true);
    plat::UpdateWindow(bar);
    struct Probe { int32_t X, Y; uint32_t Colour; };
    const Probe probes[] = {
        {85, 276, ColourScaleColour(0)},    // bottom cell: rows 273..277
        {85, 271, ColourScaleColour(1)},
        {85, 151, ColourScaleColour(25)},
        {85, 29, ColourScaleColour(49)},    // top cell: rows 28..32
        {74, 150, 0x404040},                // the frame's left edge
        {95, 150, 0x404040},                // and its right edge
        {100, 150, 0xFFFFFF},
    };
    for (const Probe& p : probes) EXPECT_EQ(plat::test::WindowPixel(bar, p.X, p.Y), p.Colour) << p.X << "," << p.Y;
    plat::test::ResetWindows();
}

}  // namespace
