#include "map/live_track.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "log_screen/log_screen.h"
#include "map/map_coords.h"
#include "map/map_draw.h"
#include "map/map_tiles.h"
#include "platform/dc.h"
#include "survey_files/data_file.h"
#include "survey_files/data_records.h"
#include "survey_files/survey_model.h"

namespace {

constexpr double kMetresPerFoot = 0.3048;  // the swath extents use the foot for both foot units
constexpr int kHistoryLimit = 40;           // entries kept before the oldest are dropped
constexpr int kHistoryDrop = 11;

struct Vec {
    double X = 0.0, Y = 0.0;
};

// A bar across the direction u at centre q: left and right ends.
struct Bar {
    double Xl = 0.0, Yl = 0.0, Xr = 0.0, Yr = 0.0;
};

Bar BarAt(Vec q, Vec u, double left, double right) {
    return Bar{q.X - left * u.Y, q.Y + left * u.X, q.X + right * u.Y, q.Y - right * u.X};
}

// The along-track offset of the sensor line behind the antenna, in display
// units (the setting is in metres, as the swath extents are).
double AntennaOffset() {
    const double f = ArrayGeometry.GpsAntennaOffsetY;
    return SystemSetup.DisplayUnits > 0 ? f / kMetresPerFoot : f;
}

// Pixels of a bar's ends as the file stores them; false when not storable.
bool BarPixels(const Bar& b, std::array<int32_t, 4>* px) {
    const int l = StoredWorldToMapPixel(b.Xl, b.Yl, &(*px)[0], &(*px)[1]);
    const int r = StoredWorldToMapPixel(b.Xr, b.Yr, &(*px)[2], &(*px)[3]);
    return l == 1 && r == 1;
}

bool Storable(const Bar& b) {
    double s;
    return StoredMapCoordinate(b.Xl, &s) && StoredMapCoordinate(b.Yl, &s) && StoredMapCoordinate(b.Xr, &s) &&
           StoredMapCoordinate(b.Yr, &s);
}

int WriteBar(int kind, const Bar& b) { return WriteCoordinateRecords('{', kind, b.Xl, b.Yl, b.Xr, b.Yr); }

bool ColourMap() { return MapDisplayOptions.DisplayType != 0; }

// The first bar pair of a segment: the bars at P (previous fix) and C (this
// fix), each shifted back by the antenna offset along u; kinds 1..4.
void FirstSwathStep(Vec a, Vec prev, Vec u, double f) {
    const Vec c{a.X - f * u.X, a.Y - f * u.Y}, p{prev.X - f * u.X, prev.Y - f * u.Y};
    const ArrayGeometryRecord& g = ArrayGeometry;
    const Bar bp = BarAt(p, u, g.MapSwathLeft, g.MapSwathRight), bc = BarAt(c, u, g.MapSwathLeft, g.MapSwathRight);
    const Bar sp = BarAt(p, u, g.MapSwathLeft2, g.MapSwathRight2), sc = BarAt(c, u, g.MapSwathLeft2, g.MapSwathRight2);
    if (!Storable(bp) || !Storable(bc) || !Storable(sp) || !Storable(sc)) return;
    WriteBar(1, bp);
    WriteBar(2, bc);
    WriteBar(3, sp);
    WriteBar(4, sc);
    // A bar beyond the pixel frame is written but not drawn.
    std::array<int32_t, 4> n{}, o{};
    if (ColourMap()) {
        // This fix's bar is worked out even when the previous one cannot be
        // drawn: the next step joins to it.
        const bool thisBar = BarPixels(bc, &n);
        const bool previousBar = BarPixels(bp, &o);
        if (thisBar && previousBar) DrawColourSwath(n[0], n[1], n[2], n[3], o[0], o[1], o[2], o[3]);
    } else {
        if (BarPixels(sp, &o)) DrawPositionsSwath(o[0], o[1], o[2], o[3]);
        if (BarPixels(sc, &n)) DrawPositionsSwath(n[0], n[1], n[2], n[3]);
    }
    MapView.PrevBarPixels = n;
}

// A later bar at centre c across u; kinds 2 and 4, joined to the last bar.
void NextSwathStep(Vec c, Vec u) {
    const ArrayGeometryRecord& g = ArrayGeometry;
    const Bar bc = BarAt(c, u, g.MapSwathLeft, g.MapSwathRight);
    const Bar sc = BarAt(c, u, g.MapSwathLeft2, g.MapSwathRight2);
    if (!Storable(bc) || !Storable(sc)) return;
    WriteBar(2, bc);
    WriteBar(4, sc);
    std::array<int32_t, 4> n{};
    const std::array<int32_t, 4>& o = MapView.PrevBarPixels;
    if (ColourMap()) {
        if (BarPixels(bc, &n)) DrawColourSwath(n[0], n[1], n[2], n[3], o[0], o[1], o[2], o[3]);
    } else {
        if (BarPixels(sc, &n)) DrawPositionsSwath(n[0], n[1], n[2], n[3]);
    }
    MapView.PrevBarPixels = n;
}

// Unit vector from a to b and their distance; false for a zero (or not
// finite) step, which has no direction.
bool Direction(Vec a, Vec b, Vec* u, double* d) {
    const double dx = b.X - a.X, dy = b.Y - a.Y;
    *d = std::sqrt(dx * dx + dy * dy);
    if (!(*d > 0.0) || !std::isfinite(*d)) return false;
    *u = Vec{dx / *d, dy / *d};
    return true;
}

// Sensor line on or ahead of the antenna: the bar is the fix shifted along
// the last step.
void SwathOnOrAhead(Vec a) {
    MapViewRecord& m = MapView;
    if (m.LeadHistoryState == 0) {
        m.PrevFixX = a.X;
        m.PrevFixY = a.Y;
        m.LeadHistoryState = 1;
        WriteCoordinateRecords('{', 0, 0.0, 0.0, 0.0, 0.0);
        return;
    }
    const Vec prev{m.PrevFixX, m.PrevFixY};
    Vec u;
    double d;
    if (!Direction(prev, a, &u, &d)) return;  // no step: no cross lines, no records
    const double f = AntennaOffset();
    if (m.LeadHistoryState == 1) {
        m.LeadHistoryState = 2;
        FirstSwathStep(a, prev, u, f);
    } else {
        m.LeadHistoryState = 3;
        NextSwathStep(Vec{a.X - f * u.X, a.Y - f * u.Y}, u);
    }
    m.PrevFixX = a.X;
    m.PrevFixY = a.Y;
}

void DropHistory(int count) {
    MapViewRecord& m = MapView;
    const int n = m.LeadHistoryIndex;
    const double base = m.LeadHistoryPath[static_cast<size_t>(count)];
    for (int i = count; i < n; ++i) {
        const auto from = static_cast<size_t>(i), to = static_cast<size_t>(i - count);
        m.LeadHistoryX[to] = m.LeadHistoryX[from];
        m.LeadHistoryY[to] = m.LeadHistoryY[from];
        m.LeadHistoryPath[to] = m.LeadHistoryPath[from] - base;
    }
    m.LeadHistoryIndex = n - count;
    m.LeadPathLength = m.LeadHistoryPath[static_cast<size_t>(m.LeadHistoryIndex - 1)];
}

Vec HistoryAt(int i) {
    return Vec{MapView.LeadHistoryX[static_cast<size_t>(i)], MapView.LeadHistoryY[static_cast<size_t>(i)]};
}

// Antenna ahead of the sensor line: the bar lies the offset f behind the
// antenna along the walked path (kept as a short history of fixes).
void SwathTrailing(Vec a) {
    MapViewRecord& m = MapView;
    const double f = AntennaOffset();
    int n = m.LeadHistoryIndex;
    if (n <= 0) {
        m.LeadPathLength = 0.0;
        m.LeadHistoryX[0] = a.X;
        m.LeadHistoryY[0] = a.Y;
        m.LeadHistoryPath[0] = 0.0;
        m.LeadHistoryIndex = 1;
        WriteCoordinateRecords('{', 0, 0.0, 0.0, 0.0, 0.0);
        return;
    }
    Vec u;
    double seg;
    // A fix at the place of the last one adds no path: it is left out, so no
    // segment of the history has length zero.
    if (!Direction(HistoryAt(n - 1), a, &u, &seg)) return;
    const auto at = static_cast<size_t>(n);
    m.LeadHistoryPath[at] = m.LeadHistoryPath[at - 1] + seg;
    m.LeadHistoryX[at] = a.X;
    m.LeadHistoryY[at] = a.Y;
    m.LeadPathLength = m.LeadHistoryPath[at];
    m.LeadHistoryIndex = ++n;
    if (n == 2) {
        const Vec prev = HistoryAt(0);
        FirstSwathStep(a, prev, u, f);
        m.PrevFixX = a.X;
        m.PrevFixY = a.Y;
        return;
    }
    if (n > kHistoryLimit) {
        DropHistory(kHistoryDrop);
        n = m.LeadHistoryIndex;
    }
    const double T = m.LeadPathLength;
    Vec c, dir;
    if (f > T) {  // the path is still shorter than the offset: behind the first fix
        double d0;
        Direction(HistoryAt(0), HistoryAt(1), &dir, &d0);
        c = Vec{HistoryAt(0).X - (f - T) * dir.X, HistoryAt(0).Y - (f - T) * dir.Y};
    } else {
        int j = 1;
        while (j < n - 1 && T - m.LeadHistoryPath[static_cast<size_t>(j)] > f) ++j;
        const double q = f - (T - m.LeadHistoryPath[static_cast<size_t>(j)]);
        double e;
        Direction(HistoryAt(j - 1), HistoryAt(j), &dir, &e);
        c = Vec{HistoryAt(j - 1).X + (e - q) * dir.X, HistoryAt(j - 1).Y + (e - q) * dir.Y};
        if (j > kHistoryDrop) DropHistory(j - 1);
    }
    NextSwathStep(c, dir);
    m.PrevFixX = a.X;
    m.PrevFixY = a.Y;
}

void WidenDataExtent(double X, double Y) {
    MapView.DataMinX = std::min(MapView.DataMinX, X);
    MapView.DataMaxX = std::max(MapView.DataMaxX, X);
    MapView.DataMinY = std::min(MapView.DataMinY, Y);
    MapView.DataMaxY = std::max(MapView.DataMaxY, Y);
}

void ComposeLiveView(plat::Hwnd mapWindow, bool baseOnly) {
    BlitMapView(MapView.ViewTileCol, MapView.ViewTileRow, MapView.ViewOffsetX, MapView.ViewOffsetY, baseOnly);
    const plat::Hdc dc = plat::GetDC(mapWindow);
    if (dc == 0) return;
    DrawCursorCross(dc, MapView.PositionWindowX, MapView.PositionWindowY);
    plat::ReleaseDC(mapWindow, dc);
}

void SetUpLiveView(plat::Hwnd mapWindow, int32_t px, int32_t py) {
    const int32_t W = MapTiles.TileWidth, H = MapTiles.TileHeight;
    MapViewRecord& m = MapView;
    m.ViewMinX = (-W) / 2 + 1;
    m.ViewMaxX = W / 2;
    m.ViewMinY = (-H) / 2 + 1;
    m.ViewMaxY = H / 2;
    // Tile (1000, 1000) at bitmap (W - W / 2, H - H / 2), odd sizes too.
    ViewTileAtBounds(m.ViewMinX, m.ViewMaxY, &m.ViewTileCol, &m.ViewTileRow, &m.ViewOffsetX, &m.ViewOffsetY);
    ClearMapWindow(mapWindow);
    m.PositionWindowX = px - m.ViewMinX;
    m.PositionWindowY = m.ViewMaxY - py - 1;
    m.LastPositionPixelX = px;
    m.LastPositionPixelY = py;
    MapTiles.UsedMinCol = MapTiles.UsedMaxCol = m.ViewTileCol;
    MapTiles.UsedMinRow = MapTiles.UsedMaxRow = m.ViewTileRow;
    // The four tiles of the view: their bases, which the window shows. An
    // overlay is made when the survey is drawn into it (a missing one is white).
    const int32_t c = m.ViewTileCol, r = m.ViewTileRow;
    for (const auto& [col, row] : {std::pair{c, r}, std::pair{c, r - 1}, std::pair{c + 1, r}, std::pair{c + 1, r - 1}})
        SelectMapTile(col, row, kBaseLayer);
    ComposeLiveView(mapWindow, true);
    m.MapInitialised = 1;
}

// After a new scale (Map Size, the end of review) the window keeps the
// cursor where it stood: the bounds are put around the position's new pixel
// at the cursor's window place, and the tiles follow the bounds.
void RecentreView(int32_t px, int32_t py) {
    const int32_t W = MapTiles.TileWidth, H = MapTiles.TileHeight;
    MapViewRecord& m = MapView;
    m.ViewMinX = px - m.PositionWindowX;
    m.ViewMaxX = m.ViewMinX + W;
    m.ViewMaxY = py + m.PositionWindowY + 1;
    m.ViewMinY = m.ViewMaxY - H;
    ViewTileAtBounds(m.ViewMinX, m.ViewMaxY, &m.ViewTileCol, &m.ViewTileRow, &m.ViewOffsetX, &m.ViewOffsetY);
    m.MapViewResetPending = 0;
}

// The view's tile follows the window's corner along one axis: an offset
// beyond 0..size moves the tile by as many whole tiles as it takes (`step`
// +1 for columns, whose index grows with the offset, -1 for rows: bitmap y
// grows south). One fix may move the corner by more than a tile: the first
// fix after a long command (the map is not fed while a dialog is open), or
// a fix at a small map size. Tile and offset then still show the live
// bounds, and the window is drawn whole.
void FollowViewCorner(int32_t* tile, int32_t* offset, int32_t size, int32_t step) {
    if (size <= 0 || (*offset >= 0 && *offset <= size)) return;
    const int64_t o = *offset;
    // Whole tiles to move; the offset ends in 0..size - 1 from below, 1..size from above.
    const int64_t tiles = o < 0 ? (-o + size - 1) / size : -((o - 1) / size);
    *offset = static_cast<int32_t>(o + tiles * size);
    *tile = static_cast<int32_t>(*tile - tiles * step);
}

void AutoScroll(int32_t px, int32_t py) {
    const int32_t W = MapTiles.TileWidth, H = MapTiles.TileHeight, b = MapDisplayOptions.CursorBandPixels;
    MapViewRecord& m = MapView;
    const bool east = px > m.LastPositionPixelX, north = py > m.LastPositionPixelY;
    const bool due = (east ? px > m.ViewMaxX - b : px < m.ViewMinX + b) ||
                     (north ? py > m.ViewMaxY - b : py < m.ViewMinY + b);
    if (!due) return;
    const int32_t dx = px - m.LastPositionPixelX, dy = py - m.LastPositionPixelY;
    m.ViewMinX += dx;
    m.ViewMaxX += dx;
    m.ViewMinY += dy;
    m.ViewMaxY += dy;
    m.ViewOffsetX += dx;
    m.ViewOffsetY -= dy;
    FollowViewCorner(&m.ViewTileCol, &m.ViewOffsetX, W, 1);
    FollowViewCorner(&m.ViewTileRow, &m.ViewOffsetY, H, -1);
}

}  // namespace

void InitMapScales() {
    SurveyProgress.MaxGpsPositions = 28800;
    const int32_t size = std::max(1, MapDisplayOptions.MapSize);
    MapDisplayOptions.MapPixelsPerUnit = static_cast<double>(MapTiles.TileWidth) / size;
    const double range = SpeedBar.Scale - SpeedBar.Minimum;
    // The bar is SpeedBarLength long and its labels span that length.
    if (range > 0.0 && ScreenLayout.SpeedBarLength > 0) SpeedBar.PixelsPerUnit = ScreenLayout.SpeedBarLength / range;
    const double f = ArrayGeometry.GpsAntennaOffsetY;
    MapView.AntennaSide = f > 0.0 ? 1 : (f < 0.0 ? -1 : 0);
}

int WriteCoordinateRecords(char tag, int kind, double a, double b, double c, double d) {
    if (kind == 0) {
        DataRecord r;
        FormatSwathStartRecord(r);
        r[0] = tag;
        return WriteDataRecords(r.data(), r.size());
    }
    const double values[4] = {a, b, c, d};
    for (const double v : values) {
        double s;
        if (!StoredMapCoordinate(v, &s)) return -1;
    }
    SwathBlock block;
    FormatSwathBlock(block, kind, a, b, c, d);
    for (size_t j = 0; j < kSwathBlockRecords; ++j) block[j * kDataRecordLength] = tag;
    return WriteDataRecords(block.data(), block.size());
}

void DrawPositionsSwath(int32_t xl, int32_t yl, int32_t xr, int32_t yr) {
    const int32_t size = MapDisplayOptions.PositionSize;
    if (size == 4 || size == 5) {
        DrawSegmentAcrossTiles(kOverlayLayer, xl, yl, xr, yr,
                               size == 4 ? GdiObjects.PositionPen : GdiObjects.PositionPenWide);
        return;
    }
    const int32_t r = std::clamp(size, 0, 3);
    const int sensors = SensorLayout.TotalSensors;
    if (sensors <= 1) {
        DrawDotAcrossTiles(kOverlayLayer, static_cast<int32_t>((int64_t{xl} + xr) / 2),
                           static_cast<int32_t>((int64_t{yl} + yr) / 2), r, GdiObjects.PositionPen,
                           GdiObjects.PositionBrush);
        return;
    }
    for (int s = 0; s < sensors && s < kMaxSensorSlots; ++s) {
        const double p = SensorLayout.SensorCrossPosition[static_cast<size_t>(s)];
        const auto x = static_cast<int32_t>(std::trunc(xl + p * (double(xr) - xl)));
        const auto y = static_cast<int32_t>(std::trunc(yl + p * (double(yr) - yl)));
        DrawDotAcrossTiles(kOverlayLayer, x, y, r, GdiObjects.PositionPen, GdiObjects.PositionBrush);
    }
}

void DrawColourSwath(int32_t xl, int32_t yl, int32_t xr, int32_t yr, int32_t oxl, int32_t oyl, int32_t oxr,
                     int32_t oyr) {
    const ReadingSamplesRecord& rs = ReadingSamples;
    if (rs.ClosedHalfValid != 1) return;
    const double left = std::hypot(double(xl) - oxl, double(yl) - oyl);
    const double right = std::hypot(double(xr) - oxr, double(yr) - oyr);
    const double longer = std::max(std::trunc(left), std::trunc(right));
    if (!(longer >= 1.0)) return;
    const int32_t n = longer > kMaxCrossLines ? kMaxCrossLines : static_cast<int32_t>(longer);
    const int half = rs.ClosedHalf == 1 ? 1 : 0;
    const int sensors = std::clamp(SensorLayout.TotalSensors, 0, kMaxSensorSlots);
    auto penOf = [&](int s, int32_t k) -> plat::Hpen {
        const int count = std::clamp(rs.ClosedSampleCount[static_cast<size_t>(s)], 0, kSamplesPerHalf);
        if (count == 0) return 0;
        int i = static_cast<int>(std::trunc(k * (double(count) / n)));
        i = std::clamp(i, 0, count - 1);
        const int colour = std::clamp(rs.SampleColour[s][half][i], 0, ColourScaleRecord::ColourMaxIndex);
        return ColourScale.ColourPens[static_cast<size_t>(colour)];
    };
    for (int32_t k = 0; k < n; ++k) {
        const double lx = std::trunc(oxl + k * (double(xl) - oxl) / n), ly = std::trunc(oyl + k * (double(yl) - oyl) / n);
        const double rx = std::trunc(oxr + k * (double(xr) - oxr) / n), ry = std::trunc(oyr + k * (double(yr) - oyr) / n);
        const double bx = rx - lx, by = ry - ly;
        if (sensors <= 1) {
            const plat::Hpen pen = penOf(0, k);
            if (pen != 0)
                DrawSegmentAcrossTiles(kOverlayLayer, static_cast<int32_t>(lx), static_cast<int32_t>(ly),
                                       static_cast<int32_t>(rx), static_cast<int32_t>(ry), pen);
            continue;
        }
        for (int s = 0; s < sensors; ++s) {
            const plat::Hpen pen = penOf(s, k);
            if (pen == 0) continue;
            const double b0 = SensorLayout.SensorBandStart[static_cast<size_t>(s)];
            const double b1 = SensorLayout.SensorBandEnd[static_cast<size_t>(s)];
            DrawSegmentAcrossTiles(kOverlayLayer, static_cast<int32_t>(std::trunc(lx + bx * b0)),
                                   static_cast<int32_t>(std::trunc(ly + by * b0)),
                                   static_cast<int32_t>(std::trunc(lx + bx * b1)),
                                   static_cast<int32_t>(std::trunc(ly + by * b1)), pen);
        }
    }
}

void DrawTrackSegment(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    const int32_t size = MapDisplayOptions.PositionSize;
    if (size != 4 && size != 5) return;
    DrawSegmentAcrossTiles(kOverlayLayer, x1, y1, x2, y2, size == 4 ? GdiObjects.PositionPen : GdiObjects.PositionPenWide);
}

void TestMapOverflow() {
    const MapTilesRecord& t = MapTiles;
    const bool beyond = t.UsedMinCol < t.MinDrawableTile || t.UsedMinRow < t.MinDrawableTile ||
                        t.UsedMaxCol > t.MaxDrawableTile || t.UsedMaxRow > t.MaxDrawableTile || t.TileRefused != 0;
    if (!beyond || LogScreenState.MapOverflowState != 0) return;
    LogScreenState.MapOverflowState = 1;
    if (ScreenWindows.LogScreenWindow != 0) plat::SendMessage(ScreenWindows.LogScreenWindow, kMsgMapOverflow, 0, 0);
}

void AddPositionToMap(plat::Hwnd mapWindow, int32_t loggingState, double Y, double X, double distance) {
    int32_t px = 0, py = 0;
    const int drawable = StoredWorldToMapPixel(X, Y, &px, &py);
    if (std::isfinite(X) && std::isfinite(Y)) WidenDataExtent(X, Y);
    if (MapView.MapInitialised == 0) {
        SetUpLiveView(mapWindow, px, py);
        return;
    }
    int32_t c, r, bx, by;
    MapPixelToTile(px, py, &c, &r, &bx, &by);
    // A position off the drawable tiles moves nothing and draws nothing: it
    // is the map's overflow.
    if (drawable == 0 || !TileDrawable(c, r)) {
        MapTiles.TileRefused = 1;
        TestMapOverflow();
        return;
    }
    if (MapView.MapViewResetPending == 1) RecentreView(px, py);
    else AutoScroll(px, py);
    MapView.PositionWindowX = px - MapView.ViewMinX;
    MapView.PositionWindowY = MapView.ViewMaxY - py - 1;
    if (loggingState == 1 && distance > 0.0) {
        const Vec a{X, Y};
        if (MapView.AntennaSide == 1) SwathTrailing(a);
        else SwathOnOrAhead(a);
    }
    if (LogScreenState.MapShown == 1) ComposeLiveView(mapWindow, false);
    TestMapOverflow();
    MapView.LastPositionPixelX = px;
    MapView.LastPositionPixelY = py;
}
