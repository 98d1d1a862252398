// The logging screen: the window of class "ScreenLogWnd" that covers the
// start screen while a survey runs, with every window of the survey and the
// buttons of the logging states as its children. Its procedure routes the
// commands and keys to the state machine (log_state.h), the timer to the
// connection supervision (supervision.h), and the hand-overs of the readers
// to the line handlers of the acquisition.
#pragma once
#include <cstdint>

#include "platform/window.h"

// The map's message that the track has left the drawable map (wParam 0).
constexpr uint32_t kMsgMapOverflow = plat::kMsgUser + 21;

// Registers "ScreenLogWnd" and then its child classes ("DecayWnd",
// "CurveWnd", "NumbersWnd", "SpeedWnd", "MapWnd", "ColorBarWnd", in this
// order). 0 all registered; 1 the logging screen's class failed; 2 a child
// class failed (the ones after it are not tried).
int RegisterLogScreenClasses();

// The procedure of "ScreenLogWnd": one table of (message, handler) pairs.
plat::LResult ScreenLogWndProc(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l);

// Creation: the geometry for the creation size, the settings loaded again,
// and every child window and button. A child window that cannot be made
// fails the creation (the logging screen is destroyed).
plat::LResult LogScreenOnCreate(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l);
// Size changes are not followed: the layout comes from the main window's client size.
plat::LResult LogScreenOnSize(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l);
