#include "shell/option_dialogs.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>
#include <numbers>

#include "log_screen/curve_grid.h"
#include "log_screen/panel_objects.h"
#include "map/map_pens.h"
#include "platform/colour_chooser.h"
#include "platform/dc.h"
#include "platform/dialog.h"
#include "platform/message_box.h"
#include "resources/option_templates.h"
#include "shell/dialog_fields.h"
#include "survey_files/settings_derived.h"
#include "survey_files/settings_file.h"
#include "survey_files/survey_model.h"

using plat::Hwnd;
using plat::LParam;
using plat::LResult;
using plat::WParam;

namespace {

// Characters each edit's number is read with.
constexpr int kScaleMinimumChars = 31;
constexpr int kScaleMaximumChars = 15;
constexpr int kMapScaleChars = 31;
constexpr int kSpeedScaleChars = 63;
constexpr int kMapOptionsChars = 63;

constexpr double kMinGridInterval = 0.5;               // display units
constexpr plat::ColourRef kBackgroundFileColour = 0x202020;  // background files, never changed

constexpr const char16_t* kThicknessNames[] = {u"1 pixel", u"2 pixels", u"3 pixels", u"4 pixels"};
constexpr const char16_t* kCursorBandNames[] = {u"10", u"15", u"20", u"25", u"30", u"35", u"40"};
constexpr const char16_t* kSpeedUnitNames[] = {u"m/s", u"ft/s", u"km/h", u"mph"};
constexpr const char16_t* kDisplayTypeNames[] = {u"Sensors Positions, No Color Amplitude",
                                                 u"Color Map View of Amplitude"};
// By SystemSetup.DisplayUnits: metres, feet, US survey feet.
constexpr const char16_t* kMapScaleUnitNames[] = {u"meters", u"feet", u"US feet"};
constexpr const char16_t* kMapSizeUnitNames[] = {u"metres", u"feet", u"US feet"};
constexpr const char16_t* kIntervalUnitNames[] = {u"m", u"feet", u"USft"};

const char16_t* UnitName(const char16_t* const (&names)[3]) {
    const int units = SystemSetup.DisplayUnits;
    return names[units >= 0 && units <= 2 ? units : 0];
}

// Places the dialog on its owner (the desktop when it has none): centred
// across, its top a 1/divisor of the free height down.
void PlaceOnOwner(Hwnd dialog, int divisor) {
    plat::Rect owner{0, 0, plat::GetScreenWidth(), plat::GetScreenHeight()};
    const Hwnd parent = plat::GetParent(dialog);
    if (parent != 0) plat::GetWindowRect(parent, &owner);
    plat::Rect self;
    plat::GetWindowRect(dialog, &self);
    const int32_t width = self.Right - self.Left, height = self.Bottom - self.Top;
    plat::SetWindowPosition(dialog, owner.Left + (owner.Right - owner.Left - width) / 2,
                            owner.Top + (owner.Bottom - owner.Top - height) / divisor);
}

// Shows the number and caps the edit at the characters it is read with; a
// shown number longer than that keeps its whole text, so an untouched edit
// never comes back cut.
void ShowEditNumber(Hwnd dialog, int32_t id, const char* format, double value, int32_t chars) {
    SetEditNumber(dialog, id, format, value);
    const Hwnd edit = plat::GetDialogItem(dialog, id);
    plat::EditSetLimit(edit, std::max(chars, plat::GetWindowTextLength(edit)));
}

// The edit's number: `shown` itself while the text is as it was shown.
double EditValue(Hwnd dialog, int32_t id, const char* format, double shown) {
    double typed = shown;
    ReadChangedEditNumber(dialog, id, format, shown, &typed);
    return typed;
}

// The same for a whole number: the typed number clamped to the 32-bit range
// and truncated toward zero.
int32_t EditInteger(Hwnd dialog, int32_t id, int32_t shown) {
    double typed = 0.0;
    if (!ReadChangedEditNumber(dialog, id, "%d", shown, &typed)) return shown;
    if (typed >= 2147483647.0) return INT32_MAX;
    if (typed <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(typed);
}

void FillList(Hwnd dialog, int32_t id, const char16_t* const* names, int count, int32_t selected) {
    const Hwnd list = plat::GetDialogItem(dialog, id);
    for (int i = 0; i < count; ++i) plat::ComboAddString(list, names[i]);
    plat::ComboSetSelection(list, selected);
}

// The list's selection, or `stored` when nothing (or nothing known) is selected.
int32_t ListChoice(Hwnd dialog, int32_t id, int32_t stored, int32_t count) {
    const int32_t selected = plat::ComboGetSelection(plat::GetDialogItem(dialog, id));
    return selected >= 0 && selected < count ? selected : stored;
}

void SetCheck(Hwnd dialog, int32_t id, int32_t on) {
    plat::SetCheckState(plat::GetDialogItem(dialog, id), on != 0 ? plat::kChecked : plat::kUnchecked);
}
int32_t GetCheck(Hwnd dialog, int32_t id) {
    return plat::CheckState(plat::GetDialogItem(dialog, id)) == plat::kChecked ? 1 : 0;
}

// The owner-drawn controls show the values at once: the dialog and the
// controls themselves are repainted.
void RepaintDialog(Hwnd dialog, bool erase, std::initializer_list<int32_t> controls) {
    plat::InvalidateRect(dialog, nullptr, erase);
    for (const int32_t id : controls) plat::InvalidateRect(plat::GetDialogItem(dialog, id), nullptr, erase);
    plat::UpdateWindow(dialog);
}

// ---------------------------------------------------------------------------
// The frame of the owner-drawn buttons: a white box in a 3-pixel
// button-shadow frame with a 3-D edge, sunk while pressed. The objects made
// here are deleted by ReleaseButtonObjects.

struct ButtonObjects {
    plat::Hpen Shadow = 0, Light = 0, Dark = 0;
    plat::Hbrush White = 0;
};

void Line(plat::Hdc dc, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    const plat::Point points[2] = {{x1, y1}, {x2, y2}};
    plat::Polyline(dc, points, 2);
}

void Polyline3(plat::Hdc dc, plat::Point a, plat::Point b, plat::Point c) {
    const plat::Point points[3] = {a, b, c};
    plat::Polyline(dc, points, 3);
}

// Leaves the dark shadow pen selected.
ButtonObjects DrawButtonFrame(plat::Hdc dc, const plat::Rect& r, bool pressed) {
    ButtonObjects o;
    o.Shadow = plat::CreatePen(plat::kPenSolid, 3, plat::GetSystemColour(plat::kColourButtonShadow));
    o.Light = plat::CreatePen(plat::kPenSolid, 1, plat::GetSystemColour(plat::kColour3dLight));
    o.Dark = plat::CreatePen(plat::kPenSolid, 1, plat::GetSystemColour(plat::kColour3dDarkShadow));
    o.White = plat::CreateSolidBrush(0xFFFFFF);
    const int32_t L = r.Left, T = r.Top, R = r.Right, B = r.Bottom;
    plat::SelectObject(dc, o.Shadow);
    plat::SelectObject(dc, o.White);
    plat::Rectangle(dc, L, T, R, B);
    plat::SelectObject(dc, pressed ? o.Dark : o.Light);
    Polyline3(dc, {L + 1, B - 3}, {L + 1, T + 1}, {R - 3, T + 1});
    if (pressed) {
        plat::SelectObject(dc, o.Light);
        Polyline3(dc, {L + 1, B - 3}, {R - 3, B - 3}, {R - 3, T + 1});
    }
    plat::SelectObject(dc, o.Dark);
    if (pressed) {
        Polyline3(dc, {L, B - 1}, {L, T}, {R - 1, T});
    } else {
        Polyline3(dc, {L, B - 1}, {R - 1, B - 1}, {R - 1, T});
    }
    return o;
}

void DrawFocusIfFocused(plat::Hdc dc, const plat::DrawItemInfo& item) {
    if ((item.ItemState & plat::kItemStateFocus) == 0) return;
    const plat::Rect& r = item.Item;
    plat::DrawFocusRect(dc, plat::Rect{r.Left + 3, r.Top + 3, r.Right - 4, r.Bottom - 4});
}

// Deselects (stock objects back) and deletes what the painter made.
void ReleaseObjects(plat::Hdc dc, std::initializer_list<plat::Hgdi> objects) {
    plat::SelectObject(dc, plat::GetStockObject(plat::kBlackPen));
    plat::SelectObject(dc, plat::GetStockObject(plat::kWhiteBrush));
    for (const plat::Hgdi o : objects) {
        if (o != 0) plat::DeleteObject(o);
    }
}

// ---------------------------------------------------------------------------
// "DISPLAYSETUP"

struct ProfileOptionsKept {
    std::array<int32_t, 2> Thickness{};
    std::array<Colour, 2> Color{};
};
ProfileOptionsKept g_profileKept;

constexpr int32_t kThicknessIds[2] = {res::kLeftThicknessId, res::kRightThicknessId};
constexpr int32_t kVisibleIds[2] = {res::kLeftVisibleId, res::kRightVisibleId};
constexpr int32_t kColourButtonIds[2] = {res::kLeftColourButtonId, res::kRightColourButtonId};

int CurveOfControl(int32_t id, const int32_t (&ids)[2]) {
    return id == ids[0] ? 0 : id == ids[1] ? 1 : -1;
}

// ---------------------------------------------------------------------------
// "READINGSCALE"

struct ReadingScaleKept {
    double Minimum = 0.0, Maximum = 0.0;
};
ReadingScaleKept g_scaleKept;

void RepaintColourBar() {
    const Hwnd bar = ScreenWindows.ColorBarWindow;
    if (bar == 0) return;
    plat::InvalidateRect(bar, nullptr, true);
    plat::UpdateWindow(bar);
}

// A scale the curves, bars and colours can be drawn with: a finite, positive span.
bool UsableScale(double minimum, double maximum) {
    const double span = maximum - minimum;
    return std::isfinite(span) && span > 0.0;
}

void StoreReadingsScale(double minimum, double maximum) {
    ReadingsScale.Minimum = minimum;
    ReadingsScale.Maximum = maximum;
    DeriveScalePixels();
    ComputeCurveGrid();
    ComputeDecayGrid();
    // The curves start afresh at the new scale; the bars wait for a reading.
    const int consoles = std::clamp(SystemSetup.ConsoleCount, 0, kMaxConsoles);
    for (int i = 0; i < consoles; ++i) ProfileTrace.HasPreviousPoint[static_cast<size_t>(i)] = {0, 0};
    ConsoleLines.ReadingValid.fill(0);
}

// ---------------------------------------------------------------------------
// "DISPLAYOPTIONS"

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

// ---------------------------------------------------------------------------
// "DISPLAYSETUP"

void ChooseProfileColour(Hwnd owner, int curve) {
    if (curve < 0 || curve > 1) return;
    static plat::ColourRef customColours[16] = {};  // kept for the program's run
    plat::ColourRef chosen = 0;
    if (plat::ChooseColour(owner, 0x000000, customColours, true, &chosen) == 1) {
        ProfileDisplayOptions.Color[static_cast<size_t>(curve)] = chosen;
    }
}

void PaintProfileColourButton(Hwnd, const plat::DrawItemInfo& item) {
    const int curve = CurveOfControl(item.ControlId, kColourButtonIds);
    if (curve < 0) return;
    const plat::Hdc dc = item.Dc;
    const bool pressed = (item.ItemState & plat::kItemStateSelected) != 0;
    const ButtonObjects frame = DrawButtonFrame(dc, item.Item, pressed);
    const size_t c = static_cast<size_t>(curve);
    const plat::Hpen sample =
        plat::CreatePen(plat::kPenSolid, ProfileDisplayOptions.Thickness[c], ProfileDisplayOptions.Color[c]);
    plat::SelectObject(dc, sample);
    const plat::Rect& r = item.Item;
    if (pressed) {
        Line(dc, r.Left + 3, r.Top + 6, r.Right - 5, r.Top + 14);
    } else {
        Line(dc, r.Left + 3, r.Top + 10, r.Right - 5, r.Top + 10);
    }
    DrawFocusIfFocused(dc, item);
    ReleaseObjects(dc, {frame.Shadow, frame.Light, frame.Dark, frame.White, sample});
}

LResult DisplaySetupDlgProc(Hwnd dialog, uint32_t message, WParam w, LParam l) {
    ProfileDisplayOptionsRecord& p = ProfileDisplayOptions;
    switch (message) {
        case plat::kMsgInitDialog:
            g_profileKept = {p.Thickness, p.Color};
            for (size_t c = 0; c < 2; ++c) {
                FillList(dialog, kThicknessIds[c], kThicknessNames, 4, p.Thickness[c] - 1);
                SetCheck(dialog, kVisibleIds[c], p.Visible[c]);
            }
            return 1;
        case plat::kMsgDrawItem:
            PaintProfileColourButton(dialog, *reinterpret_cast<const plat::DrawItemInfo*>(l));
            return 1;
        case plat::kMsgCommand: {
            const int32_t id = plat::LowWord(w);
            if (const int curve = CurveOfControl(id, kColourButtonIds); curve >= 0) {
                ChooseProfileColour(dialog, curve);
                RepaintDialog(dialog, true, {kColourButtonIds[curve]});
            } else if (const int curve2 = CurveOfControl(id, kThicknessIds); curve2 >= 0) {
                if (plat::HighWord(w) != plat::kComboSelChange) return 1;
                const size_t c = static_cast<size_t>(curve2);
                p.Thickness[c] = ListChoice(dialog, id, p.Thickness[c] - 1, 4) + 1;
                RepaintDialog(dialog, false, {kColourButtonIds[c]});
            } else if (id == plat::kIdOk) {
                LoadSaveSettings(1);
                CreateProfilePens(1);
                plat::EndDialog(dialog, 0);
            } else if (id == plat::kIdCancel) {
                p.Thickness = g_profileKept.Thickness;
                p.Color = g_profileKept.Color;
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

int RunDisplaySetupDialog(Hwnd owner) {
    return plat::RunDialog(owner, res::kDisplaySetupTemplate, &DisplaySetupDlgProc, 0);
}

// ---------------------------------------------------------------------------
// "READINGSCALE"

LResult ReadingScaleDlgProc(Hwnd dialog, uint32_t message, WParam w, LParam) {
    ReadingsScaleRecord& s = ReadingsScale;
    switch (message) {
        case plat::kMsgInitDialog:
            PlaceOnOwner(dialog, 8);
            g_scaleKept = {s.Minimum, s.Maximum};
            ShowEditNumber(dialog, res::kScaleMinimumId, "%.1f", s.Minimum, kScaleMinimumChars);
            ShowEditNumber(dialog, res::kScaleMaximumId, "%.1f", s.Maximum, kScaleMaximumChars);
            return 1;
        case plat::kMsgCommand: {
            const int32_t id = plat::LowWord(w);
            if (id == res::kScaleMinimumId) {
                // The colour bar beside the dialog follows the typing.
                const double v = EditValue(dialog, id, "%.1f", g_scaleKept.Minimum);
                if (v != s.Minimum && v < s.Maximum && UsableScale(v, s.Maximum)) {
                    s.Minimum = v;
                    RepaintColourBar();
                }
            } else if (id == res::kScaleMaximumId) {
                const double v = EditValue(dialog, id, "%.1f", g_scaleKept.Maximum);
                if (v != s.Maximum && v > s.Minimum && UsableScale(s.Minimum, v)) {
                    s.Maximum = v;
                    RepaintColourBar();
                }
            } else if (id == plat::kIdOk) {
                double minimum = EditValue(dialog, res::kScaleMinimumId, "%.1f", g_scaleKept.Minimum);
                double maximum = EditValue(dialog, res::kScaleMaximumId, "%.1f", g_scaleKept.Maximum);
                if (minimum >= maximum) maximum = minimum + 100.0;
                if (!UsableScale(minimum, maximum)) {  // too large to draw with: the scale stays
                    minimum = g_scaleKept.Minimum;
                    maximum = g_scaleKept.Maximum;
                }
                StoreReadingsScale(minimum, maximum);
                LoadSaveSettings(1);
                const bool changed = minimum != g_scaleKept.Minimum || maximum != g_scaleKept.Maximum;
                MapDisplayOptions.ChangeFlags = changed ? 0x10 : 0;
                plat::EndDialog(dialog, 1);
            } else if (id == plat::kIdCancel) {
                MapDisplayOptions.ChangeFlags = 0;
                s.Minimum = g_scaleKept.Minimum;
                s.Maximum = g_scaleKept.Maximum;
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

int RunReadingScaleDialog(Hwnd owner) {
    return plat::RunDialog(owner, res::kReadingScaleTemplate, &ReadingScaleDlgProc, 0);
}

// ---------------------------------------------------------------------------
// "MAPSCALE"

LResult MapScaleDlgProc(Hwnd dialog, uint32_t message, WParam w, LParam) {
    MapDisplayOptionsRecord& m = MapDisplayOptions;
    switch (message) {
        case plat::kMsgInitDialog:
            PlaceOnOwner(dialog, 8);
            m.SavedMapSize = m.MapSize;
            m.SavedMapPixelsPerUnit = m.MapPixelsPerUnit;
            m.SavedGridInterval = m.GridInterval;
            m.SavedCursorBand = m.CursorBand;
            m.SavedCursorBandPixels = m.CursorBandPixels;
            ShowEditNumber(dialog, res::kMapScaleSizeId, "%d", m.MapSize, kMapScaleChars);
            ShowEditNumber(dialog, res::kMapScaleIntervalId, "%.2f", m.GridInterval, kMapScaleChars);
            plat::SetDialogItemText(dialog, res::kMapScaleSizeUnitId, UnitName(kMapScaleUnitNames));
            plat::SetDialogItemText(dialog, res::kMapScaleIntervalUnitId, UnitName(kMapScaleUnitNames));
            FillList(dialog, res::kCursorBandId, kCursorBandNames, 7, m.CursorBand);
            return 1;
        case plat::kMsgCommand: {
            const int32_t id = plat::LowWord(w);
            if (id == res::kMapScaleSizeId || id == res::kMapScaleIntervalId) {
                // A map size below 1 (or no number at all) shows as 1 at once.
                if (EditValue(dialog, res::kMapScaleSizeId, "%d", m.SavedMapSize) < 1.0) {
                    plat::SetDialogItemText(dialog, res::kMapScaleSizeId, u"1");
                }
            } else if (id == plat::kIdOk) {
                m.ChangeFlags = 0;
                m.MapSize = std::max(1, EditInteger(dialog, res::kMapScaleSizeId, m.SavedMapSize));
                DeriveMapPixelsPerUnit();
                m.GridInterval = EditValue(dialog, res::kMapScaleIntervalId, "%.2f", m.SavedGridInterval);
                m.CursorBand = ListChoice(dialog, res::kCursorBandId, m.CursorBand, 7);
                DeriveCursorBandPixels();
                if (m.MapSize != m.SavedMapSize) m.ChangeFlags |= 0x100;
                if (m.GridInterval != m.SavedGridInterval) m.ChangeFlags |= 0x40;
                plat::EndDialog(dialog, 1);
            } else if (id == plat::kIdCancel) {
                m.ChangeFlags = 0;
                m.MapSize = m.SavedMapSize;
                m.MapPixelsPerUnit = m.SavedMapPixelsPerUnit;
                m.GridInterval = m.SavedGridInterval;
                m.CursorBand = m.SavedCursorBand;
                m.CursorBandPixels = m.SavedCursorBandPixels;
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

int RunMapScaleDialog(Hwnd owner) { return plat::RunDialog(owner, res::kMapScaleTemplate, &MapScaleDlgProc, 0); }

// ---------------------------------------------------------------------------
// "SPEEDSCALE"

LResult SpeedScaleDlgProc(Hwnd dialog, uint32_t message, WParam w, LParam) {
    switch (message) {
        case plat::kMsgInitDialog:
            SetEditNumber(dialog, res::kSpeedCurrentId, "%.2f", SpeedBar.Scale);
            ShowEditNumber(dialog, res::kSpeedNewId, "%.2f", SpeedBar.Scale, kSpeedScaleChars);
            FillList(dialog, res::kSpeedUnitsId, kSpeedUnitNames, 4, SystemSetup.SpeedUnits);
            return 1;
        case plat::kMsgKeyDown:
            if (w != 'C' && w != 'c') return 0;
            plat::EndDialog(dialog, 0);
            return 1;
        case plat::kMsgCommand: {
            const int32_t id = plat::LowWord(w);
            if (id == plat::kIdOk) {
                // The bar needs a top above its 0 and a finite pixel factor.
                const double scale = EditValue(dialog, res::kSpeedNewId, "%.2f", SpeedBar.Scale);
                const double pixels = ScreenLayout.SpeedBarLength / (scale - SpeedBar.Minimum);
                if (std::isfinite(scale) && scale > SpeedBar.Minimum && std::isfinite(pixels)) SpeedBar.Scale = scale;
                SystemSetup.SpeedUnits = ListChoice(dialog, res::kSpeedUnitsId, SystemSetup.SpeedUnits, 4);
                SpeedBar.PixelsPerUnit = ScreenLayout.SpeedBarLength / (SpeedBar.Scale - SpeedBar.Minimum);
                LoadSaveSettings(1);
                plat::EndDialog(dialog, 1);  // the caller repaints the bar at its new scale
            } else if (id == plat::kIdCancel) {
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

int RunSpeedScaleDialog(Hwnd owner) {
    return plat::RunDialog(owner, res::kSpeedScaleTemplate, &SpeedScaleDlgProc, 0);
}

// ---------------------------------------------------------------------------
// "AUDIOFUNCTIONS"

LResult AudioFunctionsDlgProc(Hwnd dialog, uint32_t message, WParam w, LParam) {
    AudioOptionsRecord& a = AudioOptions;
    switch (message) {
        case plat::kMsgInitDialog:
            SetCheck(dialog, res::kAudioTicksId, a.Ticks);
            SetCheck(dialog, res::kAudioAlarmId, a.DisconnectionAlarm);
            SetCheck(dialog, res::kAudioMaskWarningId, a.GpsMaskWarning);
            return 1;
        case plat::kMsgCommand: {
            const int32_t id = plat::LowWord(w);
            if (id == plat::kIdOk) {
                a.Ticks = GetCheck(dialog, res::kAudioTicksId);
                a.DisconnectionAlarm = GetCheck(dialog, res::kAudioAlarmId);
                a.GpsMaskWarning = GetCheck(dialog, res::kAudioMaskWarningId);
                LoadSaveSettings(1);
                plat::EndDialog(dialog, 1);
            } else if (id == plat::kIdCancel) {
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

int RunAudioFunctionsDialog(Hwnd owner) {
    return plat::RunDialog(owner, res::kAudioFunctionsTemplate, &AudioFunctionsDlgProc, 0);
}

// ---------------------------------------------------------------------------
// "DISPLAYOPTIONS"

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
            PlaceOnOwner(dialog, 7);
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
            FillList(dialog, res::kDisplayTypeId, kDisplayTypeNames, 2, m.DisplayType);
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
                LoadSaveSettings(1);
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
