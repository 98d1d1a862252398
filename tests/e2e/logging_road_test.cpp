// The whole road of a survey, headless: the logging screen opened on two
// pseudo-terminal consoles, a new data file chosen, Go, readings, a pause by
// each pause key and by the PAUSE button, a connection break, and Exit with
// "Yes". The data file is checked record by record, byte for byte.
#include <gtest/gtest.h>

#include <string>

#include "log_screen/log_screen_fixture.h"
#include "platform/local_time.h"
#include "platform/serial_port.h"
#include "shell/start_logging.h"
#include "support/pty_instrument.h"
#include "survey_files/data_records.h"

namespace {

using instruments::ConsoleLine;
using instruments::PtyInstrument;

constexpr int kFirstCom = 45;  // consoles on COM45 and COM46

class LoggingRoad : public LogScreenTest {
protected:
    void SetUp() override {
        LogScreenTest::SetUp();
        time_.Year = 2026;
        time_.Month = 3;
        time_.Day = 14;
        time_.Hour = 9;
        time_.Minute = 5;
        time_.Second = 7;
        time_.Milliseconds = 42;
        plat::test::SetFakeLocalTime(time_);
        SystemSetup.ConsoleCount = 2;
        SystemSetup.ConsoleType[0] = 1;  // two sensors
        SystemSetup.ConsoleType[1] = 0;  // one sensor
        SystemSetup.ConsolePort[0] = kFirstCom - 1;
        SystemSetup.ConsolePort[1] = kFirstCom;
        for (int i = 0; i < 2; ++i) ASSERT_TRUE(consoles_[i].Open(kFirstCom + i)) << consoles_[i].Error();
    }
    void TearDown() override {
        plat::test::UseRealLocalTime();
        LogScreenTest::TearDown();
        EXPECT_EQ(plat::test::OpenSerialPortCount(), 0) << "a port was left open";
    }

    template <typename Done>
    static bool RunUntil(Done done, uint32_t ms = 5000) {
        return plat::test::RunEventsUntil([](void* d) { return (*static_cast<Done*>(d))(); }, &done, ms);
    }

    // A line from console i; returns once its record is in the file.
    void Reading(int i, const std::string& line) {
        const size_t before = FileBytes().size();
        consoles_[i].Write(line + "\r\n");
        ASSERT_TRUE(RunUntil([&] { return FileBytes().size() == before + 27; })) << line;
        DataRecord r;
        FormatReadingRecord(r, DataFileState.ConsoleRecordTag[static_cast<size_t>(i)], line, plat::GetTickCount());
        expected_ += std::string(r.data(), r.size());
    }
    void ExpectEvent(const char* text, uint32_t tick) {
        DataRecord r;
        FormatEventRecord(r, 'X', text, tick);
        expected_ += std::string(r.data(), r.size());
    }
    void Go() {
        Key('G');
        ASSERT_EQ(LogScreenState.LoggingState.load(), 1);
        ExpectEvent("$STARTED", DataFileState.RecordStartTick.load());
    }
    void Paused() {
        ASSERT_EQ(LogScreenState.LoggingState.load(), -1);
        ExpectEvent("PAUSED", plat::GetTickCount());
    }

    plat::LocalTime time_;
    PtyInstrument consoles_[2];
    std::string expected_;
};

TEST_F(LoggingRoad, StartFileGoReadingsPausesAndExit) {
    ASSERT_EQ(::StartLogging(), 1);
    ASSERT_TRUE(RunUntil([] {
        return ReaderThreads.ConsoleReaderState[0].load() == 2 && ReaderThreads.ConsoleReaderState[1].load() == 2;
    }));
    // Supervision is driven by hand from here: no real second may pass unnoticed.
    ASSERT_TRUE(plat::test::TimerIsSet(Screen(), kSupervisionTimerId));
    plat::SetTimer(Screen(), kSupervisionTimerId, 1000000);

    // File, with a new name from the save chooser.
    path_ = root_ + "/260314_007.OSD";
    const uint32_t chosenAt = plat::GetTickCount();
    ChooseFile(path_);
    plat::test::ClickControl(ScreenButtons.MonitoringButtons[0]);
    ASSERT_EQ(LogScreenState.LoggingState.load(), -1);
    {
        HeaderRecords header;
        FormatHeaderRecords(header, 0);
        SessionRecords session;
        FormatSessionRecords(session, time_);
        DataRecord mark;
        FormatTimeMarkRecord(mark, time_, chosenAt);
        expected_ = std::string(header.data(), header.size()) + std::string(session.data(), session.size()) +
                    std::string(mark.data(), mark.size());
        EXPECT_EQ(FileBytes(), expected_);
        EXPECT_EQ(FileBytes().substr(0, 9), "OSTRMA  W");
        EXPECT_EQ(FileBytes().substr(27 + 2, 9), "260314_00") << "the base name in header record 2";
    }

    Go();
    Reading(0, "$PBAR,  75,  62");
    Reading(1, "$PBAR,  80");
    plat::test::AdvanceTick(400);
    Reading(0, "$PBAR,  76,  61");

    // Each pause key in turn, and the PAUSE button.
    const uint32_t pauseKeys[4] = {'A', plat::kKeyReturn, plat::kKeySpace, 'P'};
    for (int key = 0; key < 4; ++key) {
        SCOPED_TRACE(key);
        SystemSetup.PauseKey = key;
        plat::test::AdvanceTick(250);
        Key(pauseKeys[key]);
        Paused();
        Go();
        Reading(1, "$PBAR,  8" + std::to_string(key));
    }
    // Console 2 falls silent while console 1 goes on.
    plat::test::AdvanceTick(1001);
    Reading(0, "$PBAR,  77,  60");
    plat::test::FireTimer(Screen(), kSupervisionTimerId);
    ExpectEvent("2CONN BRK 2", plat::GetTickCount());
    plat::test::ClickControl(ScreenButtons.PauseButton);
    Paused();

    AnswerBox(plat::kIdYes);
    Key('X');
    EXPECT_EQ(ScreenWindows.ScreenMode, 0);
    EXPECT_EQ(DataFileState.DataFileHandle, plat::kInvalidFile);
    EXPECT_EQ(FileBytes(), expected_);
    EXPECT_EQ(plat::test::RecordedMessageBoxes().size(), 1u) << "only \"Exit Logging?\"";
}

}  // namespace
