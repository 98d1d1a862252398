// Serial ports through pseudo-terminals: COMn mapping, exclusive opens and why
// they fail, one-byte reads with their timeout, purge, bounded writes, line
// settings, and closing a port while another thread waits on it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <dirent.h>
#include <string>
#include <termios.h>
#include <thread>
#include <vector>

#include "platform/serial_port.h"
#include "support/pty_instrument.h"
#include "support/test_env.h"

namespace {

using instruments::ConsoleLine;
using instruments::PtyInstrument;
using plat::SerialOpenError;

// High COM numbers, so that no test can fall through to a real /dev/ttyS device.
constexpr int kPortA = 40;
constexpr int kPortB = 41;
constexpr int kPortUnmapped = 45;

int OpenDescriptorCount() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
        while (readdir(d) != nullptr) ++n;
        closedir(d);
    }
    return n;
}

// Reads until `count` bytes came or `waitMs` passed; every call must return 0 or 1.
std::string ReadBytes(plat::SerialHandle h, size_t count, int waitMs = 2000) {
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (got.size() < count && std::chrono::steady_clock::now() < deadline) {
        uint8_t b = 0;
        const int r = plat::ReadSerialByte(h, &b);
        EXPECT_TRUE(r == 0 || r == 1) << "read returned " << r;
        if (r < 0) break;
        if (r == 1) got.push_back(static_cast<char>(b));
    }
    return got;
}

class SerialPortTest : public OstrimaTest {
protected:
    void SetUp() override {
        OstrimaTest::SetUp();
        unsetenv("OSTRIMA_COM45");
    }
    void TearDown() override {
        EXPECT_EQ(plat::test::OpenSerialPortCount(), 0) << "a test left a port open";
        unsetenv("OSTRIMA_COM45");
        OstrimaTest::TearDown();
    }

    plat::SerialHandle OpenConsolePort(int port) {
        const plat::SerialOpenResult r = plat::OpenSerialPort(port, plat::ConsoleLineSettings());
        EXPECT_EQ(r.Error, SerialOpenError::None);
        EXPECT_NE(r.Handle, plat::kInvalidSerial);
        return r.Handle;
    }
};

TEST_F(SerialPortTest, DevicePathFollowsTheEnvironmentThenTtyS) {
    const struct {
        int port;
        const char* variable;  // OSTRIMA_COM45; nullptr: unset
        size_t capacity;
        bool fits;
        const char* path;
    } cases[] = {
        {kPortUnmapped, nullptr, 128, true, "/dev/ttyS44"},
        {kPortUnmapped, "", 128, true, "/dev/ttyS44"},  // empty counts as unset
        {kPortUnmapped, "/dev/pts/77", 128, true, "/dev/pts/77"},
        {kPortUnmapped, "/dev/pts/77", 6, false, ""},
        {0, nullptr, 128, true, ""},
        {49, nullptr, 128, true, ""},
    };
    for (const auto& c : cases) {
        if (c.variable != nullptr) setenv("OSTRIMA_COM45", c.variable, 1);
        else unsetenv("OSTRIMA_COM45");
        char path[128] = "junk";
        EXPECT_EQ(plat::SerialDevicePath(c.port, path, c.capacity), c.fits) << c.port << " " << c.capacity;
        EXPECT_STREQ(path, c.path);
    }
}

TEST_F(SerialPortTest, BytesGoBothWaysUntouchedAndSilenceTimesOut) {
    PtyInstrument console;
    ASSERT_TRUE(console.Open(kPortA)) << console.Error();
    const plat::SerialHandle h = OpenConsolePort(kPortA);

    uint8_t b = 0xEE;
    EXPECT_EQ(plat::ReadSerialByte(h, &b), 0);      // nothing sent yet
    EXPECT_EQ(b, 0xEE);

    const std::string line = ConsoleLine(75, 62);
    ASSERT_EQ(console.Write(line), line.size());
    EXPECT_EQ(ReadBytes(h, line.size()), line);
    EXPECT_EQ(plat::ReadSerialByte(h, &b), 0);      // and nothing more

    // Every byte value passes untouched: no CR/LF translation, no XON/XOFF, no signals.
    std::string all;
    for (int v = 0; v < 256; ++v) all.push_back(static_cast<char>(v));
    ASSERT_EQ(console.Write(all), all.size());
    EXPECT_EQ(ReadBytes(h, all.size()), all);

    const std::string command = "$PASHS,NME,SAT,A,ON\r\n";
    EXPECT_EQ(plat::WriteSerialPort(h, command.data(), static_cast<int>(command.size())),
              static_cast<int>(command.size()));
    EXPECT_EQ(console.ReadCount(command.size(), 2000), command);

    // A purge drops what waits, also bytes already taken off the device.
    ASSERT_EQ(console.Write(line), line.size());
    ASSERT_EQ(ReadBytes(h, 1), "$");                // the whole write has arrived now
    EXPECT_TRUE(plat::PurgeSerialPort(h));
    ASSERT_EQ(console.Write("Z"), 1u);
    EXPECT_EQ(ReadBytes(h, 1), "Z");
    EXPECT_TRUE(plat::CloseSerialPort(h));
    EXPECT_FALSE(plat::PurgeSerialPort(h));
}

// Why an open fails, and that a failure leaves nothing open.
TEST_F(SerialPortTest, FailedOpensSayWhyAndLeaveNothingOpen) {
    PtyInstrument held;
    ASSERT_TRUE(held.Open(kPortA)) << held.Error();
    const plat::SerialHandle first = OpenConsolePort(kPortA);
    WriteWholeFile(root_ + "/plain-file", "not a port");

    struct Row {
        const char* what;
        int port;
        std::string device;        // what OSTRIMA_COM45 names; "" leaves `port` as it is
        SerialOpenError expected;
    };
    const Row rows[] = {
        {"second open of a port in use", kPortA, "", SerialOpenError::Busy},
        {"device that does not exist", kPortUnmapped, root_ + "/no-such-device", SerialOpenError::Missing},
        {"a file that is no terminal", kPortUnmapped, root_ + "/plain-file", SerialOpenError::SettingsRefused},
        {"port number 0", 0, "", SerialOpenError::Missing},
        {"port number 49", 49, "", SerialOpenError::Missing},
    };
    const int descriptors = OpenDescriptorCount();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        if (!row.device.empty()) setenv("OSTRIMA_COM45", row.device.c_str(), 1);
        const plat::SerialOpenResult r = plat::OpenSerialPort(row.port, plat::ConsoleLineSettings());
        EXPECT_EQ(r.Error, row.expected);
        EXPECT_EQ(r.Handle, plat::kInvalidSerial);
        EXPECT_EQ(plat::test::OpenSerialPortCount(), 1);
        EXPECT_EQ(OpenDescriptorCount(), descriptors);
    }

    // The port that was open is unharmed, and once closed it opens again.
    ASSERT_EQ(held.Write("A"), 1u);
    EXPECT_EQ(ReadBytes(first, 1), "A");
    EXPECT_TRUE(plat::CloseSerialPort(first));
    const plat::SerialHandle again = OpenConsolePort(kPortA);
    EXPECT_TRUE(plat::CloseSerialPort(again));
}

// A closed handle stays dead even when its place in the table is taken by a
// new port: a reader holding the old value can never read someone else's bytes.
TEST_F(SerialPortTest, ClosedHandleStaysInvalidAfterItsSlotIsReused) {
    PtyInstrument a, b;
    ASSERT_TRUE(a.Open(kPortA)) << a.Error();
    ASSERT_TRUE(b.Open(kPortB)) << b.Error();
    const plat::SerialHandle old = OpenConsolePort(kPortA);
    EXPECT_TRUE(plat::CloseSerialPort(old));
    EXPECT_FALSE(plat::CloseSerialPort(old));

    plat::SerialHandle h = plat::kInvalidSerial;
    for (int k = 0; k < 70; ++k) {               // enough opens to come round to the old slot
        if (h != plat::kInvalidSerial) {
            ASSERT_TRUE(plat::CloseSerialPort(h));
        }
        h = OpenConsolePort(kPortB);
        ASSERT_NE(h, old);
    }
    ASSERT_EQ(b.Write("B"), 1u);
    uint8_t byte = 0;
    EXPECT_EQ(plat::ReadSerialByte(old, &byte), -1) << "the old handle never reads the new port's bytes";
    EXPECT_EQ(plat::WriteSerialPort(old, "x", 1), -1);
    EXPECT_EQ(ReadBytes(h, 1), "B");
    EXPECT_TRUE(plat::CloseSerialPort(h));

    // A broken port must not make a polling reader spin: every failed read
    // takes its full timeout. (A lower bound only; nothing can be too slow.)
    const auto start = std::chrono::steady_clock::now();
    for (const plat::SerialHandle dead : {old, h, 0, plat::kInvalidSerial, 1}) {  // 5 x 10 ms
        EXPECT_EQ(plat::ReadSerialByte(dead, &byte), -1);
    }
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
}

// Line settings as the slave keeps them. Linux pseudo-terminals keep the
// speed, CSTOPB, PARODD and the XON/XOFF flags, but always report CS8 and no
// PARENB whatever was asked; those two are checked against what a pty does.
TEST_F(SerialPortTest, LineSettingsReachTheDevice) {
    struct Row {
        const char* what;
        plat::SerialLineSettings settings;
        speed_t speed;
        bool sevenBits, parity, odd, twoStops, xonXoff;
    };
    const Row rows[] = {
        {"console", plat::ConsoleLineSettings(), B9600, false, false, false, false, false},
        {"GPS defaults", plat::GpsLineSettings(1, 1, 0, 0), B9600, false, false, false, false, true},
        {"GPS 4800 7E2", plat::GpsLineSettings(0, 0, 1, 1), B4800, true, true, false, true, true},
        {"GPS 115200 8O1", plat::GpsLineSettings(5, 1, 2, 0), B115200, false, true, true, false, true},
        {"GPS 19200", plat::GpsLineSettings(2, 1, 0, 0), B19200, false, false, false, false, true},
        {"GPS 38400", plat::GpsLineSettings(3, 1, 0, 0), B38400, false, false, false, false, true},
        {"GPS 57600", plat::GpsLineSettings(4, 1, 0, 0), B57600, false, false, false, false, true},
    };
    PtyInstrument port;
    ASSERT_TRUE(port.Open(kPortA)) << port.Error();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const plat::SerialOpenResult r = plat::OpenSerialPort(kPortA, row.settings);
        ASSERT_EQ(r.Error, SerialOpenError::None);
        termios t{};
        ASSERT_TRUE(port.SlaveSettings(t));
        EXPECT_EQ(cfgetospeed(&t), row.speed);
        EXPECT_EQ(cfgetispeed(&t), row.speed);
        const tcflag_t size = t.c_cflag & CSIZE;
        EXPECT_TRUE(size == (row.sevenBits ? CS7 : CS8) || size == CS8);
        EXPECT_TRUE(((t.c_cflag & PARENB) != 0) == row.parity || (t.c_cflag & PARENB) == 0);
        EXPECT_EQ((t.c_cflag & PARODD) != 0, row.odd);
        EXPECT_EQ((t.c_cflag & CSTOPB) != 0, row.twoStops);
        EXPECT_EQ((t.c_iflag & IXON) != 0, row.xonXoff);
        EXPECT_EQ((t.c_iflag & IXOFF) != 0, row.xonXoff);
        EXPECT_EQ(t.c_iflag & IXANY, 0u);
        EXPECT_EQ(t.c_cflag & CRTSCTS, 0u);
        EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
        EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);    // raw
        EXPECT_EQ(t.c_oflag & OPOST, 0u);
        EXPECT_EQ(t.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP), 0u);
        EXPECT_TRUE(plat::CloseSerialPort(r.Handle));
    }

    // Indices outside their lists keep what the port had: here the 4800 baud,
    // two stop bits and odd parity of the previous open.
    plat::SerialOpenResult r = plat::OpenSerialPort(kPortA, plat::GpsLineSettings(0, 1, 2, 1));
    ASSERT_EQ(r.Error, SerialOpenError::None);
    EXPECT_TRUE(plat::CloseSerialPort(r.Handle));
    r = plat::OpenSerialPort(kPortA, plat::GpsLineSettings(6, 2, 3, -1));
    ASSERT_EQ(r.Error, SerialOpenError::None);
    termios t{};
    ASSERT_TRUE(port.SlaveSettings(t));
    EXPECT_EQ(cfgetospeed(&t), B4800);
    EXPECT_NE(t.c_cflag & CSTOPB, 0u);
    EXPECT_NE(t.c_cflag & PARODD, 0u);
    EXPECT_NE(t.c_iflag & IXON, 0u);
    EXPECT_TRUE(plat::CloseSerialPort(r.Handle));
}

// ---------------------------------------------------------------------------
// Threads: a reader on its own thread, closes and hang-ups from another.

using SerialThreaded = SerialPortTest;

// A reader on its own thread: counts empty reads and bytes until a read fails.
struct ReaderUntilError {
    explicit ReaderUntilError(plat::SerialHandle h)
        : thread([this, h] {
              uint8_t b = 0;
              for (;;) {
                  const int r = plat::ReadSerialByte(h, &b);
                  if (r < 0) {
                      lastResult = r;
                      return;
                  }
                  if (r == 1) ++received;
                  else ++empty;
              }
          }) {}
    std::atomic<int> empty{0};
    std::atomic<size_t> received{0};
    std::atomic<int> lastResult{0};
    std::thread thread;
};

TEST_F(SerialThreaded, CloseWhileAReaderWaitsEndsTheReaderWithAnError) {
    PtyInstrument console;
    ASSERT_TRUE(console.Open(kPortA)) << console.Error();
    const plat::SerialHandle h = OpenConsolePort(kPortA);
    ReaderUntilError reader(h);
    while (reader.empty.load() < 3) std::this_thread::yield();   // the reader is polling
    EXPECT_TRUE(plat::CloseSerialPort(h));
    reader.thread.join();
    EXPECT_EQ(reader.lastResult.load(), -1);
    EXPECT_FALSE(plat::CloseSerialPort(h));
    // The device was let go: it opens again.
    EXPECT_TRUE(plat::CloseSerialPort(OpenConsolePort(kPortA)));
}

// A reader that waits long on a quiet port (the console readers do) still
// takes the first byte that comes, and a close ends its wait at once.
TEST_F(SerialThreaded, ALongWaitEndsWithTheFirstByteOrAtOnceWithAClose) {
    PtyInstrument console;
    ASSERT_TRUE(console.Open(kPortA)) << console.Error();
    const plat::SerialHandle h = OpenConsolePort(kPortA);
    uint8_t b = 0;
    EXPECT_EQ(plat::ReadSerialByteWithin(h, &b, 0), 0) << "no wait: only what has come";

    std::atomic<int> result{9};
    std::atomic<bool> waiting{false};
    auto waitLong = [&] {
        waiting = true;
        uint8_t got = 0;
        result = plat::ReadSerialByteWithin(h, &got, 60000);
        if (result == 1) b = got;
    };
    std::thread first(waitLong);
    while (!waiting.load()) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));   // past a plain read's 10 ms
    ASSERT_EQ(console.Write("$"), 1u);
    first.join();
    EXPECT_EQ(result.load(), 1);
    EXPECT_EQ(b, '$');

    waiting = false;
    const auto start = std::chrono::steady_clock::now();
    std::thread second(waitLong);
    while (!waiting.load()) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_TRUE(plat::CloseSerialPort(h));
    second.join();
    EXPECT_EQ(result.load(), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30)) << "the close ended the wait";
}

TEST_F(SerialThreaded, PulledCableIsAnErrorAndTheDeviceIsThenMissing) {
    PtyInstrument console;
    ASSERT_TRUE(console.Open(kPortA)) << console.Error();
    const plat::SerialHandle h = OpenConsolePort(kPortA);
    ReaderUntilError reader(h);
    const std::string line = ConsoleLine(75);
    ASSERT_EQ(console.Write(line), line.size());
    while (reader.received.load() < line.size()) std::this_thread::yield();
    console.Hangup();
    reader.thread.join();
    EXPECT_EQ(reader.lastResult.load(), -1);
    uint8_t b = 0;
    EXPECT_EQ(plat::ReadSerialByte(h, &b), -1);     // and stays an error
    EXPECT_TRUE(plat::CloseSerialPort(h));
    EXPECT_EQ(plat::OpenSerialPort(kPortA, plat::ConsoleLineSettings()).Error, SerialOpenError::Missing)
        << "the device went with the cable";
}

TEST_F(SerialThreaded, CloseReleasesAWriterStuckOnAFullBuffer) {
    PtyInstrument gps;                               // never reads: the buffer fills up
    ASSERT_TRUE(gps.Open(kPortA)) << gps.Error();
    const plat::SerialHandle h = OpenConsolePort(kPortA);
    ASSERT_NE(h, plat::kInvalidSerial) << "no writer to wait for";

    const std::vector<char> lots(4 << 20, 'x');
    std::atomic<int> written{-2};
    std::thread writer([&] { written = plat::WriteSerialPort(h, lots.data(), static_cast<int>(lots.size())); });
    while (gps.Waiting() == 0) std::this_thread::yield();   // the writer is under way
    EXPECT_TRUE(plat::CloseSerialPort(h));
    writer.join();
    EXPECT_GE(written.load(), 0);
    EXPECT_LT(written.load(), static_cast<int>(lots.size()));
}

// Lines fed at a rate by the feeder thread arrive whole and in order.
TEST_F(SerialThreaded, FedConsoleLinesArriveInOrder) {
    PtyInstrument console;
    ASSERT_TRUE(console.Open(kPortA)) << console.Error();
    const plat::SerialHandle h = OpenConsolePort(kPortA);

    std::atomic<int> next{0};
    instruments::InstrumentFeeder feeder;
    feeder.Add(&console, [&next] { const int n = next++; return ConsoleLine(n, 1000 - n); });
    ASSERT_TRUE(feeder.Start(500.0));
    std::string expected;
    for (int n = 0; n < 40; ++n) expected += ConsoleLine(n, 1000 - n);
    const std::string got = ReadBytes(h, expected.size(), 5000);
    feeder.Stop();
    EXPECT_EQ(got, expected);
    EXPECT_GE(feeder.LinesWritten(), 40u);
    EXPECT_TRUE(plat::CloseSerialPort(h));
}

}  // namespace
