// The GPS reader's steps without its thread: framing byte by byte, the
// checksum test, what each line becomes (hand-over, records), and the
// watchdog's handling of a break.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "acquisition/gps_fix.h"
#include "acquisition/gps_formats.h"
#include "acquisition/gps_reader.h"
#include "platform/files.h"
#include "platform/serial_port.h"
#include "platform/sound.h"
#include "platform/text.h"
#include "platform/tick.h"
#include "platform/window.h"
#include "support/gps_instrument.h"
#include "support/pty_instrument.h"
#include "support/test_env.h"
#include "survey_files/data_file.h"
#include "survey_files/survey_model.h"

namespace {

std::string Nmea(const std::string& body) { return body + "*" + instruments::NmeaChecksum(body); }

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

TEST(GpsFraming, LineEnds) {
    struct Case {
        std::string bytes;
        std::vector<std::string> lines;
    } cases[] = {
        {"$GPGGA,1*70\r\n", {"$GPGGA,1*70"}},
        {"$GPGGA,1*70\n", {"$GPGGA,1*70"}},                    // a bare LF loses nothing
        {"$GPGGA,1*70\r\r\n", {"$GPGGA,1*70\r"}},              // only one CR is a line end
        {"\n\n$A\r\n\n", {"$A"}},                               // LFs with nothing before them close nothing
        {"\r\n", {""}},                                         // an empty line is a line (rejected later)
        {"junk$GPGGA,1\r\n", {"$GPGGA,1"}},                     // "$" starts afresh
        {"$GPGGA,1$GPRMC,2\r\n", {"$GPRMC,2"}},
        {"noise\r\n$A\r\n", {"noise", "$A"}},
    };
    for (const Case& c : cases) {
        GpsFrameState frame;
        ResetGpsFrame(frame);
        std::vector<std::string> got;
        for (const Closed& l : Feed(frame, c.bytes, 100)) got.push_back(l.Line);
        EXPECT_EQ(got, c.lines) << c.bytes;
    }
}

TEST(GpsFraming, TickOfTheDollarOrOfTheLineEnd) {
    GpsFrameState frame;
    ResetGpsFrame(frame);
    // Tick 1000 for "$", one more per byte after it.
    auto lines = Feed(frame, "$GPGGA,1\r\nnoise\n", 1000);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].Tick, 1000u) << "the tick of the \"$\"";
    EXPECT_EQ(lines[1].Tick, 1015u) << "a line without \"$\": the tick of its LF";
    // Across the wrap of the tick.
    lines = Feed(frame, "$X\r\n", 0xFFFFFFFFu);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].Tick, 0xFFFFFFFFu);
}

TEST(GpsFraming, RunawayFrameStartsAgain) {
    GpsFrameState frame;
    ResetGpsFrame(frame);
    // "$" and 200 more bytes are held; the next byte starts the frame again.
    const std::string runaway = "$" + std::string(200, 'A') + "BCD\r\n";
    auto lines = Feed(frame, runaway, 1);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].Line, "BCD") << "the line that finally ends does not begin with \"$\"";
    // Exactly 201 bytes before the LF are kept whole.
    const std::string longest = "$" + std::string(199, 'A') + "\r\n";
    lines = Feed(frame, longest, 1);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].Line, longest.substr(0, 200));
    // Thousands of bytes without a line end never write beyond the frame.
    lines = Feed(frame, std::string(5000, 'Z') + "\n", 1);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_LE(lines[0].Line.size(), 201u);
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
        {body + "*7", false},               // one digit
        {body + "*070", false},             // three digits
        {body + "*70 ", false},             // anything after the digits
        {body + "* 70", false},
        {body + "*+70", false},
        {body + "*7G", false},
        {"$\xC1\xC1*00", false},            // bytes above 0x7F are not NMEA
        {"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(TestGpsChecksum(c.sentence.c_str()), c.ok) << c.sentence;
}

// A window on the test's own (window) thread: the reader's sends reach the
// handlers at once, and the records can be checked line by line.
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

class GpsReaderTest : public OstrimaTest {
protected:
    void SetUp() override {
        OstrimaTest::SetUp();
        ASSERT_TRUE(plat::StartApplication());
        plat::WindowClass cls;
        cls.Name = u"GpsReaderTestWnd";
        cls.Proc = TestLogScreenProc;
        ASSERT_TRUE(plat::RegisterWindowClass(cls));
        ScreenWindows.LogScreenWindow = plat::CreateWindow(u"GpsReaderTestWnd", u"", 0, 0, 0, 200, 100, 0, 0);
        ASSERT_NE(ScreenWindows.LogScreenWindow, 0);
        path_ = root_ + "/gps.osd";
        const std::u16string path16 = plat::Utf8ToUtf16(path_);
        DataFileState.DataFileHandle = plat::OpenFile(path16.c_str(), plat::FileOpen::OpenOrCreateReadWrite, true);
        ASSERT_NE(DataFileState.DataFileHandle, plat::kInvalidFile);
        g_sentences = 0;
        g_breaks = 0;
        g_handlerTakesMs = 0;
        GpsPortSetup.DataFormat = 0;
        SetupGpsSentenceFields();
    }

    void TearDown() override {
        plat::test::ResetWindows();
        OstrimaTest::TearDown();
    }

    std::string FileBytes() const { return ReadWholeFile(path_); }

    std::string path_;
    uint32_t last_ = 0;  // the watchdog's reference
};

std::string Record(const std::string& text) {
    std::string r = text;
    r.resize(26, ' ');
    return r + "\n";
}

std::string TimeRecord(uint32_t tick) {
    char r[32];
    std::snprintf(r, sizeof r, "!             0 %10u", tick);
    return Record(r);
}

TEST_F(GpsReaderTest, WhatEachLineBecomesWhileLogging) {
    LogScreenState.LoggingState = 1;
    const std::string gga = Nmea("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
    const std::string gsa = Nmea("$GPGSA,A,3,04,05,09,12,24,25,29,31,,,,,1.5,1.2,1.3");
    const std::string rmc = Nmea("$GPRMC,123519,A,4807.038,N,01131.000,E,0.0,0.0,150624,,,A");
    EXPECT_TRUE(HandleGpsLine(gga.c_str(), 500, last_));
    EXPECT_EQ(g_sentences, 1);
    EXPECT_EQ(GpsFix.PositionValid, 1);
    EXPECT_TRUE(HandleGpsLine(gsa.c_str(), 600, last_));
    EXPECT_EQ(g_sentences, 2);
    EXPECT_DOUBLE_EQ(GpsFix.Dop, 1.5);
    EXPECT_TRUE(HandleGpsLine(rmc.c_str(), 700, last_));
    EXPECT_EQ(g_sentences, 2) << "RMC is not handed over";
    EXPECT_EQ(GpsSentenceBuffer.GpsLineReady.load(), 1);
    EXPECT_FALSE(HandleGpsLine((gga.substr(0, gga.size() - 1) + "0").c_str(), 800, last_));
    EXPECT_EQ(GpsSentenceBuffer.GpsLineReady.load(), 0);
    EXPECT_FALSE(HandleGpsLine("garbage", 900, last_));
    EXPECT_EQ(g_sentences, 2);

    std::string expected;
    for (size_t i = 0; i < gga.size(); i += 25) expected += Record((i == 0 ? "@" : "#") + gga.substr(i, 25));
    expected += TimeRecord(500);
    for (size_t i = 0; i < gsa.size(); i += 25) expected += Record((i == 0 ? "@" : "#") + gsa.substr(i, 25));
    expected += TimeRecord(600);
    expected += Record("X" + rmc.substr(0, 25));
    const std::string bad = gga.substr(0, gga.size() - 1) + "0";
    for (size_t i = 0; i < bad.size(); i += 25) expected += Record((i == 0 ? "?" : "\"") + bad.substr(i, 25));
    expected += TimeRecord(800);
    expected += Record("?garbage") + TimeRecord(900);
    EXPECT_EQ(FileBytes(), expected);
}

TEST_F(GpsReaderTest, AcceptedLinesRestartTheWatchdogAfterTheirHandOver) {
    plat::test::FreezeTick(777);
    last_ = 1;
    EXPECT_FALSE(HandleGpsLine("$GPGGA,1*00", 5, last_));
    EXPECT_EQ(last_, 1u) << "a rejected line does not count";
    EXPECT_TRUE(HandleGpsLine(Nmea("$GPVTG,0.0,T,10.8,M,0.0,N,0.0,K").c_str(), 5, last_));
    EXPECT_EQ(last_, 777u);
    // A window thread that takes 5 s over the hand-over is not a silent receiver.
    g_handlerTakesMs = 5000;
    EXPECT_TRUE(HandleGpsLine(Nmea("$GPGGA,123519,,,,,0,00,,,M,,M,,").c_str(), 5, last_));
    EXPECT_EQ(last_, 5777u);
}

TEST_F(GpsReaderTest, TheFirstValidFixEnablesTheFileButton) {
    const plat::Hwnd file = plat::CreateWindow(u"BUTTON", u"&File", plat::kStyleChild | plat::kStyleDisabled, 0, 0, 50,
                                               20, ScreenWindows.LogScreenWindow, 460);
    ASSERT_NE(file, 0);
    ScreenButtons.MonitoringButtons[0] = file;
    HandleGpsLine(Nmea("$GPGGA,123519,,,,,0,00,,,M,,M,,").c_str(), 5, last_);
    EXPECT_FALSE(plat::IsWindowEnabled(file)) << "no fix yet";
    HandleGpsLine(Nmea("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,").c_str(), 5, last_);
    EXPECT_TRUE(plat::IsWindowEnabled(file));
    EXPECT_EQ(GpsFix.PositionValid, 1);
}

TEST_F(GpsReaderTest, NothingIsWrittenOutsideLoggingButSentencesAreHandedOver) {
    for (int state : {0, -1}) {
        LogScreenState.LoggingState = state;
        EXPECT_TRUE(HandleGpsLine(Nmea("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,").c_str(), 5, last_));
        EXPECT_TRUE(HandleGpsLine(Nmea("$GPVTG,0.0,T,10.8,M,0.0,N,0.0,K").c_str(), 5, last_));
        EXPECT_FALSE(HandleGpsLine("$GPGGA,1*00", 5, last_));
    }
    EXPECT_EQ(g_sentences, 2);
    EXPECT_EQ(FileBytes(), "");
}

TEST_F(GpsReaderTest, FormatsWithoutChecksumAcceptEveryDollarLine) {
    LogScreenState.LoggingState = 1;
    GpsPortSetup.DataFormat = 7;
    SetupGpsSentenceFields();
    EXPECT_TRUE(HandleGpsLine("$GPGGA,123519.00,100.000,,200.000,,1,09,,520.30,M", 7, last_));
    EXPECT_TRUE(HandleGpsLine("$GPGGA,1*00", 7, last_)) << "a wrong checksum is not tested";
    EXPECT_FALSE(HandleGpsLine("GPGGA,1", 7, last_)) << "but the line must begin with \"$\"";
    EXPECT_EQ(g_sentences, 2);
    // Simulated positions write their own groups: the reader writes no "@" group then.
    const size_t before = FileBytes().size();
    ReaderThreads.SimulatePositions = 1;
    EXPECT_TRUE(HandleGpsLine("$GPGGA,123519.00,100.000,,200.000,,1,09,,520.30,M", 7, last_));
    EXPECT_EQ(FileBytes().size(), before);
}

TEST_F(GpsReaderTest, SentencesOlderThanTheGoAreNotWritten) {
    LogScreenState.LoggingState = 1;
    DataFileState.RecordStartTick = 1000;
    HandleGpsLine(Nmea("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,").c_str(), 999, last_);
    HandleGpsLine(Nmea("$GPVTG,0.0,T,10.8,M,0.0,N,0.0,K").c_str(), 999, last_);
    EXPECT_EQ(FileBytes(), "");
    EXPECT_EQ(g_sentences, 1);
}

TEST_F(GpsReaderTest, LongSentenceIsCutForTheHandlerButWholeInTheFile) {
    LogScreenState.LoggingState = 1;
    GpsPortSetup.DataFormat = 8;  // no checksum, GLL
    SetupGpsSentenceFields();
    const std::string longest = "$GPGLL," + std::string(193, '9');  // 200 characters
    EXPECT_TRUE(HandleGpsLine(longest.c_str(), 3, last_));
    const std::string file = FileBytes();
    EXPECT_EQ(file.size(), 9u * 27u) << "eight sentence records and the time record";
    EXPECT_EQ(file.substr(7 * 27 + 1, 25), longest.substr(175, 25));
}

TEST_F(GpsReaderTest, ConnectionBreakWhileLogging) {
    instruments::PtyInstrument gps;
    ASSERT_TRUE(gps.Open(40)) << gps.Error();
    GpsPortSetup.Port = 39;
    LogScreenState.LoggingState = 1;
    ReaderThreads.GpsReaderRun = 1;
    plat::test::FreezeTick(123456);
    GpsSentenceBuffer.GpsConnectionBroken = 1;
    EXPECT_EQ(HandleGpsConnectionBreak(), 1) << "opened: there was no port before";
    EXPECT_EQ(GpsSentenceBuffer.GpsConnectionBroken.load(), 0);
    const plat::SerialHandle first = SerialPorts.GpsPortHandle.load();
    EXPECT_NE(first, plat::kInvalidSerial);
    EXPECT_EQ(HandleGpsConnectionBreak(), 1);
    const plat::SerialHandle second = SerialPorts.GpsPortHandle.load();
    EXPECT_NE(second, plat::kInvalidSerial);
    EXPECT_NE(second, first) << "closed and opened again";
    EXPECT_EQ(plat::test::OpenSerialPortCount(), 1);
    EXPECT_EQ(g_breaks, 2);
    const std::string event = Record("XGPS CONN BR        123456");  // 11 characters of the text, the tick in 16..25
    EXPECT_EQ(FileBytes(), event + event);
    int rings = 0;
    for (const auto& s : plat::test::RecordedSounds()) rings += s.Name == "SOUND_RING" ? 1 : 0;
    EXPECT_EQ(rings, 2);

    // No alarm without the option, no event outside Logging.
    plat::test::ClearRecordedSounds();
    AudioOptions.DisconnectionAlarm = 0;
    LogScreenState.LoggingState = -1;
    EXPECT_EQ(HandleGpsConnectionBreak(), 1);
    EXPECT_TRUE(plat::test::RecordedSounds().empty());
    EXPECT_EQ(FileBytes().size(), 2u * 27u);
}

TEST_F(GpsReaderTest, ABreakAfterTheReaderWasToldToEndLeavesNoPortOpen) {
    instruments::PtyInstrument gps;
    ASSERT_TRUE(gps.Open(41)) << gps.Error();
    GpsPortSetup.Port = 40;
    ReaderThreads.GpsReaderRun = 1;
    ASSERT_EQ(HandleGpsConnectionBreak(), 1);
    ReaderThreads.GpsReaderRun = 0;  // the logging screen is being left
    EXPECT_EQ(HandleGpsConnectionBreak(), 0);
    EXPECT_EQ(SerialPorts.GpsPortHandle.load(), plat::kInvalidSerial);
    EXPECT_EQ(plat::test::OpenSerialPortCount(), 0);
}

TEST_F(GpsReaderTest, AMissingPortStaysClosedUntilTheNextBreak) {
    GpsPortSetup.Port = 47;  // COM48: no such device here
    ::setenv("OSTRIMA_COM48", (root_ + "/no-such-device").c_str(), 1);
    ReaderThreads.GpsReaderRun = 1;
    EXPECT_EQ(HandleGpsConnectionBreak(), 0);
    EXPECT_EQ(SerialPorts.GpsPortHandle.load(), plat::kInvalidSerial);
    ::unsetenv("OSTRIMA_COM48");
}

}  // namespace
