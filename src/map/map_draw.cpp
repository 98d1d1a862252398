#include "map/map_draw.h"

#include <algorithm>
#include <cmath>

#include "map/background_files.h"
#include "map/map_coords.h"
#include "map/map_tiles.h"
#include "platform/dc.h"
#include "survey_files/survey_model.h"

namespace {

int32_t TileW() { return std::max(1, MapTiles.TileWidth); }
int32_t TileH() { return std::max(1, MapTiles.TileHeight); }

int64_t FloorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}
int64_t ColumnOf(int64_t x) { return 1000 - FloorDiv(-x, TileW()); }
int64_t RowOf(int64_t y) { return 1000 + FloorDiv(y, TileH()); }

// Cuts [*lo, *hi] to the drawable tiles; false when something was cut off.
bool ClampToDrawable(int64_t* lo, int64_t* hi) {
    const int64_t a = MapTiles.MinDrawableTile, b = MapTiles.MaxDrawableTile;
    const bool whole = *lo >= a && *hi <= b;
    *lo = std::max(*lo, a);
    *hi = std::min(*hi, b);
    return whole;
}

// The ideal line's y at x (x1 != x2).
double LineY(int32_t x1, int32_t y1, int32_t x2, int32_t y2, double x) {
    return y1 + (x - x1) * (double(y2) - y1) / (double(x2) - x1);
}

// A pen's colour and width, looked up once: the colour map draws millions of
// short lines with a few dozen pens. Handles are never used again for
// another object, so an entry stays right for as long as its pen is used.
const plat::RasterInk& InkOf(plat::Hpen pen) {
    struct Entry {
        plat::Hpen Pen = 0;
        plat::RasterInk Ink;
    };
    static Entry cache[64];
    Entry& e = cache[pen % 64];
    if (e.Pen != pen || pen == 0) {
        e.Pen = pen;
        e.Ink = plat::RasterInk{};
        plat::GetRasterInk(pen, &e.Ink);
    }
    return e.Ink;
}

// A drawable tile's global pixel bounds and the pixels of one of its layers,
// kept with the tile size and the store generation they were worked out at.
struct OneTile {
    int32_t W = 0, H = 0, Col = 0, Row = 0;
    int64_t Left = 1, Right = 0, Bottom = 1, Top = 0;
    uint64_t Generation = 0;
    const plat::RasterTarget* Pixels = nullptr;

    bool Holds(int64_t xa, int64_t xb, int64_t ya, int64_t yb) const {
        return Pixels != nullptr && Generation == MapTileGeneration() && W == TileW() && H == TileH() && xa >= Left &&
               xb <= Right && ya >= Bottom && yb <= Top && TileDrawable(Col, Row);
    }
    // False when the tile is refused.
    bool Set(int layer, int32_t col, int32_t row) {
        Pixels = SelectMapTilePixels(col, row, layer);
        W = TileW(), H = TileH(), Col = col, Row = row;
        Left = (int64_t{col} - 1001) * W + 1, Right = Left + W - 1;
        Bottom = (int64_t{row} - 1000) * H, Top = Bottom + H - 1;
        Generation = MapTileGeneration();
        return Pixels != nullptr;
    }
    // The segment in this tile's bitmap frame (bitmap y grows south).
    void Draw(int32_t x1, int32_t y1, int32_t x2, int32_t y2, const plat::RasterInk& ink) const {
        plat::RasterLineOn(*Pixels, static_cast<int32_t>(x1 - Left), static_cast<int32_t>(Top - y1),
                           static_cast<int32_t>(x2 - Left), static_cast<int32_t>(Top - y2), ink);
    }
};

}  // namespace

int DrawSegmentAcrossTiles(int layer, int32_t x1, int32_t y1, int32_t x2, int32_t y2, plat::Hpen pen) {
    const plat::RasterInk& ink = InkOf(pen);
    const int32_t w = ink.Width;
    if (w <= 0 || (x1 == x2 && y1 == y2)) return 0;
    // The pen's square around each pixel: bitmap offsets lo..hi, so global x
    // lo..hi and global y -hi..-lo (bitmap rows grow south).
    const int64_t lo = -(w - 1) / 2, hi = w / 2;
    const int64_t xa = std::min(x1, x2), xb = std::max(x1, x2);
    const int64_t ya = std::min(y1, y2), yb = std::max(y1, y2);
    // Most segments lie in one tile, mostly the tile of the segment before.
    static OneTile last[2];
    OneTile& one = last[layer == kOverlayLayer ? 1 : 0];
    if (one.Holds(xa + lo, xb + hi, ya - hi, yb - lo)) {
        one.Draw(x1, y1, x2, y2, ink);
        return 0;
    }
    int64_t c0 = ColumnOf(xa + lo), c1 = ColumnOf(xb + hi);
    int64_t r0 = RowOf(ya - hi), r1 = RowOf(yb - lo);
    int result = 0;
    const bool wholeCols = ClampToDrawable(&c0, &c1);
    const bool wholeRows = ClampToDrawable(&r0, &r1);
    if (!wholeCols || !wholeRows) {
        MapTiles.TileRefused = 1;
        result = 1;
    }
    if (c0 == c1 && r0 == r1) {
        if (!one.Set(layer, static_cast<int32_t>(c0), static_cast<int32_t>(r0))) return 1;
        one.Draw(x1, y1, x2, y2, ink);
        if (result != 0) one.Pixels = nullptr;  // only a whole segment may take the short way
        return result;
    }
    for (int64_t c = c0; c <= c1; ++c) {
        const int64_t left = (c - 1001) * TileW() + 1, right = left + TileW() - 1;
        // Pixels whose square reaches this column.
        const int64_t pa = std::max(xa, left - hi), pb = std::min(xb, right - lo);
        if (pa > pb) continue;
        double yl = double(ya), yh = double(yb);
        if (x1 != x2) {
            // A steep line's pixels in pa..pb lie within half a pixel of them in x.
            const double ea = LineY(x1, y1, x2, y2, std::max<double>(double(xa), pa - 0.5));
            const double eb = LineY(x1, y1, x2, y2, std::min<double>(double(xb), pb + 0.5));
            yl = std::max<double>(std::min(ea, eb) - 1.0, double(ya));
            yh = std::min<double>(std::max(ea, eb) + 1.0, double(yb));
        }
        const int64_t ra = std::max(r0, RowOf(static_cast<int64_t>(std::floor(yl)) - hi));
        const int64_t rb = std::min(r1, RowOf(static_cast<int64_t>(std::ceil(yh)) - lo));
        for (int64_t r = ra; r <= rb; ++r) {
            OneTile tile;
            if (!tile.Set(layer, static_cast<int32_t>(c), static_cast<int32_t>(r))) {
                result = 1;
                continue;
            }
            tile.Draw(x1, y1, x2, y2, ink);
        }
    }
    return result;
}

int DrawDotAcrossTiles(int layer, int32_t x, int32_t y, int32_t radius, plat::Hpen pen, plat::Hbrush brush) {
    const int64_t r = std::clamp(radius, 0, 64);
    int64_t c0 = ColumnOf(int64_t{x} - 1 - r), c1 = ColumnOf(int64_t{x} + r);
    int64_t r0 = RowOf(int64_t{y} - r), r1 = RowOf(int64_t{y} + 1 + r);
    int result = 0;
    const bool wholeCols = ClampToDrawable(&c0, &c1);
    const bool wholeRows = ClampToDrawable(&r0, &r1);
    if (!wholeCols || !wholeRows) {
        MapTiles.TileRefused = 1;
        result = 1;
    }
    for (int64_t c = c0; c <= c1; ++c) {
        for (int64_t row = r0; row <= r1; ++row) {
            const plat::Hbitmap bmp = SelectMapTile(static_cast<int32_t>(c), static_cast<int32_t>(row), layer);
            if (bmp == 0) {
                result = 1;
                continue;
            }
            int32_t bx, by;
            MapPixelRelativeToTile(x, y, static_cast<int32_t>(c), static_cast<int32_t>(row), &bx, &by);
            const auto ri = static_cast<int32_t>(r);
            plat::RasterEllipse(bmp, bx - 1 - ri, by - 1 - ri, bx + ri + 1, by + ri + 1, pen, brush);
        }
    }
    return result;
}

void DrawCursorCross(plat::Hdc dc, int32_t x, int32_t y) {
    const int32_t h = MapDisplayOptions.CursorHalfSize;
    const plat::Hgdi old = plat::SelectObject(dc, GdiObjects.CursorPen);
    plat::MoveTo(dc, x - h, y);
    plat::LineTo(dc, x + h + 1, y);
    plat::MoveTo(dc, x, y - h);
    plat::LineTo(dc, x, y + h + 1);
    if (old != 0) plat::SelectObject(dc, old);
}

void ClearMapWindow(plat::Hwnd mapWindow) {
    const plat::Hdc dc = plat::GetDC(mapWindow);
    if (dc == 0) return;
    const plat::Rect all{0, 0, MapTiles.TileWidth, MapTiles.TileHeight};
    plat::FillRect(dc, all, plat::GetStockObject(plat::kWhiteBrush));
    plat::ReleaseDC(mapWindow, dc);
}

void BlitMapView(int32_t col, int32_t row, int32_t xo, int32_t yo, bool baseOnly) {
    const plat::Hwnd wnd = ScreenWindows.MapWindow;
    const plat::Hdc dc = plat::GetDC(wnd);
    if (dc == 0) return;
    const plat::Hdc mem = plat::CreateCompatibleDC(dc);
    const int32_t W = TileW(), H = TileH();
    for (int j = 0; j < 2; ++j) {
        for (int i = 0; i < 2; ++i) {
            const int32_t x = i * W - xo, y = j * H - yo;
            const plat::Hbitmap base = SelectMapTile(col + i, row - j, kBaseLayer);
            if (base == 0) {
                plat::PatBlt(dc, x, y, W, H, plat::kWhiteness);
                continue;
            }
            const plat::Hgdi old = plat::SelectObject(mem, base);
            plat::BitBlt(dc, x, y, W + 2, H + 2, mem, 0, 0, plat::kSrcCopy);
            // A tile with no overlay yet has nothing of the survey: white, which the AND leaves alone.
            const MapTile* tile = FindMapTile(col + i, row - j);
            if (!baseOnly && tile != nullptr && tile->Overlay != 0) {
                plat::SelectObject(mem, tile->Overlay);
                plat::BitBlt(dc, x, y, W + 2, H + 2, mem, 0, 0, plat::kSrcAnd);
            }
            plat::SelectObject(mem, old);
        }
    }
    plat::DeleteDC(mem);
    plat::ReleaseDC(wnd, dc);
}
