// Numbers shown in dialog edits and read back from them, and the lists whose
// selection is a stored setting. An edit whose text the operator left as it
// was shown keeps its stored value exactly: a value shown in other units or
// rounded to the format's decimals must not come back changed just because OK
// was pressed.
#pragma once
#include <cstdint>
#include <span>

#include "platform/window.h"

// Shows `value` in edit `id` through the 8-bit format ("%.2f", "%d" takes an
// int: pass the value as a double, it is truncated for "%d"). `chars` above 0
// caps the edit at that many characters (what its value is read with) and
// shows the text cut there; pass the same `chars` to ReadChangedEditNumber.
void SetEditNumber(plat::Hwnd dialog, int32_t id, const char* format, double value, int32_t chars = 0);
// True when the edit's text differs from `shown` formatted as SetEditNumber
// shows it; then *typed is the number read from the text (ReadTypedNumber:
// finite, the leading decimal number only; at most `chars` characters when
// `chars` is above 0). False leaves *typed alone.
bool ReadChangedEditNumber(plat::Hwnd dialog, int32_t id, const char* format, double shown,
                           double* typed, int32_t chars = 0);

// Fills list `id` with `texts` in order and selects `selected`; a value
// outside the list leaves it without a selection.
void FillList(plat::Hwnd dialog, int32_t id, std::span<const char16_t* const> texts, int32_t selected);
// The selection of list `id` into *field. A list with no selection keeps the
// stored value (false), so no table is ever indexed with -1.
bool ReadListSelection(plat::Hwnd dialog, int32_t id, int32_t* field);

// Places a dialog on its owner (its parent window, else the screen): centred
// across, and (owner height - dialog height) / divisor below the owner's top;
// the size stays. Setup dialogs call it on their init.
void PlaceDialogOnOwner(plat::Hwnd dialog, int32_t divisor);
