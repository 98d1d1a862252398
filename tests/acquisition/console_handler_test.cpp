// The console handler on the window thread: what each logging state writes,
// samples and counts, and what the operator sees in the status panel, the
// numbers window and the bar window.
#include <gtest/gtest.h>

#include <string>

#include "acquisition/console_reader.h"
#include "acquisition/console_reading.h"
#include "acquisition/acquisition_test.h"
#include "platform/dc.h"
#include "platform/sound.h"
#include "platform/tick.h"

namespace {

constexpr plat::ColourRef kPanel = 0x0000C000;  // a panel colour no text uses
constexpr plat::ColourRef kBlack = 0x00000000;
constexpr plat::ColourRef kRed = 0x000000FF;
constexpr plat::ColourRef kWhite = 0x00FFFFFF;

class ConsoleHandler : public AcquisitionTest {
protected:
    void SetUp() override {
        AcquisitionTest::SetUp();
        StartLogScreen(plat::DefaultWindowProc);
        ScreenWindows.NumbersWindow = MakeWindow(240, 200);
        ScreenWindows.DecayWindows[2] = MakeWindow(40, 130);
        GdiObjects.PanelBrush = plat::CreateSolidBrush(kPanel);
        GdiObjects.RedBrush = plat::CreateSolidBrush(kRed);
        GdiObjects.WhiteBrush = plat::CreateSolidBrush(kWhite);
        GdiObjects.WhitePen = plat::CreatePen(plat::kPenSolid, 1, kWhite);
        GdiObjects.TextFont = plat::CreateFont(16, plat::kWeightNormal, u"Liberation Sans");
        GdiObjects.BoldFont = plat::CreateFont(16, plat::kWeightBold, u"Liberation Sans");
        ScreenLayout.StationRect = {10, 10, 150, 28};
        ScreenLayout.StationCountRect = {10, 30, 150, 48};
        ScreenLayout.TotalStationsRect = {160, 30, 290, 48};
        ScreenLayout.LineTimeRect = {10, 60, 30, 78};  // narrower than its text: clipped
        ScreenLayout.TotalTimeRect = {160, 60, 290, 78};
        ScreenLayout.ConsoleTextRects[2] = {0, 40, 240, 60};
        ScreenLayout.DecayWindowWidth = 40;
        ScreenLayout.DecayWindowHeight = 126;
        for (plat::Hwnd w : {ScreenWindows.LogScreenWindow, ScreenWindows.NumbersWindow, ScreenWindows.DecayWindows[2]}) {
            const plat::Hdc dc = plat::GetDC(w);
            const plat::Hbrush black = plat::CreateSolidBrush(kBlack);
            plat::FillRect(dc, {0, 0, 1000, 1000}, black);
            plat::ReleaseDC(w, dc);
            plat::DeleteObject(black);
        }
    }

    static plat::Hwnd MakeWindow(int w, int h) {
        return plat::CreateWindow(u"AcquisitionTestWnd", u"", plat::kStyleChild, 0, 0, w, h,
                                  ScreenWindows.LogScreenWindow, 0);
    }
    // How many pixels of `r` in window `w` have colour `c`.
    static int CountColour(plat::Hwnd w, const plat::Rect& r, plat::ColourRef c) {
        int n = 0;
        for (int y = r.Top; y < r.Bottom; ++y) {
            for (int x = r.Left; x < r.Right; ++x) n += plat::test::WindowPixel(w, x, y) == c ? 1 : 0;
        }
        return n;
    }
    static int Area(const plat::Rect& r) { return (r.Right - r.Left) * (r.Bottom - r.Top); }

    // The line in console i's slot, handed to its handler as the reader does.
    static void Hand(int console, const char* line, uint32_t tick) {
        std::snprintf(ConsoleLines.ConsoleLine[console], sizeof ConsoleLines.ConsoleLine[console], "%s", line);
        ConsoleLines.ConsoleLineTick[console] = tick;
        EXPECT_EQ(OnConsoleReading(console), 0);
        EXPECT_EQ(ConsoleLines.ConsoleLine[console][0], 0) << "the slot is emptied";
    }
};

TEST_F(ConsoleHandler, EachLoggingStateDoesItsShare) {
    MapDisplayOptions.DisplayType = 1;
    ReadingSamples.SamplingOpen = 1;
    ReadingsScale.ColourStep = 10.0;
    SensorLayout.ConsoleFirstSensor = {0, 2, 4};
    SystemSetup.ConsoleType[1] = 1;
    SurveyParameters.CurrentStation = 5.0;
    for (int state : {0, -1}) {
        LogScreenState.LoggingState = state;
        Hand(1, "$PBAR,  75,  62", 100);
    }
    EXPECT_EQ(FileBytes(), "") << "Monitoring and Stand By write nothing";
    EXPECT_EQ(ReadingSamples.SampleCount[2], 0);

    LogScreenState.LoggingState = 1;
    Hand(1, "$PBAR,  75,  62", 12345678);
    EXPECT_EQ(FileBytes(), std::string("t$P,  75,  62     12345678\n"));
    EXPECT_EQ(ReadingSamples.SampleCount[2], 1);
    EXPECT_EQ(ReadingSamples.SampleColour[2][0][0], 7);
    EXPECT_EQ(ReadingSamples.SampleColour[3][0][0], 6);
    // Console 2 neither counts, nor advances the station, nor ticks.
    EXPECT_EQ(SurveyProgress.RecordCount, 0);
    EXPECT_EQ(SurveyParameters.CurrentStation, 5.0);
    EXPECT_TRUE(plat::test::RecordedSounds().empty());

    // Samples wait for the first fix (sampling closed) and for the colour map.
    ReadingSamples.SamplingOpen = 0;
    Hand(1, "$PBAR,  75,  62", 1);
    MapDisplayOptions.DisplayType = 0;
    ReadingSamples.SamplingOpen = 1;
    Hand(1, "$PBAR,  75,  62", 2);
    EXPECT_EQ(ReadingSamples.SampleCount[2], 1);
    EXPECT_EQ(FileBytes().size(), 81u);

    // Without a data file the record is not written, and that is no write error.
    CloseDataFile();
    Hand(0, "$PBAR,  75,  62", 7);
    EXPECT_EQ(SurveyProgress.RecordCount, 1);
    EXPECT_EQ(DataFileState.WriteError.load(), 0);
}

TEST_F(ConsoleHandler, ADamagedFieldIsRecordedMarkedAndGivesNoSample) {
    LogScreenState.LoggingState = 1;
    MapDisplayOptions.DisplayType = 1;
    ReadingSamples.SamplingOpen = 1;
    ReadingsScale.ColourStep = 10.0;
    SensorLayout.ConsoleFirstSensor = {0, 2, 4};
    SystemSetup.ConsoleType[2] = 1;
    Hand(2, "$PBAR,  4?75,  62", 9);
    EXPECT_EQ(FileBytes(), std::string("\xD4$P,  4?75,  62          9\n"));
    EXPECT_EQ(ReadingSamples.SampleCount[4], 0) << "nothing from the damaged field";
    EXPECT_EQ(ReadingSamples.SampleCount[5], 1) << "the intact second reading";
    EXPECT_EQ(ReadingSamples.SampleColour[5][0][0], 6);
    // A reading the record cannot keep whole is none live either.
    Hand(2, "$PBAR,   -12.5,  +7.25", 10);
    EXPECT_EQ(FileBytes().substr(27), std::string("\xD4$P,   -12.5,  ?        10\n"));
    EXPECT_EQ(ReadingSamples.SampleCount[4], 1);
    EXPECT_EQ(ReadingSamples.SampleCount[5], 1) << "nothing from the cut second reading";
}

TEST_F(ConsoleHandler, ConsoleOneShowsStationCountsAndTimesInThePanel) {
    LogScreenState.LoggingState = 1;
    AudioOptions.Ticks = 1;
    SurveyParameters.CurrentStation = 12.5;
    SurveyParameters.StationIncrement = 0.25;
    plat::test::FreezeTick(50000);
    SurveyProgress.LoggingStartTick = 50000 - 3723456;
    SurveyProgress.TotalTimeBaseMs = 1000;
    Hand(0, "$PBAR,  75,  62", 50000);
    EXPECT_EQ(SurveyParameters.CurrentStation, 12.5) << "the first record after a new station keeps it";
    Hand(0, "$PBAR,  76,  63", 50000);

    EXPECT_EQ(SurveyParameters.CurrentStation, 12.75);
    EXPECT_EQ(SurveyProgress.StationCount, 2);
    EXPECT_EQ(SurveyProgress.RecordCount, 2);
    EXPECT_EQ(SurveyProgress.LineTimeMs, 3723456u);
    EXPECT_EQ(SurveyProgress.LineTimeHours, 1);
    EXPECT_EQ(SurveyProgress.LineTimeMinutes, 2);
    EXPECT_EQ(SurveyProgress.LineTimeSeconds, 3);
    EXPECT_EQ(SurveyProgress.TotalTimeSeconds, 4);
    char text[16];
    FormatElapsedTime(1, 2, 3, text, sizeof text);
    EXPECT_STREQ(text, "01:02:03");
    ASSERT_EQ(plat::test::RecordedSounds().size(), 1u);  // record 1 ticks, record 2 does not
    EXPECT_EQ(FileBytes().size(), 54u);

    // Every value box was cleared with the panel brush and holds some text.
    const plat::Hwnd panel = ScreenWindows.LogScreenWindow;
    for (const plat::Rect& r : {ScreenLayout.StationRect, ScreenLayout.StationCountRect, ScreenLayout.TotalStationsRect,
                                ScreenLayout.LineTimeRect, ScreenLayout.TotalTimeRect}) {
        const int panelPixels = CountColour(panel, r, kPanel);
        EXPECT_GT(panelPixels, Area(r) / 2) << r.Left << "," << r.Top;
        EXPECT_LT(panelPixels, Area(r)) << "no text in " << r.Left << "," << r.Top;
    }
    // The line time is clipped to its narrow box: nothing drawn to its right.
    const plat::Rect right = {ScreenLayout.LineTimeRect.Right, 60, 150, 78};
    EXPECT_EQ(CountColour(panel, right, kBlack), Area(right));
}

TEST_F(ConsoleHandler, NoConnectionPaintsTheBandRedAndBlanksTheBar) {
    ShowNoConnection(2);
    const plat::Rect band = ScreenLayout.ConsoleTextRects[2];
    const int red = CountColour(ScreenWindows.NumbersWindow, band, kRed);
    EXPECT_GT(red, Area(band) / 2);
    EXPECT_LT(red, Area(band)) << "\"No connection\" is written on the band";
    EXPECT_EQ(CountColour(ScreenWindows.NumbersWindow, {0, 0, 240, 40}, kBlack), 240 * 40) << "only the band";
    // The bar area inside the frame is white, the frame column 0 untouched.
    const plat::Hwnd bar = ScreenWindows.DecayWindows[2];
    EXPECT_EQ(CountColour(bar, {1, 1, 39, 126}, kWhite), 38 * 125);
    EXPECT_EQ(plat::test::WindowPixel(bar, 0, 50), kBlack);
    plat::Rect invalid;
    EXPECT_TRUE(plat::GetUpdateRect(bar, &invalid));
    EXPECT_EQ(plat::GetFocus(), ScreenWindows.LogScreenWindow);
    // Consoles outside the array and missing windows are no fault.
    ShowNoConnection(9);
    ShowNoConnection(5);
}

}  // namespace
