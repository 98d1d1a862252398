// What the option dialogs share beyond dialog_fields.h: edits that
// show a number and give it back unchanged when left as shown, lists whose
// empty selection keeps the stored value, check boxes, and the frame of
// their owner-drawn buttons.
#pragma once
#include <cstdint>
#include <initializer_list>

#include "platform/controls.h"
#include "platform/dc.h"
#include "platform/window.h"

namespace option_dialog {

// names[SystemSetup.DisplayUnits] (metres, feet, US survey feet).
const char16_t* UnitName(const char16_t* const (&names)[3]);

// Shows the number through `format` and caps the edit at `chars`, or at the
// shown text's length when that is longer.
void ShowEditNumber(plat::Hwnd dialog, int32_t id, const char* format, double value, int32_t chars);
// The number typed, or `shown` exactly while the text is as it was shown.
double EditValue(plat::Hwnd dialog, int32_t id, const char* format, double shown);
// The same for "%d" edits: the typed number clamped to 32 bits, truncated.
int32_t EditInteger(plat::Hwnd dialog, int32_t id, int32_t shown);

// The selection, or `stored` when none of the `count` items is selected.
int32_t ListChoice(plat::Hwnd dialog, int32_t id, int32_t stored, int32_t count);

void SetCheck(plat::Hwnd dialog, int32_t id, int32_t on);
int32_t GetCheck(plat::Hwnd dialog, int32_t id);  // 1 checked, 0 not

// Invalidates the dialog and the listed controls, then updates the dialog.
void RepaintDialog(plat::Hwnd dialog, bool erase, std::initializer_list<int32_t> controls);

// A two-point polyline (end pixel left out) with the selected pen.
void Line(plat::Hdc dc, int32_t x1, int32_t y1, int32_t x2, int32_t y2);

// The owner-drawn buttons' frame: a white box in a 3-pixel button-shadow
// frame with a 3-D edge, sunk while pressed. Leaves the dark shadow pen
// selected; the objects go with ReleaseObjects.
struct ButtonObjects {
    plat::Hpen Shadow = 0, Light = 0, Dark = 0;
    plat::Hbrush White = 0;
};
ButtonObjects DrawButtonFrame(plat::Hdc dc, const plat::Rect& r, bool pressed);
// The focus rectangle 3 pixels inside the item, when it has the focus.
void DrawFocusIfFocused(plat::Hdc dc, const plat::DrawItemInfo& item);
// Selects stock objects back and deletes the painter's own.
void ReleaseObjects(plat::Hdc dc, std::initializer_list<plat::Hgdi> objects);

}  // namespace option_dialog
