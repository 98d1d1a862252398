// Leaving the logging screen while readers are running on pseudo-terminals:
// a reader blocked in its hand-over is served while it is joined, every port
// is closed, and a new start on the same ports works at once. A self-made
// pause or a stall of the window thread while lines wait there.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>

#include "log_screen/log_screen_fixture.h"
#include "shell/start_logging.h"
#include "survey_files/data_file_rescue.h"
#include "survey_files/data_file_shortened.h"

namespace {

using instruments::ConsoleLine;

constexpr int kFirstCom = 37;  // consoles on COM37, COM38; the GPS on COM39

class LeaveLoggingThreaded : public LogScreenTest {
protected:
    void SetUp() override {
        LogScreenTest::SetUp();
        OpenConsoles(kFirstCom, {1, 0});
    }
    void Start() {
        ASSERT_EQ(::StartLogging(), 1);
        ASSERT_TRUE(WaitWithoutServing([] {
            return ReaderThreads.ConsoleReaderState[0].load() == 2 && ReaderThreads.ConsoleReaderState[1].load() == 2;
        })) << "the readers run";
    }
    // Console i sends a line and its reader waits in the hand-over.
    void BlockReaderInItsHandOver(int i, const std::string& line, int waiting) {
        consoles_[i].Write(line);
        ASSERT_TRUE(WaitWithoutServing([waiting] { return plat::test::PendingSendCount() >= waiting; }));
    }
    // The data file's records from "$STARTED" on, columns 0 to 12, each followed by "|".
    static std::string RecordsSinceGo() {
        const std::string bytes = ReadWholeFile(plat::Utf16ToUtf8(std::u16string(DataFileState.DataFilePath)));
        std::string out;
        for (size_t at = bytes.rfind("X$STARTED"); at + 27 <= bytes.size(); at += 27) out += bytes.substr(at, 13) + "|";
        return out;
    }
};

TEST_F(LeaveLoggingThreaded, MonitoringExitServesABlockedReaderThenStartsAgainAtOnce) {
    Start();
    BlockReaderInItsHandOver(0, ConsoleLine(75, 62), 1);
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
}

TEST_F(LeaveLoggingThreaded, StandByExitWithYesWhileBothReadersWait) {
    Start();
    CreateNewFile();
    BlockReaderInItsHandOver(0, ConsoleLine(75, 62), 1);
    BlockReaderInItsHandOver(1, ConsoleLine(81), 2);
    const std::string before = FileBytes();
    AnswerBox(plat::kIdYes);
    Key('X');
    EXPECT_EQ(ScreenWindows.ScreenMode, 0);
    EXPECT_EQ(FileBytes(), before) << "lines handled while leaving Stand By write nothing";
    EXPECT_EQ(plat::test::PendingSendCount(), 0);
}

TEST_F(LeaveLoggingThreaded, WithGpsInputAReaderWaitingInItsHandOverIsStoppedToo) {
    instruments::PtyInstrument gps;
    ASSERT_TRUE(gps.Open(kFirstCom + 2)) << gps.Error();
    GpsPortSetup.InputMode = 1;
    GpsPortSetup.DataFormat = 1;  // GGA
    GpsPortSetup.Port = kFirstCom + 1;
    Start();
    ASSERT_TRUE(WaitWithoutServing([] { return ReaderThreads.GpsReaderState.load() == 2; }));
    // With GPS input the map is shown and a data file waits for the first fix.
    EXPECT_FALSE(plat::IsWindowEnabled(ScreenButtons.MonitoringButtons[0]));
    EXPECT_TRUE(Visible(ScreenWindows.MapWindow));
    EXPECT_EQ(plat::test::OpenSerialPortCount(), 3);
    gps.Write("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n");
    ASSERT_TRUE(WaitWithoutServing([] { return plat::test::PendingSendCount() >= 1; }));
    Key('X');
    EXPECT_EQ(ScreenWindows.ScreenMode, 0);
    EXPECT_EQ(ReaderThreads.GpsThreadHandle, 0);
    EXPECT_EQ(ReaderThreads.GpsReaderRun.load(), 0);
    EXPECT_EQ(SerialPorts.GpsPortHandle.load(), plat::kInvalidSerial);
    EXPECT_EQ(plat::test::OpenSerialPortCount(), 0);
    gps.Close();
}

// The lines waiting in the hand-overs when the program decides to pause
// (the data file renamed away, or made shorter by another program) were
// read while it said Logging: they go in before "PAUSED", into the new file
// once the copy is taken, or held until the shorter file's end is judged.
TEST_F(LeaveLoggingThreaded, APauseTheProgramMakesRecordsTheLinesWaitingInTheHandOverFirst) {
    const struct {
        const char* What;
        bool Shorter;
    } cases[] = {{"renamed away", false}, {"made shorter", true}};
    Start();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        CreateNewFile(std::string(c.What).substr(0, 4) + ".osd");
        Key('G');
        if (c.Shorter) {
            ASSERT_EQ(WriteEventRecord(u"TORN", 'C'), 1);
        }
        BlockReaderInItsHandOver(0, ConsoleLine(75, 62), 1);
        BlockReaderInItsHandOver(1, ConsoleLine(81), 2);
        if (c.Shorter) {
            ASSERT_EQ(truncate(path_.c_str(), static_cast<off_t>(FileBytes().size() - 13)), 0);
        } else {
            ASSERT_EQ(std::rename(path_.c_str(), (path_ + "-moved").c_str()), 0);
        }
        WatchDataFileName(NameLossAction::LeaveToPause);
        AnswerBox(plat::kIdOk);
        ReportDataFileErrors(Screen());
        if (c.Shorter) {
            plat::test::AdvanceTick(kSizeHeldStillMs);
            WatchDataFileName();  // its size held still: judged, the torn record cut, what was held written
            ReportDataFileErrors(Screen());
        } else {
            CopyIntoRescueFile();  // the new file holds them once the copy is taken
        }
        EXPECT_EQ(RecordsSinceGo(), "X$STARTED    |T$P,  75,  62|t$P,  81     |XPAUSED      |");
        AnswerBox(plat::kIdYes);
        Key('X');
        Start();
    }
}

// The window thread held up past the supervision's timeout while console 1
// goes on sending: console 1 was not silent, console 2 was.
TEST_F(LeaveLoggingThreaded, AStallOfTheWindowThreadIsNoSilenceOfAConsoleStillSending) {
    Start();
    CreateNewFile();
    Key('G');
    plat::test::AdvanceTick(300);
    BlockReaderInItsHandOver(0, ConsoleLine(75, 62), 1);
    plat::test::AdvanceTick(1500);  // nothing taken meanwhile
    plat::test::FireTimer(Screen(), kSupervisionTimerId);
    EXPECT_EQ(RecordsSinceGo(), "X$STARTED    |T$P,  75,  62|X2CONN BRK 2 |");
}

}  // namespace
