// Virtual instruments on pseudo-terminals, for tests and the instruments tool.
//
// An instrument owns the master side of a pty pair and, given a COM number,
// points OSTRIMA_COM<n> at the slave, so the program's COMn opens it. The
// instrument never opens the slave itself: the program is the only one on
// that side, as it would be on a real cable. Closing the master is pulling the
// cable: the program's reads see a hang-up and a reopen finds no device.
//
// This file is shared with tools/instruments and uses neither GoogleTest nor
// the program's libraries.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <termios.h>
#include <thread>
#include <vector>

namespace instruments {

class PtyInstrument {
public:
    PtyInstrument() = default;
    ~PtyInstrument();
    PtyInstrument(const PtyInstrument&) = delete;
    PtyInstrument& operator=(const PtyInstrument&) = delete;

    // Creates the pair (master in raw mode, non-blocking). With comPort 1..48
    // also sets OSTRIMA_COM<comPort> to the slave's path; Close unsets it.
    // False with Error() telling why.
    bool Open(int comPort = 0);
    bool IsOpen() const;
    int ComPort() const { return comPort_; }
    const std::string& SlavePath() const { return slavePath_; }
    const std::string& Error() const { return error_; }

    // Sends bytes to the program, waiting at most waitMs in all for room.
    // Returns the bytes that went out (a full buffer with nobody reading drops
    // the rest, like a console whose listener has gone).
    size_t Write(std::string_view bytes, int waitMs = 1000);

    // What the program wrote: waits up to waitMs for the first byte, then
    // takes what is there without waiting further.
    std::string Read(int waitMs);
    // Collects up to `count` bytes, waiting at most waitMs in all.
    std::string ReadCount(size_t count, int waitMs);

    // Bytes the program has written that wait to be read here.
    size_t Waiting() const;

    // The slave's line settings as the program left them (read through the
    // master, which Linux allows). False when closed.
    bool SlaveSettings(termios& out) const;

    // Pulls the cable: closes the master. OSTRIMA_COM<n> stays set, so the
    // program's next open of the port fails as a missing device.
    void Hangup();
    // Hangup, and OSTRIMA_COM<n> is unset.
    void Close();

private:
    mutable std::mutex lock_;      // the feeder thread and the test may share an instrument
    int master_ = -1;
    int comPort_ = 0;
    std::string slavePath_;
    std::string error_;
};

// A console line: "$PBAR," and each reading as "%4d", then CR LF.
std::string ConsoleLine(int first);                 // one-sensor console: "$PBAR,  75\r\n"
std::string ConsoleLine(int first, int second);     // two-sensor console: "$PBAR,  75,  62\r\n"

// Feeds lines to instruments on a thread of its own: every period, one line
// from each source, in the order they were added.
class InstrumentFeeder {
public:
    using LineSource = std::function<std::string()>;

    InstrumentFeeder() = default;
    ~InstrumentFeeder();
    InstrumentFeeder(const InstrumentFeeder&) = delete;
    InstrumentFeeder& operator=(const InstrumentFeeder&) = delete;

    void Add(PtyInstrument* port, LineSource source);   // before Start
    // Starts feeding at `linesPerSecond` (> 0). False when already running or the rate is not positive.
    bool Start(double linesPerSecond);
    void Stop();
    uint64_t LinesWritten() const { return linesWritten_.load(); }

private:
    void Run(double periodSeconds);

    struct Entry {
        PtyInstrument* Port;
        LineSource Source;
    };
    std::vector<Entry> entries_;
    std::thread thread_;
    std::mutex stopLock_;
    std::condition_variable stopSignal_;
    bool stop_ = false;
    std::atomic<uint64_t> linesWritten_{0};
};

}  // namespace instruments
