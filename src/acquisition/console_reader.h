// Console reader threads: one per console of the array. A reader polls its
// serial port one byte at a time, frames "$PBAR" lines and hands each accepted
// line to the logging screen with a synchronous send; the handler
// (console_reading.h) runs on the window thread while the reader waits.
//
// On the wire, at 9600 baud 8N1:
//   $PBAR,  75,  62<CR><LF>
//   0     "$" starts a frame (a "$" inside a frame starts it again)
//   1..4  "PBAR"
//   5..   the readings, comma separated: sensor 1, then sensor 2 (two-sensor consoles)
//   LF    ends the frame; the byte before it must be CR
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

constexpr int kConsoleFrameCapacity = 300;   // frame buffer of a reader
constexpr int kConsoleFrameRestartAt = 180;  // a frame longer than this starts again
constexpr int kConsoleLineChars = 100;       // a line slot: 99 characters and a NUL
constexpr int kMinLineLengthTwoSensors = 7;  // shortest accepted frame, "$" to CR inclusive
constexpr int kMinLineLengthOneSensor = 9;

// The framing state of one reader, fed byte by byte.
struct ConsoleFrameState {
    std::array<char, kConsoleFrameCapacity> Frame{};  // bytes since the last "$" (never an LF)
    int Length = 0;                                   // bytes stored in Frame, 0..181
    bool InFrame = false;                             // a "$" opened the frame and no LF closed it yet
    int MinLength = kMinLineLengthOneSensor;          // 7 two-sensor, 9 one-sensor console
    std::array<char, kConsoleLineChars> Line{};       // the last accepted line, CR removed, cut to 99
};

// Shortest accepted frame for a console type: 1 (two sensors) 7, any other 9.
int ConsoleMinLineLength(int consoleType);

// Starts a reader's framing afresh for a console of the given type.
void ResetConsoleFrame(ConsoleFrameState& state, int consoleType);

// Takes one byte from the port. Returns true when the byte was the LF of an
// accepted line: the line (from its "$" up to the character before the CR,
// at most 99 characters, every byte that no reading holds as '?') is then in
// state.Line and the frame is empty again.
// A frame is accepted only when it begins with "$", a "$" opened it and no LF
// closed it since, it holds at least MinLength bytes up to and including the
// CR, the byte before the LF is CR and its positions 1 to 4 read "PBAR".
bool ConsoleFrameByte(ConsoleFrameState& state, uint8_t byte);

// The hand-over of a line of console i (0..8) is kMsgConsoleReading + i,
// sent to the logging screen with wParam = lParam = 0.
constexpr uint32_t kMsgConsoleReading = 0x0400 + 12;

// The argument that tells a reader thread its console (0..8).
inline void* ConsoleReaderArgument(int console) {
    return reinterpret_cast<void*>(static_cast<intptr_t>(console));
}

// The reader of one console, a thread procedure whose argument is
// ConsoleReaderArgument(console). It reads SerialPorts.ConsolePortHandle[i]
// until that becomes invalid (whoever ends logging closes the port and then
// marks it so), and returns 0. Its life state in ReaderThreads goes from 1
// (port opened) to 2 (running) and back to 1 (ended), each step a
// compare-exchange: a state the ending code has set back to 0 stays 0.
uint32_t ConsoleReaderThread(void* argument);

