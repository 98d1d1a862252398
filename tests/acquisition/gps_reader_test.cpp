// The GPS reader's steps without its thread: framing byte by byte, the
// checksum test, what each line becomes (hand-over, records), and the
// watchdog's handling of a break.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "acquisition/acquisition_test.h"
#include "acquisition/gps_fix.h"
#include "acquisition/gps_formats.h"
#include "acquisition/gps_reader.h"
#include "platform/serial_port.h"
#include "platform/sound.h"
#include "platform/tick.h"
#include "support/pty_instrument.h"

namespace {

// Feeds bytes with a tick each; returns the closed lines with their ticks.
struct Closed {
    std::string Line;
    uint32_t Tick;
};
std::vector<Closed> Feed(GpsFrameState& frame, const std::string& bytes, uint32_t firstTick) {
    std::vector<Closed> out;
    uint32_t tick = firstTick;
    for (const char c : bytes) {
        if (GpsFrameByte(frame, static_cast<uint8_t>(c), tick++)) out.push_back({frame.Line.data(), frame.Tick});
    }
    return out;
}

TEST(GpsFraming, LinesAndTheirTicks) {
    const std::string a199(199, 'A');
    const struct {
        std::string bytes;
        std::vector<std::string> lines;
    } cases[] = {
        {"$GPGGA,1*70\r\n", {"$GPGGA,1*70"}},
        {"$GPGGA,1*70\n", {"$GPGGA,1*70"}},                    // a bare LF loses nothing
        {"$GPGGA,1*70\r\r\n", {"$GPGGA,1*70\r"}},              // only one CR is a line end
        {"\n\n$A\r\n\n", {"$A"}},                               // LFs with nothing before them close nothing
        {"\r\n", {""}},                                         // an empty line is a line (rejected later)
        {"junk$GPGGA,1$GPRMC,2\r\n", {"$GPRMC,2"}},             // "$" starts afresh
        {"noise\r\n$A\r\n", {"noise", "$A"}},
        {"$" + a199 + "\r\n", {"$" + a199}},                     // 201 bytes before the LF are kept whole
        {"$" + a199 + "ABCD\r\n", {"BCD"}},                      // one more starts again, without "$"
    };
    for (const auto& c : cases) {
        GpsFrameState frame;
        ResetGpsFrame(frame);
        std::vector<std::string> got;
        for (const Closed& l : Feed(frame, c.bytes, 100)) got.push_back(l.Line);
        EXPECT_EQ(got, c.lines) << c.bytes;
    }
    // Thousands of bytes without a line end never write beyond the frame.
    GpsFrameState frame;
    ResetGpsFrame(frame);
    auto lines = Feed(frame, std::string(5000, 'Z') + "\n", 1);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_LE(lines[0].Line.size(), 201u);

    // The tick of the "$" (1000 here, one more per byte), or for a line
    // without one the tick of its LF; across the wrap as well.
    lines = Feed(frame, "$GPGGA,1\r\nnoise\n", 1000);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].Tick, 1000u);
    EXPECT_EQ(lines[1].Tick, 1015u);
    lines = Feed(frame, "$X\r\n", 0xFFFFFFFFu);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].Tick, 0xFFFFFFFFu);
}

TEST(GpsChecksum, Table) {
    const std::string body = "$GPGGA,173524,4336.5940,N,07936.6403,W,8,11,2.0,142.5,M,-35.4,M,,";
    struct Case {
        std::string sentence;
        bool ok;
    } cases[] = {
        {body + "*70", true},
        {"$GPGSA,A,3,01,07,08,11,13,17,27,28,30,,,,3.6,2.0,3.0*30", true},
        {"$GPGLL,4336.5973,N,07936.6482,W,152346,V,S*5e", true},   // lower-case hex
        {"$GPGLL,4336.5973,N,07936.6482,W,152346,V,S*5E", true},
        {body + "*71", false},
        {body, false},                      // no checksum
        {body + "*", false},                // a star without digits (the sum is not 0 anyway)
        {"$*", false},                      // empty body, no digits: no "00" by default
        {"$*00", true},
        {body + "*7", false},               // one digit: 7, not 0x70
        // read as a base-16 conversion reads it: blanks and a sign before,
        // anything after the digits ends the number
        {body + "*070", true},
        {body + "*70\r", true},             // a CR CR LF line end keeps one CR
        {body + "*70 ", true},
        {body + "* 70", true},
        {body + "*+70", true},
        {body + "*7G", false},              // 7
        {body + "*G70", false},             // no digit at all
        {body + "* ", false},
        {"$\xC1\xC1*00", false},            // bytes above 0x7F are not NMEA
        {"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(TestGpsChecksum(c.sentence.c_str()), c.ok) << c.sentence;
}

// A window on the test's own (window) thread: the reader's sends reach the
// handlers at once.
int g_sentences = 0;
int g_breaks = 0;
uint32_t g_handlerTakesMs = 0;  // a busy window thread, on the test clock

plat::LResult TestLogScreenProc(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l) {
    if (message == kMsgGpsSentence) {
        ++g_sentences;
        plat::test::AdvanceTick(g_handlerTakesMs);
        return OnGpsSentence(hwnd, message, w, l);
    }
    if (message == kMsgGpsConnectionBreak) {
        ++g_breaks;
        return OnGpsConnectionBreak(hwnd, message, w, l);
    }
    return plat::DefaultWindowProc(hwnd, message, w, l);
}

class GpsReaderTest : public AcquisitionTest {
protected:
    void SetUp() override {
        AcquisitionTest::SetUp();
        StartLogScreen(TestLogScreenProc);
        g_sentences = 0;
        g_breaks = 0;
        g_handlerTakesMs = 0;
        UseFormat(0);
    }
    static void UseFormat(int format) {
        GpsPortSetup.DataFormat = format;
        SetupGpsSentenceFields();
    }
    bool Line(const std::string& line, uint32_t tick = 5) { return HandleGpsLine(line.c_str(), tick, last_); }

    uint32_t last_ = 0;  // the watchdog's reference
};

const std::string kGga = Nmea("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
const std::string kNoFix = Nmea("$GPGGA,123519,,,,,0,00,,,M,,M,,");
const std::string kVtg = Nmea("$GPVTG,0.0,T,10.8,M,0.0,N,0.0,K");

TEST_F(GpsReaderTest, AcceptedLinesRestartTheWatchdogAfterTheirHandOver) {
    plat::test::FreezeTick(777);
    last_ = 1;
    EXPECT_FALSE(Line("$GPGGA,1*00"));
    EXPECT_EQ(last_, 1u) << "a rejected line does not count";
    EXPECT_TRUE(Line(kVtg));
    EXPECT_EQ(last_, 777u);
    // A window thread that takes 5 s over the hand-over is not a silent receiver.
    g_handlerTakesMs = 5000;
    EXPECT_TRUE(Line(kNoFix));
    EXPECT_EQ(last_, 5777u);
}

TEST_F(GpsReaderTest, TheFirstValidFixEnablesTheFileButton) {
    const plat::Hwnd file = plat::CreateWindow(u"BUTTON", u"&File", plat::kStyleChild | plat::kStyleDisabled, 0, 0, 50,
                                               20, ScreenWindows.LogScreenWindow, 460);
    ASSERT_NE(file, 0);
    ScreenButtons.MonitoringButtons[0] = file;
    Line(kNoFix);
    EXPECT_FALSE(plat::IsWindowEnabled(file)) << "no fix yet";
    Line(kGga);
    EXPECT_TRUE(plat::IsWindowEnabled(file));
    EXPECT_EQ(GpsFix.PositionValid, 1);
}

// Sentences are handed over in every logging state; the reader writes only
// while logging, nothing older than the Go, and no "@" group of its own when
// the positions are simulated.
TEST_F(GpsReaderTest, WhatIsWrittenFollowsTheStateTheGoAndTheSimulation) {
    for (int state : {0, -1}) {
        LogScreenState.LoggingState = state;
        EXPECT_TRUE(Line(kGga));
        EXPECT_TRUE(Line(kVtg));
        EXPECT_FALSE(Line("$GPGGA,1*00"));
    }
    EXPECT_EQ(g_sentences, 2);
    EXPECT_EQ(FileBytes(), "");

    LogScreenState.LoggingState = 1;
    DataFileState.RecordStartTick = 1000;
    Line(kGga, 999);
    Line(kVtg, 999);
    EXPECT_EQ(FileBytes(), "");
    EXPECT_EQ(g_sentences, 3);

    ReaderThreads.SimulatePositions = 1;
    Line(kGga, 1000);
    Line(kVtg, 1000);
    EXPECT_EQ(FileBytes(), Record("X" + kVtg.substr(0, 25)));
}

TEST_F(GpsReaderTest, FormatsWithoutChecksumAcceptEveryDollarLine) {
    UseFormat(7);
    EXPECT_TRUE(Line("$GPGGA,123519.00,100.000,,200.000,,1,09,,520.30,M"));
    EXPECT_TRUE(Line("$GPGGA,1*00")) << "a wrong checksum is not tested";
    EXPECT_FALSE(Line("GPGGA,1")) << "but the line must begin with \"$\"";
    EXPECT_EQ(g_sentences, 2);
}

TEST_F(GpsReaderTest, LongSentenceIsCutForTheHandlerButWholeInTheFile) {
    LogScreenState.LoggingState = 1;
    UseFormat(8);  // no checksum, GLL
    const std::string longest = "$GPGLL," + std::string(193, '9');  // 200 characters
    EXPECT_TRUE(Line(longest, 3));
    EXPECT_EQ(FileBytes(), Group(longest, '@', '#', 3)) << "eight sentence records and the time record";
}

// The watchdog's handling of a break: the event only while logging, the ring
// only with the alarm on, and a reopened port only while the reader is meant
// to run (a break that races with leaving the logging screen leaves no port
// open behind the operator).
TEST_F(GpsReaderTest, ConnectionBreakClosesAndReopensThePort) {
    instruments::PtyInstrument gps;
    ASSERT_TRUE(gps.Open(40)) << gps.Error();
    GpsPortSetup.Port = 39;
    plat::test::FreezeTick(123456);
    const struct {
        int logging, alarm, run;
        size_t fileBytes;
        size_t rings;
        int reopened;
    } cases[] = {
        {1, 1, 1, 27, 1, 1}, {1, 1, 1, 54, 2, 1}, {-1, 0, 1, 54, 2, 1}, {0, 1, 0, 54, 3, 0},
    };
    plat::SerialHandle previous = plat::kInvalidSerial;
    for (const auto& c : cases) {
        LogScreenState.LoggingState = c.logging;
        AudioOptions.DisconnectionAlarm = c.alarm;
        ReaderThreads.GpsReaderRun = c.run;
        GpsSentenceBuffer.GpsConnectionBroken = 1;
        EXPECT_EQ(HandleGpsConnectionBreak(), c.reopened);
        EXPECT_EQ(GpsSentenceBuffer.GpsConnectionBroken.load(), 0);
        const plat::SerialHandle now = SerialPorts.GpsPortHandle.load();
        EXPECT_EQ(now != plat::kInvalidSerial, c.reopened == 1);
        EXPECT_NE(now, previous) << "closed, and opened afresh";
        EXPECT_EQ(plat::test::OpenSerialPortCount(), c.reopened);
        EXPECT_EQ(FileBytes().size(), c.fileBytes);
        EXPECT_EQ(plat::test::RecordedSounds().size(), c.rings);
        previous = now;
    }
    EXPECT_EQ(g_breaks, 4);
    EXPECT_EQ(FileBytes(), BreakEvent(123456) + BreakEvent(123456));
    EXPECT_EQ(plat::test::RecordedSounds()[0].Name, "SOUND_RING");
}

}  // namespace
