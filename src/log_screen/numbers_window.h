// The numbers window: the latest readings of every console, one band per
// console under a header ("Sensor", or "Sensor L" and "Sensor R" when the
// array has a two-sensor console), with the console numbers in a narrow
// column at the left. Also lays out the bars inside the bar windows, whose
// widths follow from the same column.
#pragma once
#include <cstddef>

#include "platform/window.h"

// The bar windows' top and height, the bar width and offsets, the consoles'
// bands of the numbers window and its row-number column (ScreenLayout), for
// SystemSetup.ConsoleCount consoles; with no console only the first and the
// last. Called by every layout of the logging screen and by the SYSTEM
// dialog's OK.
void LayoutNumbersWindow();

// ScreenLayout.NumbersRowHeight (with at least one console) and
// NumbersValueWidth from the numbers window's size.
void SetNumbersColumnSizes();

// Header, console numbers and the band and column sizes, in blue, through a
// device context of the numbers window.
void DrawNumbersWindowFrame(plat::Hdc dc);

// The text of one reading: "%8.1f" below 1000 in magnitude, "%8.0f" below
// 100000, else 99999 with the reading's sign. A reading that is not a number
// shows as 0.0.
void FormatReadingText(double reading, char* out, size_t capacity);

// Draws console `console`'s readings (reading2 only for a two-sensor console)
// into its band of the numbers window through `dc`: the band is whitened and
// each text right-aligned 10 pixels before the end of its column. A reading
// whose bit is set in `unread` (kNoFirstReading, kNoSecondReading) gave no
// value (its field missing, damaged or no number) and shows as "?".
void DrawConsoleNumbers(plat::Hdc dc, int console, double reading1, double reading2, int unread = 0);
