// The map's global pixel frame and its tiles.
//
// A map position is an integer pixel (x, y): x grows east, y grows north, and
// (0, 0) is the map origin (MapView.MapOriginX/Y, the first valid fix). The
// scale is MapDisplayOptions.MapPixelsPerUnit. The map is cut into tiles of
// W x H pixels (MapTiles.TileWidth/TileHeight) addressed by column and row,
// 1000/1000 being the origin's tiles:
//   - column c holds x from (c - 1001) W + 1 to (c - 1000) W, so x = 0 lies in
//     column 1000 and x = 1 in column 1001 (column = 1000 + ceil(x / W));
//   - row r holds y from (r - 1000) H (its bottom) to (r - 1000) H + H - 1
//     (row = 1000 + floor(y / H));
//   - inside a tile bitmap x grows east and y south:
//     bitmap x = x - 1 - (c - 1001) W, bitmap y = (H - 1) - (y - (r - 1000) H).
// Only tiles 3..1996 (MapTiles.MinDrawableTile..MaxDrawableTile) in both
// directions may receive drawing; a position beyond is the map's overflow.
#pragma once
#include <cstdint>

// World to pixel saturates here: a point further out cannot be drawn.
constexpr int32_t kMapPixelLimit = int32_t{1} << 30;

// x = trunc((X - MapOriginX) x MapPixelsPerUnit + 0.5), y likewise with Y,
// computed in double and saturated to +-kMapPixelLimit. Returns 1 when the
// point is drawable (finite and inside the limit), 0 when it was saturated
// (or is not a number: then 0, 0 with result 0).
int WorldToMapPixel(double X, double Y, int32_t* x, int32_t* y);
// Both points; 1 when both are drawable.
int WorldToMapPixels(double X1, double Y1, double X2, double Y2, int32_t* x1, int32_t* y1, int32_t* x2,
                     int32_t* y2);

// The value a map coordinate has once the data file stores it ("%14.3f" in a
// 14-column field) and it is read back. False when it cannot be stored: not
// finite, or too wide for the field.
bool StoredMapCoordinate(double value, double* stored);
// The one pixel rule of live drawing and replay: the pixel of a position
// computed from its coordinates as the data file stores them, so the replay
// of a file draws exactly what the live map drew. 1 drawable, 0 not (not
// storable, or saturated).
int StoredWorldToMapPixel(double X, double Y, int32_t* x, int32_t* y);

// The tile that holds global pixel (x, y) and the pixel inside its bitmap.
void MapPixelToTile(int32_t x, int32_t y, int32_t* col, int32_t* row, int32_t* bx, int32_t* by);
// A view's tile and offsets from its bounds: the tile holding the window's
// upper left corner, global pixel (minX, maxY - 1), and the corner's bitmap
// position in it (BlitMapView shows that bitmap pixel at window (0, 0)). The
// live view, the view re-centred after a new scale and the review view of
// Fit All all follow it, so the cursor drawn at (x - minX, maxY - 1 - y)
// sits on its position's pixel of the tiles, for odd tile sizes too.
void ViewTileAtBounds(int32_t minX, int32_t maxY, int32_t* col, int32_t* row, int32_t* offsetX, int32_t* offsetY);
// The pixel in the frame of tile (col, row); may lie outside its bitmap.
void MapPixelRelativeToTile(int32_t x, int32_t y, int32_t col, int32_t row, int32_t* bx, int32_t* by);
// Global x of a tile column's west edge / y of a row's bottom edge.
int64_t TileLeftX(int32_t col);
int64_t TileBottomY(int32_t row);
// True for a column and row inside MapTiles.MinDrawableTile..MaxDrawableTile.
bool TileDrawable(int32_t col, int32_t row);

// -1, 0, 1 as a < b, a == b, a > b.
int CompareInt(int32_t a, int32_t b);
