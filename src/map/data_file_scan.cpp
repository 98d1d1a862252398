#include "map/data_file_scan.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <iterator>

#include "map/map_coords.h"
#include "map/map_tiles.h"
#include "map/map_view_commands.h"
#include "platform/dc.h"
#include "platform/message_box.h"
#include "platform/sound.h"
#include "platform/tick.h"
#include "platform/window.h"
#include "survey_files/data_file_reader.h"
#include "survey_files/survey_model.h"
#include "survey_files/text_helpers.h"

namespace {

constexpr uint32_t kBusyStepMs = 750;
constexpr double kPixelLimit = 1073741824.0;  // 2^30: beyond it a point is undrawable

// Global map pixel of a map coordinate: trunc((v - origin) x scale + 0.5),
// saturated. False for a value that gives no pixel (not finite).
bool MapPixel(double value, double origin, int64_t* pixel) {
    const double p = std::trunc((value - origin) * MapDisplayOptions.MapPixelsPerUnit + 0.5);
    if (!std::isfinite(p)) return false;
    *pixel = static_cast<int64_t>(p > kPixelLimit ? kPixelLimit : p < -kPixelLimit ? -kPixelLimit : p);
    return true;
}

// Tile column of a global pixel x (1000 + ceil(x / W)) and row of a global
// pixel y (1000 + floor(y / H)), with divisions that truncate toward zero.
int64_t TileColumn(int64_t x, int64_t w) { return x > 0 ? (x - 1) / w + 1001 : x / w + 1000; }
int64_t TileRow(int64_t y, int64_t h) { return y >= 0 ? y / h + 1000 : (y + 1) / h + 999; }

void Widen(double value, double* low, double* high) {
    if (value < *low) *low = value;
    if (value > *high) *high = value;
}

void ShowBox(plat::Hwnd owner, const char* text, const char16_t* title, plat::MessageIcon icon) {
    char16_t wide[256];
    NarrowToWide(text, wide, std::size(wide));
    plat::MessageBox(owner, wide, title, plat::MessageButtons::Ok, icon);
}

// ---------------------------------------------------------------------------
// The tiles the replay of the file will draw into, counted as the scan reads
// the swath records: the bars are followed exactly as the replay follows them
// (the same records of the view in force, the same pixels, the same rule for
// a bar that is not drawn), and every bar drawn counts each tile that the
// rectangle around its drawing meets. For the colour map that rectangle holds
// the new bar and the bar before it (the cross lines lie between them); for
// sensor positions it holds the bar. It is grown on each side by what the
// drawing adds around its points: the pen's half (the same rule the drawing
// uses to find the tiles a segment meets), or a position dot's box. A
// rectangle holds everything its drawing touches, so the count may be a
// little high (a thin diagonal line meets fewer tiles than its rectangle),
// never low.

constexpr int kTileTable = 2000;
// One bit per tile of the table: met by the drawing of some bar.
std::array<uint64_t, kTileTable * kTileTable / 64> g_tilesMet{};

struct CountedBar {
    std::array<double, 4> Value{};  // x-left, y-left, x-right, y-right, map units
    uint32_t Read = 0;              // bit j: value j read as a number since the last conversion
    std::array<int32_t, 4> Pixel{};
    bool Drawable = false;
};

// How far the drawing of a bar reaches past the rectangle of its points, in
// global pixels on each side (x grows east, y north).
struct DrawingReach {
    int64_t West = 0, East = 0, South = 0, North = 0;
};

struct TileCount {
    bool ColourView = false;
    DrawingReach Reach;
    int64_t Limit = 0;              // MapTileSlotLimit()
    CountedBar Saved, Current;
    int32_t Tiles = 0;
    bool Beyond = false;            // a drawing reaches past the drawable tiles
    bool Over = false;              // more tiles than Limit
};

// A line of pen width w covers, around each of its pixels, bitmap offsets
// -(w - 1) / 2 .. w / 2 (bitmap rows grow south), as the map's drawing
// reckons the tiles a segment meets.
DrawingReach PenReach(plat::Hpen pen) {
    const int64_t w = std::max<int64_t>(1, plat::PenWidth(pen));
    return DrawingReach{(w - 1) / 2, w / 2, w / 2, (w - 1) / 2};
}

DrawingReach Wider(DrawingReach a, DrawingReach b) {
    return DrawingReach{std::max(a.West, b.West), std::max(a.East, b.East), std::max(a.South, b.South),
                        std::max(a.North, b.North)};
}

// The reach of the drawing of the view in force: the colour map's cross
// lines, a position bar, or a position dot of radius r, drawn in the box
// x - 1 - r .. x + r, y - r .. y + 1 + r.
DrawingReach ReachOfView() {
    if (MapDisplayOptions.DisplayType != 0) {
        DrawingReach reach;
        for (const plat::Hpen pen : ColourScale.ColourPens) reach = Wider(reach, PenReach(pen));
        return reach;
    }
    const int32_t size = MapDisplayOptions.PositionSize;
    if (size == 4) return PenReach(GdiObjects.PositionPen);
    if (size == 5) return PenReach(GdiObjects.PositionPenWide);
    const int64_t r = std::clamp(size, 0, 3);
    return DrawingReach{1 + r, r, r, 1 + r};
}

// Counts the tiles of the pixel rectangle x0..x1, y0..y1 grown by the reach.
void CountRectangle(TileCount& t, int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
    const int64_t w = std::max(1, MapTiles.TileWidth), h = std::max(1, MapTiles.TileHeight);
    const int64_t c0 = TileColumn(x0 - t.Reach.West, w), c1 = TileColumn(x1 + t.Reach.East, w);
    const int64_t r0 = TileRow(y0 - t.Reach.South, h), r1 = TileRow(y1 + t.Reach.North, h);
    const int64_t lo = MapTiles.MinDrawableTile, hi = MapTiles.MaxDrawableTile;
    if (c0 < lo || r0 < lo || c1 > hi || r1 > hi || lo < 0 || hi >= kTileTable) {
        t.Beyond = true;
        return;
    }
    if ((c1 - c0 + 1) * (r1 - r0 + 1) > t.Limit) {  // every tile of it is drawn into
        t.Over = true;
        return;
    }
    for (int64_t c = c0; c <= c1; ++c) {
        for (int64_t r = r0; r <= r1; ++r) {
            const auto bit = static_cast<size_t>(c * kTileTable + r);
            uint64_t& word = g_tilesMet[bit / 64];
            const uint64_t mask = uint64_t{1} << (bit % 64);
            if ((word & mask) != 0) continue;
            word |= mask;
            if (++t.Tiles > t.Limit) {
                t.Over = true;
                return;
            }
        }
    }
}

void CountBars(TileCount& t, const CountedBar& a, const CountedBar& b) {
    const auto& p = a.Pixel;
    const auto& q = b.Pixel;
    CountRectangle(t, std::min({p[0], p[2], q[0], q[2]}), std::min({p[1], p[3], q[1], q[3]}),
                   std::max({p[0], p[2], q[0], q[2]}), std::max({p[1], p[3], q[1], q[3]}));
}

// The bar's pixels from its four values, converted as the replay converts them.
void ConvertCountedBar(CountedBar& bar) {
    bar.Drawable = bar.Read == 0xF &&
                   StoredWorldToMapPixel(bar.Value[0], bar.Value[1], &bar.Pixel[0], &bar.Pixel[1]) == 1 &&
                   StoredWorldToMapPixel(bar.Value[2], bar.Value[3], &bar.Pixel[2], &bar.Pixel[3]) == 1;
    bar.Read = 0;
}

// A swath coordinate record of kind 'a'..'p' (index 0..15) whose value was
// read (`read`) as `value`: the bars of the view in force, drawn where the
// replay draws them.
void CountSwathRecord(TileCount& t, int index, bool read, double value) {
    const int group = index / 4, j = index % 4;
    if ((group < 2) != t.ColourView) return;
    CountedBar& bar = group % 2 == 0 ? t.Saved : t.Current;
    const uint32_t bit = 1u << j;
    if (read) {
        bar.Value[static_cast<size_t>(j)] = value;
        bar.Read |= bit;
    } else {
        bar.Read &= ~bit;
    }
    if (j != 3) return;
    ConvertCountedBar(bar);
    switch (group) {
        case 0: break;  // the colour map's previous bar: only remembered
        case 1:
            if (t.Current.Drawable && t.Saved.Drawable) CountBars(t, t.Current, t.Saved);
            t.Saved = t.Current;
            break;
        case 2:
            if (t.Saved.Drawable) CountBars(t, t.Saved, t.Saved);
            break;
        default:
            if (t.Current.Drawable) CountBars(t, t.Current, t.Current);
            t.Saved = t.Current;
            break;
    }
}

}  // namespace

bool DataExtentFitsDrawableTiles(double minX, double minY, double maxX, double maxY) {
    int64_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    if (!MapPixel(minX, MapView.MapOriginX, &x0) || !MapPixel(minY, MapView.MapOriginY, &y0) ||
        !MapPixel(maxX, MapView.MapOriginX, &x1) || !MapPixel(maxY, MapView.MapOriginY, &y1)) {
        return false;
    }
    const int64_t w = MapTiles.TileWidth > 0 ? MapTiles.TileWidth : 1;
    const int64_t h = MapTiles.TileHeight > 0 ? MapTiles.TileHeight : 1;
    return TileColumn(x0, w) >= MapTiles.MinDrawableTile && TileRow(y0, h) >= MapTiles.MinDrawableTile &&
           TileColumn(x1, w) <= MapTiles.MaxDrawableTile && TileRow(y1, h) <= MapTiles.MaxDrawableTile;
}

bool ScanDataFileExtent(DataFileScan& scan) {
    scan = DataFileScan{};
    scan.MinX = scan.MaxX = MapView.MapOriginX;
    scan.MinY = scan.MaxY = MapView.MapOriginY;
    DataRecordWalk walk;
    if (!BeginDataRecordWalk(walk)) return false;
    TileCount count;
    count.ColourView = MapDisplayOptions.DisplayType != 0;
    count.Reach = ReachOfView();
    count.Limit = MapTileSlotLimit();
    g_tilesMet.fill(0);
    uint32_t lastStep = plat::GetTickCount();
    while (const char* record = NextDataRecord(walk)) {
        ++scan.Records;
        // The clock is looked at once a block, not once a record.
        if (scan.Records % kDataWalkBlockRecords == 0 && plat::GetTickCount() - lastStep > kBusyStepMs) {
            StepBusyIndicator();
            lastStep = plat::GetTickCount();
        }
        if (record[0] != '{') continue;
        const char kind = record[1];
        if (kind < 'a' || kind > 'p') continue;
        const bool colourBar = kind <= 'h';
        // Once the map is known not to hold the survey, counting on tells nothing more.
        const bool counting = !count.Beyond && !count.Over && colourBar == count.ColourView;
        if (!colourBar && !counting) continue;
        double value = 0.0;
        const bool read = ReadSwathCoordinate(record, &value);
        if (counting) CountSwathRecord(count, kind - 'a', read, value);
        // 'a'..'h': the two bars of the first pair of swath extents; the
        // second pair ('i'..'p') lies within them. x at a, c, e, g; y at b, d, f, h.
        if (!colourBar) continue;
        const bool isY = (kind - 'a') % 2 == 1;
        if (kind == 'd' || kind == 'h') ++scan.Positions;
        if (!read) continue;  // a damaged value widens nothing
        if (isY) {
            Widen(value, &scan.MinY, &scan.MaxY);
        } else {
            Widen(value, &scan.MinX, &scan.MaxX);
        }
    }
    scan.SwathTiles = count.Tiles;
    scan.SwathBeyondDrawable = count.Beyond;
    scan.SwathOverBudget = count.Over;
    return true;
}

MapFit SurveyFitsMap(const DataFileScan& scan) {
    if (!DataExtentFitsDrawableTiles(scan.MinX, scan.MinY, scan.MaxX, scan.MaxY) || scan.SwathBeyondDrawable) {
        return MapFit::BeyondDrawable;
    }
    return scan.SwathOverBudget ? MapFit::OverBudget : MapFit::Fits;
}

MapFit DataFileFitsMap() {
    DataFileScan scan;
    if (!ScanDataFileExtent(scan)) return MapFit::Fits;  // no file: nothing to draw
    return SurveyFitsMap(scan);
}

int ScanDataFileGpsPositions(plat::Hwnd owner) {
    DataFileScan scan;
    if (!ScanDataFileExtent(scan)) return 0;
    MapView.DataMinX = scan.MinX;
    MapView.DataMaxX = scan.MaxX;
    MapView.DataMinY = scan.MinY;
    MapView.DataMaxY = scan.MaxY;

    // Past the drawable tiles, or more tiles than the map may hold: the same
    // advice either way, a larger map size.
    if (SurveyFitsMap(scan) != MapFit::Fits) {
        plat::PlaySound("SOUND_RING");
        char text[192];
        std::snprintf(text, sizeof text, "%s\r\n%s\r\n%s", "Map Size too small to accommodate the data file.",
                      "Please increase map size in Map Size option", "then select the file again");
        ShowBox(owner, text, u"WARNING", plat::MessageIcon::None);
        return 0;
    }
    SurveyProgress.GpsPositionCount = scan.Positions;
    if (scan.Positions >= SurveyProgress.MaxGpsPositions) {
        ShowBox(owner, "Number of GPS Positions in the file has reached its maximum", u"INFORMATION",
                plat::MessageIcon::Information);
        plat::PostQuitMessage(0);
        return 0;
    }
    char text[96];
    std::snprintf(text, sizeof text, "%s %ld\r\n", "Total Number of GPS Positions:      ",
                  static_cast<long>(scan.Positions));
    ShowBox(owner, text, u"INFORMATION", plat::MessageIcon::Information);
    return 1;
}
