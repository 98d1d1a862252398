// The logging screen's geometry: the arithmetic for one, three and nine
// consoles with the map shown and hidden, the creation values for narrow and
// wide screens, and where LayoutLogScreen puts and shows the windows.
#include <gtest/gtest.h>

#include "log_screen/log_screen_fixture.h"

namespace {

struct ConsoleGeometryCase {
    const char* Name;
    int32_t Width, Height, Consoles, MapShown;
    // expected
    int32_t CurveHeight, NumbersTop, NumbersHeight, DecayWidth, DecayHeight, MapSide, CurvesLeft, CurveWidth,
        StripLeft, StripWidth;
};

// Client 1018 x 733 (a 1024 x 762 main window), lines of 18 pixels, numbers column 140.
constexpr ConsoleGeometryCase kConsoleCases[] = {
    // H = 733 - 8 x 18 = 589; work area 818
    {"three consoles, map", 1018, 733, 3, 1, 188, 506, 82, 45, 433, 568, 594, 244, 841, 14},
    {"three consoles, no map", 1018, 733, 3, 0, 188, 506, 82, 45, 433, 568, 20, 818, 841, 14},
    {"nine consoles, map", 1018, 733, 9, 1, 61, 395, 190, 13, 325, 565, 591, 247, 841, 14},
    // H = 540 - 144 = 396; work area 600; the numbers window ends at H
    {"one console, no map, 800 wide", 800, 540, 1, 0, 376, 350, 46, 140, 276, 376, 20, 600, 623, 14},
    // no console in the settings: laid out as for one, nothing divided by zero
    {"no console", 1018, 733, 0, 1, 569, 543, 46, 140, 469, 569, 595, 243, 841, 14},
};

class LayoutArithmetic : public OstrimaTest {};

TEST_F(LayoutArithmetic, PerConsoleValues) {
    for (const ConsoleGeometryCase& c : kConsoleCases) {
        SCOPED_TRACE(c.Name);
        ResetSurveyModel();
        ScreenLayout.ClientWidth = c.Width;
        ScreenLayout.ClientHeight = c.Height;
        ScreenLayout.LineHeight = 18;
        SystemSetup.ConsoleCount = c.Consoles;
        LogScreenState.MapShown = c.MapShown;
        ComputeConsoleGeometry(kLayoutNumbersWidth);
        const ScreenLayoutRecord& g = ScreenLayout;
        EXPECT_EQ(g.CurveWindowHeight, c.CurveHeight);
        EXPECT_EQ(g.NumbersWindowLeft, c.Width - 160);
        EXPECT_EQ(g.NumbersWindowTop, c.NumbersTop);
        EXPECT_EQ(g.NumbersWindowHeight, c.NumbersHeight);
        EXPECT_EQ(g.DecayWindowWidth, c.DecayWidth);
        EXPECT_EQ(g.DecayWindowHeight, c.DecayHeight);
        EXPECT_EQ(g.MapWindowWidth, c.MapSide);
        EXPECT_EQ(g.MapWindowHeight, c.MapSide);
        EXPECT_EQ(g.CurveWindowsLeft, c.CurvesLeft);
        EXPECT_EQ(g.CurveWindowWidth, c.CurveWidth);
        EXPECT_EQ(g.ColourStripLeft, c.StripLeft);
        EXPECT_EQ(g.ColourStripWidth, c.StripWidth);
        const int32_t n = c.Consoles < 1 ? 1 : c.Consoles;
        // The map is exactly as tall as the stack of curve windows with their gaps,
        // and the numbers window's bottom is level with the last curve window's.
        EXPECT_EQ(c.MapSide, n * c.CurveHeight + (n - 1) * 2);
        EXPECT_EQ(g.NumbersWindowTop + g.NumbersWindowHeight, 20 + c.MapSide);
        if (c.MapShown == 1) {
            EXPECT_EQ(MapTiles.TileWidth, c.MapSide - 2);
            EXPECT_EQ(MapTiles.TileLastY, c.MapSide - 3);
        }
    }
}

struct FixedGeometryCase {
    int32_t Width, Height;
    int32_t MapButtonWidth, ReviewButtonWidth, ButtonBlockTop, ButtonHeight, SpeedBarLength;
};

// Creation: numbers column 220, lines of 18; 800 and less divide by 5.5 and widen by 1.4.
constexpr FixedGeometryCase kFixedCases[] = {
    {1018, 733, 122, 152, 605, 60, 698},  // work area 738: 732 / 6, x 1.25
    {801, 540, 85, 106, 412, 60, 481},    // work area 521: 515 / 6 = 85, 106.25
    {800, 540, 93, 130, 412, 60, 480},    // work area 520: 514 / 5.5 = 93.45, 130.2
};

TEST_F(LayoutArithmetic, CreationValuesForWideAndNarrowScreens) {
    for (const FixedGeometryCase& c : kFixedCases) {
        SCOPED_TRACE(c.Width);
        ResetSurveyModel();
        ScreenLayout.ClientWidth = c.Width;
        ScreenLayout.ClientHeight = c.Height;
        ScreenLayout.LineHeight = 18;
        ComputeConsoleGeometry(kCreationNumbersWidth);
        ComputeFixedGeometry();
        EXPECT_EQ(ScreenLayout.MapButtonWidth, c.MapButtonWidth);
        EXPECT_EQ(ScreenLayout.ReviewButtonWidth, c.ReviewButtonWidth);
        EXPECT_EQ(ScreenLayout.ButtonBlockTop, c.ButtonBlockTop);
        EXPECT_EQ(ScreenLayout.SpeedWindowTop, c.ButtonBlockTop);
        EXPECT_EQ(ScreenLayout.ButtonHeight, c.ButtonHeight);
        EXPECT_EQ(ScreenLayout.SpeedBarLength, c.SpeedBarLength);
        EXPECT_EQ(ScreenLayout.MapButtonTop, c.Height - 37);
        EXPECT_EQ(StateButtonBlockLeft(), c.Width - 280);
    }
}

class LayoutWindows : public LogScreenTest {
protected:
    // The window's rectangle in the logging screen's client coordinates.
    static plat::Rect Placed(plat::Hwnd h) {
        plat::Rect r;
        plat::GetWindowRect(h, &r);
        plat::Point origin;
        plat::ClientToScreen(Screen(), &origin);
        return {r.Left - origin.X, r.Top - origin.Y, r.Right - origin.X, r.Bottom - origin.Y};
    }
};

TEST_F(LayoutWindows, CreationMakesEveryWindowAndTheThreeButtonSets) {
    for (int i = 0; i < kCurveWindowSlots; ++i) {
        EXPECT_EQ(plat::GetControlId(ScreenWindows.CurveWindows[i]), 600 + i);
        EXPECT_EQ(plat::GetControlId(ScreenWindows.DecayWindows[i]), 630 + i);
    }
    EXPECT_EQ(plat::GetControlId(ScreenWindows.NumbersWindow), 650);
    EXPECT_EQ(plat::GetControlId(ScreenWindows.SpeedWindow), 651);
    EXPECT_EQ(plat::GetControlId(ScreenWindows.MapWindow), 652);
    EXPECT_EQ(plat::GetControlId(ScreenWindows.ColorBarWindow), 653);
    char16_t text[32];
    const char16_t* monitoring[4] = {u"&File", u"&Readings Scale", u"E&xit", u"&Menu"};
    const char16_t* standBy[4] = {u"&Go", u"&QLine", u"E&xit", u"&Menu"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(plat::GetControlId(ScreenButtons.MonitoringButtons[i]), 460 + i);
        EXPECT_EQ(plat::GetControlId(ScreenButtons.StandByButtons[i]), 460 + i);
        plat::GetWindowText(ScreenButtons.MonitoringButtons[i], text, 32);
        EXPECT_EQ(std::u16string(text), monitoring[i]);
        plat::GetWindowText(ScreenButtons.StandByButtons[i], text, 32);
        EXPECT_EQ(std::u16string(text), standBy[i]);
        EXPECT_TRUE(plat::GetWindowStyle(ScreenButtons.MonitoringButtons[i]) & plat::kStyleVisible);
        EXPECT_FALSE(plat::GetWindowStyle(ScreenButtons.StandByButtons[i]) & plat::kStyleVisible);
    }
    EXPECT_EQ(plat::GetControlId(ScreenButtons.PauseButton), 460);
    EXPECT_TRUE(IsDefault(ScreenButtons.MonitoringButtons[0]));
    EXPECT_TRUE(IsDefault(ScreenButtons.StandByButtons[0]));
    EXPECT_TRUE(IsDefault(ScreenButtons.PauseButton));
    EXPECT_FALSE(IsDefault(ScreenButtons.MonitoringButtons[1]));
    for (int i = 0; i < kMapButtonCount; ++i) EXPECT_EQ(plat::GetControlId(ScreenButtons.MapButtons[i]), 470 + i);
    // File and Go below-right in the 2 x 2 block, Exit above-left.
    const plat::Rect file = Placed(ScreenButtons.MonitoringButtons[0]);
    const plat::Rect exit = Placed(ScreenButtons.MonitoringButtons[2]);
    EXPECT_EQ(exit.Left, ScreenLayout.ClientWidth - 280);
    EXPECT_EQ(exit.Top, ScreenLayout.ButtonBlockTop);
    EXPECT_EQ(file.Left, exit.Left + 131);
    EXPECT_EQ(file.Top, exit.Top + ScreenLayout.ButtonHeight + 2);
    EXPECT_EQ(file.Right - file.Left, 129);
}

TEST_F(LayoutWindows, ThreeConsolesWithTheMapThenOneWithout) {
    SystemSetup.ConsoleCount = 3;
    LogScreenState.MapShown = 1;
    plat::ShowWindow(Screen(), plat::kShow);
    LayoutLogScreen();
    const ScreenLayoutRecord& g = ScreenLayout;
    EXPECT_TRUE(Visible(ScreenWindows.MapWindow));
    const plat::Rect map = Placed(ScreenWindows.MapWindow);
    EXPECT_EQ(map.Left, 20);
    EXPECT_EQ(map.Right - map.Left, g.MapWindowWidth);
    for (int i = 0; i < kCurveWindowSlots; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(Visible(ScreenWindows.CurveWindows[i]), i < 3);
        EXPECT_EQ(Visible(ScreenWindows.DecayWindows[i]), i < 3);
    }
    const plat::Rect third = Placed(ScreenWindows.CurveWindows[2]);
    EXPECT_EQ(third.Left, 20 + g.MapWindowWidth + 6);
    EXPECT_EQ(third.Top, (g.CurveWindowHeight + 2) * 2 + 20);
    EXPECT_EQ(third.Bottom, map.Bottom);
    const plat::Rect bar = Placed(ScreenWindows.DecayWindows[1]);
    EXPECT_EQ(bar.Left, g.NumbersWindowLeft + g.DecayWindowWidth + 2);
    const plat::Rect numbers = Placed(ScreenWindows.NumbersWindow);
    EXPECT_EQ(numbers.Right - numbers.Left, 140);
    EXPECT_EQ(numbers.Bottom, third.Bottom);
    // The view buttons wait, disabled, for a data file; the review set is hidden.
    for (int i : {kMapLeft, kMapRight, kMapUp, kMapDown, kMapEnterReview}) {
        EXPECT_TRUE(Visible(ScreenButtons.MapButtons[i]));
        EXPECT_FALSE(plat::IsWindowEnabled(ScreenButtons.MapButtons[i]));
    }
    for (int i : {kMapZoomIn, kMapZoomOut, kMapFitAll, kMapExitReview}) EXPECT_FALSE(Visible(ScreenButtons.MapButtons[i]));

    const plat::Rect speedBefore = Placed(ScreenWindows.SpeedWindow);
    SystemSetup.ConsoleCount = 1;
    LogScreenState.MapShown = 0;
    LayoutLogScreen();
    EXPECT_FALSE(Visible(ScreenWindows.MapWindow));
    EXPECT_EQ(Placed(ScreenWindows.MapWindow).Right - Placed(ScreenWindows.MapWindow).Left, map.Right - map.Left)
        << "a hidden map keeps its last size";
    const plat::Rect only = Placed(ScreenWindows.CurveWindows[0]);
    EXPECT_EQ(only.Left, 20);
    EXPECT_EQ(only.Right - only.Left, g.WorkAreaWidth);
    EXPECT_FALSE(Visible(ScreenWindows.CurveWindows[1]));
    const plat::Rect speedAfter = Placed(ScreenWindows.SpeedWindow);
    EXPECT_EQ(speedAfter.Left, speedBefore.Left) << "the speed window keeps its creation geometry";
    EXPECT_EQ(speedAfter.Right, speedBefore.Right);
}

TEST_F(LayoutWindows, NoConsoleShowsNoConsoleWindows) {
    SystemSetup.ConsoleCount = 0;
    plat::ShowWindow(Screen(), plat::kShow);
    LayoutLogScreen();
    for (int i = 0; i < kCurveWindowSlots; ++i) {
        EXPECT_FALSE(Visible(ScreenWindows.CurveWindows[i]));
        EXPECT_FALSE(Visible(ScreenWindows.DecayWindows[i]));
    }
    EXPECT_GT(ScreenLayout.CurveWindowHeight, 0);
    EXPECT_GT(ScreenLayout.MapWindowWidth, 0);
}

}  // namespace
