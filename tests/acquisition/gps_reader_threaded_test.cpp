// The GPS road through a pseudo-terminal: a receiver's bytes, the GPS reader
// thread framing and testing them, the synchronous hand-over to the window
// thread, the records the reader writes while logging, and the watchdog
// driven by the test clock.
#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "acquisition/acquisition_test.h"
#include "acquisition/gps_fix.h"
#include "acquisition/gps_formats.h"
#include "acquisition/gps_reader.h"
#include "acquisition/serial_setup.h"
#include "platform/serial_port.h"
#include "platform/sound.h"
#include "platform/tick.h"
#include "support/pty_instrument.h"

namespace {

using instruments::NmeaLine;
using instruments::PtyInstrument;

constexpr int kGpsCom = 44;  // never a real device

std::atomic<int> g_sentences{0};
std::atomic<int> g_breaks{0};
std::atomic<bool> g_atWrite{false};
std::atomic<bool> g_released{false};

// Holds the reader where it is about to write until the test releases it.
void HoldReaderBeforeItsWrite() {
    g_atWrite = true;
    g_released.wait(false);
}

void ReleaseReader() {
    g_released = true;
    g_released.notify_all();
}

// The hold for one test, let go however the test ends.
struct ReaderHold {
    ReaderHold() {
        g_atWrite = false;
        g_released = false;
        gps_test::SetBeforeReaderWrite(HoldReaderBeforeItsWrite);
    }
    ~ReaderHold() {
        gps_test::SetBeforeReaderWrite(nullptr);
        ReleaseReader();
    }
};

// Stands in for the logging screen: routes the GPS hand-over and the
// watchdog's break to their handlers and counts them.
plat::LResult TestLogScreenProc(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l) {
    static const plat::MessageHandler table[] = {
        {kMsgGpsSentence, OnGpsSentence},
        {kMsgGpsConnectionBreak, OnGpsConnectionBreak},
    };
    if (message == kMsgGpsSentence) ++g_sentences;
    if (message == kMsgGpsConnectionBreak) ++g_breaks;
    return plat::DispatchFromTable(table, hwnd, message, w, l);
}

int CountRings() {
    int n = 0;
    for (const auto& s : plat::test::RecordedSounds()) n += s.Name == "SOUND_RING" ? 1 : 0;
    return n;
}

class GpsReaderThreaded : public AcquisitionTest {
protected:
    void SetUp() override {
        AcquisitionTest::SetUp();
        StartLogScreen(TestLogScreenProc);
        g_sentences = 0;
        g_breaks = 0;
        GpsPortSetup.Port = kGpsCom - 1;
        GpsPortSetup.DataFormat = 0;
        ASSERT_TRUE(receiver_.Open(kGpsCom)) << receiver_.Error();
    }

    void TearDown() override {
        StopReader();
        receiver_.Close();
        EXPECT_EQ(plat::test::OpenSerialPortCount(), 0) << "no port is left open";
        AcquisitionTest::TearDown();
    }

    // As the start of logging does: the format, the port (unless told not
    // to), the run flag, the thread; returns once the reader runs.
    void StartReader(bool openPort = true) {
        SetupGpsSentenceFields();
        if (openPort) {
            ASSERT_EQ(OpenGpsPort(1), 1);
            ReaderThreads.GpsReaderState = 1;
        }
        ReaderThreads.GpsReaderRun = 1;
        thread_ = plat::StartThread(GpsReaderThread, nullptr);
        ASSERT_NE(thread_, 0);
        if (openPort) {
            ASSERT_TRUE(RunUntil([] { return ReaderThreads.GpsReaderState == 2; }));
        }
    }

    // As leaving the logging screen does: the run flag cleared, whatever
    // port is open closed, the reader joined while hand-overs are served.
    void StopReader() {
        ReaderThreads.GpsReaderRun = 0;
        const plat::SerialHandle h = SerialPorts.GpsPortHandle.exchange(plat::kInvalidSerial);
        if (h != plat::kInvalidSerial) plat::CloseSerialPort(h);
        if (thread_ != 0) {
            EXPECT_TRUE(plat::JoinThreadServing(thread_));
        }
        thread_ = 0;
    }

    PtyInstrument receiver_;
    plat::ThreadHandle thread_ = 0;
};

TEST_F(GpsReaderThreaded, GgaGsaStreamWhileLogging) {
    LogScreenState.LoggingState = 1;
    plat::test::FreezeTick(5000000);
    StartReader();
    const std::string gga = NmeaLine("$GNGGA,123519.00,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
    const std::string gsa = NmeaLine("$GNGSA,A,3,04,05,09,12,24,25,29,31,,,,,1.5,1.2,1.3,1");
    const std::string rmc = NmeaLine("$GNRMC,123519.00,A,4807.038,N,01131.000,E,0.0,0.0,150624,,,A");
    const std::string badSum = "$GPGGA,123520,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*00\r\n";
    receiver_.Write(gga + gsa + rmc + badSum + "noise\r\n" + gga);
    const auto strip = [](const std::string& line) { return line.substr(0, line.size() - 2); };
    const std::string expected = Group(strip(gga), '@', '#', 5000000) + Group(strip(gsa), '@', '#', 5000000) +
                                 Record("X" + rmc.substr(0, 25)) + Group(strip(badSum), '?', '"', 5000000) +
                                 Group("noise", '?', '"', 5000000) + Group(strip(gga), '@', '#', 5000000);
    ASSERT_TRUE(RunUntil([&] { return FileBytes().size() >= expected.size(); }));
    EXPECT_EQ(FileBytes(), expected);
    EXPECT_EQ(g_sentences.load(), 3);
    EXPECT_EQ(GpsFix.PositionValid, 1);
    EXPECT_DOUBLE_EQ(GpsFix.Dop, 1.5);
    EXPECT_EQ(GpsSentenceBuffer.GpsLastSentence[0], 0);
}

TEST_F(GpsReaderThreaded, AWalkingReceiverInEveryFormatIsHandedOver) {
    for (int format = 0; format < kGpsFormatCount; ++format) {
        SCOPED_TRACE(format);
        GpsPortSetup.DataFormat = format;
        GpsFix.PositionValid = 0;
        g_sentences = 0;
        StartReader();
        instruments::GpsWalkOptions o;
        o.Format = format;
        o.Talker = format == 1 ? "GN" : "GP";
        instruments::WalkingGps walk(o);
        for (int epoch = 0; epoch < 5; ++epoch) receiver_.Write(walk.NextEpoch(0.5));
        const int perEpoch = format == 0 ? 2 : 1;
        ASSERT_TRUE(RunUntil([&] { return g_sentences == 5 * perEpoch; }));
        EXPECT_EQ(GpsFix.FixValid, 1);
        EXPECT_EQ(GpsFix.PositionValid, 1);
        StopReader();
    }
}

// The clock starts just below its wrap: the watchdog must fire on time across it.
TEST_F(GpsReaderThreaded, SilenceBeyond3000MsIsOneBreakThenTheReopenedPortReads) {
    LogScreenState.LoggingState = 1;
    plat::test::FreezeTick(0xFFFFFFFFu - 1000);
    StartReader();
    const plat::SerialHandle before = SerialPorts.GpsPortHandle.load();
    plat::test::AdvanceTick(3000);  // the tick has wrapped to 1999
    plat::test::RunEventsFor(60);
    EXPECT_EQ(g_breaks.load(), 0) << "3000 ms are not yet a break";
    plat::test::AdvanceTick(1);
    ASSERT_TRUE(RunUntil([] { return g_breaks == 1 && GpsSentenceBuffer.GpsConnectionBroken == 0; }));
    plat::test::RunEventsFor(60);
    EXPECT_EQ(g_breaks.load(), 1) << "the frozen clock has not moved since";
    EXPECT_EQ(CountRings(), 1);
    EXPECT_EQ(FileBytes(), BreakEvent(2000));
    const plat::SerialHandle after = SerialPorts.GpsPortHandle.load();
    EXPECT_NE(after, plat::kInvalidSerial);
    EXPECT_NE(after, before);

    const std::string gga = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,";
    const std::string group = Group(Nmea(gga), '@', '#', 2000);
    receiver_.Write(NmeaLine(gga));
    ASSERT_TRUE(RunUntil([&] { return FileBytes().size() == 27 + group.size(); })) << "the reopened port reads again";
    EXPECT_EQ(g_sentences.load(), 1);
    // The handler wrote the group inside the hand-over; the reader takes its
    // watchdog tick once back. A sentence it writes itself shows it is back
    // before the clock moves on.
    const std::string gsv = "$GPGSV,1,1,00";
    const std::string other = "X" + (Nmea(gsv) + std::string(25, ' ')).substr(0, 25) + "\n";
    receiver_.Write(NmeaLine(gsv));
    ASSERT_TRUE(RunUntil([&] { return FileBytes().size() == 27 + group.size() + other.size(); }));

    // Silence again: the next break comes 3000 ms after the last accepted sentence.
    plat::test::AdvanceTick(3001);
    ASSERT_TRUE(RunUntil([] { return g_breaks == 2; }));
    EXPECT_EQ(CountRings(), 2);
    EXPECT_EQ(FileBytes(), BreakEvent(2000) + group + other + BreakEvent(5001));
}

TEST_F(GpsReaderThreaded, OnlyAcceptedSentencesKeepTheWatchdogQuiet) {
    LogScreenState.LoggingState = -1;  // Stand By: rings and reopens, writes nothing
    plat::test::FreezeTick(10000);
    StartReader();
    plat::test::AdvanceTick(2000);
    receiver_.Write(NmeaLine("$GPRMC,123519,A,4807.038,N,01131.000,E,0.0,0.0,150624,,,A"));
    ASSERT_TRUE(RunUntil([] { return GpsSentenceBuffer.GpsLineReady == 1; }));
    plat::test::AdvanceTick(2000);
    receiver_.Write("$GPGGA,1*00\r\n");  // rejected: the watchdog goes on counting from the RMC
    ASSERT_TRUE(RunUntil([] { return GpsSentenceBuffer.GpsLineReady == 0; }));
    plat::test::RunEventsFor(40);
    EXPECT_EQ(g_breaks.load(), 0);
    plat::test::AdvanceTick(1001);
    ASSERT_TRUE(RunUntil([] { return g_breaks == 1; }));
    EXPECT_EQ(FileBytes(), "");
}

TEST_F(GpsReaderThreaded, AReaderWithoutAPortOpensItAtTheFirstBreak) {
    plat::test::FreezeTick(1);
    StartReader(false);  // the GPS-only input modes start the reader on a closed port
    plat::test::RunEventsFor(100);
    EXPECT_EQ(g_sentences.load(), 0);
    plat::test::AdvanceTick(3001);
    ASSERT_TRUE(RunUntil([] { return g_breaks == 1 && GpsSentenceBuffer.GpsConnectionBroken == 0; }));
    ASSERT_NE(SerialPorts.GpsPortHandle.load(), plat::kInvalidSerial);
    receiver_.Write(NmeaLine("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"));
    ASSERT_TRUE(RunUntil([] { return g_sentences == 1; }));
}

TEST_F(GpsReaderThreaded, LeavingWhileTheReaderWaitsInItsHandOver) {
    LogScreenState.LoggingState = 1;
    StartReader();
    plat::test::FreezeTick(42);
    const std::string gga = NmeaLine("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
    receiver_.Write(gga);
    // The window thread serves nothing until it joins: the reader waits in its send.
    for (int ms = 0; ms < 5000 && plat::test::PendingSendCount() == 0; ++ms) plat::SleepMilliseconds(1);
    ASSERT_EQ(plat::test::PendingSendCount(), 1);
    StopReader();
    EXPECT_EQ(g_sentences.load(), 1);
    EXPECT_EQ(ReaderThreads.GpsReaderState.load(), 1);
    EXPECT_EQ(FileBytes(), Group(gga.substr(0, gga.size() - 2), '@', '#', 42))
        << "the group of the handed-over sentence is still written";
}

TEST_F(GpsReaderThreaded, APulledCableIsABreakAndTheReaderKeepsTrying) {
    LogScreenState.LoggingState = 1;
    plat::test::FreezeTick(50000);
    StartReader();
    receiver_.Hangup();  // the device is gone: reads fail, a reopen finds nothing
    plat::test::AdvanceTick(3001);
    ASSERT_TRUE(RunUntil([] { return g_breaks == 1 && GpsSentenceBuffer.GpsConnectionBroken == 0; }));
    EXPECT_EQ(SerialPorts.GpsPortHandle.load(), plat::kInvalidSerial);
    plat::test::AdvanceTick(3001);
    ASSERT_TRUE(RunUntil([] { return g_breaks == 2 && GpsSentenceBuffer.GpsConnectionBroken == 0; }));
    EXPECT_EQ(FileBytes().size(), 2u * 27u);
    EXPECT_FALSE(plat::ThreadFinished(thread_));
}

// A Pause on the window thread while the reader holds something it received
// but has not yet written: it lands before "PAUSED" or not at all. Held past
// the watchdog's time, as by a stalled disk, the write is no silence.
TEST_F(GpsReaderThreaded, WhatTheReaderHoldsAcrossAPauseNeverLandsAfterPaused) {
    struct Case {
        const char* Name;
        std::string Wire;  // empty: silence, the watchdog's break event
    };
    const Case cases[] = {
        {"rejected line", "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*00\r\n"},
        {"other sentence", NmeaLine("$GPRMC,123519,A,4807.038,N,01131.000,E,0.0,0.0,150624,,,A")},
        {"break event", ""},
    };
    const std::string gga = NmeaLine("$GPGGA,123520,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
    const std::string paused = Record("XPAUSED             700000");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        ASSERT_TRUE(plat::TruncateFile(DataFileState.DataFileHandle, 0));
        DataFileState.WrittenSize = 0;  // the test empties the file, not another program
        g_sentences = 0;
        g_breaks = 0;
        LogScreenState.LoggingState = 1;
        plat::test::FreezeTick(700000);
        const ReaderHold hold;
        StartReader();
        if (c.Wire.empty()) {
            plat::test::AdvanceTick(3001);
        } else {
            receiver_.Write(c.Wire);
        }
        ASSERT_TRUE(RunUntil([] { return g_atWrite.load(); }));
        plat::test::FreezeTick(700000);
        LogScreenState.LoggingState = -1;  // as Pause does: Stand By, then the event
        ASSERT_EQ(WriteEventRecord(u"PAUSED", 'X'), 1);
        plat::test::FreezeTick(700000 + 3001);  // the held write as a stalled disk: no silence of the receiver
        ReleaseReader();
        // The reader is past its write once it hands over the next fix (or
        // once its break is signalled).
        if (c.Wire.empty()) {
            ASSERT_TRUE(RunUntil([] { return g_breaks == 1 && GpsSentenceBuffer.GpsConnectionBroken == 0; }));
        } else {
            EXPECT_FALSE(RunUntil([] { return g_breaks > 0; }, 100)) << "the watchdog counted the held write";
            receiver_.Write(gga);
            ASSERT_TRUE(RunUntil([] { return g_sentences == 1; }));
        }
        StopReader();
        EXPECT_EQ(FileBytes(), paused);
    }
}

}  // namespace
