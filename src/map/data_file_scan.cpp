#include "map/data_file_scan.h"

#include <cmath>
#include <cstdio>
#include <iterator>

#include "map/map_view_commands.h"
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
        // 'a'..'h': the two bars of the first pair of swath extents; the
        // second pair ('i'..'p') lies within them. x at a, c, e, g; y at b, d, f, h.
        if (kind < 'a' || kind > 'h') continue;
        const bool isY = (kind - 'a') % 2 == 1;
        if (kind == 'd' || kind == 'h') ++scan.Positions;
        double value = 0.0;
        if (!ReadSwathCoordinate(record, &value)) continue;  // a damaged value widens nothing
        if (isY) {
            Widen(value, &scan.MinY, &scan.MaxY);
        } else {
            Widen(value, &scan.MinX, &scan.MaxX);
        }
    }
    return true;
}

int ScanDataFileGpsPositions(plat::Hwnd owner) {
    DataFileScan scan;
    if (!ScanDataFileExtent(scan)) return 0;
    MapView.DataMinX = scan.MinX;
    MapView.DataMaxX = scan.MaxX;
    MapView.DataMinY = scan.MinY;
    MapView.DataMaxY = scan.MaxY;

    if (!DataExtentFitsDrawableTiles(scan.MinX, scan.MinY, scan.MaxX, scan.MaxY)) {
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
