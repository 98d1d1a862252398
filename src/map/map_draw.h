// Drawing on the map: every drawing is given in global pixels (map_coords.h)
// and lands in every tile it meets, each tile receiving it in its own bitmap
// frame, so the tiles side by side show exactly what one big image would.
// Tiles are made as the drawing needs them (map_tiles.h); a part that falls
// on a tile outside the drawable range or past the store's budget is left
// out and the drawing reports it (MapTiles.TileRefused is set as well).
// Window thread only.
#pragma once
#include <cstdint>

#include "platform/window.h"

// A segment from (x1, y1) to (x2, y2), end pixel left out, with `pen` (1 to 3
// pixels: the layer's rasteriser) into `layer` (kBaseLayer, kOverlayLayer) of
// every tile that the segment's pixels, grown by the pen, meet.
// 0 drawn whole; 1 some part fell on a refused tile and was left out.
int DrawSegmentAcrossTiles(int layer, int32_t x1, int32_t y1, int32_t x2, int32_t y2, plat::Hpen pen);

// A dot of radius r at (x, y): the ellipse in the box from x - 1 - r to
// x + r + 1 (right left out) and the same in y (in bitmap rows, y growing
// south), outlined with `pen` and filled with `brush`, into `layer` of every
// tile the box meets (corner neighbours too). 0 drawn whole; 1 not all.
int DrawDotAcrossTiles(int layer, int32_t x, int32_t y, int32_t radius, plat::Hpen pen, plat::Hbrush brush);

// Background files go to the base layer through PaintBackgroundMarker and
// PaintBackgroundLine (map/background_files.h), which draw with these two.

// The cursor cross on the map window itself (window pixels), with
// GdiObjects.CursorPen and half size MapDisplayOptions.CursorHalfSize.
void DrawCursorCross(plat::Hdc windowDc, int32_t x, int32_t y);

// The map window (TileWidth x TileHeight from its corner) filled white.
void ClearMapWindow(plat::Hwnd mapWindow);

// Composes ScreenWindows.MapWindow from four tiles: the window's upper left
// corner lies at bitmap (xo, yo) of tile (col, row); the window shows that
// tile, its east neighbour and the two tiles south of them. Each tile's base
// is copied, then its overlay ANDed over it; missing tiles are made, and a
// refused tile shows white. `baseOnly` leaves the overlays out.
void BlitMapView(int32_t col, int32_t row, int32_t xo, int32_t yo, bool baseOnly = false);
