// Go and Pause in turn while a receiver sends fixes 20 times a second,
// through the real readers on pseudo-terminals. A fix that is still being
// handed over when Go or Pause is pressed falls on one side of the start
// or the end: whatever is counted as a position has its GGA group in the
// file, and the swath records of every position stand just before that
// position's group.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "log_screen/log_screen_fixture.h"
#include "shell/start_logging.h"
#include "support/gps_instrument.h"

namespace {

constexpr int kConsoleCom = 47, kGpsCom = 48;
constexpr int kRounds = 4;
constexpr int kLoggingEpochs = 10;
constexpr uint32_t kEpochMs = 50;  // 20 Hz

class GoPauseRoundsThreaded : public LogScreenTest {
protected:
    void SetUp() override {
        LogScreenTest::SetUp();
        OpenConsoles(kConsoleCom, {1});
        SystemSetup.PauseKey = 2;  // Space
        GpsPortSetup.InputMode = 1;
        GpsPortSetup.DataFormat = 1;  // GGA
        GpsPortSetup.Port = kGpsCom - 1;
        ArrayGeometry.GpsAntennaOffsetY = 0.0;  // bars on the antenna: every step of a walk writes its bars
        ASSERT_TRUE(gps_.Open(kGpsCom)) << gps_.Error();
    }

    // The receiver's next epoch goes out; with `pressed`, the key is pressed
    // while the sentence waits in its hand-over. Returns once the handler has
    // taken the fix; the clock then moves on by one epoch.
    void Epoch(uint32_t pressed = 0) {
        const double time = receiver_.TimeOfDay();
        gps_.Write(receiver_.NextEpoch(kEpochMs / 1000.0));
        if (pressed != 0) {
            ASSERT_TRUE(WaitWithoutServing([] { return plat::test::PendingSendCount() == 1; }));
            Key(pressed);
        }
        ASSERT_TRUE(RunUntil([time] { return std::fabs(GpsFix.Time - time) < 0.001; })) << time;
        plat::test::AdvanceTick(kEpochMs);
    }

    instruments::PtyInstrument gps_;
    instruments::WalkingGps receiver_{[] {
        instruments::GpsWalkOptions walk;
        walk.Format = 1;
        return walk;
    }()};
};

TEST_F(GoPauseRoundsThreaded, EveryCountedPositionHasItsGroupAfterItsSwathRecords) {
    ASSERT_EQ(::StartLogging(), 1);
    ASSERT_TRUE(RunUntil([] {
        return ReaderThreads.ConsoleReaderState[0].load() == 2 && ReaderThreads.GpsReaderState.load() == 2;
    }));
    plat::SetTimer(Screen(), kSupervisionTimerId, 1000000);  // the silent console is not the subject
    Epoch();
    CreateNewFile();
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE(round);
        for (int i = 0; i < 3; ++i) Epoch();
        Epoch('G');
        ASSERT_EQ(LogScreenState.LoggingState.load(), 1);
        for (int i = 0; i < kLoggingEpochs; ++i) Epoch();
        Epoch(plat::kKeySpace);
        ASSERT_EQ(LogScreenState.LoggingState.load(), -1);
    }
    Epoch();  // the reader has written what it had to before it framed this one
    const int counted = SurveyProgress.GpsPositionCount;
    AnswerBox(plat::kIdYes);
    Key('X');
    ASSERT_EQ(ScreenWindows.ScreenMode, 0);

    const std::string bytes = FileBytes();
    ASSERT_EQ(bytes.size() % 27, 0u);
    int groups = 0, rounds = 0;
    bool logging = false, first = false;
    std::vector<std::string> swath;  // since the last group
    for (size_t at = 0; at < bytes.size(); at += 27) {
        const std::string r = bytes.substr(at, 26);
        SCOPED_TRACE("record " + std::to_string(at / 27) + ": " + r);
        if (r.compare(0, 9, "X$STARTED") == 0) {
            logging = first = true;
        } else if (r[0] == '{') {
            EXPECT_TRUE(logging);
            swath.push_back(r);
        } else if (r.compare(0, 7, "@$GPGGA") == 0) {
            EXPECT_TRUE(logging);
            ++groups;
            if (first) {
                // The first recorded fix opens the swath with its "{0" alone.
                ASSERT_EQ(swath.size(), 1u);
                EXPECT_EQ(swath[0].substr(0, 2), "{0");
            } else {
                // One step: whole bars of four records.
                EXPECT_TRUE(!swath.empty() && swath.size() % 4 == 0) << swath.size();
                for (const std::string& s : swath) EXPECT_NE(s.substr(0, 2), "{0");
            }
            first = false;
            swath.clear();
        } else if (r.compare(0, 7, "XPAUSED") == 0) {
            EXPECT_TRUE(swath.empty()) << "swath records without their fix's group";
            logging = false;
            ++rounds;
        }
    }
    EXPECT_EQ(rounds, kRounds);
    EXPECT_EQ(groups, counted);
    EXPECT_EQ(counted, kRounds * kLoggingEpochs) << "the fixes handed over across Go and Pause are not positions";
}

}  // namespace
