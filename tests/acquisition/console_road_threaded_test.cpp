// The whole console road through a pseudo-terminal: bytes on the instrument's
// side, the reader thread framing them, the synchronous hand-over to the
// window thread, the handler, and the record in the data file.
#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "acquisition/acquisition_test.h"
#include "acquisition/console_reader.h"
#include "acquisition/console_reading.h"
#include "acquisition/serial_setup.h"
#include "platform/serial_port.h"
#include "platform/tick.h"
#include "support/pty_instrument.h"

namespace {

using instruments::ConsoleLine;

constexpr int kFirstCom = 30;  // consoles i on COM30 + i: never a real device

std::atomic<int> g_handled{0};

// Stands in for the logging screen: routes the nine console messages to
// their handlers and counts them.
plat::LResult TestLogScreenProc(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l) {
    static const plat::MessageHandler table[] = {
        {kMsgConsoleReading + 0, OnConsoleReading1}, {kMsgConsoleReading + 1, OnConsoleReading2},
        {kMsgConsoleReading + 2, OnConsoleReading3}, {kMsgConsoleReading + 3, OnConsoleReading4},
        {kMsgConsoleReading + 4, OnConsoleReading5}, {kMsgConsoleReading + 5, OnConsoleReading6},
        {kMsgConsoleReading + 6, OnConsoleReading7}, {kMsgConsoleReading + 7, OnConsoleReading8},
        {kMsgConsoleReading + 8, OnConsoleReading9},
    };
    if (message >= kMsgConsoleReading && message <= kMsgConsoleReading + 8) ++g_handled;
    return plat::DispatchFromTable(table, hwnd, message, w, l);
}

class ConsoleRoadThreaded : public AcquisitionTest {
protected:
    void SetUp() override {
        AcquisitionTest::SetUp();
        StartLogScreen(TestLogScreenProc);
        g_handled = 0;
    }

    void TearDown() override {
        for (int i = 0; i < kMaxConsoles; ++i) StopReader(i);
        AcquisitionTest::TearDown();
    }

    // Opens console i's port on a fresh instrument and starts its reader as
    // the start of logging would; returns once the reader runs.
    void StartReader(int i, int consoleType) {
        const auto k = static_cast<size_t>(i);
        ASSERT_TRUE(instruments_[i].Open(kFirstCom + i)) << instruments_[i].Error();
        SystemSetup.ConsoleType[k] = consoleType;
        SystemSetup.ConsolePort[k] = kFirstCom + i - 1;
        ASSERT_EQ(OpenConsolePort(i, 1), 1);
        ReaderThreads.ConsoleReaderState[k] = 1;
        threads_[i] = plat::StartThread(ConsoleReaderThread, ConsoleReaderArgument(i));
        ASSERT_NE(threads_[i], 0);
        ASSERT_TRUE(RunUntil([&] { return ReaderThreads.ConsoleReaderState[k] == 2; }));
    }

    // Ends console i's reader as leaving the logging screen does: the port is
    // closed, then marked closed; the window thread keeps serving meanwhile.
    void StopReader(int i) {
        const plat::SerialHandle h = SerialPorts.ConsolePortHandle[static_cast<size_t>(i)].exchange(plat::kInvalidSerial);
        if (h != plat::kInvalidSerial) plat::CloseSerialPort(h);
        if (threads_[i] != 0) {
            EXPECT_TRUE(plat::JoinThreadServing(threads_[i]));
        }
        threads_[i] = 0;
        instruments_[i].Close();
    }

    instruments::PtyInstrument instruments_[kMaxConsoles];
    plat::ThreadHandle threads_[kMaxConsoles] = {};
};

TEST_F(ConsoleRoadThreaded, LineWhileLoggingGivesExactlyOneRecordAndNoneOutsideLogging) {
    plat::test::FreezeTick(12345678);
    StartReader(1, 1);
    ConsoleLines.ConsoleConnBreak[1] = 1;
    ConsoleLines.ConsoleBreakLogged[1] = 1;
    for (int state : {0, -1}) {
        LogScreenState.LoggingState = state;
        instruments_[1].Write(ConsoleLine(75, 62));
        ASSERT_TRUE(RunUntil([&] { return g_handled == (state == 0 ? 1 : 2); }));
    }
    EXPECT_EQ(FileBytes(), "") << "nothing is written in Monitoring or Stand By";
    EXPECT_EQ(ConsoleLines.ConsoleConnBreak[1].load(), 0) << "a line ends a break";
    EXPECT_EQ(ConsoleLines.ConsoleBreakLogged[1].load(), 0);

    LogScreenState.LoggingState = 1;
    instruments_[1].Write("$PBAR,  75,  62\r\n");
    ASSERT_TRUE(RunUntil([&] { return g_handled == 3; }));
    EXPECT_EQ(FileBytes(), std::string("t$P,  75,  62     12345678\n"));
    EXPECT_EQ(ConsoleLines.ConsoleLine[1][0], 0) << "the slot is emptied";
    EXPECT_EQ(ConsoleLines.ConsoleLineTick[1].load(), 12345678u);
    EXPECT_EQ(ConsoleLines.ConsoleMinLineLength[1].load(), 7);
}

TEST_F(ConsoleRoadThreaded, BadBytesAroundGoodLinesAreDropped) {
    LogScreenState.LoggingState = 1;
    StartReader(2, 0);
    instruments_[2].Write(std::string(500, 'Z') + "$PXAR,  1,  2\r\n$PBAR,  3\n" + ConsoleLine(10) + "noise\r\n" +
                          ConsoleLine(-5) + "$PBAR,1\r\n");
    ASSERT_TRUE(RunUntil([&] { return g_handled == 2; }));
    plat::test::RunEventsFor(30);
    EXPECT_EQ(g_handled.load(), 2) << "8 bytes are too short for a one-sensor console";
    const std::string file = FileBytes();
    ASSERT_EQ(file.size(), 54u);
    EXPECT_EQ(file.substr(0, 8), "\xD4$P,  10");
    EXPECT_EQ(file.substr(27, 8), "\xD4$P,  -5");
    EXPECT_EQ(ConsoleLines.ConsoleMinLineLength[2].load(), 9);
}

TEST_F(ConsoleRoadThreaded, SeveralConsolesKeepTheirOwnOrder) {
    LogScreenState.LoggingState = 1;
    constexpr int kLines = 40;
    for (int i = 0; i < 3; ++i) StartReader(i, i == 1 ? 0 : 1);
    for (int n = 0; n < kLines; ++n) {
        for (int i = 0; i < 3; ++i) instruments_[i].Write(i == 1 ? ConsoleLine(n) : ConsoleLine(n, 100 + i));
    }
    ASSERT_TRUE(RunUntil([&] { return g_handled == 3 * kLines; }));
    const std::string file = FileBytes();
    ASSERT_EQ(file.size(), 3u * kLines * 27u);
    const uint8_t tags[] = {0x54, 0x74, 0xD4};
    int next[3] = {0, 0, 0};
    for (size_t r = 0; r < file.size(); r += 27) {
        const std::string record = file.substr(r, 27);
        int console = -1;
        for (int i = 0; i < 3; ++i) console = static_cast<uint8_t>(record[0]) == tags[i] ? i : console;
        ASSERT_GE(console, 0) << r;
        EXPECT_EQ(std::stoi(record.substr(4, 4)), next[console]++) << "console " << console;
    }
    EXPECT_EQ(SurveyProgress.RecordCount, kLines);  // console 1 counts
}

// The reader's life state: 1 (port opened) -> 2 (running) -> 1 (ended), and a
// 0 set by the code that ends logging is never overwritten.
TEST_F(ConsoleRoadThreaded, ReaderEndsOnAClosedPortAndLeavesAZeroStateAlone) {
    StartReader(4, 1);
    StopReader(4);
    EXPECT_EQ(ReaderThreads.ConsoleReaderState[4].load(), 1);

    StartReader(5, 1);
    ReaderThreads.ConsoleReaderState[5] = 0;  // logging ended before the reader noticed
    StopReader(5);
    EXPECT_EQ(ReaderThreads.ConsoleReaderState[5].load(), 0);

    // A reader that starts only after logging has ended never claims to run.
    const plat::ThreadHandle late = plat::StartThread(ConsoleReaderThread, ConsoleReaderArgument(6));
    ASSERT_NE(late, 0);
    EXPECT_TRUE(plat::JoinThreadServing(late));
    EXPECT_EQ(ReaderThreads.ConsoleReaderState[6].load(), 0);

    // A pulled cable is not a closed port: the reader waits (without
    // spinning) until the port is closed.
    StartReader(7, 1);
    instruments_[7].Hangup();
    plat::test::RunEventsFor(50);
    EXPECT_FALSE(plat::ThreadFinished(threads_[7]));
    EXPECT_EQ(ReaderThreads.ConsoleReaderState[7].load(), 2);
    StopReader(7);
    EXPECT_EQ(ReaderThreads.ConsoleReaderState[7].load(), 1);
}

}  // namespace
