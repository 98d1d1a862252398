// Opening the logging screen: the sensor layout of the array, the port
// assignment check that reports every conflict, the opening of the ports
// with its roll-back, and the screen that opens in Monitoring.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "log_screen/log_screen_fixture.h"
#include "shell/start_logging.h"
#include "survey_files/settings_derived.h"

namespace {

constexpr int kFirstCom = 31;  // console i on COM31 + i; never a real device

struct SensorCase {
    const char* Name;
    int Consoles;
    int Types[3];
    double ConsoleSeparation, UnitSeparation;
    int TotalSensors;
    int FirstSensor[3];
    std::vector<double> Cross, BandStart, BandEnd;
};

const SensorCase kSensorCases[] = {
    {"three two-sensor consoles",
     3, {1, 1, 1}, 1.0, 0.5, 6, {0, 2, 4},
     {0, 1 / 7.0, 3 / 7.0, 4 / 7.0, 6 / 7.0, 1.0},
     {0, 0.5 / 4, 1.5 / 4, 2.0 / 4, 3.0 / 4, 3.5 / 4},
     {0.5 / 4, 1.0 / 4, 2.0 / 4, 2.5 / 4, 3.5 / 4, 1.0}},
    {"one one-sensor console", 1, {0, 0, 0}, 1.0, 0.5, 1, {0, 0, 0}, {1.0}, {0}, {1.0}},
    // sensors at 0, 0.5, 1.5, 2.5, 3.0: width 3.0, swath 3.5
    {"types 1, 0, 1",
     3, {1, 0, 1}, 1.0, 0.5, 5, {0, 2, 3},
     {0, 0.5 / 3, 1.5 / 3, 2.5 / 3, 1.0},
     {0, 0.5 / 3.5, 1.5 / 3.5, 2.5 / 3.5, 3.0 / 3.5},
     {0.5 / 3.5, 1.0 / 3.5, 2.0 / 3.5, 3.0 / 3.5, 1.0}},
};

class SensorLayoutTest : public OstrimaTest {};

TEST_F(SensorLayoutTest, PositionsAndBandsFollowTheConsoleTypesAndSeparations) {
    for (const SensorCase& c : kSensorCases) {
        SCOPED_TRACE(c.Name);
        ResetSurveyModel();
        SystemSetup.ConsoleCount = c.Consoles;
        for (int i = 0; i < 3; ++i) SystemSetup.ConsoleType[i] = c.Types[i];
        ArrayGeometry.ConsoleSeparation = c.ConsoleSeparation;
        ArrayGeometry.UnitSeparation = c.UnitSeparation;
        DeriveConsoleCounts();
        DeriveArrayGeometry();
        ComputeSensorLayout();
        EXPECT_EQ(SensorLayout.TotalSensors, c.TotalSensors);
        EXPECT_DOUBLE_EQ(ArrayGeometry.MinSeparation, 0.5);
        for (int i = 0; i < c.Consoles; ++i) EXPECT_EQ(SensorLayout.ConsoleFirstSensor[i], c.FirstSensor[i]);
        for (size_t k = 0; k < c.Cross.size(); ++k) {
            SCOPED_TRACE(k);
            EXPECT_NEAR(SensorLayout.SensorCrossPosition[k], c.Cross[k], 1e-12);
            EXPECT_NEAR(SensorLayout.SensorBandStart[k], c.BandStart[k], 1e-12);
            EXPECT_NEAR(SensorLayout.SensorBandEnd[k], c.BandEnd[k], 1e-12);
        }
        EXPECT_EQ(SensorLayout.SensorCrossPosition[c.Cross.size()], 0.0) << "nothing beyond the last sensor";
    }
}

TEST_F(SensorLayoutTest, NoConsoleHasNoSensorAndNothingIsSet) {
    SystemSetup.ConsoleCount = 0;
    ComputeSensorLayout();
    EXPECT_EQ(SensorLayout.TotalSensors, 0);
    for (double v : SensorLayout.SensorBandEnd) EXPECT_EQ(v, 0.0);
}

class StartLoggingThreaded : public LogScreenTest {
protected:
    void SetUp() override {
        LogScreenTest::SetUp();
        OpenConsoles(kFirstCom, {0, 0});
        for (int i = 0; i < 9; ++i) {
            ScreenButtons.StartButtons[i] = plat::CreateWindow(u"BUTTON", u"start", plat::kStyleChild | plat::kStyleVisible,
                                                               0, 40 * i, 100, 30, ScreenWindows.MainWindow, 420 + i);
        }
    }
};

TEST_F(StartLoggingThreaded, OpensInMonitoringWithReadersAndTheTimerAndLeavesAgain) {
    GpsPortSetup.Port = SystemSetup.ConsolePort[0];  // no conflict without GPS input
    ASSERT_EQ(::StartLogging(), 1);
    EXPECT_TRUE(plat::test::RecordedMessageBoxes().empty());
    EXPECT_EQ(ScreenWindows.ScreenMode, 1);
    EXPECT_TRUE(Visible(Screen()));
    EXPECT_EQ(plat::GetFocus(), Screen());
    EXPECT_EQ(LogScreenState.LoggingState.load(), 0);
    EXPECT_EQ(plat::test::TimerInterval(Screen(), kSupervisionTimerId), 1000u);
    EXPECT_TRUE(plat::IsWindowEnabled(ScreenButtons.MonitoringButtons[0])) << "no GPS: a file at once";
    for (plat::Hwnd b : ScreenButtons.StartButtons) EXPECT_FALSE(Visible(b));
    EXPECT_NE(ReaderThreads.ConsoleThreadHandle[1], 0);
    EXPECT_EQ(ReaderThreads.ConsoleThreadHandle[2], 0);
    EXPECT_EQ(ConsoleLines.ConsoleLineTick[1].load(), plat::GetTickCount());
    EXPECT_EQ(MapDisplayOptions.DisplayType, 0) << "no colour map without positions";
    EXPECT_EQ(ScreenLayout.NumbersColumnWidth, 140);

    Key('X');
    EXPECT_EQ(ScreenWindows.ScreenMode, 0);
    for (plat::Hwnd b : ScreenButtons.StartButtons) EXPECT_TRUE(Visible(b));
    EXPECT_EQ(ReaderThreads.ConsoleThreadHandle[0], 0);
    EXPECT_EQ(ReaderThreads.ConsoleReaderState[0].load(), 0);
}

TEST_F(StartLoggingThreaded, EveryPortConflictIsReportedAndNothingIsOpened) {
    GpsPortSetup.InputMode = 1;
    SystemSetup.ConsolePort[0] = 2;
    SystemSetup.ConsolePort[1] = 2;
    GpsPortSetup.Port = 2;
    for (int i = 0; i < 3; ++i) AnswerBox(plat::kIdOk);
    EXPECT_EQ(::StartLogging(), 0);
    EXPECT_EQ(BoxTexts(), (std::vector<std::u16string>{u"Com3 Assigned to Instrument 1 and GPS",
                                                        u"Com3 Assigned to Instrument 1 and Instrument 2",
                                                        u"Com3 Assigned to Instrument 2 and GPS"}));
    for (const auto& b : plat::test::RecordedMessageBoxes()) {
        EXPECT_EQ(b.Title, u"Serial Port");
        EXPECT_EQ(b.Owner, ScreenWindows.MainWindow);
    }
    EXPECT_EQ(plat::test::OpenSerialPortCount(), 0);
    EXPECT_FALSE(Visible(Screen()));
}

TEST_F(StartLoggingThreaded, FailedPortClosesWhatOpenedAndASecondPressOpensEverything) {
    SystemSetup.ConsoleCount = 3;  // console 3's port, COM33, has no device yet
    SystemSetup.ConsolePort[2] = kFirstCom + 1;
    const std::string missing = root_ + "/no-device";  // never a real device
    setenv("OSTRIMA_COM33", missing.c_str(), 1);
    AnswerBox(plat::kIdOk);
    EXPECT_EQ(::StartLogging(), 0);
    EXPECT_EQ(BoxTexts(), std::vector<std::u16string>{u"Cannot open COM33 for instrument 3"});
    EXPECT_EQ(plat::test::OpenSerialPortCount(), 0);
    for (auto& state : ReaderThreads.ConsoleReaderState) EXPECT_EQ(state.load(), 0);
    EXPECT_EQ(ScreenWindows.ScreenMode, 0);
    EXPECT_TRUE(Visible(ScreenButtons.StartButtons[0]));

    ASSERT_TRUE(consoles_[2].Open(kFirstCom + 2));
    EXPECT_EQ(::StartLogging(), 1);
    EXPECT_EQ(plat::test::OpenSerialPortCount(), 3);
    Key('X');
}

}  // namespace
