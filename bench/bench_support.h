// What the road benchmarks share: a stand-in logging screen on the program's
// own message loop, a data file in a temporary folder, nine pty consoles with
// their reader threads, and the figures.
#pragma once
#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/window.h"
#include "support/pty_instrument.h"

namespace bench {

using Clock = std::chrono::steady_clock;

constexpr int kConsoles = 9;
constexpr int kFirstConsoleCom = 30;                     // consoles on COM30..COM38
constexpr double kConsoleLinesPerSecond = 960.0 / 17.0;  // "$PBAR,nnnn,nnnn" CR LF at 9600 baud, 10 bits a byte

// Nanoseconds since the benchmark started (the first call of StartBench).
int64_t NowNs();

// Starts the application (headless unless QT_QPA_PLATFORM says otherwise),
// resets the survey model, makes the main window's fonts, pens and brushes
// and a 1024 x 762 main window, creates the logging screen
// (ScreenWindows.LogScreenWindow) with `proc` and every child window the
// real one has, and opens a fresh data file in a temporary folder while
// logging. `proc` times what it wants and passes every other message to
// ScreenLogWndProc. False with a message on stderr when something is missing.
bool StartBench(plat::WindowProc proc);

// Lays the logging screen out for the consoles set up (without the map) and
// shows it, as the start of logging does: from here on every line moves the
// numbers, the profile, the bars and the panel's values, as on the screen.
void ShowLogScreen();

// Opens the nine console ptys and ports (two-sensor consoles) and starts
// their readers. WaitForReaders serves the window thread until every
// reader (and the GPS reader when `gps`) runs.
bool StartConsoles(std::array<instruments::PtyInstrument, kConsoles>& ports);
void WaitForReaders(bool gps);

// Runs the program's message loop for `seconds` (a timer message on the
// logging screen ends it: the procedure must post the quit message).
void RunFor(double seconds);

// Ends the readers (the GPS reader too, when it was started), closes every
// port and the data file, and returns the file's bytes; the folder is removed.
std::string StopBench(std::array<instruments::PtyInstrument, kConsoles>& ports, plat::ThreadHandle gpsReader,
                      instruments::PtyInstrument* gps);

// The p-quantile (0..1) of `v` in milliseconds.
double Percentile(std::vector<int64_t>& v, double p);

// CPU time of the process and wall time since the call of StartCpuClock.
void StartCpuClock();
double CpuSeconds();
// CPU time of the window thread alone (call both on the window thread).
double WindowThreadCpuSeconds();
double WallSeconds();

}  // namespace bench
