// The one-second supervision of the consoles with a frozen clock: when a
// silence is a break, one event per break while logging (and again after the
// console came back), nothing written outside Logging, one ring per tick.
#include <gtest/gtest.h>

#include <string>

#include "log_screen/log_screen_fixture.h"
#include "platform/sound.h"

namespace {

class Supervision : public LogScreenTest {
protected:
    void SetUp() override {
        LogScreenTest::SetUp();
        SystemSetup.ConsoleCount = 3;
        OpenWithoutPorts();
        AllHeard();
    }
    static void AllHeard() {
        for (int i = 0; i < kMaxConsoles; ++i) Heard(i);
        plat::test::ClearRecordedSounds();
    }
    // What a console's reader does with a line: its tick, the break flags cleared.
    static void Heard(int i) {
        ConsoleLines.ConsoleLineTick[static_cast<size_t>(i)] = plat::GetTickCount();
        ConsoleLines.ConsoleConnBreak[static_cast<size_t>(i)] = 0;
        ConsoleLines.ConsoleBreakLogged[static_cast<size_t>(i)] = 0;
    }
    static size_t Rings() {
        size_t n = 0;
        for (const auto& s : plat::test::RecordedSounds()) n += s.Name == "SOUND_RING" ? 1 : 0;
        return n;
    }
    static void Tick() { LogScreenOnTimer(Screen(), plat::kMsgTimer, kSupervisionTimerId, 0); }
    // The texts of the file's event records, each followed by "|".
    std::string Events() const {
        std::string out;
        const std::string bytes = FileBytes();
        for (size_t at = 0; at + 27 <= bytes.size(); at += 27) {
            if (bytes[at] == 'X') out += bytes.substr(at + 1, 11) + "|";
        }
        return out;
    }
};

TEST_F(Supervision, ExactlyOneSecondIsNoBreakOneMoreMillisecondIs) {
    plat::test::AdvanceTick(1000);
    Tick();
    EXPECT_EQ(Rings(), 0u);
    plat::test::AdvanceTick(1);
    Tick();
    EXPECT_EQ(Rings(), 1u) << "three silent consoles ring once";
    EXPECT_EQ(ConsoleLines.ConsoleConnBreak[0].load(), 0) << "a break outside Logging is not marked";
}

TEST_F(Supervision, OneEventPerBreakWhileLoggingAndAgainAfterTheConsoleCameBack) {
    CreateNewFile();
    Key('G');
    AllHeard();
    for (int tick = 0; tick < 4; ++tick) {
        plat::test::AdvanceTick(1000);
        Heard(0);
        Heard(2);  // console 2 stays silent
        Tick();
    }
    EXPECT_EQ(Events(), "$STARTED   |2CONN BRK 2|");
    EXPECT_EQ(ConsoleLines.ConsoleConnBreak[1].load(), 1);
    EXPECT_EQ(ConsoleLines.ConsoleConnBreak[0].load(), 0);
    EXPECT_EQ(Rings(), 3u) << "one ring per tick from the first silent tick";

    Heard(1);  // back
    Tick();
    plat::test::AdvanceTick(1001);
    Heard(0);
    Heard(2);
    Tick();
    EXPECT_EQ(Events(), "$STARTED   |2CONN BRK 2|2CONN BRK 2|");
    // The record carries the tick of the supervision that found the break.
    char tick[16];
    std::snprintf(tick, sizeof tick, "%10u", plat::GetTickCount());
    EXPECT_EQ(FileBytes().substr(FileBytes().size() - 27), std::string("X2CONN BRK 2    ") + tick + "\n");
}

TEST_F(Supervision, NothingIsWrittenOutsideLoggingAndABreakIsWrittenOnceLoggingStarts) {
    CreateNewFile();  // Stand By
    const std::string before = FileBytes();
    plat::test::AdvanceTick(5000);
    Tick();
    Tick();
    EXPECT_EQ(FileBytes(), before);
    EXPECT_EQ(Rings(), 2u);
    Key('G');
    Tick();  // the break that began in Stand By is written at the first tick of logging
    EXPECT_EQ(Events(), "$STARTED   |1CONN BRK 1|2CONN BRK 2|3CONN BRK 3|");
}

TEST_F(Supervision, AlarmOffOnlyConfiguredConsolesAndRightAcrossTheWrap) {
    AudioOptions.DisconnectionAlarm = 0;
    plat::test::AdvanceTick(2000);
    Tick();
    EXPECT_EQ(Rings(), 0u) << "the alarm is off";

    AudioOptions.DisconnectionAlarm = 1;
    SystemSetup.ConsoleCount = 1;
    plat::test::FreezeTick(0xFFFFFE00u);
    Heard(0);
    ConsoleLines.ConsoleLineTick[1] = 0;  // console 2 is not in the array
    plat::test::AdvanceTick(0x300);       // wraps: 768 ms later
    Tick();
    EXPECT_EQ(Rings(), 0u) << "768 ms across the wrap is no silence";
    plat::test::AdvanceTick(300);
    Tick();
    EXPECT_EQ(Rings(), 1u);
}

}  // namespace
