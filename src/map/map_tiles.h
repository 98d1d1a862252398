// The tile store: the map as two layers of W x H bitmaps per tile (see
// map_coords.h for the frame), one byte a pixel (the layer's palette
// bitmaps, plat::CreateFilledBitmap). Layer 0, the base, is white with the grid and
// the background files; layer 1, the overlay, is white with the survey
// (position marks, swath bars, colour cells). The window shows the base with
// the overlay composed over it by a bitwise AND.
//
// Tiles are kept sparsely by (column, row), and each layer of a tile is made
// on first use by whichever path draws into it or shows it (SelectMapTile):
// the overlay white, the base white with the grid. A missing overlay stands
// for a white one (composing it would change nothing), so a tile that is
// drawn into but never shown holds no base, and one shown but never drawn
// into holds no overlay. The store holds only what the scale in force draws:
// a new scale gives back every tile (RebuildMapTiles 2), a survey layer
// drawn again gives back every overlay (RebuildMapTiles 1), and the replay,
// the background files and the window make again what they draw or show.
// MapTiles.UsedMin/Max Col/Row is the rectangle in which tiles were made
// since the logging start.
//
// Nothing outside the drawable tiles (MapTiles.MinDrawableTile..
// MaxDrawableTile, 3..1996) is ever made, and the store holds at most
// kMapTileBudgetBytes of bitmaps. A tile refused for either reason sets
// MapTiles.TileRefused, which the live track turns into the map's overflow
// (the operator is told, logging pauses) instead of drawing.
//
// Window thread only.
#pragma once
#include <cstdint>

#include "platform/dc.h"
#include "platform/window.h"

// Bitmap memory the store may hold (both layers of every tile). Tiles are
// 8-bit palette bitmaps: a tile slot (both layers) costs 2 x W x H bytes.
constexpr int64_t kMapTileBudgetBytes = int64_t{1} << 30;

constexpr int kBaseLayer = 0;
constexpr int kOverlayLayer = 1;

struct MapTile {
    plat::Hbitmap Base = 0;     // W x H: white, grid, background files; 0 until needed
    plat::Hbitmap Overlay = 0;  // W x H: white, the survey; 0 until drawn into (white)
    plat::RasterTarget BasePixels, OverlayPixels;  // the layers' pixels for the drawing; empty without the bitmap
};

// The bitmap of `layer` (kBaseLayer, kOverlayLayer) of tile (col, row),
// made when missing; 0 when the tile lies outside the drawable tiles or the
// bitmap would pass the budget (MapTiles.TileRefused is then 1).
plat::Hbitmap SelectMapTile(int32_t col, int32_t row, int layer);
// The pixels of `layer` of tile (col, row), made when missing, for the
// rasteriser; null as SelectMapTile gives 0. Valid until MapTileGeneration()
// changes.
const plat::RasterTarget* SelectMapTilePixels(int32_t col, int32_t row, int layer);
// Changes whenever a bitmap of the store is deleted or replaced, so that
// pixels looked up before are looked up again.
uint64_t MapTileGeneration();
// The tile with both layers made; null when either is refused.
MapTile* GetMapTile(int32_t col, int32_t row);
// The tile when it exists (either layer may still be 0), else null; makes nothing.
MapTile* FindMapTile(int32_t col, int32_t row);

// Tiles in the store, and how many whole tiles (both layers) the budget
// allows at the current tile size.
int MapTileCount();
int MapTileSlotLimit();

// Calls `visit` for every tile in the store (in no particular order).
void ForEachMapTile(void (*visit)(int32_t col, int32_t row, MapTile& tile, void* context), void* context);

// Deletes every tile; the used rectangle becomes the live view's tile
// (MapView.ViewTileCol/Row) and MapTiles.TileRefused 0.
void DeleteAllMapTiles();

// MapDisplayOptions.LinesDirection, LinesSlope and GridPixelSpacing from the
// grid type, interval and angle, the map size and the tile width.
void ComputeGridSpacing();
// Whitens the base bitmap of tile (col, row) and draws its grid with
// GdiObjects.GridPen. Every grid line has one global pixel column (vertical),
// row (horizontal) or one pixel per column/row (sloping), so lines meet
// across tile borders exactly. A spacing under one pixel (or not a number)
// draws no lines; a pass stops after 10000 lines.
void DrawTileGrid(plat::Hbitmap base, int32_t col, int32_t row);

// Mode 0 (the grid or the background files changed) redraws the grid of
// every base and leaves the survey. Mode 1 (the survey drawn again on the
// same grid: readings scale, position marks, display type) gives back every
// overlay: a missing overlay is a white one, and the replay makes again the
// overlays it draws into. Mode 2 (a new scale: zoom, fit, Map Size, the end
// of review) gives back every tile and clears MapTiles.TileRefused; the
// background files, the replay and the window make again the tiles they draw
// or show, at the new scale. The used rectangle is left as it is.
void RebuildMapTiles(int mode);

namespace map_test {
// Replaces the budget (bytes; 0 restores kMapTileBudgetBytes).
void SetTileBudgetBytes(int64_t bytes);
}  // namespace map_test
