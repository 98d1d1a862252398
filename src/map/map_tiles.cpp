#include "map/map_tiles.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <vector>

#include "map/map_coords.h"
#include "platform/dc.h"
#include "survey_files/survey_model.h"

namespace {

constexpr double kGridPi = 3.14159265359;
constexpr int kMaxGridLines = 10000;
constexpr plat::ColourRef kWhite = 0xFFFFFF;

std::unordered_map<int64_t, MapTile> g_tiles;
int64_t g_budgetBytes = kMapTileBudgetBytes;

int64_t Key(int32_t col, int32_t row) { return (int64_t{col} << 32) | static_cast<uint32_t>(row); }

int32_t TileW() { return std::max(1, MapTiles.TileWidth); }
int32_t TileH() { return std::max(1, MapTiles.TileHeight); }

void Widen(int32_t col, int32_t row) {
    MapTiles.UsedMinCol = std::min(MapTiles.UsedMinCol, col);
    MapTiles.UsedMaxCol = std::max(MapTiles.UsedMaxCol, col);
    MapTiles.UsedMinRow = std::min(MapTiles.UsedMinRow, row);
    MapTiles.UsedMaxRow = std::max(MapTiles.UsedMaxRow, row);
}

void Plot(plat::Hbitmap bmp, int32_t x, int32_t y) { plat::RasterLine(bmp, x, y, x + 1, y, GdiObjects.GridPen); }

// Vertical lines at global x = round(k s) in L..R.
void VerticalGridLines(plat::Hbitmap bmp, double s, int64_t L, int64_t R) {
    const int32_t H = TileH();
    const double k0 = std::ceil((L - 0.5) / s), k1 = std::floor((R + 0.5) / s);
    int lines = 0;
    for (double k = k0; k <= k1 && lines < kMaxGridLines; k += 1.0, ++lines) {
        const int64_t gx = static_cast<int64_t>(std::floor(k * s + 0.5));
        if (gx < L || gx > R) continue;
        const auto bx = static_cast<int32_t>(gx - L);
        plat::RasterLine(bmp, bx, -1, bx, H + 1, GdiObjects.GridPen);
    }
}

void HorizontalGridLines(plat::Hbitmap bmp, double s, int64_t B, int64_t T) {
    const int32_t W = TileW();
    const double k0 = std::ceil((B - 0.5) / s), k1 = std::floor((T + 0.5) / s);
    int lines = 0;
    for (double k = k0; k <= k1 && lines < kMaxGridLines; k += 1.0, ++lines) {
        const int64_t gy = static_cast<int64_t>(std::floor(k * s + 0.5));
        if (gy < B || gy > T) continue;
        const auto by = static_cast<int32_t>(T - gy);
        plat::RasterLine(bmp, -1, by, W + 1, by, GdiObjects.GridPen);
    }
}

// Lines Y = m X + k s, one pixel per column (|m| <= 1) or per row.
void SlopingGridLines(plat::Hbitmap bmp, double s, double m, int64_t L, int64_t R, int64_t B, int64_t T) {
    const double lo = B - std::max(m * L, m * R) - 1.0, hi = T - std::min(m * L, m * R) + 1.0;
    const double k0 = std::ceil(lo / s), k1 = std::floor(hi / s);
    int lines = 0;
    for (double k = k0; k <= k1 && lines < kMaxGridLines; k += 1.0, ++lines) {
        if (std::fabs(m) <= 1.0) {
            for (int64_t gx = L; gx <= R; ++gx) {
                const int64_t gy = static_cast<int64_t>(std::floor(m * gx + k * s + 0.5));
                if (gy >= B && gy <= T) Plot(bmp, static_cast<int32_t>(gx - L), static_cast<int32_t>(T - gy));
            }
        } else {
            for (int64_t gy = B; gy <= T; ++gy) {
                const int64_t gx = static_cast<int64_t>(std::floor((gy - k * s) / m + 0.5));
                if (gx >= L && gx <= R) Plot(bmp, static_cast<int32_t>(gx - L), static_cast<int32_t>(T - gy));
            }
        }
    }
}

bool SameSize(plat::Hbitmap bmp) {
    plat::Size size;
    return plat::GetBitmapSize(bmp, &size) && size.Cx == TileW() && size.Cy == TileH();
}

int g_bitmaps = 0;  // bitmaps in the store, both layers

void FreeBitmap(plat::Hbitmap* bmp) {
    if (*bmp == 0) return;
    plat::DeleteObject(*bmp);
    *bmp = 0;
    --g_bitmaps;
}

void GridLines(plat::Hbitmap base, int32_t col, int32_t row);

// Makes the bitmap of one layer: the overlay white, the base white with its
// grid. False when the budget is spent or the bitmap cannot be made.
bool MakeLayer(plat::Hbitmap* bmp, int layer, int32_t col, int32_t row) {
    if (*bmp != 0 && SameSize(*bmp)) return true;
    FreeBitmap(bmp);
    if (g_bitmaps + 1 > 2 * MapTileSlotLimit()) return false;
    *bmp = plat::CreateFilledBitmap(TileW(), TileH(), kWhite);
    if (*bmp == 0) return false;
    ++g_bitmaps;
    if (layer == kBaseLayer) GridLines(*bmp, col, row);
    Widen(col, row);
    return true;
}

}  // namespace

int MapTileSlotLimit() {
    const int64_t slot = int64_t{2} * TileW() * TileH() * 4;
    return static_cast<int>(std::min<int64_t>(g_budgetBytes / slot, 2000 * 2000));
}

int MapTileCount() { return static_cast<int>(g_tiles.size()); }

MapTile* FindMapTile(int32_t col, int32_t row) {
    auto it = g_tiles.find(Key(col, row));
    return it == g_tiles.end() ? nullptr : &it->second;
}

plat::Hbitmap SelectMapTile(int32_t col, int32_t row, int layer) {
    if (!TileDrawable(col, row)) {
        MapTiles.TileRefused = 1;
        return 0;
    }
    MapTile& tile = g_tiles[Key(col, row)];
    plat::Hbitmap* bmp = layer == kOverlayLayer ? &tile.Overlay : &tile.Base;
    if (!MakeLayer(bmp, layer, col, row)) {
        if (tile.Base == 0 && tile.Overlay == 0) g_tiles.erase(Key(col, row));
        MapTiles.TileRefused = 1;
        return 0;
    }
    return *bmp;
}

MapTile* GetMapTile(int32_t col, int32_t row) {
    if (SelectMapTile(col, row, kOverlayLayer) == 0 || SelectMapTile(col, row, kBaseLayer) == 0) return nullptr;
    return FindMapTile(col, row);
}

void ForEachMapTile(void (*visit)(int32_t, int32_t, MapTile&, void*), void* context) {
    for (auto& [key, tile] : g_tiles) {
        visit(static_cast<int32_t>(key >> 32), static_cast<int32_t>(static_cast<uint32_t>(key)), tile, context);
    }
}

void DeleteAllMapTiles() {
    for (auto& [key, tile] : g_tiles) {
        FreeBitmap(&tile.Overlay);
        FreeBitmap(&tile.Base);
    }
    g_tiles.clear();
    MapTiles.UsedMinCol = MapTiles.UsedMaxCol = MapView.ViewTileCol;
    MapTiles.UsedMinRow = MapTiles.UsedMaxRow = MapView.ViewTileRow;
    MapTiles.TileRefused = 0;
}

void ComputeGridSpacing() {
    MapDisplayOptionsRecord& o = MapDisplayOptions;
    if (o.GridType == 0) o.LinesDirection = 0;
    else o.LinesDirection = o.LinesAngle > 0 ? 1 : (o.LinesAngle < 0 ? -1 : 2);
    double s = o.GridInterval;
    if (o.LinesDirection == 1 || o.LinesDirection == -1) {
        o.LinesSlope = std::tan((90.0 - o.LinesAngle) * kGridPi / 180.0);
        s = o.GridInterval / std::sin(o.LinesAngle * kGridPi / 180.0);
    }
    o.GridPixelSpacing = o.MapSize != 0 ? std::fabs(s * MapTiles.TileWidth / o.MapSize) : 0.0;
}

void DrawTileGrid(plat::Hbitmap base, int32_t col, int32_t row) {
    plat::FillBitmap(base, kWhite);
    GridLines(base, col, row);
}

namespace {
void GridLines(plat::Hbitmap base, int32_t col, int32_t row) {
    const double s = MapDisplayOptions.GridPixelSpacing;
    if (!(s >= 1.0) || !std::isfinite(s)) return;
    const int64_t L = TileLeftX(col), R = L + TileW() - 1, B = TileBottomY(row), T = B + TileH() - 1;
    switch (MapDisplayOptions.LinesDirection) {
        case 0:
            VerticalGridLines(base, s, L, R);
            HorizontalGridLines(base, s, B, T);
            break;
        case 2: VerticalGridLines(base, s, L, R); break;
        default:
            if (std::isfinite(MapDisplayOptions.LinesSlope))
                SlopingGridLines(base, s, MapDisplayOptions.LinesSlope, L, R, B, T);
            break;
    }
}

}  // namespace

void RebuildMapTiles(int mode) {
    for (auto& [key, tile] : g_tiles) {
        const auto col = static_cast<int32_t>(key >> 32), row = static_cast<int32_t>(static_cast<uint32_t>(key));
        if (mode != 1 && tile.Base != 0) {
            if (SameSize(tile.Base)) DrawTileGrid(tile.Base, col, row);
            else MakeLayer(&tile.Base, kBaseLayer, col, row);
        }
        if (mode != 0 && tile.Overlay != 0) {
            if (SameSize(tile.Overlay)) plat::FillBitmap(tile.Overlay, kWhite);
            else MakeLayer(&tile.Overlay, kOverlayLayer, col, row);
        }
    }
    if (mode == 2) MapTiles.TileRefused = 0;
}

namespace map_test {
void SetTileBudgetBytes(int64_t bytes) { g_budgetBytes = bytes > 0 ? bytes : kMapTileBudgetBytes; }
}  // namespace map_test
