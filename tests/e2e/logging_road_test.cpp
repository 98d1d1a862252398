// The whole road of a survey, headless, on two pseudo-terminal consoles: the
// logging screen opened, a reading in Monitoring (shown, not recorded), a new
// data file chosen, Go, readings, a pause by each pause key and by the PAUSE
// button with a Go after each, a connection break, and Exit with "Yes". The
// data file is compared byte for byte with records written out here by hand
// from the file format.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "log_screen/log_screen_fixture.h"
#include "platform/local_time.h"
#include "shell/start_logging.h"

namespace {

constexpr int kFirstCom = 45;  // consoles on COM45 and COM46

// One record: its 26 columns and the line feed.
std::string Record(const std::string& columns) {
    EXPECT_EQ(columns.size(), 26u) << '"' << columns << '"';
    return columns + "\n";
}
std::string Padded(const std::string& text, size_t width) { return text + std::string(width - text.size(), ' '); }
std::string Tick(uint32_t tick) {
    char text[16];
    std::snprintf(text, sizeof text, "%10u", tick);
    return text;
}
std::string Event(const std::string& text, uint32_t tick) { return Record("X" + Padded(text, 11) + "    " + Tick(tick)); }

class LoggingRoadThreaded : public LogScreenTest {
protected:
    void SetUp() override {
        LogScreenTest::SetUp();
        plat::test::SetFakeLocalTime(plat::LocalTime{2026, 3, 14, 9, 5, 7, 42});
        OpenConsoles(kFirstCom, {1, 0});  // two sensors, then one
    }
    void TearDown() override {
        plat::test::UseRealLocalTime();
        LogScreenTest::TearDown();
    }

    // A line from console i ("$PBAR" + readings); returns once its record is in the file.
    void Line(int i, const std::string& readings) {
        const size_t before = FileBytes().size();
        consoles_[i].Write("$PBAR" + readings + "\r\n");
        ASSERT_TRUE(RunUntil([&] { return FileBytes().size() == before + 27; })) << readings;
        const char tag = i == 0 ? 'T' : 't';
        expected_ += Record(std::string(1, tag) + "$P" + Padded(readings, 13) + Tick(plat::GetTickCount()));
    }
    void Go() {
        Key('G');
        ASSERT_EQ(LogScreenState.LoggingState.load(), 1);
        expected_ += Event("$STARTED", plat::GetTickCount());
    }
    void Paused() {
        ASSERT_EQ(LogScreenState.LoggingState.load(), -1);
        expected_ += Event("PAUSED", plat::GetTickCount());
    }

    std::string expected_;
};

TEST_F(LoggingRoadThreaded, StartFileGoReadingsPausesAndExit) {
    ASSERT_EQ(::StartLogging(), 1);
    ASSERT_TRUE(RunUntil([] {
        return ReaderThreads.ConsoleReaderState[0].load() == 2 && ReaderThreads.ConsoleReaderState[1].load() == 2;
    }));
    // Supervision is driven by hand from here: no real second may pass unnoticed.
    ASSERT_EQ(plat::test::TimerInterval(Screen(), kSupervisionTimerId), 1000u);
    plat::SetTimer(Screen(), kSupervisionTimerId, 1000000);

    // A reading in Monitoring is shown, not recorded (there is no file yet either).
    consoles_[0].Write("$PBAR,  75,  62\r\n");
    ASSERT_TRUE(RunUntil([] { return ConsoleLines.ReadingValid[0] == 1; }));

    // File, with a new name from the save chooser: header, line records, time mark.
    path_ = root_ + "/260314_007.OSD";
    const uint32_t chosenAt = plat::GetTickCount();
    ChooseFile(path_);
    plat::test::ClickControl(ScreenButtons.MonitoringButtons[0]);
    ASSERT_EQ(LogScreenState.LoggingState.load(), -1);
    expected_ = Record("OSTRMA  W216GRD0 0 20     ") +  // version, no GPS, metres, header code 1 + 1
                Record("H 260314_00 210000   000  ") +  // base name cut to 9; console types + 1
                Record("G  2.500  0.500210 00     ") +  // antenna offsets, 2 consoles, leading point 1
                Record("G         0.000 -9        ") +  // no first fix, no zone yet
                Record("G         0.000           ") +
                Record("G  1.000  1.000           ") +  // unit and console separations
                Record("L1                        ") +  // line "1"
                Record("B       0.00              ") +  // start station
                Record("AS            1.000       ") +  // South, increment 1
                Record("Z14032026 09:05:07        ") +
                Record("*09:05:07.042   " + Tick(chosenAt));
    EXPECT_EQ(FileBytes(), expected_);

    Go();
    Line(0, ",  75,  62");
    Line(1, ",  80");
    plat::test::AdvanceTick(400);
    Line(0, ",  76,  61");
    // Each pause key in turn, a Go after each.
    const uint32_t pauseKeys[4] = {'A', plat::kKeyReturn, plat::kKeySpace, 'P'};
    for (int key = 0; key < 4; ++key) {
        SCOPED_TRACE(key);
        SystemSetup.PauseKey = key;
        plat::test::AdvanceTick(250);
        Key(pauseKeys[key]);
        Paused();
        Go();
        Line(1, ",  8" + std::to_string(key));
    }
    // Console 2 falls silent while console 1 goes on: one break event.
    plat::test::AdvanceTick(1001);
    Line(0, ",  77,  60");
    plat::test::FireTimer(Screen(), kSupervisionTimerId);
    expected_ += Event("2CONN BRK 2", plat::GetTickCount());
    plat::test::ClickControl(ScreenButtons.PauseButton);
    Paused();

    AnswerBox(plat::kIdYes);
    Key('X');
    EXPECT_EQ(ScreenWindows.ScreenMode, 0);
    EXPECT_EQ(DataFileState.DataFileHandle, plat::kInvalidFile);
    EXPECT_EQ(FileBytes(), expected_);
    EXPECT_EQ(BoxTexts(), std::vector<std::u16string>{u"Exit Logging?"});
}

}  // namespace
