// The program's entry and its single top-level window, "OSTRIMA-MAIN".
//
// The main window carries the start screen: nine push buttons down its right
// side and, painted beside them, the settings summary. Its creation prepares
// everything the rest of the program draws with or writes into: the folders,
// the settings, the fonts, the hidden logging screen and GPS monitor, the
// pens and brushes and the consoles' record tags. Everything here runs on
// the window thread.
#pragma once
#include <cstdint>

#include "platform/window.h"

// Exit codes of the program besides the quit message's own code.
constexpr int kExitClassNotRegistered = 2;   // a child window class could not be registered
constexpr int kExitNoMainWindow = 16;        // the main window (or a child its creation needs) could not be made

constexpr int32_t kStartButtonCount = 9;
constexpr int32_t kStartButtonFirstId = 420;  // 420..428, in the order of the start screen
constexpr int32_t kMonitorGpsWindowId = 780;

// Index of a start button in ScreenButtons.StartButtons (id = 420 + index).
enum StartButtonIndex : int {
    kStartLogging = 0,
    kStartSurveySetup,
    kStartSystemSetup,
    kStartArrayGeometry,
    kStartGpsPortSetup,
    kStartGpsMonitoring,
    kStartMapOptions,
    kStartProfilesOptions,
    kStartExit,
};

// The whole program: start, message loop, end. Returns the process exit code:
// 2 when a child class cannot be registered, 16 when the main window cannot
// be made, else the quit message's code (0 after "E&xit" or the close box,
// 128 + the signal's number after SIGTERM, SIGHUP or SIGINT).
int RunOstrima();

// The start: the desktop application, the signals to end watched, the
// program's folders and sounds, the window classes and the main window,
// shown and painted. 0 when the main window is up, else the exit code (2 or
// 16).
int StartOstrima();

// Runs the message loop until the quit message, then stops whatever still
// runs (reader threads, their waiting hand-overs, the open data file). The
// process ended by exit() inside the loop (the desktop's connection lost)
// stops them alike. Returns the quit message's code.
int RunUntilQuit();

// "OSTRIMA-MAIN", the logging screen's classes and "MonitorGPSWnd". 0, or 2
// when a child class cannot be registered (the main class's own result is
// not looked at: a window of that name is all the program needs).
int RegisterWindowClasses();

// Where the main window goes on a screen of the given size: the screen less
// 38 pixels of height; 1024 x 762 when that is wider than 1280 or taller than
// 762; then 800 x 562 when narrower than 800 or lower than 562; centred 38
// pixels above the middle, never above or left of the screen. Sets the
// ScreenLayout.MainWindow* fields and ButtonBlockTop.
void PlaceMainWindow(int32_t screenWidth, int32_t screenHeight);

// Places, creates, shows and paints the main window for the current screen.
// Returns it, or 0 when it (or a child its creation needs) could not be made.
plat::Hwnd CreateMainWindow(int showCommand);

// The main window's procedure: one table of (message, handler) pairs.
plat::LResult MainWndProc(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l);

// Creation, in order: client size, temporary folder, start folder, settings,
// fonts, text metrics, the start buttons, the hidden logging screen and GPS
// monitor, pens and brushes, record tags. A child window that cannot be made
// fails the creation (-1) at once.
plat::LResult MainOnCreate(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l);
// The frame is fixed: nothing follows a size change.
plat::LResult MainOnSize(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l);
// The close box and Alt+F4: with a data file open on the logging screen,
// logging is left as "E&xit" leaves it (the last look at the file's name,
// its rescue, the close, what went wrong told); only records still waiting
// for a rescue ask first, and "No" keeps the program running. Then the
// window goes.
plat::LResult MainOnClose(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l);
// Posts the quit message with code 0.
plat::LResult MainOnDestroy(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l);
// The start screen's buttons and keys. Only wParam is looked at: a button's
// id in its low word, or a key code (Tab, arrows and Enter move and press the
// highlight; each button's letter runs it). While the logging screen or the
// GPS monitor is shown they only give that screen the keyboard focus.
plat::LResult MainOnCommand(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l);
