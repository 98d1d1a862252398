// The start screen: what the main window paints beside its nine buttons (the
// frame, the product's name and version, the settings summary and the array
// drawing). Only the erase with the window's background is done so far.
#pragma once
#include <cstdint>

#include "platform/window.h"

// The main window's paint handler; returns 0. While the start screen is
// shown the main window takes the keyboard focus, so the start screen's keys
// reach it.
plat::LResult PaintStartScreen(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l);
