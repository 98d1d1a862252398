#include "acquisition/console_reader.h"

#include <cstring>
#include <string_view>

#include "platform/serial_port.h"
#include "platform/tick.h"
#include "platform/window.h"
#include "survey_files/data_records.h"
#include "survey_files/survey_model.h"

namespace {

constexpr uint8_t kLf = 0x0A;
constexpr uint8_t kCr = 0x0D;
constexpr uint8_t kDollar = 0x24;

// How long one read waits on a quiet port. The reader stops only when its
// handle is made invalid, and that is always followed by closing the port,
// which ends a waiting read at once; so the reader need not wake every 10 ms
// to look (ten readers did a thousand times a second between lines). The
// bound only keeps a reader whose handle were ever dropped without a close
// from waiting for ever.
constexpr int kQuietPortWaitMs = 1000;

static_assert(kMsgConsoleReading == plat::kMsgUser + 12);

bool FrameIsAcceptable(const ConsoleFrameState& s) {
    const int n = s.Length;
    if (!s.InFrame || n < s.MinLength || n < 5) return false;
    // After the restart of a runaway frame position 0 holds whatever byte came
    // next: only a frame that really begins with "$" is a line.
    if (s.Frame[0] != '$') return false;
    if (static_cast<uint8_t>(s.Frame[n - 1]) != kCr) return false;
    return std::memcmp(&s.Frame[1], "PBAR", 4) == 0;
}

}  // namespace

int ConsoleMinLineLength(int consoleType) {
    return consoleType == 1 ? kMinLineLengthTwoSensors : kMinLineLengthOneSensor;
}

void ResetConsoleFrame(ConsoleFrameState& state, int consoleType) {
    state.Frame[0] = 0;
    state.Length = 0;
    state.InFrame = false;
    state.MinLength = ConsoleMinLineLength(consoleType);
    state.Line[0] = 0;
}

bool ConsoleFrameByte(ConsoleFrameState& s, uint8_t byte) {
    if (byte == kLf) {
        const bool accept = FrameIsAcceptable(s);
        s.InFrame = false;
        // A rejected LF leaves the content: bytes up to the next "$" are
        // appended to it and thrown away by that "$".
        if (!accept) return false;
        const int lineLength = s.Length - 1;  // CR removed
        const auto kept = static_cast<size_t>(lineLength < kConsoleLineChars - 1 ? lineLength : kConsoleLineChars - 1);
        // A byte no reading holds (a NUL above all, which would cut the line
        // where every later step reads it as text) is kept as the damage mark.
        for (size_t k = 0; k < kept; ++k) {
            const auto b = static_cast<uint8_t>(s.Frame[k]);
            s.Line[k] = IsReadingDamage(b) ? kReadingDamageMark : static_cast<char>(b);
        }
        const auto length = static_cast<size_t>(lineLength);
        if (length > kept && ReadingCutSplitsAField(s.Line[kept - 1], std::string_view(&s.Frame[kept], length - kept))) {
            s.Line[kept - 1] = kReadingDamageMark;  // the field the cut reaches is read from no slot
        }
        s.Line[kept] = 0;
        s.Frame[0] = 0;
        s.Length = 0;
        return true;
    }
    if (byte == kDollar) {
        s.Frame[0] = '$';
        s.Length = 1;
        s.InFrame = true;
        return false;
    }
    if (s.Length > kConsoleFrameRestartAt) s.Length = 0;  // runaway frame: start again
    s.Frame[static_cast<size_t>(s.Length)] = static_cast<char>(byte);
    ++s.Length;
    return false;
}

namespace {

// Puts an accepted line into the console's slot and hands it over; returns
// when the handler has used it (or no logging screen takes it).
void HandOverConsoleLine(size_t i, const ConsoleFrameState& frame) {
    ConsoleLines.ConsoleLineTick[i] = plat::GetTickCount();
    std::memcpy(ConsoleLines.ConsoleLine[i], frame.Line.data(), sizeof ConsoleLines.ConsoleLine[i]);
    ConsoleLines.ConsoleBreakLogged[i] = 0;
    ConsoleLines.ConsoleConnBreak[i] = 0;
    plat::SendMessage(ScreenWindows.LogScreenWindow, kMsgConsoleReading + static_cast<uint32_t>(i), 0, 0);
}

}  // namespace

uint32_t ConsoleReaderThread(void* argument) {
    const intptr_t console = reinterpret_cast<intptr_t>(argument);
    if (console < 0 || console >= kMaxConsoles) return 0;
    const auto i = static_cast<size_t>(console);

    ConsoleFrameState frame;
    ResetConsoleFrame(frame, SystemSetup.ConsoleType[i]);
    ConsoleLines.ConsoleMinLineLength[i] = frame.MinLength;
    // Whatever arrived before the reader started is not a reading of this run.
    plat::PurgeSerialPort(SerialPorts.ConsolePortHandle[i].load());
    int32_t opened = 1;
    ReaderThreads.ConsoleReaderState[i].compare_exchange_strong(opened, 2);

    for (;;) {
        const plat::SerialHandle port = SerialPorts.ConsolePortHandle[i].load();
        if (port == plat::kInvalidSerial) break;
        uint8_t byte = 0;
        // Waits until a byte comes or the port is closed; a port that failed
        // or was closed takes at least 10 ms, so this loop never spins.
        if (plat::ReadSerialByteWithin(port, &byte, kQuietPortWaitMs) != 1) continue;
        if (ConsoleFrameByte(frame, byte)) HandOverConsoleLine(i, frame);
    }

    int32_t running = 2;
    ReaderThreads.ConsoleReaderState[i].compare_exchange_strong(running, 1);
    return 0;
}
