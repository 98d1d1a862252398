// The console road on the real logging screen, headless and without threads:
// lines handed to the logging screen's procedure move the numbers, the
// profiles and the bars of their own console, as the window images show.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "acquisition/console_reader.h"
#include "log_screen/log_screen_fixture.h"
#include "survey_files/settings_derived.h"

namespace {

using namespace display_test;

class DisplayRoad : public LogScreenTest {
protected:
    void SetUp() override {
        LogScreenTest::SetUp();
        SystemSetup.ConsoleCount = 3;
        SystemSetup.ConsoleType = {1, 0, 1};
        DeriveConsoleCounts();
        OpenWithoutPorts();
        LayoutStatusPanel(Screen());
        DeriveScalePixels();
        ComputeCurveGrid();
        ComputeDecayGrid();
        plat::test::ProcessEvents();
    }
    static void Hand(int console, double a, double b) {
        char* slot = ConsoleLines.ConsoleLine[console];
        std::snprintf(slot, sizeof ConsoleLines.ConsoleLine[console], "$PBAR,%5.1f,%5.1f", a, b);  // fits the record
        ConsoleLines.ConsoleLineTick[console] = plat::GetTickCount();
        plat::SendMessage(Screen(), kMsgConsoleReading + static_cast<uint32_t>(console), 0, 0);
    }
    // The highest row of bar column x in colour c, -1 when none.
    static int32_t TopRow(plat::Hwnd w, int32_t x, plat::ColourRef c) {
        const std::vector<int32_t> rows = RowsOf(w, x, ScreenLayout.DecayWindowHeight, c);
        return rows.empty() ? -1 : rows.front();
    }
    // Where a bar of `reading` shows its top: a grid row lies over the bar, so
    // the top then shows one (on the wide zero row two) lower.
    static int32_t VisibleBarTop(double reading) {
        const auto row = static_cast<int32_t>((ReadingsScale.Maximum - reading) * ReadingsScale.DecayPixelsPerUnit);
        for (int k = 1; k <= ScreenLayout.DecayGridRows[0]; ++k) {
            if (ScreenLayout.DecayGridRows[static_cast<size_t>(k)] == row) return row + 1;
        }
        return row;
    }
    static int32_t CurveRow(double reading) {
        return static_cast<int32_t>((ReadingsScale.Maximum - reading) * ReadingsScale.CurvePixelsPerUnit);
    }
};

TEST_F(DisplayRoad, LinesMoveTheNumbersProfilesAndBars) {
    const plat::Hwnd numbers = ScreenWindows.NumbersWindow;
    const plat::Hwnd curve = ScreenWindows.CurveWindows[2];
    const plat::Hwnd bars = ScreenWindows.DecayWindows[2];
    const int32_t x = ScreenLayout.CurveWindowWidth - 10;
    const int32_t leftBar = ScreenLayout.BarOffset[0] + ScreenLayout.BarWidth / 2;
    const int32_t rightBar = ScreenLayout.BarOffset[1] + ScreenLayout.BarWidth / 2;

    // Monitoring: numbers and bars move, the profile does not.
    const std::vector<uint32_t> stillCurve = Image(curve);
    const std::vector<uint32_t> emptyNumbers = Image(numbers);
    Hand(2, 100.0, 300.0);
    EXPECT_EQ(Image(curve), stillCurve);
    EXPECT_GT(Count(numbers, ScreenLayout.ConsoleTextRects[2], kBlack), 0);
    EXPECT_EQ(Count(numbers, ScreenLayout.ConsoleTextRects[1], kBlack), 0) << "only console 3's band";
    EXPECT_EQ(TopRow(bars, leftBar, kLeftCurve), VisibleBarTop(100.0));
    EXPECT_EQ(TopRow(bars, rightBar, kRightCurve), VisibleBarTop(300.0));

    // Logging: every line also steps its console's profile 2 pixels left,
    // newest on the right; each line leaves out its end point.
    LogScreenState.LoggingState = 1;
    const double left[] = {100.0, 150.0, 200.0, 250.0, 300.0, 350.0};
    for (double r : left) {
        for (int c = 0; c < 3; ++c) Hand(c, r, r + 25.0);
    }
    for (size_t k = 1; k < std::size(left); ++k) {
        const int32_t column = x - 2 * static_cast<int32_t>(k);
        const double reading = left[std::size(left) - 1 - k];
        EXPECT_EQ(plat::test::WindowPixel(curve, column, CurveRow(reading)), kLeftCurve) << column;
        EXPECT_EQ(plat::test::WindowPixel(curve, column, CurveRow(reading + 25.0)), kRightCurve) << column;
    }
    const plat::Rect traced{0, 0, x + 2, ScreenLayout.CurveWindowHeight - 2};
    EXPECT_EQ(Count(ScreenWindows.CurveWindows[1], traced, kRightCurve), 0) << "a one-sensor console";
    EXPECT_GT(Count(ScreenWindows.CurveWindows[1], traced, kLeftCurve), 0);
    EXPECT_EQ(TopRow(bars, leftBar, kLeftCurve), VisibleBarTop(350.0));
    EXPECT_EQ(TopRow(bars, rightBar, kRightCurve), VisibleBarTop(375.0));
    EXPECT_EQ(SurveyProgress.RecordCount, 6) << "console 1 counts its readings";

    // A repaint keeps the bars as they were drawn.
    const std::vector<uint32_t> barsBefore = Image(bars);
    plat::InvalidateRect(bars, nullptr, true);
    plat::UpdateWindow(bars);
    EXPECT_EQ(Image(bars), barsBefore);
}

}  // namespace
