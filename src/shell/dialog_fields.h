// Numbers shown in dialog edits and read back from them. An edit whose text
// the operator left as it was shown keeps its stored value exactly: a value
// shown in other units or rounded to the format's decimals must not come back
// changed just because OK was pressed.
#pragma once
#include <cstdint>

#include "platform/window.h"

// Shows `value` in edit `id` through the 8-bit format ("%.2f", "%d" takes an
// int: pass the value as a double, it is truncated for "%d").
void SetEditNumber(plat::Hwnd dialog, int32_t id, const char* format, double value);
// True when the edit's text differs from `shown` formatted as SetEditNumber
// shows it; then *typed is the number read from the text (ReadTypedNumber:
// finite, the leading decimal number only). False leaves *typed alone.
bool ReadChangedEditNumber(plat::Hwnd dialog, int32_t id, const char* format, double shown,
                           double* typed);
