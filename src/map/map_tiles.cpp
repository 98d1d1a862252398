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

int64_t g_units = 0;        // bytes per pixel of every bitmap in the store, summed (1 an 8-bit tile)
uint64_t g_generation = 1;  // see MapTileGeneration
uint64_t g_pixelMoves = 0;  // plat::BitmapPixelMoves() when the pixels were last looked up

bool SameSize(const plat::RasterTarget& pixels) { return pixels.Width == TileW() && pixels.Height == TileH(); }

void FreeBitmap(plat::Hbitmap* bmp, plat::RasterTarget* pixels) {
    const int32_t depth = pixels->Depth;
    *pixels = plat::RasterTarget{};
    if (*bmp == 0) return;
    plat::DeleteObject(*bmp);
    *bmp = 0;
    g_units -= depth;
    ++g_generation;
}

// A bitmap of the store turned RGB32 (a colour its palette lacked) has new
// pixels and costs more: every tile's pixels are looked up again.
void FollowPixelMoves() {
    if (g_pixelMoves == plat::BitmapPixelMoves()) return;
    g_pixelMoves = plat::BitmapPixelMoves();
    ++g_generation;
    g_units = 0;
    for (auto& [key, tile] : g_tiles) {
        if (tile.Base != 0 && plat::GetRasterTarget(tile.Base, &tile.BasePixels)) g_units += tile.BasePixels.Depth;
        if (tile.Overlay != 0 && plat::GetRasterTarget(tile.Overlay, &tile.OverlayPixels)) g_units += tile.OverlayPixels.Depth;
    }
}

void GridLines(plat::Hbitmap base, int32_t col, int32_t row);

// Makes the bitmap of one layer: the overlay white, the base white with its
// grid. False when the budget is spent or the bitmap cannot be made.
bool MakeLayer(MapTile& tile, int layer, int32_t col, int32_t row) {
    plat::Hbitmap* bmp = layer == kOverlayLayer ? &tile.Overlay : &tile.Base;
    plat::RasterTarget* pixels = layer == kOverlayLayer ? &tile.OverlayPixels : &tile.BasePixels;
    if (*bmp != 0 && SameSize(*pixels)) return true;
    FreeBitmap(bmp, pixels);
    if (g_units + 1 > int64_t{2} * MapTileSlotLimit()) return false;
    *bmp = plat::CreateFilledBitmap(TileW(), TileH(), kWhite);
    if (*bmp == 0) return false;
    if (!plat::GetRasterTarget(*bmp, pixels)) {
        plat::DeleteObject(*bmp);
        *bmp = 0;
        return false;
    }
    g_units += pixels->Depth;
    if (layer == kBaseLayer) GridLines(*bmp, col, row);
    Widen(col, row);
    return true;
}

}  // namespace

int MapTileSlotLimit() {
    // A slot is both layers of a tile, one byte a pixel each (palette tiles).
    const int64_t slot = int64_t{2} * TileW() * TileH();
    return static_cast<int>(std::min<int64_t>(g_budgetBytes / slot, 2000 * 2000));
}

int MapTileCount() { return static_cast<int>(g_tiles.size()); }

MapTile* FindMapTile(int32_t col, int32_t row) {
    auto it = g_tiles.find(Key(col, row));
    return it == g_tiles.end() ? nullptr : &it->second;
}

namespace {
MapTile* SelectLayer(int32_t col, int32_t row, int layer) {
    FollowPixelMoves();
    if (!TileDrawable(col, row)) {
        MapTiles.TileRefused = 1;
        return nullptr;
    }
    MapTile& tile = g_tiles[Key(col, row)];
    if (!MakeLayer(tile, layer, col, row)) {
        if (tile.Base == 0 && tile.Overlay == 0) g_tiles.erase(Key(col, row));
        MapTiles.TileRefused = 1;
        return nullptr;
    }
    return &tile;
}
}  // namespace

plat::Hbitmap SelectMapTile(int32_t col, int32_t row, int layer) {
    const MapTile* tile = SelectLayer(col, row, layer);
    if (tile == nullptr) return 0;
    return layer == kOverlayLayer ? tile->Overlay : tile->Base;
}

const plat::RasterTarget* SelectMapTilePixels(int32_t col, int32_t row, int layer) {
    const MapTile* tile = SelectLayer(col, row, layer);
    if (tile == nullptr) return nullptr;
    return layer == kOverlayLayer ? &tile->OverlayPixels : &tile->BasePixels;
}

uint64_t MapTileGeneration() {
    FollowPixelMoves();
    return g_generation;
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
        FreeBitmap(&tile.Overlay, &tile.OverlayPixels);
        FreeBitmap(&tile.Base, &tile.BasePixels);
    }
    g_tiles.clear();
    ++g_generation;
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
    for (auto it = g_tiles.begin(); it != g_tiles.end();) {
        MapTile& tile = it->second;
        const auto col = static_cast<int32_t>(it->first >> 32);
        const auto row = static_cast<int32_t>(static_cast<uint32_t>(it->first));
        if (mode == 0 && tile.Base != 0) {
            if (SameSize(tile.BasePixels)) DrawTileGrid(tile.Base, col, row);
            else MakeLayer(tile, kBaseLayer, col, row);
        }
        if (mode != 0) FreeBitmap(&tile.Overlay, &tile.OverlayPixels);
        if (mode == 2) FreeBitmap(&tile.Base, &tile.BasePixels);
        it = tile.Base == 0 && tile.Overlay == 0 ? g_tiles.erase(it) : std::next(it);
    }
    ++g_generation;
    if (mode == 2) MapTiles.TileRefused = 0;
}

namespace map_test {
void SetTileBudgetBytes(int64_t bytes) { g_budgetBytes = bytes > 0 ? bytes : kMapTileBudgetBytes; }
}  // namespace map_test
