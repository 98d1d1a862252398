// The console road on the real logging screen, headless and without threads:
// lines handed to the logging screen's procedure move the numbers, the
// profiles and the bars, as the window images show.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "acquisition/console_reader.h"
#include "acquisition/console_reading.h"
#include "log_screen/curve_grid.h"
#include "log_screen/log_screen_fixture.h"
#include "log_screen/numbers_window.h"
#include "log_screen/panel_objects.h"
#include "log_screen/status_panel.h"
#include "platform/dc.h"
#include "survey_files/settings_derived.h"

namespace {

constexpr plat::ColourRef kWhite = 0xFFFFFF;
constexpr plat::ColourRef kLeft = 0xFF0000;   // default left-sensor colour
constexpr plat::ColourRef kRight = 0x00FF00;  // default right-sensor colour

class DisplayRoad : public LogScreenTest {
protected:
    void SetUp() override {
        LogScreenTest::SetUp();
        GdiObjects.HeadingFont = plat::CreateFont(20, 200, u"Microsoft Sans Serif");
        GdiObjects.TextFont = plat::CreateFont(14, plat::kWeightNormal, u"Microsoft Sans Serif");
        GdiObjects.BoldFont = plat::CreateFont(14, plat::kWeightBold, u"Microsoft Sans Serif");
        CreateFixedPens();
        CreateColourScalePens();
        ProfileDisplayOptions.Thickness = {1, 1};
        CreateProfilePens(0);
        SystemSetup.ConsoleCount = 3;
        SystemSetup.ConsoleType[0] = 1;
        SystemSetup.ConsoleType[1] = 0;
        SystemSetup.ConsoleType[2] = 1;
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
        std::snprintf(slot, sizeof ConsoleLines.ConsoleLine[console], "$PBAR,%6.1f,%6.1f", a, b);
        ConsoleLines.ConsoleLineTick[console] = plat::GetTickCount();
        plat::SendMessage(Screen(), kMsgConsoleReading + static_cast<uint32_t>(console), 0, 0);
    }
    static std::vector<uint32_t> Image(plat::Hwnd w) {
        std::vector<uint32_t> pixels(2048 * 1024);
        int32_t width = 0, height = 0;
        EXPECT_TRUE(plat::test::ReadWindowImage(w, pixels.data(), pixels.size(), &width, &height));
        pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
        return pixels;
    }
    static int Count(plat::Hwnd w, const plat::Rect& r, plat::ColourRef c) {
        int n = 0;
        for (int32_t y = r.Top; y < r.Bottom; ++y)
            for (int32_t x = r.Left; x < r.Right; ++x) n += plat::test::WindowPixel(w, x, y) == c ? 1 : 0;
        return n;
    }
    // The highest row of column x in colour c, -1 when none.
    static int32_t TopRow(plat::Hwnd w, int32_t x, plat::ColourRef c) {
        for (int32_t y = 0; y < ScreenLayout.DecayWindowHeight; ++y)
            if (plat::test::WindowPixel(w, x, y) == c) return y;
        return -1;
    }
    // The row where a bar of `reading` shows its top: a grid row lies over
    // the bar, so the top then shows one (or, on the wide zero row, two) lower.
    static int32_t VisibleBarTop(double reading) {
        int32_t row = static_cast<int32_t>((ReadingsScale.Maximum - reading) * ReadingsScale.DecayPixelsPerUnit);
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
    const plat::Rect band = ScreenLayout.ConsoleTextRects[2];
    const int32_t x = ScreenLayout.CurveWindowWidth - 10;
    const plat::Hwnd curve = ScreenWindows.CurveWindows[2];
    const plat::Hwnd bars = ScreenWindows.DecayWindows[2];
    const int32_t leftBar = ScreenLayout.BarOffset[0] + ScreenLayout.BarWidth / 2;
    const int32_t rightBar = ScreenLayout.BarOffset[1] + ScreenLayout.BarWidth / 2;

    // Monitoring: numbers and bars move, the profile does not.
    const std::vector<uint32_t> quietCurve = Image(curve);
    const std::vector<uint32_t> emptyBand = Image(numbers);
    Hand(2, 100.0, 300.0);
    EXPECT_EQ(Image(curve), quietCurve);
    EXPECT_NE(Image(numbers), emptyBand);
    EXPECT_EQ(TopRow(bars, leftBar, kLeft), VisibleBarTop(100.0));
    EXPECT_EQ(TopRow(bars, rightBar, kRight), VisibleBarTop(300.0));
    const std::vector<uint32_t> first = Image(numbers);
    Hand(2, 250.0, 50.0);
    EXPECT_NE(Image(numbers), first);
    EXPECT_EQ(TopRow(bars, leftBar, kLeft), VisibleBarTop(250.0));
    EXPECT_EQ(TopRow(bars, rightBar, kRight), VisibleBarTop(50.0));
    EXPECT_GT(Count(numbers, band, 0x000000), 0);

    // Logging: every console's line also steps its profile 2 pixels left.
    LogScreenState.LoggingState = 1;
    const double left[] = {100.0, 150.0, 200.0, 250.0, 300.0, 350.0};
    for (double r : left) {
        for (int c = 0; c < 3; ++c) Hand(c, r, r + 25.0);
    }
    // The points sit 2 pixels apart, newest on the right; each line leaves out its end.
    for (size_t k = 1; k < std::size(left); ++k) {
        const int32_t column = x - 2 * static_cast<int32_t>(k);
        const double reading = left[std::size(left) - 1 - k];
        EXPECT_EQ(plat::test::WindowPixel(curve, column, CurveRow(reading)), kLeft) << column;
        EXPECT_EQ(plat::test::WindowPixel(curve, column, CurveRow(reading + 25.0)), kRight) << column;
    }
    EXPECT_EQ(Count(ScreenWindows.CurveWindows[1], plat::Rect{0, 0, x + 2, 300}, kRight), 0);  // one sensor
    EXPECT_GT(Count(ScreenWindows.CurveWindows[1], plat::Rect{0, 0, x + 2, 300}, kLeft), 0);
    EXPECT_EQ(TopRow(bars, leftBar, kLeft), VisibleBarTop(350.0));
    EXPECT_EQ(TopRow(bars, rightBar, kRight), VisibleBarTop(375.0));
    // Console 1 counted its readings into the panel.
    EXPECT_EQ(SurveyProgress.RecordCount, 6);

    // A repaint of the whole screen keeps the bars and the numbers frame.
    const std::vector<uint32_t> barsBefore = Image(bars);
    plat::InvalidateRect(bars, nullptr, true);
    plat::UpdateWindow(bars);
    EXPECT_EQ(Image(bars), barsBefore);
    EXPECT_NE(plat::test::WindowPixel(numbers, 3, ScreenLayout.NumbersTopMargin + 5), 0xFFFFFFFFu);
}

}  // namespace
