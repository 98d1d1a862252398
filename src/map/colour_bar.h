// The colour bar window "ColorBarWnd": the 50 colours of the amplitude scale,
// colour 0 at the bottom, with five value labels from ReadingsScale.Minimum
// to Maximum. Shown while the readings scale dialog is open in the colour-map
// view; the dialog repaints it as the scale changes.
#pragma once
#include <cstdint>

#include "platform/window.h"

// Registers "ColorBarWnd" (white background). 0 registered, 1 failed.
int RegisterColorBarWndClass();
// Its paint handler: frame, ticks, cells and labels. Returns 0.
plat::LResult PaintColorBarWindow(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l);
