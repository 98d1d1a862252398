// The simulators of the simulator build: generated lines and sentences take
// the road of received ones.
#include "acquisition/simulators.h"

#if defined(OSTRIMA_SIMULATORS)
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>

#include "acquisition/acquisition_test.h"
#include "acquisition/console_reader.h"
#include "acquisition/gps_fix.h"
#include "acquisition/gps_formats.h"
#include "platform/tick.h"

namespace {

std::atomic<int> g_sentences{0};
std::atomic<int> g_lines[kMaxConsoles];
int g_low[kMaxConsoles][2], g_high[kMaxConsoles][2];  // window thread only
int g_badLines = 0;

plat::LResult TestLogScreenProc(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l) {
    if (message == kMsgGpsSentence) {
        ++g_sentences;
        return OnGpsSentence(hwnd, message, w, l);
    }
    if (message >= kMsgConsoleReading && message < kMsgConsoleReading + kMaxConsoles) {
        const int i = static_cast<int>(message - kMsgConsoleReading);
        char* line = ConsoleLines.ConsoleLine[i];
        int a = 0, b = 0;
        char end = 0;
        if (std::strlen(line) != 15 || std::sscanf(line, "$PBAR,%4d,%4d%c", &a, &b, &end) != 2) ++g_badLines;
        g_low[i][0] = std::min(g_low[i][0], a);
        g_high[i][0] = std::max(g_high[i][0], a);
        g_low[i][1] = std::min(g_low[i][1], b);
        g_high[i][1] = std::max(g_high[i][1], b);
        line[0] = 0;
        ++g_lines[i];
        return 0;
    }
    return plat::DefaultWindowProc(hwnd, message, w, l);
}

class SimulatorsThreaded : public AcquisitionTest {
protected:
    void SetUp() override {
        AcquisitionTest::SetUp();
        StartLogScreen(TestLogScreenProc);
        g_sentences = 0;
        g_badLines = 0;
        for (int i = 0; i < kMaxConsoles; ++i) {
            g_lines[i] = 0;
            g_low[i][0] = g_low[i][1] = 100000;
            g_high[i][0] = g_high[i][1] = -100000;
        }
    }

    void TearDown() override {
        StopSimulators();
        AcquisitionTest::TearDown();
    }

    void StopSimulators() {
        ReaderThreads.GpsSimulatorRun = 0;
        ReaderThreads.ConsoleSimulatorRun = 0;
        for (plat::ThreadHandle& t : threads_) {
            if (t != 0) {
                EXPECT_TRUE(plat::JoinThreadServing(t));
            }
            t = 0;
        }
    }

    plat::ThreadHandle threads_[kMaxConsoles + 1] = {};
};

TEST_F(SimulatorsThreaded, OneGpsBurstInTheGgaGsaFormatWhileLogging) {
    GpsPortSetup.DataFormat = 0;
    SetupGpsSentenceFields();
    LogScreenState.LoggingState = 1;
    plat::test::FreezeTick(2000000);
    ReaderThreads.GpsSimulatorRun = 1;
    threads_[0] = plat::StartThread(GpsSimulatorThread, nullptr);
    ASSERT_NE(threads_[0], 0);
    // A second of the test clock at a time until the burst has come; the
    // simulator then sleeps 850 ms of real time, long enough to stop it.
    ASSERT_TRUE(RunUntil([&] {
        if (g_sentences < 2) plat::test::AdvanceTick(1000);
        plat::SleepMilliseconds(5);
        return g_sentences == 2 && FileBytes().size() >= (7 + 2 * 4) * 27;
    }));
    StopSimulators();
    EXPECT_EQ(g_sentences.load(), 2);
    const std::string file = FileBytes();
    // 7 single "X" records and two groups of three sentence records and a time record.
    ASSERT_EQ(file.size(), (7u + 2u * 4u) * 27u);
    EXPECT_EQ(file[0], '@');
    EXPECT_EQ(file.substr(1, 25), "$GPGGA,173524,4336.5940,N");
    EXPECT_EQ(file[3 * 27], '!');
    EXPECT_EQ(file[4 * 27], '@');
    EXPECT_EQ(file.substr(4 * 27 + 1, 25), "$GPGSA,A,3,01,07,08,11,13");
    EXPECT_EQ(file.substr(8 * 27), Record("X$GPGLL,4336.5973,N,07936.6") + Record("X$GPBOD,325.5,T,336.3,M,TOUR") +
                                       Record("X$GPBWC,152346,3512.7660,N,") + Record("X$GPVTG,0.0,T,10.8,M,0.0,N,0") +
                                       Record("X$GPXTE,V,V,9.99,L,N,S*18") + Record("X$GPRMC,152348,V,4336.5973,N") +
                                       Record("X$GPRMB,V,9.99,L,TOUR4,TOUR5"));
    EXPECT_EQ(GpsFix.PositionValid, 1) << "the simulated GGA is a fix";
    EXPECT_DOUBLE_EQ(GpsFix.Dop, 3.6) << "the PDOP of the simulated GSA";
}

TEST_F(SimulatorsThreaded, ConsoleSimulatorsHandOverLinesInTheirRanges) {
    ReaderThreads.ConsoleSimulatorRun = 1;
    for (int i : {0, 1, 2, 5}) {
        threads_[i] = plat::StartThread(kConsoleSimulatorThreads[i], nullptr);
        ASSERT_NE(threads_[i], 0);
    }
    ASSERT_TRUE(RunUntil([] { return g_lines[0] >= 3 && g_lines[1] >= 3 && g_lines[2] >= 3 && g_lines[5] >= 3; }));
    StopSimulators();
    EXPECT_EQ(g_badLines, 0);
    EXPECT_GE(g_low[0][0], 60);
    EXPECT_LE(g_high[0][0], 120);
    EXPECT_GE(g_low[0][1], 40);
    EXPECT_LE(g_high[0][1], 90);
    EXPECT_GE(g_low[5][0], 1100);
    EXPECT_LE(g_high[5][1], 3600);
    EXPECT_EQ(ConsoleLines.ConsoleMinLineLength[0].load(), 7);
    EXPECT_GT(ConsoleLines.ConsoleLineTick[5].load(), 0u);
    EXPECT_EQ(g_lines[3].load(), 0);
}

}  // namespace

#endif  // OSTRIMA_SIMULATORS
