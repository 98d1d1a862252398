// Redraws a console's profile of the current line from the survey data file,
// walking it backwards record by record from its end to the records that
// opened the line.
#pragma once
#include <cstddef>

#include "platform/window.h"

// Points of a curve window up to 1210 pixels wide, one per 2 pixels.
constexpr size_t kProfilePointSlots = 606;

// Console `console`'s curve in `window` (its curve window), newest reading at
// x = ScreenLayout.CurveWindowWidth - 10 and each earlier one 2 pixels further
// left, broken at every station record; ends at the line's start, at the
// start of the file, at an unreadable record or when the window is full.
// Nothing happens without an open data file. The file is only read at
// positions, so records that the GPS reader appends meanwhile still land at
// its end.
void RedrawProfileFromFile(plat::Hwnd window, int console);
