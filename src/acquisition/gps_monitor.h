// The GPS monitor: a child window of the main window, class "MonitorGPSWnd",
// created hidden with it and shown by the start screen's "GPS M&onitoring",
// for watching the raw GPS stream and sending the receiver a command line.
// Only the window class exists so far: the window erases itself and takes no
// action on commands or keys.
#pragma once
#include <cstdint>

#include "platform/window.h"

// Registers "MonitorGPSWnd" (button-face background). 0 registered, 1 failed.
int RegisterMonitorGpsWndClass();

// The monitor's procedure: one table of (message, handler) pairs.
plat::LResult MonitorGpsWndProc(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l);

plat::LResult MonitorGpsOnCreate(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l);
plat::LResult PaintMonitorGpsWindow(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l);
plat::LResult MonitorGpsOnCommand(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l);
plat::LResult MonitorGpsOnSize(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l);
