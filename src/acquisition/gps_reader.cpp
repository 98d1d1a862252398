#include "acquisition/gps_reader.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "acquisition/gps_fix.h"
#include "acquisition/gps_formats.h"
#include "acquisition/serial_setup.h"
#include "log_screen/status_panel.h"
#include "platform/dc.h"
#include "platform/serial_port.h"
#include "platform/sound.h"
#include "platform/tick.h"
#include "survey_files/data_file.h"
#include "survey_files/survey_model.h"

namespace {

constexpr uint8_t kLf = 0x0A;
constexpr uint8_t kCr = 0x0D;
constexpr uint8_t kDollar = 0x24;

static_assert(kMsgGpsSentence == plat::kMsgUser + 11);
static_assert(kGpsFrameCapacity <= kGpsWholeSentenceChars);  // a closed line is kept whole for its group

std::atomic<void (*)()> g_beforeReaderWrite{nullptr};

void BeforeReaderWrite() {
    if (void (*hook)() = g_beforeReaderWrite.load()) hook();
}

}  // namespace

namespace gps_test {
void SetBeforeReaderWrite(void (*hook)()) { g_beforeReaderWrite = hook; }
}  // namespace gps_test

void StoreGpsSentence(const char* sentence, uint32_t tick) {
    std::strncpy(GpsSentenceBuffer.GpsLastSentence, sentence, kGpsSentenceChars - 1);
    GpsSentenceBuffer.GpsLastSentence[kGpsSentenceChars - 1] = 0;
    std::strncpy(GpsSentenceBuffer.GpsWholeSentence, sentence, kGpsWholeSentenceChars - 1);
    GpsSentenceBuffer.GpsWholeSentence[kGpsWholeSentenceChars - 1] = 0;
    GpsSentenceBuffer.GpsSentenceTick = tick;
}

void ResetGpsFrame(GpsFrameState& state) {
    state.Frame.fill(0);
    state.Length = 0;
    state.Tick = 0;
    state.Line.fill(0);
}

bool GpsFrameByte(GpsFrameState& s, uint8_t byte, uint32_t now) {
    if (byte == kDollar) {
        s.Tick = now;
        s.Frame[0] = '$';
        s.Length = 1;
        return false;
    }
    if (byte != kLf) {
        if (s.Length > kGpsFrameRestartAt) s.Length = 0;  // runaway frame: start again
        s.Frame[static_cast<size_t>(s.Length)] = static_cast<char>(byte);
        ++s.Length;
        return false;
    }
    if (s.Length == 0) return false;
    int n = s.Length;
    // Only the CR of a proper line end is dropped: a line ending in a bare
    // LF keeps its last character (its checksum digit, say).
    if (static_cast<uint8_t>(s.Frame[static_cast<size_t>(n - 1)]) == kCr) --n;
    std::memcpy(s.Line.data(), s.Frame.data(), static_cast<size_t>(n));
    s.Line[static_cast<size_t>(n)] = 0;
    if (n == 0 || s.Line[0] != '$') s.Tick = now;
    s.Length = 0;
    return true;
}

bool TestGpsChecksum(const char* sentence) {
    if (sentence == nullptr || sentence[0] == 0) return false;
    const char* star = std::strchr(sentence, '*');
    if (star == nullptr || star - sentence < 1) return false;
    unsigned sum = 0;
    for (const char* p = sentence + 1; p < star; ++p) {
        const auto c = static_cast<uint8_t>(*p);
        if (c > 0x7F) return false;
        sum ^= c;
    }
    // Read as a base-16 conversion reads it: leading blanks and a sign
    // allowed, either case, stopping at the first other character (so a
    // second CR of a CR CR LF line end does not matter). No digit at all is
    // no checksum, never a checksum of 0.
    char* end = nullptr;
    const long value = std::strtol(star + 1, &end, 16);
    if (end == star + 1) return false;
    return value == static_cast<long>(sum);
}

namespace {

// The reader's own records of a line. A write held up by a stalled disk (or
// by the lock while the window thread's write waits on it) is no silence of
// the receiver, whose bytes wait in the port: the watchdog does not count it.
void WriteOwnRecords(const char* line, uint32_t tick, char first, char continuation, uint32_t& lastAccepted) {
    const uint32_t before = plat::GetTickCount();
    BeforeReaderWrite();
    WriteGpsSentenceRecordsWhileLogging(line, tick, first, continuation);
    lastAccepted += plat::GetTickCount() - before;
}

}  // namespace

bool HandleGpsLine(const char* line, uint32_t tick, uint32_t& lastAccepted) {
    GpsSentenceBuffer.GpsSentenceTick = tick;
    const bool accepted = line[0] == '$' && (GpsSentenceFormat.GpsChecksumCheck == 0 || TestGpsChecksum(line));
    if (!accepted) {
        GpsSentenceBuffer.GpsLineReady = 0;
        WriteOwnRecords(line, tick, '?', '"', lastAccepted);
        return false;
    }
    lastAccepted = plat::GetTickCount();
    StoreGpsSentence(line, tick);
    GpsSentenceBuffer.GpsLineReady = 1;
    if (IsSelectedGpsSentence(line)) {
        // The handler records the fix, its swath records and then its group
        // in one go on the window thread, where Go and Pause happen: a fix
        // is counted exactly when its group is written.
        plat::SendMessage(ScreenWindows.LogScreenWindow, kMsgGpsSentence, 0, 0);
        // However long the window thread took, the receiver was not silent
        // meanwhile: what it sent waits in the port.
        lastAccepted = plat::GetTickCount();
    } else {
        WriteOwnRecords(line, tick, 'X', '#', lastAccepted);
    }
    return true;
}

int HandleGpsConnectionBreak() {
    BeforeReaderWrite();
    WriteEventRecordWhileLogging(u"GPS CONN BRK", 'X');
    // The ring and the red cells are the window thread's: the send returns
    // once they are done (no lock is held here).
    plat::SendMessage(ScreenWindows.LogScreenWindow, kMsgGpsConnectionBreak, 0, 0);

    const plat::SerialHandle old = SerialPorts.GpsPortHandle.exchange(plat::kInvalidSerial);
    if (old != plat::kInvalidSerial) plat::CloseSerialPort(old);
    int reopened = 0;
    if (ReaderThreads.GpsReaderRun.load() == 1) {
        reopened = OpenGpsPort(0);
        // The logging screen was left while the port was being opened: its
        // closing may have come before the new handle was stored, so the
        // port is closed here rather than left open behind the operator.
        if (ReaderThreads.GpsReaderRun.load() != 1) {
            const plat::SerialHandle h = SerialPorts.GpsPortHandle.exchange(plat::kInvalidSerial);
            if (h != plat::kInvalidSerial) plat::CloseSerialPort(h);
            reopened = 0;
        }
    }
    GpsSentenceBuffer.GpsConnectionBroken = 0;
    return reopened;
}

plat::LResult OnGpsConnectionBreak(plat::Hwnd, uint32_t, plat::WParam, plat::LParam) {
    if (AudioOptions.DisconnectionAlarm == 1) plat::PlaySound("SOUND_RING");
    const plat::Hwnd screen = ScreenWindows.LogScreenWindow;
    const plat::Hdc dc = screen != 0 ? plat::GetDC(screen) : 0;
    DrawGpsConnectionBreak(dc);
    if (dc != 0) plat::ReleaseDC(screen, dc);
    return 0;
}

uint32_t GpsReaderThread(void*) {
    GpsFrameState frame;
    ResetGpsFrame(frame);
    uint32_t lastAccepted = plat::GetTickCount();  // the watchdog counts from the start
    int32_t opened = 1;
    ReaderThreads.GpsReaderState.compare_exchange_strong(opened, 2);

    while (ReaderThreads.GpsReaderRun.load() == 1) {
        if (plat::TickDiff(lastAccepted, plat::GetTickCount()) > kGpsWatchdogMs &&
            GpsSentenceBuffer.GpsConnectionBroken.load() == 0) {
            GpsSentenceBuffer.GpsConnectionBroken = 1;
            HandleGpsConnectionBreak();
            lastAccepted = plat::GetTickCount();
        }
        // A burst: bytes are read until a read brings none (10 ms of
        // silence, or a port that is closed, which also takes the 10 ms).
        // The run flag is looked at every byte, so a receiver that never
        // pauses cannot keep the reader from ending.
        while (ReaderThreads.GpsReaderRun.load() == 1) {
            uint8_t byte = 0;
            if (plat::ReadSerialByte(SerialPorts.GpsPortHandle.load(), &byte) != 1) break;
            if (GpsFrameByte(frame, byte, plat::GetTickCount())) HandleGpsLine(frame.Line.data(), frame.Tick, lastAccepted);
        }
    }

    int32_t running = 2;
    ReaderThreads.GpsReaderState.compare_exchange_strong(running, 1);
    return 0;
}
