// The logging screen's commands 101 New Line, 102 New Station and 103
// Comment (Stand By only): each opens its dialog over the logging screen,
// which counts as busy meanwhile (LogScreenState.UiIdle 0), and on OK stores
// the new values in SurveyParameters, saves the settings and writes the
// records into the data file:
//
//   New Line      the line records (L, B, A, Z) and a time mark; a line begun
//   New Station   an "S" record with the new station and a time mark
//   Comment       a "C" record with the first 11 characters
//
// Cancel changes and writes nothing. Window thread only.
#pragma once
#include <cstdint>

#include "platform/window.h"

// Runs command 101, 102 or 103 (anything else does nothing). New Line and New
// Station need at least one console. The caller ends the command (the screen
// idle again, the focus back).
void RunLineStationCommand(plat::Hwnd logScreen, int command);

plat::LResult GetNewLineDlgProc(plat::Hwnd dialog, uint32_t message, plat::WParam w, plat::LParam l);
plat::LResult NewStationDlgProc(plat::Hwnd dialog, uint32_t message, plat::WParam w, plat::LParam l);
plat::LResult CommentDlgProc(plat::Hwnd dialog, uint32_t message, plat::WParam w, plat::LParam l);
