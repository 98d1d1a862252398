#include "shell/option_dialogs.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "log_screen/curve_grid.h"
#include "log_screen/panel_objects.h"
#include "platform/colour_chooser.h"
#include "platform/dc.h"
#include "platform/dialog.h"
#include "platform/message_box.h"
#include "resources/option_templates.h"
#include "shell/dialog_fields.h"
#include "shell/option_dialog_frame.h"
#include "survey_files/settings_derived.h"
#include "survey_files/settings_file.h"
#include "survey_files/survey_model.h"

using plat::Hwnd;
using plat::LParam;
using plat::LResult;
using plat::WParam;
using namespace option_dialog;

namespace {

// Characters each edit's number is read with.
constexpr int kScaleMinimumChars = 31;
constexpr int kScaleMaximumChars = 15;
constexpr int kMapScaleChars = 31;
constexpr int kSpeedScaleChars = 63;

constexpr const char16_t* kThicknessNames[] = {u"1 pixel", u"2 pixels", u"3 pixels", u"4 pixels"};
constexpr const char16_t* kCursorBandNames[] = {u"10", u"15", u"20", u"25", u"30", u"35", u"40"};
constexpr const char16_t* kSpeedUnitNames[] = {u"m/s", u"ft/s", u"km/h", u"mph"};
// By SystemSetup.DisplayUnits: metres, feet, US survey feet.
constexpr const char16_t* kMapScaleUnitNames[] = {u"meters", u"feet", u"US feet"};

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
                FillList(dialog, kThicknessIds[c], kThicknessNames, p.Thickness[c] - 1);
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
                TellSettingsResult(dialog, LoadSaveSettings(1));
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
            PlaceDialogOnOwner(dialog, 8);
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
                TellSettingsResult(dialog, LoadSaveSettings(1));
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
            PlaceDialogOnOwner(dialog, 8);
            m.SavedMapSize = m.MapSize;
            m.SavedMapPixelsPerUnit = m.MapPixelsPerUnit;
            m.SavedGridInterval = m.GridInterval;
            m.SavedCursorBand = m.CursorBand;
            m.SavedCursorBandPixels = m.CursorBandPixels;
            ShowEditNumber(dialog, res::kMapScaleSizeId, "%d", m.MapSize, kMapScaleChars);
            ShowEditNumber(dialog, res::kMapScaleIntervalId, "%.2f", m.GridInterval, kMapScaleChars);
            plat::SetDialogItemText(dialog, res::kMapScaleSizeUnitId, UnitName(kMapScaleUnitNames));
            plat::SetDialogItemText(dialog, res::kMapScaleIntervalUnitId, UnitName(kMapScaleUnitNames));
            FillList(dialog, res::kCursorBandId, kCursorBandNames, m.CursorBand);
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
            FillList(dialog, res::kSpeedUnitsId, kSpeedUnitNames, SystemSetup.SpeedUnits);
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
                TellSettingsResult(dialog, LoadSaveSettings(1));
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
                TellSettingsResult(dialog, LoadSaveSettings(1));
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

