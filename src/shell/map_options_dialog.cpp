// "DISPLAYOPTIONS", the map display options dialog, and its live preview.
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "map/map_pens.h"
#include "platform/colour_chooser.h"
#include "platform/controls.h"
#include "platform/dc.h"
#include "platform/dialog.h"
#include "platform/message_box.h"
#include "resources/option_templates.h"
#include "shell/dialog_fields.h"
#include "shell/option_dialog_frame.h"
#include "shell/option_dialogs.h"
#include "survey_files/settings_derived.h"
#include "survey_files/settings_file.h"
#include "survey_files/survey_model.h"

using plat::Hwnd;
using plat::LParam;
using plat::LResult;
using plat::WParam;
using namespace option_dialog;

namespace {

constexpr int kMapOptionsChars = 63;                         // characters each number is read with
constexpr double kMinGridInterval = 0.5;                     // display units
constexpr plat::ColourRef kBackgroundFileColour = 0x202020;  // background files, never changed

constexpr const char16_t* kDisplayTypeNames[] = {u"Sensors Positions, No Color Amplitude",
                                                 u"Color Map View of Amplitude"};
// By SystemSetup.DisplayUnits: metres, feet, US survey feet.
constexpr const char16_t* kMapSizeUnitNames[] = {u"metres", u"feet", u"US feet"};
constexpr const char16_t* kIntervalUnitNames[] = {u"m", u"feet", u"USft"};

// Values at the opening, for Cancel and the change report.
struct MapOptionsKept {
    double LinesAngle = 0.0;
    int32_t GridType = 0;
    Colour CursorColor = 0, PositionColor = 0;
    int32_t CursorSize = 0, PositionSize = 0, DisplayType = 0;
    int32_t WorkingGridType = 0;
};
MapOptionsKept g_mapKept;

void ShowGridType(Hwnd dialog, int32_t type) {
    plat::CheckRadioButton(dialog, res::kBasicGridId, res::kParallelLinesId, res::kBasicGridId + type);
    plat::EnableWindow(plat::GetDialogItem(dialog, res::kLinesAngleId), type == 1);
    plat::SetDialogItemText(dialog, res::kGridIntervalLabelId, type == 0 ? u"Grid Interval:" : u"Lines Interval:");
}

void RestoreMapOptions() {
    MapDisplayOptionsRecord& m = MapDisplayOptions;
    m.LinesAngle = g_mapKept.LinesAngle;
    m.GridType = g_mapKept.GridType;
    m.CursorColor = g_mapKept.CursorColor;
    m.PositionColor = g_mapKept.PositionColor;
    m.CursorSize = g_mapKept.CursorSize;
    m.PositionSize = g_mapKept.PositionSize;
    m.DisplayType = g_mapKept.DisplayType;
}

uint32_t MapChangeReport() {
    const MapDisplayOptionsRecord& m = MapDisplayOptions;
    uint32_t flags = 0;
    if (m.PositionSize != g_mapKept.PositionSize) flags |= 0x2;
    if (m.PositionColor != g_mapKept.PositionColor) flags |= 0x4;
    if (m.DisplayType != g_mapKept.DisplayType) flags |= 0x8;
    if (m.GridType != g_mapKept.GridType) flags |= 0x20;
    if (m.GridInterval != m.SavedGridInterval) flags |= 0x40;
    if (m.LinesAngle != g_mapKept.LinesAngle) flags |= 0x80;
    if (m.MapSize != m.SavedMapSize) flags |= 0x100;
    return flags;
}

// --- the preview ---

// A line from (x1, y1) to (x2, y2) cut in double to the rows top..bottom, so
// no far-off end ever reaches an integer conversion. The cut ends take the
// band's rows exactly: for a line so steep that its run across the band is
// lost in rounding, the cut is a vertical stroke through the band.
void DrawLineWithinRows(plat::Hdc dc, double x1, double y1, double x2, double y2, double top, double bottom) {
    if (!std::isfinite(y1) || !std::isfinite(y2) || !std::isfinite(y2 - y1)) return;  // beyond any screen
    if ((y1 < top && y2 < top) || (y1 > bottom && y2 > bottom)) return;
    const double ya = std::clamp(y1, top, bottom), yb = std::clamp(y2, top, bottom);
    const double dy = y2 - y1;
    const double xa = dy == 0.0 ? x1 : x1 + (ya - y1) / dy * (x2 - x1);
    const double xb = dy == 0.0 ? x2 : x1 + (yb - y1) / dy * (x2 - x1);
    Line(dc, static_cast<int32_t>(xa), static_cast<int32_t>(ya), static_cast<int32_t>(xb), static_cast<int32_t>(yb));
}

void DrawPreviewVerticalLines(plat::Hdc dc, int32_t L, int32_t T, int32_t R, int32_t B) {
    for (int32_t x = L + 40; x < R; x += 50) Line(dc, x, T + 1, x, B - 1);
}

// Parallel lines at the angle typed, shown as OK will store it (folded).
// Their vertical spacing widens as the angle nears 0; it and the offset of a
// line's left end are worked in double (tan(a + 90 degrees) as -cos a / sin a,
// which keeps its sign and size for the tiniest angles), the spacing at least
// one pixel.
void DrawPreviewParallelLines(plat::Hdc dc, int32_t L, int32_t T, int32_t R, int32_t B, double typed) {
    const double angle = FoldLinesAngle(typed);
    const double a = std::fabs(angle);
    const double w = static_cast<double>((R - 1) - (L + 1));
    const double radians = angle * (std::numbers::pi / 180.0);
    const double offset = std::trunc(w * (-std::cos(radians) / std::sin(radians)));
    if (a == 0.0 || !std::isfinite(offset)) {
        DrawPreviewVerticalLines(dc, L, T, R, B);
        return;
    }
    double spacing = 40.0;
    if (a <= 5.0) {
        spacing = std::trunc(1000.0 / a);
    } else if (a <= 15.0) {
        spacing = std::trunc(1200.0 / a);
    }
    spacing = std::max(1.0, spacing);
    const double top = T - 2.0, bottom = B + 2.0;
    for (int32_t k = -(R - 1 - (L + 1)); k < R - 1; ++k) {
        const double y = T + 30.0 + k * spacing;
        DrawLineWithinRows(dc, L + 1.0, y - offset, R - 1.0, y, top, bottom);
    }
}

void DrawPreviewBasicGrid(plat::Hdc dc, int32_t L, int32_t T, int32_t R, int32_t B) {
    plat::SelectObject(dc, GdiObjects.GridPen);
    for (int32_t y = T + 30; y < B; y += 50) Line(dc, L + 1, y, R - 1, y);
    for (int32_t x = L + 40; x < R; x += 50) Line(dc, x, T + 1, x, B - 1);
}

// The cursor cross as the map draws it around (x, y).
void DrawPreviewCursor(plat::Hdc dc, int32_t x, int32_t y) {
    const int32_t h = MapDisplayOptions.CursorHalfSize;
    Line(dc, x - h, y, x + h + 1, y);
    Line(dc, x, y - h, x, y + h + 1);
}

void MarkRectangle(plat::Hdc dc, int32_t x, int32_t y, int32_t half) {
    plat::Rectangle(dc, x - half, y - half, x + half, y + half);
}

struct PositionObjects {
    plat::Hpen Pen = 0, WidePen = 0;
    plat::Hbrush Brush = 0;
};

// One position mark as the map draws it, the sensor taken at the first
// sensor's place across the bar (x1, y1)-(x2, y2).
void DrawPreviewPosition(plat::Hdc dc, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t size,
                         const PositionObjects& o) {
    double c = SensorLayout.SensorCrossPosition[0];
    if (!std::isfinite(c)) c = 0.0;
    c = std::clamp(c, 0.0, 1.0);
    const int32_t px = static_cast<int32_t>(x1 + c * (x2 - x1));
    const int32_t py = static_cast<int32_t>(y1 + c * (y2 - y1));
    plat::SelectObject(dc, o.Pen);
    plat::SelectObject(dc, o.Brush);
    switch (size) {
        case 0:
            MarkRectangle(dc, px, py, 1);
            break;
        case 1:
            Line(dc, px, py - 2, px, py + 2);
            Line(dc, px - 2, py, px + 2, py);
            MarkRectangle(dc, px, py, 1);
            break;
        case 2:
            MarkRectangle(dc, px, py, 2);
            break;
        case 3:
            Line(dc, px, py - 3, px, py + 3);
            Line(dc, px - 3, py, px + 3, py);
            MarkRectangle(dc, px, py, 2);
            break;
        case 4:
            Line(dc, x1, y1, x2, y2);
            MarkRectangle(dc, x1, y1, 1);
            MarkRectangle(dc, x2, y2, 1);
            break;
        case 5:
            plat::SelectObject(dc, o.WidePen);
            Line(dc, x1, y1, x2, y2);
            plat::SelectObject(dc, o.Pen);
            MarkRectangle(dc, x1, y1, 2);
            MarkRectangle(dc, x2, y2, 2);
            break;
        default:
            break;
    }
}

// A sample across the track at (x, y): a bar of 1.39 x (14, 3) pixels each side.
void DrawPreviewSample(plat::Hdc dc, int32_t x, int32_t y, const PositionObjects& o) {
    DrawPreviewPosition(dc, x - 19, y + 4, x + 19, y - 4, MapDisplayOptions.PositionSize, o);
}

// One track running down and slightly right, closer marks for the small sizes.
void DrawPreviewTracks(plat::Hdc dc, int32_t L, int32_t T, int32_t B, const PositionObjects& o) {
    const int32_t f = MapDisplayOptions.PositionSize < 3 ? 2 : 1;
    for (int32_t k = 0;; ++k) {
        const int32_t y = T + 112 + (14 * k) / f;
        if (y >= B - 1) break;
        DrawPreviewSample(dc, L - 1 + (3 * k) / f, y, o);
    }
    for (int32_t c = 0; c < 4; ++c) {
        for (int32_t k = 0;; ++k) {
            const int32_t y = T + 5 + (14 * k) / f;
            if (y >= B - 1 || (c == 3 && k > 5 * f)) break;
            DrawPreviewSample(dc, L + (3 * k) / f + 10 + 40 * c, y, o);
        }
    }
}

}  // namespace

double FoldLinesAngle(double angle) {
    if (!std::isfinite(angle) || angle < -180.0 || angle > 180.0) return 0.0;
    if (angle > 90.0) return angle - 180.0;
    if (angle <= -90.0) return angle + 180.0;
    return angle;
}

plat::ColourRef ChooseMapColour(Hwnd owner, int which) {
    plat::ColourRef customColours[16] = {};  // all black at every call
    plat::ColourRef start = kBackgroundFileColour;
    if (which == 0) start = MapDisplayOptions.CursorColor;
    if (which == 1) start = MapDisplayOptions.PositionColor;
    plat::ColourRef shown = start;
    plat::ChooseColour(owner, start, customColours, false, &shown);
    return shown;
}

void PaintMapPreview(Hwnd, const plat::DrawItemInfo& item) {
    const plat::Hdc dc = item.Dc;
    const int32_t L = item.Item.Left, T = item.Item.Top, R = item.Item.Right, B = item.Item.Bottom;
    const ButtonObjects frame = DrawButtonFrame(dc, item.Item, (item.ItemState & plat::kItemStateSelected) != 0);
    if (MapDisplayOptions.GridType == 0) {
        DrawPreviewBasicGrid(dc, L, T, R, B);
    } else {
        DrawPreviewParallelLines(dc, L, T, R, B, MapDisplayOptions.LinesAngle);  // the frame's dark pen
    }
    const plat::Hpen cursorPen = plat::CreatePen(plat::kPenSolid, 1, MapDisplayOptions.CursorColor);
    plat::SelectObject(dc, cursorPen);
    DrawPreviewCursor(dc, L + 145, T + 90);
    PositionObjects positions;
    positions.Pen = plat::CreatePen(plat::kPenSolid, 1, MapDisplayOptions.PositionColor);
    positions.WidePen = plat::CreatePen(plat::kPenSolid, 2, MapDisplayOptions.PositionColor);
    positions.Brush = plat::CreateSolidBrush(MapDisplayOptions.PositionColor);
    DrawPreviewTracks(dc, L, T, B, positions);
    DrawFocusIfFocused(dc, item);
    ReleaseObjects(dc, {frame.Shadow, frame.Light, frame.Dark, frame.White, cursorPen, positions.Pen,
                        positions.WidePen, positions.Brush});
}

LResult DisplayOptionsDlgProc(Hwnd dialog, uint32_t message, WParam w, LParam l) {
    MapDisplayOptionsRecord& m = MapDisplayOptions;
    switch (message) {
        case plat::kMsgInitDialog:
            PlaceDialogOnOwner(dialog, 7);
            g_mapKept = {m.LinesAngle, m.GridType, m.CursorColor, m.PositionColor,
                         m.CursorSize, m.PositionSize, m.DisplayType, m.GridType};
            m.SavedMapSize = m.MapSize;
            m.SavedGridInterval = m.GridInterval;
            plat::CheckRadioButton(dialog, res::kCursorSizeFirstId, res::kCursorSizeFirstId + 5,
                                   res::kCursorSizeFirstId + m.CursorSize);
            plat::CheckRadioButton(dialog, res::kPositionSizeFirstId, res::kPositionSizeFirstId + 5,
                                   res::kPositionSizeFirstId + m.PositionSize);
            ShowEditNumber(dialog, res::kMapSizeId, "%d", m.MapSize, kMapOptionsChars);
            plat::SetDialogItemText(dialog, res::kMapSizeUnitId, UnitName(kMapSizeUnitNames));
            plat::SetDialogItemText(dialog, res::kGridIntervalUnitId, UnitName(kIntervalUnitNames));
            ShowGridType(dialog, m.GridType);
            ShowEditNumber(dialog, res::kGridIntervalId, "%.2f", m.GridInterval, kMapOptionsChars);
            ShowEditNumber(dialog, res::kLinesAngleId, "%.2f", m.LinesAngle, kMapOptionsChars);
            FillList(dialog, res::kDisplayTypeId, kDisplayTypeNames, m.DisplayType);
            return 1;
        case plat::kMsgDrawItem: {
            const auto* item = reinterpret_cast<const plat::DrawItemInfo*>(l);
            if (item->ControlId == res::kMapPreviewId) PaintMapPreview(dialog, *item);
            return 1;
        }
        case plat::kMsgCommand: {
            const int32_t id = plat::LowWord(w);
            if (id == res::kCursorColourId || id == res::kPositionColourId) {
                const plat::ColourRef colour = ChooseMapColour(dialog, id == res::kCursorColourId ? 0 : 1);
                (id == res::kCursorColourId ? m.CursorColor : m.PositionColor) = colour;
                CreateMapPens(1);
                RepaintDialog(dialog, true, {res::kMapPreviewId});
            } else if (id >= res::kCursorSizeFirstId && id <= res::kCursorSizeFirstId + 5) {
                m.CursorSize = id - res::kCursorSizeFirstId;
                UpdateCursorSize();
                RepaintDialog(dialog, false, {res::kMapPreviewId});
            } else if (id >= res::kPositionSizeFirstId && id <= res::kPositionSizeFirstId + 5) {
                m.PositionSize = id - res::kPositionSizeFirstId;
                RepaintDialog(dialog, false, {res::kMapPreviewId});
            } else if (id == res::kBasicGridId || id == res::kParallelLinesId) {
                g_mapKept.WorkingGridType = id - res::kBasicGridId;
                ShowGridType(dialog, g_mapKept.WorkingGridType);
                m.GridType = g_mapKept.WorkingGridType;
                RepaintDialog(dialog, false, {res::kMapPreviewId});
            } else if (id == res::kLinesAngleId) {
                m.LinesAngle = EditValue(dialog, id, "%.2f", g_mapKept.LinesAngle);  // folded on OK
                RepaintDialog(dialog, false, {res::kMapPreviewId});
            } else if (id == plat::kIdOk) {
                m.DisplayType = ListChoice(dialog, res::kDisplayTypeId, m.DisplayType, 2);
                m.MapSize = std::max(1, EditInteger(dialog, res::kMapSizeId, m.SavedMapSize));
                DeriveMapPixelsPerUnit();
                m.GridType = g_mapKept.WorkingGridType;
                m.GridInterval = std::max(kMinGridInterval,
                                          EditValue(dialog, res::kGridIntervalId, "%.2f", m.SavedGridInterval));
                m.LinesAngle = FoldLinesAngle(EditValue(dialog, res::kLinesAngleId, "%.2f", g_mapKept.LinesAngle));
                DeriveArrayGeometry();  // the swath in display units
                TellSettingsResult(dialog, LoadSaveSettings(1));
                m.ChangeFlags = MapChangeReport();
                plat::EndDialog(dialog, 1);
            } else if (id == plat::kIdCancel) {
                m.ChangeFlags = 0;
                RestoreMapOptions();
                UpdateCursorSize();
                CreateMapPens(1);
                plat::EndDialog(dialog, 0);
            } else {
                return 0;
            }
            return 1;
        }
        default:
            return 0;
    }
}

int RunDisplayOptionsDialog(Hwnd owner) {
    return plat::RunDialog(owner, res::kDisplayOptionsTemplate, &DisplayOptionsDlgProc, 0);
}
