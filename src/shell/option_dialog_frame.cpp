#include "shell/option_dialog_frame.h"

#include <algorithm>

#include "platform/controls.h"
#include "platform/dc.h"
#include "shell/dialog_fields.h"
#include "survey_files/survey_model.h"

using plat::Hwnd;

namespace option_dialog {

const char16_t* UnitName(const char16_t* const (&names)[3]) {
    const int units = SystemSetup.DisplayUnits;
    return names[units >= 0 && units <= 2 ? units : 0];
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

// The list's selection, or `stored` when nothing (or nothing known) is selected.
int32_t ListChoice(Hwnd dialog, int32_t id, int32_t stored, int32_t count) {
    int32_t selected = stored;
    return ReadListSelection(dialog, id, &selected) && selected < count ? selected : stored;
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
// The frame of the owner-drawn buttons.

void Line(plat::Hdc dc, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    const plat::Point points[2] = {{x1, y1}, {x2, y2}};
    plat::Polyline(dc, points, 2);
}

namespace {
void Polyline3(plat::Hdc dc, plat::Point a, plat::Point b, plat::Point c) {
    const plat::Point points[3] = {a, b, c};
    plat::Polyline(dc, points, 3);
}
}  // namespace

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

}  // namespace option_dialog
