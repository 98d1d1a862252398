// The GPS monitor: a child window of the main window, class "MonitorGPSWnd",
// created hidden with it and shown by the start screen's "GPS M&onitoring",
// for watching the raw GPS stream and sending the receiver a command line.
//
// Its reader thread is independent of the survey's GPS reader: it frames
// every line, whatever its content and without a checksum test, and hands it
// to the window for the list; after 7 s of silence it lists "NO DATA". The
// hand-over is synchronous: the reader writes GpsSentenceBuffer.GpsMonitorText,
// sets GpsLineReady and waits while the window's paint lists the line.
//
//   shown, running <-- Go / Send --> paused          (Pause)
//   shown --Exit--> hidden: the port closed, the reader joined, then the start screen
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/window.h"

constexpr int32_t kMonitorButtonFirstId = 750;        // 750 "&Go", 751 "&Pause", 752 "&Send", 753 "E&xit"
constexpr int32_t kMonitorListId = 760;
constexpr int32_t kMonitorEditId = 770;
constexpr int kGpsCommandMaxChars = 27;               // a command's text on the wire, CR LF not counted
constexpr int32_t kGpsMonitorSilenceMs = 7000;        // silence after which "NO DATA" is listed
constexpr int kGpsMonitorFrameRestartAt = 190;        // a frame longer than this starts again, empty

// Registers "MonitorGPSWnd" (button-face background). 0 registered, 1 failed.
int RegisterMonitorGpsWndClass();

// The monitor's procedure: one table of (message, handler) pairs.
plat::LResult MonitorGpsWndProc(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l);

plat::LResult MonitorGpsOnCreate(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l);
// Lists a line the reader handed over (when GpsLineReady is 1), then draws
// the "Enter Command Text" label.
plat::LResult PaintMonitorGpsWindow(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l);
// Buttons (kMsgCommand) and keys: Tab moves the highlight, Enter presses it,
// G Go, P Pause, S Send, X Exit, in either case. A key press arrives as a
// key-down and then as its character: it acts once.
plat::LResult MonitorGpsOnCommand(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l);
plat::LResult MonitorGpsOnSize(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l);

// The monitor as every opening starts it: reading, "&Pause" shown and
// highlighted, no line waiting. The list keeps its lines.
void ResetGpsMonitor();

// Exit: the port closed (which ends the reader), the reader (or simulator)
// joined while hand-overs are served, the window hidden and the start screen
// given the focus. Afterwards nothing reads the port and it may be opened again.
void ExitGpsMonitor();

// The framing of the monitor reader, fed byte by byte.
struct GpsMonitorFrame {
    std::array<char, 200> Bytes{};   // the line so far: from its "$", or every byte since the last line
    int Length = 0;                  // 0..191
};
// Takes one byte. Returns true when it was an LF that closed a line: the
// line (the frame without the CR before the LF, if there is one) is then in `line`,
// cut to capacity - 1 characters, and the frame is empty. "$" restarts the
// frame; a frame past 190 bytes restarts empty; an LF with an empty frame
// closes nothing.
bool GpsMonitorFrameByte(GpsMonitorFrame& frame, uint8_t byte, char* line, size_t capacity);

// Hands one line to the monitor's list (any thread): widened into
// GpsMonitorText, GpsLineReady set, the window invalidated and updated, which
// returns once the window's paint has listed it.
void ShowGpsMonitorLine(const char* line);
void ShowGpsMonitorText(const char16_t* text);

// The command's bytes on the wire: the low byte of each character, then
// CR LF. Returns the byte count, or -1 when the text is longer than
// kGpsCommandMaxChars (nothing written: a cut command is another command).
int BuildGpsCommandBytes(const char16_t* text, char* out, size_t capacity);

// The monitor reader (argument ignored, result 0): reads while
// SerialPorts.GpsPortHandle is open, sleeps while ReaderThreads.GpsMonitorHold
// is 1 (and forgets the partial line it had), lists every line and
// "NO DATA" after kGpsMonitorSilenceMs without one.
uint32_t GpsMonitorReaderThread(void* argument);

// The send dialog "GetGPSMessage": GpsSentenceBuffer.GpsCommandText in edit
// 1188; OK takes the edited text back and ends with 1, Cancel ends with 0.
plat::LResult GetGpsMessageDlgProc(plat::Hwnd dialog, uint32_t message, plat::WParam w, plat::LParam l);
