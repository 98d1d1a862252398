// The logging state machine: Monitoring (readings shown, nothing written),
// Stand By (a data file is open, nothing recorded) and Logging (readings, GPS
// sentences, events and swath written), driven by the four state buttons,
// single-letter keys, two popup menus, the pause key and the map's overflow.
//
//   Monitoring --File (new, or accepted existing)--> Stand By --Go--> Logging
//   Logging --PAUSE / pause key / map overflow--> Stand By
//   Monitoring --Exit--> start screen;  Stand By --Exit, "Yes"--> start screen
//
// Everything here runs on the window thread.
#pragma once
#include <cstdint>

#include "platform/window.h"
#include "survey_files/survey_model.h"  // the logging states

// The button sets that share ids 460..463, and the PAUSE button.
enum class LogButtonSet { Monitoring, StandBy, Pause };

// The handler of commands, keys (kMsgKeyDown, kMsgDeadChar) and the map's
// overflow message: turns each into a button press and/or a command code and
// carries it out. Every call first gives the focus to the logging screen, and
// ends by telling the operator of a data-file error the writers kept.
plat::LResult LogScreenOnCommand(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l);

// Shows one button set and hides the other two.
void ShowLogButtonSet(LogButtonSet set);
// Makes button `index` (0..3) of `set` the default button, the others plain,
// and moves the Enter highlight (ScreenButtons.LogButtonIndex) to it.
void MakeDefaultLogButton(LogButtonSet set, int index);
// Enables or disables the map buttons Left, Right, Up, Down and Enter Review.
void EnableMapViewButtons(bool enable);

// The pause hint under the PAUSE button: 1 draws it, -1 erases it.
void ShowPauseHint(int mode);
// One status text drawn at once: 0 "File: <name>", 1 "Monitoring", 2 "Stand By", 3 "Logging".
void ShowLoggingStatus(int what);

// Go, the pause (also the overflow pause) and the fall-back to Monitoring
// when the data file is lost.
void StartRecording(plat::Hwnd hwnd);
void PauseLogging(plat::Hwnd hwnd);
void FallBackToMonitoring(plat::Hwnd hwnd);

// Tells the operator once, in a "FILE ERROR" box, of an error the data-file
// writers kept; while logging, logging is paused first, and a screen whose
// data file is gone returns to Monitoring.
void ReportDataFileErrors(plat::Hwnd hwnd);
// On the way out of logging, the data file closed: the same box for what went
// wrong since the last report, and nothing else changed.
void TellDataFileErrorsOnLeaving(plat::Hwnd hwnd);

// Invalidates (erasing) and repaints the logging screen at once.
void RepaintLogScreen();

// The number of the next survey line: the current line name read as a number
// (0 when it is none) plus the line increment. QLine and New Line propose it.
double NextLineNumber();

namespace log_test {
// The command codes (101..129) the logging screen ran since the last
// ClearRunCommands, in order; at most 32 are kept.
int RunCommandCount();
int RunCommandAt(int index);
void ClearRunCommands();
}  // namespace log_test
