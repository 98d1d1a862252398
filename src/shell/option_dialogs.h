// The display and audio option dialogs and the map display options dialog,
// each modal over its owner (the logging screen, or the main window for the
// start screen's two option buttons).
//
// Every number typed is read with ReadTypedNumber; an edit left as shown
// keeps its stored value exactly; a list with no selection keeps its value.
// The dialogs that preview their changes while open ("DISPLAYSETUP",
// "READINGSCALE", "MAPSCALE", "DISPLAYOPTIONS") put every value back on
// Cancel. MapDisplayOptions.ChangeFlags reports what the last of
// "READINGSCALE", "MAPSCALE" and "DISPLAYOPTIONS" changed:
// 0x2 position size, 0x4 position colour, 0x8 display type, 0x10 readings
// scale, 0x20 grid type, 0x40 grid interval, 0x80 lines angle, 0x100 map size.
#pragma once
#include <cstdint>

#include "platform/controls.h"
#include "platform/window.h"

// "DISPLAYSETUP": thickness and colour of the left and right profile curves.
// OK saves the settings and makes the profile pens again. Ends with 0 either
// way (the caller repaints whatever the answer).
int RunDisplaySetupDialog(plat::Hwnd owner);

// "READINGSCALE": minimum and maximum of the readings scale. While it is
// open the colour bar (ScreenWindows.ColorBarWindow, when there is one)
// follows the typing. OK (1): the scale, its pixel factors, colour step and
// grid rows, the curves start afresh, settings saved, ChangeFlags 0x10 when
// the scale changed (else 0). Cancel (0): ChangeFlags 0, scale as it was.
int RunReadingScaleDialog(plat::Hwnd owner);

// "MAPSCALE": map size, grid interval and cursor band. Saves its opening
// values in MapDisplayOptions.SavedMapSize, SavedMapPixelsPerUnit,
// SavedGridInterval, SavedCursorBand and SavedCursorBandPixels (the caller
// restores from them when the new size does not fit the data). OK (1): the
// values and their pixel factors stored, ChangeFlags 0x100 map size, 0x40 grid
// interval; the settings file is NOT saved and the grid interval has no lower
// limit here: the caller applies the 0.5 minimum and saves. Cancel (0):
// ChangeFlags 0, every value as it was.
int RunMapScaleDialog(plat::Hwnd owner);

// "SPEEDSCALE": the speed bar's top and the speed units. OK (1): stored,
// the bar's pixel factor derived, settings saved; a scale that is not finite
// and above 0 keeps the old one. Cancel or C (0): nothing changes.
int RunSpeedScaleDialog(plat::Hwnd owner);

// "AUDIOFUNCTIONS": the three sound switches. OK (1) stores and saves;
// Cancel (0) changes nothing.
int RunAudioFunctionsDialog(plat::Hwnd owner);

// "DISPLAYOPTIONS": cursor and position size and colour, map size, grid type,
// interval and angle, display type, with a live preview. Saves
// SavedMapSize and SavedGridInterval on opening. OK (1): everything stored
// (map size at least 1, grid interval at least 0.5, the angle folded into
// -90 < a <= 90), the display-unit swath derived, settings saved, ChangeFlags
// the change report. Cancel (0): ChangeFlags 0, every previewed value and the
// map pens as they were.
int RunDisplayOptionsDialog(plat::Hwnd owner);

// The dialog procedures behind the runners.
plat::LResult DisplaySetupDlgProc(plat::Hwnd dialog, uint32_t message, plat::WParam w, plat::LParam l);
plat::LResult ReadingScaleDlgProc(plat::Hwnd dialog, uint32_t message, plat::WParam w, plat::LParam l);
plat::LResult MapScaleDlgProc(plat::Hwnd dialog, uint32_t message, plat::WParam w, plat::LParam l);
plat::LResult SpeedScaleDlgProc(plat::Hwnd dialog, uint32_t message, plat::WParam w, plat::LParam l);
plat::LResult AudioFunctionsDlgProc(plat::Hwnd dialog, uint32_t message, plat::WParam w, plat::LParam l);
plat::LResult DisplayOptionsDlgProc(plat::Hwnd dialog, uint32_t message, plat::WParam w, plat::LParam l);

// The colour chooser of a profile curve (0 left, 1 right): any colour, opened
// at black, with 16 custom colours kept for the program's run. A confirmed
// choice becomes the curve's colour; a cancelled one leaves it.
void ChooseProfileColour(plat::Hwnd owner, int curve);

// The colour chooser of a map colour: `which` 0 the cursor, 1 the positions,
// 2 the background files' colour. It opens at that colour with its custom
// colours all black. Returns the colour shown when it closed (the start
// colour when cancelled); the caller stores it.
plat::ColourRef ChooseMapColour(plat::Hwnd owner, int which);

// The owner-drawn buttons: the colour sample of a profile curve (items 1003,
// 1004) and the map preview (item 1220).
void PaintProfileColourButton(plat::Hwnd dialog, const plat::DrawItemInfo& item);
void PaintMapPreview(plat::Hwnd dialog, const plat::DrawItemInfo& item);

// The lines angle as stored: above 90 and up to 180 loses 180, from -180 up
// to -90 gains 180, beyond +-180 (or not finite) becomes 0; the result lies
// above -90 and up to 90.
double FoldLinesAngle(double angle);
