// The logging screen's option, view, map and background-file commands.
#include "log_screen/option_commands.h"

#include <algorithm>

#include "log_screen/log_layout.h"
#include "log_screen/log_state.h"
#include "log_screen/profile_windows.h"
#include "map/background_files.h"
#include "map/data_file_replay.h"
#include "map/data_file_scan.h"
#include "map/map_coords.h"
#include "map/map_draw.h"
#include "map/map_tiles.h"
#include "map/map_view_commands.h"
#include "platform/message_box.h"
#include "platform/sound.h"
#include "shell/gps_dialogs.h"
#include "shell/option_dialogs.h"
#include "survey_files/settings_derived.h"
#include "survey_files/settings_file.h"
#include "survey_files/survey_model.h"

namespace {

// What the display dialogs report as changed (MapDisplayOptions.ChangeFlags).
constexpr uint32_t kChangedPositionSize = 0x2, kChangedPositionColour = 0x4, kChangedDisplayType = 0x8;
constexpr uint32_t kChangedGridType = 0x20, kChangedGridInterval = 0x40, kChangedLinesAngle = 0x80;
constexpr uint32_t kChangedMapSize = 0x100;

constexpr double kMinGridInterval = 0.5;  // map units

// RebuildMapTiles modes.
constexpr int kRebuildGrid = 0, kRebuildSurvey = 1, kRebuildBoth = 2;

bool GpsInput() { return GpsPortSetup.InputMode > 0; }
bool MapShown() { return LogScreenState.MapShown == 1; }
bool DataFileOpen() { return DataFileState.DataFileHandle != plat::kInvalidFile; }

void Info(plat::Hwnd owner, const char16_t* text) {
    plat::MessageBox(owner, text, u"INFORMATION", plat::MessageButtons::Ok, plat::MessageIcon::Information);
}
// The two guards name their condition; as on the start screen, no icon.
void Refuse(plat::Hwnd owner, const char16_t* text) {
    plat::MessageBox(owner, text, u"INFORMATION", plat::MessageButtons::Ok, plat::MessageIcon::None);
}
void RefuseWithoutGps(plat::Hwnd owner) { Refuse(owner, u"Option avaiable only when GPS is enabled"); }
void RefuseWithoutMap(plat::Hwnd owner) { Refuse(owner, u"Option avaiable only when map is visible"); }
// The dialogs of these commands keep their opening values in the copies that
// hold the live view during review.
void RefuseDuringReview(plat::Hwnd owner) { Refuse(owner, u"Option not available during map review."); }

// How a command ends: idle again, focus back, and the curves redrawn unless
// the command says otherwise.
void EndOptionCommand(plat::Hwnd hwnd, bool redrawCurves) {
    if (redrawCurves) RedrawCurveWindows();
    LogScreenState.UiIdle = 1;
    plat::SetFocus(hwnd);
}

void RedrawBackgroundFiles() {
    if (BackgroundFiles.BackgroundFileCount > 0) RedrawAllBackgroundFiles();
}

// The survey layer drawn again on the same grid and scale.
void RedrawSurveyLayer() {
    RebuildMapTiles(kRebuildSurvey);
    ReplayDataFileToMap();
}

// A new scale: grid and survey drawn again, the live view re-centred at the
// next position.
void RedrawAtNewScale() {
    MapView.MapViewResetPending = 1;
    ComputeGridSpacing();
    RebuildMapTiles(kRebuildBoth);
    RedrawBackgroundFiles();
    ReplayDataFileToMap();
}

void ApplyGridIntervalMinimum(plat::Hwnd hwnd) {
    if (MapDisplayOptions.GridInterval >= kMinGridInterval) return;
    MapDisplayOptions.GridInterval = kMinGridInterval;
    Info(hwnd, u"Grid Interval must be >= 0.5 of map unit. Program assumed minimum value.");
}

void SetMapButton(int index, bool shown, bool enabled) {
    const plat::Hwnd b = ScreenButtons.MapButtons[static_cast<size_t>(index)];
    if (b == 0) return;
    plat::EnableWindow(b, enabled);
    plat::ShowWindow(b, shown ? plat::kShow : plat::kShowHide);
}

// The map buttons of review: the pans, zoom and fit, and Exit Review.
void ShowReviewButtons(bool enabled) {
    for (int i : {kMapLeft, kMapRight, kMapUp, kMapDown, kMapZoomIn, kMapZoomOut, kMapFitAll})
        SetMapButton(i, true, enabled);
    SetMapButton(kMapEnterReview, false, false);
    // Always usable: the Stand By buttons stay disabled until review ends.
    SetMapButton(kMapExitReview, true, true);
}

void EnableStandByButtons(bool enable) {
    for (plat::Hwnd b : ScreenButtons.StandByButtons) {
        if (b == 0) continue;
        plat::EnableWindow(b, enable);
        plat::ShowWindow(b, enable ? plat::kShow : plat::kShowHide);
    }
}

// ---------------------------------------------------------------------------

void ReadingsScaleCommand(plat::Hwnd hwnd) {
    const bool colourMap = MapDisplayOptions.DisplayType >= 1;
    const plat::Hwnd bar = GpsInput() && colourMap ? ScreenWindows.ColorBarWindow : 0;
    if (bar != 0) plat::ShowWindow(bar, plat::kShow);
    MapDisplayOptions.ChangeFlags = 0;  // a dialog ended by any other way reports no change
    RunReadingScaleDialog(hwnd);
    if (bar != 0) plat::ShowWindow(bar, plat::kShowHide);
    if (MapDisplayOptions.ChangeFlags >= 1 && colourMap) {
        ClearMapWindow(ScreenWindows.MapWindow);
        ShowPleaseWait();
        RebuildMapTiles(kRebuildSurvey);
        RedrawBackgroundFiles();
        ReplayDataFileToMap();  // the colours follow the new scale
    }
    RepaintLogScreen();
}

void ToggleView(plat::Hwnd hwnd) {
    if (!GpsInput()) {
        RefuseWithoutGps(hwnd);
        RepaintLogScreen();
        return;
    }
    LogScreenState.MapShown = MapShown() ? 0 : 1;
    LayoutLogScreen();
    if (MapShown()) {
        ShowPleaseWait();
        if (LogScreenState.LoggingState.load() != kStateMonitoring) {
            if (LogScreenState.ReviewMode == 1) ShowReviewButtons(true);
            else EnableMapViewButtons(true);
        }
    } else if (LogScreenState.ReviewMode == 1) {
        // The layout put the live set back: review must stay leavable.
        ShowReviewButtons(false);
    }
    RepaintLogScreen();
}

}  // namespace

bool DataExtentFitsMapTiles(int32_t* colA, int32_t* rowA, int32_t* colB, int32_t* rowB) {
    int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0, bx = 0, by = 0;
    const int convertible = WorldToMapPixels(MapView.DataMinX, MapView.DataMinY, MapView.DataMaxX, MapView.DataMaxY,
                                             &x1, &y1, &x2, &y2);
    MapPixelToTile(x1, y1, colA, rowA, &bx, &by);
    MapPixelToTile(x2, y2, colB, rowB, &bx, &by);
    const int32_t lo = MapTiles.MinDrawableTile, hi = MapTiles.MaxDrawableTile;
    auto inside = [lo, hi](int32_t t) { return t >= lo && t <= hi; };
    return convertible == 1 && inside(*colA) && inside(*rowA) && inside(*colB) && inside(*rowB);
}

namespace {

// The data at the scale in force: the extent within the drawable tiles, and
// the survey in the data file within them and within the tile store's budget
// (a scan of the file now, not an overflow after a long replay). Before the
// first position there is no data to fit. The extent's corner tiles are given
// back when there is data.
bool ScaleFitsData(int32_t* colA, int32_t* rowA, int32_t* colB, int32_t* rowB) {
    if (MapView.MapInitialised != 1) return true;
    if (!DataExtentFitsMapTiles(colA, rowA, colB, rowB)) return false;
    return !DataFileOpen() || DataFileFitsMap() == MapFit::Fits;
}

void RefuseMapSize(plat::Hwnd hwnd) {
    plat::PlaySound("SOUND_RING");
    plat::MessageBox(hwnd, u"Map Size too small\r\nPlease select Map Size option\r\nand increase the map size",
                     u"WARNING", plat::MessageButtons::Ok, plat::MessageIcon::Warning);
}

// Map Size: a new scale is kept only when the data already logged still fit
// the map at it.
void MapSizeCommand(plat::Hwnd hwnd) {
    if (!GpsInput()) {
        RefuseWithoutGps(hwnd);
        RepaintLogScreen();
        return;
    }
    if (LogScreenState.ReviewMode == 1) {
        RefuseDuringReview(hwnd);
        RepaintLogScreen();
        return;
    }
    MapDisplayOptions.ChangeFlags = 0;
    if (RunMapScaleDialog(hwnd) != 1) return;
    MapDisplayOptionsRecord& m = MapDisplayOptions;
    TellSettingsResult(hwnd, LoadSaveSettings(1));
    const uint32_t changed = m.ChangeFlags;
    if (changed == 0) return;

    int32_t colA = 0, rowA = 0, colB = 0, rowB = 0;
    const bool anyData = MapView.MapInitialised == 1;
    if (ScaleFitsData(&colA, &rowA, &colB, &rowB)) {
        LogScreenState.MapOverflowState = 0;
        if (anyData) {
            // The pans may reach every tile the data cover at the new scale.
            MapTiles.UsedMinCol = std::min(MapTiles.UsedMinCol, colA);
            MapTiles.UsedMinRow = std::min(MapTiles.UsedMinRow, rowA);
            MapTiles.UsedMaxCol = std::max(MapTiles.UsedMaxCol, colB);
            MapTiles.UsedMaxRow = std::max(MapTiles.UsedMaxRow, rowB);
        }
    } else {
        m.MapPixelsPerUnit = m.SavedMapPixelsPerUnit;
        m.MapSize = m.SavedMapSize;
        m.GridInterval = m.SavedGridInterval;
        m.CursorBand = m.SavedCursorBand;
        m.CursorBandPixels = m.SavedCursorBandPixels;
        RefuseMapSize(hwnd);
    }
    ApplyGridIntervalMinimum(hwnd);
    TellSettingsResult(hwnd, LoadSaveSettings(1));
    RepaintLogScreen();

    if (!MapShown()) return;
    ClearMapWindow(ScreenWindows.MapWindow);
    ShowPleaseWait();
    if ((changed & kChangedMapSize) != 0) {
        RedrawAtNewScale();
    } else {
        if ((changed & kChangedGridInterval) != 0) ComputeGridSpacing();
        RebuildMapTiles(kRebuildGrid);
        RedrawBackgroundFiles();
    }
    RedrawCurveWindows();
    plat::SystemBeep();
}

void MapDisplayOptionsCommand(plat::Hwnd hwnd) {
    if (!GpsInput() || !MapShown() || LogScreenState.ReviewMode == 1) {
        if (!GpsInput()) RefuseWithoutGps(hwnd);
        else if (!MapShown()) RefuseWithoutMap(hwnd);
        else RefuseDuringReview(hwnd);
        RepaintLogScreen();
        return;
    }
    MapDisplayOptions.ChangeFlags = 0;
    RunDisplayOptionsDialog(hwnd);
    uint32_t changed = MapDisplayOptions.ChangeFlags;
    if (changed == 0) return;
    // The dialog's map size is held to Map Size's test: a size the data do
    // not fit is refused before anything is redrawn, the other changes kept.
    int32_t colA = 0, rowA = 0, colB = 0, rowB = 0;
    if ((changed & kChangedMapSize) != 0 && !ScaleFitsData(&colA, &rowA, &colB, &rowB)) {
        MapDisplayOptions.MapSize = MapDisplayOptions.SavedMapSize;
        DeriveMapPixelsPerUnit();
        changed &= ~kChangedMapSize;
        MapDisplayOptions.ChangeFlags = changed;
        RefuseMapSize(hwnd);
    }
    ApplyGridIntervalMinimum(hwnd);
    TellSettingsResult(hwnd, LoadSaveSettings(1));
    RepaintLogScreen();

    // A new scale redraws both layers and replays the survey with whatever
    // else changed, so the survey needs no second replay below.
    bool surveyRedrawn = false;
    if ((changed & kChangedMapSize) != 0) {
        ShowPleaseWait();
        RedrawAtNewScale();
        RedrawCurveWindows();
        surveyRedrawn = true;
    }
    ClearMapWindow(ScreenWindows.MapWindow);
    ShowPleaseWait();
    if ((changed & (kChangedGridType | kChangedGridInterval | kChangedLinesAngle)) != 0) {
        ComputeGridSpacing();
        RebuildMapTiles(kRebuildGrid);
        RedrawBackgroundFiles();
    }
    const bool marksChanged = (changed & (kChangedPositionSize | kChangedPositionColour)) != 0 &&
                              MapDisplayOptions.DisplayType == 0;
    if (!surveyRedrawn && (marksChanged || (changed & kChangedDisplayType) != 0)) RedrawSurveyLayer();
}

void AfterBackgroundConversion() {
    RepaintLogScreen();
    RedrawCurveWindows();
}

// Returns whether the curve windows are still to be redrawn.
bool EnterBackground(plat::Hwnd hwnd) {
    const int result = EnterBackgroundFiles(hwnd, AfterBackgroundConversion);
    if (result == kBackgroundStopped || result == kBackgroundChooserCancelled) RepaintLogScreen();
    return result != kBackgroundChooserCancelled;
}

bool RemoveBackground(plat::Hwnd hwnd) {
    if (RemoveBackgroundFiles(hwnd) == 0) {
        RepaintLogScreen();
        return true;
    }
    ClearMapWindow(ScreenWindows.MapWindow);
    StepBusyIndicator();
    RebuildMapTiles(kRebuildGrid);  // the survey layer stays
    RedrawBackgroundFiles();
    return false;
}

void EnterReview() {
    // Reachable only from the enabled button: Stand By, a data file, the map shown.
    if (LogScreenState.ReviewMode == 1 || !DataFileOpen() || !MapShown() ||
        LogScreenState.LoggingState.load() != kStateStandBy) {
        return;
    }
    MapViewRecord& v = MapView;
    MapDisplayOptionsRecord& m = MapDisplayOptions;
    v.ReviewTileCol = v.ViewTileCol;
    v.ReviewTileRow = v.ViewTileRow;
    v.ReviewOffsetX = v.ViewOffsetX;
    v.ReviewOffsetY = v.ViewOffsetY;
    m.SavedMapSize = m.MapSize;
    m.SavedMapPixelsPerUnit = m.MapPixelsPerUnit;
    m.SavedDisplayType = m.DisplayType;
    LogScreenState.ReviewMode = 1;
    BlitMapView(v.ViewTileCol, v.ViewTileRow, v.ViewOffsetX, v.ViewOffsetY);
    EnableStandByButtons(false);
    ShowReviewButtons(true);
}

void ExitReview() {
    if (LogScreenState.ReviewMode != 1) return;
    LogScreenState.ReviewMode = 0;
    MapDisplayOptionsRecord& m = MapDisplayOptions;
    m.MapSize = m.SavedMapSize;
    m.MapPixelsPerUnit = m.SavedMapPixelsPerUnit;
    m.DisplayType = m.SavedDisplayType;
    RepaintLogScreen();
    ClearMapWindow(ScreenWindows.MapWindow);
    ShowPleaseWait();
    RedrawAtNewScale();  // the live view re-centres at the next position
    RedrawCurveWindows();
    EnableStandByButtons(true);
    for (int i : {kMapZoomIn, kMapZoomOut, kMapFitAll, kMapExitReview}) SetMapButton(i, false, false);
    SetMapButton(kMapEnterReview, true, MapShown());
    LogScreenState.UiIdle = 1;
}

}  // namespace

void RunOptionCommand(plat::Hwnd hwnd, int command) {
    if (command >= 121 && command <= 127) {
        if (DataFileOpen() && MapShown()) MapViewCommand(command);
        return;
    }
    if (command == 128) {
        EnterReview();
        return;
    }
    if (command == 129) {
        ExitReview();
        return;
    }
    if (command < 105 || command > 120 || (command > 113 && command < 119)) return;  // 104 and gaps: no action

    LogScreenState.UiIdle = 0;
    bool redrawCurves = true;
    switch (command) {
        case 105: ReadingsScaleCommand(hwnd); break;
        case 106:
            if (!GpsInput()) {
                RefuseWithoutGps(hwnd);
                RepaintLogScreen();
            } else if (RunSpeedScaleDialog(hwnd) == 1) {
                RepaintLogScreen();
            }
            break;
        case 107:
            RunDisplaySetupDialog(hwnd);
            RepaintLogScreen();
            break;
        case 108:  // Hide Menu: the menu is gone; the map waits for the next position
            RepaintLogScreen();
            if (GpsInput()) ShowPleaseWait();
            break;
        case 109: ToggleView(hwnd); break;
        case 110: MapSizeCommand(hwnd); break;
        case 111: MapDisplayOptionsCommand(hwnd); break;
        case 112:
            if (GpsInput()) {
                RunGpsMaskDialog(hwnd);
            } else {
                RefuseWithoutGps(hwnd);
                RepaintLogScreen();
            }
            break;
        case 113:
            if (RunAudioFunctionsDialog(hwnd) == 1) RepaintLogScreen();
            break;
        case 119: redrawCurves = EnterBackground(hwnd); break;
        case 120: redrawCurves = RemoveBackground(hwnd); break;
        default: break;
    }
    EndOptionCommand(hwnd, redrawCurves);
}
