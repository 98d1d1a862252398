#include "map/map_view_commands.h"

#include <algorithm>
#include <cmath>

#include "log_screen/numbers_window.h"
#include "log_screen/status_panel.h"
#include "map/background_files.h"
#include "map/data_file_replay.h"
#include "map/data_file_scan.h"
#include "map/map_coords.h"
#include "map/map_draw.h"
#include "map/map_tiles.h"
#include "platform/dc.h"
#include "platform/sound.h"
#include "platform/window.h"
#include "survey_files/survey_model.h"

namespace {

constexpr plat::ColourRef kWaitGrey = 0xA0A0A0;
constexpr plat::ColourRef kBlack = 0x000000;

int32_t TileW() { return MapTiles.TileWidth > 0 ? MapTiles.TileWidth : 1; }
int32_t TileH() { return MapTiles.TileHeight > 0 ? MapTiles.TileHeight : 1; }

void SetMapSize(int32_t size) {
    MapDisplayOptions.MapSize = size;
    MapDisplayOptions.MapPixelsPerUnit = static_cast<double>(MapTiles.TileWidth) / size;
}

// The new size in the box above the map.
void ShowMapSize() {
    const plat::Hwnd screen = ScreenWindows.LogScreenWindow;
    if (screen == 0) return;
    const plat::Hdc dc = plat::GetDC(screen);
    if (dc == 0) return;
    DrawMapSizeText(dc);
    plat::ReleaseDC(screen, dc);
}

// The survey drawn again at the scale in force, then the review view shown.
void RedrawMapFromFile(int rebuildMode) {
    ClearMapWindow(ScreenWindows.MapWindow);
    ShowPleaseWait();
    if (rebuildMode == 2) ComputeGridSpacing();
    RebuildMapTiles(rebuildMode);
    if (rebuildMode == 2 && BackgroundFiles.BackgroundFileCount > 0) RedrawAllBackgroundFiles();
    ReplayDataFileToMap();
    BlitMapView(MapView.ReviewTileCol, MapView.ReviewTileRow, MapView.ReviewOffsetX, MapView.ReviewOffsetY);
}

void Pan(int32_t code) {
    const bool horizontal = code == kMapCommandLeft || code == kMapCommandRight;
    const int32_t p = PanStepPixels();
    const int32_t s = code == kMapCommandLeft || code == kMapCommandUp ? -p : p;
    MapViewRecord& m = MapView;
    const bool review = LogScreenState.ReviewMode == 1;
    int32_t* col = review ? &m.ReviewTileCol : &m.ViewTileCol;
    int32_t* row = review ? &m.ReviewTileRow : &m.ViewTileRow;
    int32_t* ox = review ? &m.ReviewOffsetX : &m.ViewOffsetX;
    int32_t* oy = review ? &m.ReviewOffsetY : &m.ViewOffsetY;
    if (!PanViewTiles(horizontal, s, col, row, ox, oy)) return;
    if (!review) {
        if (horizontal) {
            m.ViewMinX += s;
            m.ViewMaxX += s;
            m.LastPositionPixelX += s;
        } else {
            m.ViewMinY -= s;
            m.ViewMaxY -= s;
            m.LastPositionPixelY -= s;
        }
    }
    ClearMapWindow(ScreenWindows.MapWindow);
    BlitMapView(*col, *row, *ox, *oy);
}

void Zoom(bool zoomIn) {
    const int32_t old = MapDisplayOptions.MapSize;
    const double oldScale = MapDisplayOptions.MapPixelsPerUnit;
    SetMapSize(ZoomedMapSize(old, zoomIn));
    // A view whose data would reach past the drawable tiles, or whose survey
    // would need more tiles than the store may hold, is the map's overflow
    // made by hand: refused before anything is drawn, as Map Size refuses it.
    const bool fits = (!zoomIn || DataExtentFitsDrawableTiles(MapView.DataMinX, MapView.DataMinY, MapView.DataMaxX,
                                                              MapView.DataMaxY)) &&
                      DataFileFitsMap() == MapFit::Fits;
    if (!fits) {
        MapDisplayOptions.MapSize = old;
        MapDisplayOptions.MapPixelsPerUnit = oldScale;
        plat::PlaySound("SOUND_RING");
        return;
    }
    ShowMapSize();
    RedrawMapFromFile(2);
}

void FitAll() {
    MapViewRecord& m = MapView;
    const double extent = std::max(m.DataMaxX - m.DataMinX, m.DataMaxY - m.DataMinY);
    SetMapSize(FitAllMapSize(extent, MapDisplayOptions.CursorBand));
    ShowMapSize();
    const int32_t W = TileW(), H = TileH();
    int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    WorldToMapPixels(m.DataMinX, m.DataMinY, m.DataMaxX, m.DataMaxY, &x0, &y0, &x1, &y1);
    const int32_t mx = static_cast<int32_t>((int64_t{W} - (int64_t{x1} - x0)) / 2);
    const int32_t my = static_cast<int32_t>((int64_t{H} - (int64_t{y1} - y0)) / 2);
    m.ViewMinX = x0 - mx;
    m.ViewMaxX = m.ViewMinX + W;
    m.ViewMinY = y0 - my;
    m.ViewMaxY = m.ViewMinY + H;
    // The review window's corner on the bounds, as the live view's: the
    // data's middle in the window's middle for odd tile sizes too.
    ViewTileAtBounds(m.ViewMinX, m.ViewMaxY, &m.ReviewTileCol, &m.ReviewTileRow, &m.ReviewOffsetX, &m.ReviewOffsetY);
    RedrawMapFromFile(2);
}

// The consoles' texts of the numbers window cleared and its frame drawn again.
void ClearNumbersWindow() {
    const plat::Hwnd numbers = ScreenWindows.NumbersWindow;
    if (numbers == 0) return;
    const plat::Hdc dc = plat::GetDC(numbers);
    if (dc == 0) return;
    plat::SetBackgroundMode(dc, plat::kTransparent);
    const int consoles = std::clamp<int>(SystemSetup.ConsoleCount, 0, kMaxConsoles);
    for (int i = 0; i < consoles; ++i)
        plat::FillRect(dc, ScreenLayout.ConsoleTextRects[static_cast<size_t>(i)], plat::GetStockObject(plat::kWhiteBrush));
    DrawNumbersWindowFrame(dc);
    plat::ReleaseDC(numbers, dc);
}

}  // namespace

int32_t PanStepPixels() {
    const double p = (1.0 + MapDisplayOptions.PanFactor) * MapDisplayOptions.CursorBandPixels * 0.1 - 0.5;
    return static_cast<int32_t>(std::trunc(p));
}

int32_t ZoomedMapSize(int32_t size, bool zoomIn) {
    const double factor = zoomIn ? 1.0 - MapDisplayOptions.ZoomStep : 1.0 + MapDisplayOptions.ZoomStep;
    const double scaled = std::trunc(factor * size + 0.5);
    int64_t next = static_cast<int64_t>(std::clamp(scaled, 0.0, double{kMaxMapSize}));
    if (next == size) next += zoomIn ? -1 : 1;
    return static_cast<int32_t>(std::clamp<int64_t>(next, 1, kMaxMapSize));
}

int32_t FitAllMapSize(double extent, int32_t cursorBand) {
    if (!(extent >= 0.0)) extent = 0.0;  // no data extent (or not a number): a single position
    double size = std::trunc((extent + 0.5) * (1.0 + (cursorBand + 1) * 5.0 / 100.0) + 10.0);
    if (!(size > std::trunc(extent))) size += 10.0;
    return static_cast<int32_t>(std::clamp(size, 1.0, double{kMaxMapSize}));
}

bool PanViewTiles(bool horizontal, int32_t step, int32_t* col, int32_t* row, int32_t* offsetX, int32_t* offsetY) {
    const MapTilesRecord& t = MapTiles;
    if (horizontal) {
        int32_t o = *offsetX + step, c = *col;
        if (o < 0) {
            if (c <= t.UsedMinCol) return false;
            --c;
            o += TileW();
        } else if (o > TileW()) {
            if (c + 1 >= t.UsedMaxCol) return false;
            ++c;
            o -= TileW();
        }
        *col = c;
        *offsetX = o;
        return true;
    }
    // Bitmap y grows south: a negative step moves the view north, to a higher row.
    int32_t o = *offsetY + step, r = *row;
    if (o < 0) {
        if (r >= t.UsedMaxRow) return false;
        ++r;
        o += TileH();
    } else if (o > TileH()) {
        if (r - 1 <= t.UsedMinRow) return false;
        --r;
        o -= TileH();
    }
    *row = r;
    *offsetY = o;
    return true;
}

void MapViewCommand(int32_t code) {
    switch (code) {
        case kMapCommandLeft:
        case kMapCommandRight:
        case kMapCommandUp:
        case kMapCommandDown: Pan(code); break;
        case kMapCommandZoomIn: Zoom(true); break;
        case kMapCommandZoomOut: Zoom(false); break;
        case kMapCommandFitAll: FitAll(); break;
        default:
            if (code >= kMapCommandRedrawFirst && code <= kMapCommandRedrawLast) {
                ClearNumbersWindow();
                RedrawMapFromFile(1);
            }
            break;
    }
}

void ShowPleaseWait() {
    if (LogScreenState.MapShown != 1) return;
    const plat::Hwnd map = ScreenWindows.MapWindow;
    plat::UpdateWindow(map);  // a paint still pending would erase the text
    ClearMapWindow(map);
    const plat::Hdc dc = plat::GetDC(map);
    if (dc == 0) return;
    plat::SetBackgroundMode(dc, plat::kTransparent);
    if (GdiObjects.TitleFont != 0) plat::SelectObject(dc, GdiObjects.TitleFont);
    plat::SetTextColour(dc, kWaitGrey);
    plat::TextOut(dc, MapTiles.TileLastX / 2 - 50, MapTiles.TileLastY / 2, u"Please Wait");
    plat::SetTextColour(dc, kBlack);
    plat::ReleaseDC(map, dc);
    plat::PaintWindowNow(map);
}

void StepBusyIndicator() {
    const plat::Hwnd map = ScreenWindows.MapWindow;
    if (map == 0) return;
    plat::UpdateWindow(map);  // a paint still pending would erase the dot
    const plat::Hdc dc = plat::GetDC(map);
    if (dc == 0) return;
    const int32_t phase = std::clamp<int32_t>(MapView.BusyPhase, 0, 4);
    plat::FillRect(dc, ScreenLayout.BusyFrameRect, GdiObjects.WhiteBrush);
    plat::SelectObject(dc, GdiObjects.GreyBrush);
    plat::SelectObject(dc, GdiObjects.GreyPen);
    const plat::Rect& dot = ScreenLayout.BusyDotRects[static_cast<size_t>(phase)];
    plat::Ellipse(dc, dot.Left, dot.Top + 1, dot.Right, dot.Bottom);
    plat::ReleaseDC(map, dc);
    MapView.BusyPhase = (phase + 1) % 5;
    plat::PaintWindowNow(map);
}
