// The two duties that frame a survey run on the logging screen: the
// one-second supervision of the consoles (timer 1), and leaving the logging
// screen, which stops everything the start of logging set going.
#pragma once
#include <cstdint>

#include "platform/window.h"

constexpr uintptr_t kSupervisionTimerId = 1;

// Timer 1: every console silent for more than ConsoleLines.ConsoleTimeoutMs
// is shown as "No connection"; while logging its break is written once as
// "<n>CONN BRK <n>"; the alarm rings at most once per tick. Then an error the
// data-file writers kept is told (unless a command is in progress). Returns 1.
plat::LResult LogScreenOnTimer(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l);

// The supervision of one tick (the timer's first half).
void SuperviseConsoles();

// Leaves the logging screen. In Stand By (or Logging) asks "Exit Logging?"
// (after what is lost with records still waiting for a rescue) unless
// `confirmed` is 1; "No" keeps Stand By and returns 0. Otherwise the
// timer is killed, the data file closed, every reader stopped and joined and
// every port closed, the survey counters reset, and the logging screen
// hidden; returns 1.
int ExitLogging(int confirmed);

// After ExitLogging returned 1: the background files and the map review
// ended, the Monitoring buttons back with "&File" the default, the start
// screen's buttons shown.
void ReturnToStartScreen();

// Stops the reader threads and closes their ports: each port is closed and
// marked closed (the GPS reader's run flag cleared first), then each thread
// is joined while the window thread serves the hand-overs, so a reader that
// waits in its hand-over is served and ends; at last a GPS port that the
// watchdog reopened meanwhile is closed too. Window thread.
void StopReaders();

// The program's end: the supervision timer killed, every waiting hand-over
// released (the windows that would serve it are gone) and new ones refused
// while every reader is stopped and joined as StopReaders does, then the
// hand-over opened again, the last look at the data file's name (a lost name
// rescued, nobody told) and the close under its lock. Window thread, after
// the message loop, or inside it when exit() ends the process there.
void StopAcquisitionAtExit();

// Every way out of logging (E&xit, the close box, Alt+F4, a signal to end,
// the end of the file's capacity) ends the data file alike: the supervision
// timer killed, the last look at its name (a lost name rescued), the close,
// and what went wrong told in a "FILE ERROR" box on `owner` while the file's
// name is still known. 1 when every record is in a named file on the disk; 0 when a rescue
// could not be made or putting the file on the disk failed.
int FinishDataFile(plat::Hwnd owner);
