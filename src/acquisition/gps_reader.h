// The GPS reader thread: polls the GPS port one byte at a time, frames NMEA
// sentences, tests their checksum when the format asks for it, hands every
// sentence of the selected type to the logging screen with a synchronous send
// (the sentence handler, gps_fix.h, runs on the window thread meanwhile) and,
// while logging, writes the other lines it received into the data file:
//
//   selected sentence   "@" record, "#" records, "!" time record (one write,
//                       by the handler after the fix's swath records)
//   other sentence      one "X" record with its first 25 characters
//   rejected line       "?" record, '"' records, "!" time record
//
// It writes under DataFileState.DataFileLock through the data-file writers,
// judging whether logging goes on under that same lock (so nothing it holds
// across a Pause lands after "PAUSED"), and never holds the lock while it
// waits in the hand-over.
//
// The same thread is the GPS connection watchdog: when no acceptable sentence
// has come for more than 3000 ms it writes a "GPS CONN BRK" event while
// logging, has the logging screen ring and mark the GPS cells red, and closes
// and reopens the port.
#pragma once
#include <array>
#include <cstdint>

#include "platform/window.h"

constexpr int kGpsFrameCapacity = 256;        // frame and line buffers of the reader
constexpr int kGpsFrameRestartAt = 200;       // a frame longer than this starts again
constexpr int32_t kGpsWatchdogMs = 3000;      // silence that counts as a connection break

// The logging screen's message for a connection break, sent by the watchdog
// (the GPS thread may not draw): rings when the alarm option is on and fills
// the GPS cells red. Handled by OnGpsConnectionBreak.
constexpr uint32_t kMsgGpsConnectionBreak = plat::kMsgUser + 22;

// The framing state of the reader, fed byte by byte.
struct GpsFrameState {
    std::array<char, kGpsFrameCapacity> Frame{};  // bytes since the last "$" or line end (never an LF)
    int Length = 0;                               // bytes in Frame, 0..201
    uint32_t Tick = 0;                            // tick of the frame's "$"; of the LF for a line without one
    std::array<char, kGpsFrameCapacity> Line{};   // the line closed by the last LF, NUL-terminated
};

void ResetGpsFrame(GpsFrameState& state);

// Takes one byte that arrived at tick `now`. Returns true when it was an LF
// that closed a line: the line is then in state.Line (a CR right before the
// LF removed, nothing else) with its tick in state.Tick, and the frame is
// empty. "$" starts a frame afresh; a frame longer than 200 bytes starts again
// at its next byte (the line that finally ends then does not begin with "$").
// An LF with an empty frame closes nothing.
bool GpsFrameByte(GpsFrameState& state, uint8_t byte, uint32_t now);

// An accepted sentence where the handler finds it (GpsSentenceBuffer): cut
// to 127 characters for decoding and the GPS monitor, whole for the data
// file, with the tick of its "$". Before the hand-over.
void StoreGpsSentence(const char* sentence, uint32_t tick);

// The NMEA checksum: the exclusive OR of the characters between "$" and the
// first "*", equal to the base-16 number read after the "*" (leading blanks
// and a sign allowed, digits in either case, reading stops at the first other
// character, at least one digit). A byte above 0x7F fails the test.
bool TestGpsChecksum(const char* sentence);

// What the reader does with one closed line (tick: its "$"). Returns true
// when the line was accepted (begins with "$" and passes the checksum test
// when the format asks for it); an accepted line sets `lastAccepted`, the
// watchdog's reference, to the tick now, and again once its hand-over has
// returned.
bool HandleGpsLine(const char* line, uint32_t tick, uint32_t& lastAccepted);

// The thread procedure (argument ignored, result 0). The starter sets
// ReaderThreads.GpsReaderRun to 1 (after SetupGpsSentenceFields) before it
// starts the thread; the reader runs until the flag is 0 again, checking it
// at every byte, and takes ReaderThreads.GpsReaderState from 1 to 2 and back
// to 1 (compare-exchange: a 0 set by the ending code stays 0). A port that is
// closed or never opened is polled all the same: the watchdog opens it.
//
// Whoever ends the reader sets the run flag to 0, closes whatever handle
// SerialPorts.GpsPortHandle holds at that moment, and joins the thread while
// serving hand-overs: a reopen that races with the end closes its own port.
uint32_t GpsReaderThread(void* argument);

// The watchdog's handling of a break, on the GPS thread with
// GpsSentenceBuffer.GpsConnectionBroken at 1: the event record while
// logging, the ring and the red cells through kMsgGpsConnectionBreak, the port
// closed, and reopened silently while the reader is still meant to run.
// Clears GpsConnectionBroken. Returns 1 when the port is open again, else 0.
int HandleGpsConnectionBreak();

// The logging screen's handler of kMsgGpsConnectionBreak (window thread).
plat::LResult OnGpsConnectionBreak(plat::Hwnd, uint32_t, plat::WParam, plat::LParam);

namespace gps_test {
// Called on the GPS reader thread right before it writes a line it received
// or a connection-break event (nullptr: nothing), so a test can hold the
// reader there while the window thread pauses.
void SetBeforeReaderWrite(void (*hook)());
}  // namespace gps_test
