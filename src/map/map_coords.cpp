#include "map/map_coords.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "survey_files/survey_model.h"

namespace {

int32_t TileW() { return MapTiles.TileWidth > 0 ? MapTiles.TileWidth : 1; }
int32_t TileH() { return MapTiles.TileHeight > 0 ? MapTiles.TileHeight : 1; }

// trunc(d + 0.5) in double, saturated; false when it had to be.
bool SaturatedPixel(double d, int32_t* out) {
    const double v = std::trunc(d + 0.5);
    if (!(v == v)) {
        *out = 0;
        return false;
    }
    if (v > kMapPixelLimit) {
        *out = kMapPixelLimit;
        return false;
    }
    if (v < -kMapPixelLimit) {
        *out = -kMapPixelLimit;
        return false;
    }
    *out = static_cast<int32_t>(v);
    return true;
}

int64_t FloorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

}  // namespace

int WorldToMapPixel(double X, double Y, int32_t* x, int32_t* y) {
    const double k = MapDisplayOptions.MapPixelsPerUnit;
    const bool okX = SaturatedPixel((X - MapView.MapOriginX) * k, x);
    const bool okY = SaturatedPixel((Y - MapView.MapOriginY) * k, y);
    return okX && okY ? 1 : 0;
}

int WorldToMapPixels(double X1, double Y1, double X2, double Y2, int32_t* x1, int32_t* y1, int32_t* x2,
                     int32_t* y2) {
    const int a = WorldToMapPixel(X1, Y1, x1, y1);
    const int b = WorldToMapPixel(X2, Y2, x2, y2);
    return a == 1 && b == 1 ? 1 : 0;
}

bool StoredMapCoordinate(double value, double* stored) {
    if (!std::isfinite(value)) return false;
    // "%14.3f" prints the value rounded to whole thousandths, R, and reading
    // it back gives the double nearest R / 1000, which is what dividing the
    // integer R by 1000 gives. R is worked out here unless the value lies so
    // near a half thousandth that the product's rounding could decide it;
    // below 999999999 the text always fits the field.
    if (std::fabs(value) < 999999999.0) {
        const double p = value * 1000.0, f = std::floor(p), frac = p - f;
        if (std::fabs(frac - 0.5) > std::fabs(p) * 1e-15 + 1e-9) {
            const double r = frac < 0.5 ? f : f + 1.0;
            *stored = r == 0.0 ? std::copysign(0.0, value) : r / 1000.0;
            return true;
        }
    }
    char text[64];
    const int n = std::snprintf(text, sizeof text, "%14.3f", value);
    if (n < 0 || n > 14) return false;
    *stored = std::strtod(text, nullptr);
    return true;
}

int StoredWorldToMapPixel(double X, double Y, int32_t* x, int32_t* y) {
    double sx = 0.0, sy = 0.0;
    if (!StoredMapCoordinate(X, &sx) || !StoredMapCoordinate(Y, &sy)) {
        WorldToMapPixel(X, Y, x, y);
        return 0;
    }
    return WorldToMapPixel(sx, sy, x, y);
}

int64_t TileLeftX(int32_t col) { return (int64_t{col} - 1001) * TileW() + 1; }
int64_t TileBottomY(int32_t row) { return (int64_t{row} - 1000) * TileH(); }

void MapPixelToTile(int32_t x, int32_t y, int32_t* col, int32_t* row, int32_t* bx, int32_t* by) {
    // 1000 + ceil(x / W) and 1000 + floor(y / H)
    *col = static_cast<int32_t>(1000 - FloorDiv(-int64_t{x}, TileW()));
    *row = static_cast<int32_t>(1000 + FloorDiv(y, TileH()));
    MapPixelRelativeToTile(x, y, *col, *row, bx, by);
}

void ViewTileAtBounds(int32_t minX, int32_t maxY, int32_t* col, int32_t* row, int32_t* offsetX, int32_t* offsetY) {
    MapPixelToTile(minX, static_cast<int32_t>(int64_t{maxY} - 1), col, row, offsetX, offsetY);
}

void MapPixelRelativeToTile(int32_t x, int32_t y, int32_t col, int32_t row, int32_t* bx, int32_t* by) {
    *bx = static_cast<int32_t>(int64_t{x} - TileLeftX(col));
    *by = static_cast<int32_t>((TileH() - 1) - (int64_t{y} - TileBottomY(row)));
}

bool TileDrawable(int32_t col, int32_t row) {
    const int32_t lo = MapTiles.MinDrawableTile, hi = MapTiles.MaxDrawableTile;
    return col >= lo && col <= hi && row >= lo && row <= hi;
}

int CompareInt(int32_t a, int32_t b) { return a < b ? -1 : (a > b ? 1 : 0); }
