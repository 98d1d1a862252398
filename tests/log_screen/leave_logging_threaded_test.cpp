// Leaving the logging screen while readers are running on pseudo-terminals:
// a reader blocked in its hand-over is served while it is joined, every port
// is closed, and a new start on the same ports works at once.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "log_screen/log_screen_fixture.h"
#include "platform/serial_port.h"
#include "shell/start_logging.h"
#include "support/pty_instrument.h"

namespace {

using instruments::ConsoleLine;
using instruments::PtyInstrument;

constexpr int kFirstCom = 37;  // consoles on COM37, COM38; the GPS on COM39

class LeaveLoggingThreaded : public LogScreenTest {
protected:
    void SetUp() override {
        LogScreenTest::SetUp();
        SystemSetup.ConsoleCount = 2;
        SystemSetup.ConsoleType[0] = 1;
        SystemSetup.ConsoleType[1] = 0;
        SystemSetup.ConsolePort[0] = kFirstCom - 1;
        SystemSetup.ConsolePort[1] = kFirstCom;
        for (int i = 0; i < 2; ++i) ASSERT_TRUE(consoles_[i].Open(kFirstCom + i)) << consoles_[i].Error();
    }
    void TearDown() override {
        LogScreenTest::TearDown();
        EXPECT_EQ(plat::test::OpenSerialPortCount(), 0) << "a port was left open";
    }

    template <typename Done>
    static bool RunUntil(Done done, uint32_t ms = 5000) {
        return plat::test::RunEventsUntil([](void* d) { return (*static_cast<Done*>(d))(); }, &done, ms);
    }
    // Waits on this (the window) thread without serving anything.
    template <typename Done>
    static bool WaitWithoutServing(Done done) {
        for (int i = 0; i < 500 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return done();
    }
    void Start() {
        ASSERT_EQ(::StartLogging(), 1);
        ASSERT_TRUE(WaitWithoutServing([] {
            return ReaderThreads.ConsoleReaderState[0].load() == 2 && ReaderThreads.ConsoleReaderState[1].load() == 2;
        })) << "the readers run";
    }
    // Console 1 sends a line and its reader waits in the hand-over.
    void BlockReaderInItsHandOver() {
        consoles_[0].Write(ConsoleLine(75, 62));
        ASSERT_TRUE(WaitWithoutServing([] { return plat::test::PendingSendCount() >= 1; }));
    }
    static std::string NmeaWithChecksum(const std::string& body) {
        unsigned sum = 0;
        for (char c : body) sum ^= static_cast<unsigned char>(c);
        char tail[8];
        std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
        return "$" + body + tail;
    }

    PtyInstrument consoles_[2];
};

TEST_F(LeaveLoggingThreaded, MonitoringExitServesABlockedReaderThenStartsAgainAtOnce) {
    Start();
    BlockReaderInItsHandOver();
    Key('X');  // no question in Monitoring
    EXPECT_EQ(ScreenWindows.ScreenMode, 0);
    EXPECT_EQ(plat::test::PendingSendCount(), 0);
    EXPECT_EQ(ConsoleLines.ConsoleLine[0][0], 0) << "the waiting line was handled";
    EXPECT_EQ(plat::test::OpenSerialPortCount(), 0);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(ReaderThreads.ConsoleThreadHandle[i], 0);
        EXPECT_EQ(ReaderThreads.ConsoleReaderState[i].load(), 0);
    }

    // The same ports at once, and a survey through them.
    Start();
    CreateNewFile();
    Key('G');
    const size_t before = FileBytes().size();
    consoles_[1].Write(ConsoleLine(80));
    ASSERT_TRUE(RunUntil([&] { return FileBytes().size() == before + 27; }));
    EXPECT_EQ(FileBytes().substr(before + 1, 13), "$P,  80      ");
    Key(plat::kKeySpace);
    AnswerBox(plat::kIdYes);
    Key('X');
    EXPECT_EQ(ScreenWindows.ScreenMode, 0);
    EXPECT_EQ(plat::test::OpenSerialPortCount(), 0);
}

TEST_F(LeaveLoggingThreaded, StandByExitWithYesWhileBothReadersWait) {
    Start();
    CreateNewFile();
    BlockReaderInItsHandOver();
    consoles_[1].Write(ConsoleLine(81));
    ASSERT_TRUE(WaitWithoutServing([] { return plat::test::PendingSendCount() >= 2; }));
    const std::string before = FileBytes();
    AnswerBox(plat::kIdYes);
    Key('X');
    EXPECT_EQ(ScreenWindows.ScreenMode, 0);
    EXPECT_EQ(FileBytes(), before) << "lines handled while leaving Stand By write nothing";
    EXPECT_EQ(plat::test::PendingSendCount(), 0);
}

TEST_F(LeaveLoggingThreaded, GpsReaderWaitingInItsHandOverIsStoppedToo) {
    PtyInstrument gps;
    ASSERT_TRUE(gps.Open(kFirstCom + 2)) << gps.Error();
    GpsPortSetup.InputMode = 1;
    GpsPortSetup.DataFormat = 1;  // GGA
    GpsPortSetup.Port = kFirstCom + 1;
    Start();
    ASSERT_TRUE(WaitWithoutServing([] { return ReaderThreads.GpsReaderState.load() == 2; }));
    gps.Write(NmeaWithChecksum("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"));
    ASSERT_TRUE(WaitWithoutServing([] { return plat::test::PendingSendCount() >= 1; }));
    Key('X');
    EXPECT_EQ(ScreenWindows.ScreenMode, 0);
    EXPECT_EQ(ReaderThreads.GpsThreadHandle, 0);
    EXPECT_EQ(SerialPorts.GpsPortHandle.load(), plat::kInvalidSerial);
    EXPECT_EQ(plat::test::OpenSerialPortCount(), 0);
    gps.Close();
}

}  // namespace
