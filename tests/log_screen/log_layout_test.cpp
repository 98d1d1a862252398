// The logging screen's geometry: the arithmetic for one, three and nine
// consoles with the map shown and hidden, the creation values for narrow and
// wide screens, and where LayoutLogScreen puts and shows the windows.
#include <gtest/gtest.h>

#include <array>

#include "log_screen/log_screen_fixture.h"

namespace {

struct ConsoleGeometryCase {
    const char* Name;
    int32_t Width, Height, Consoles, MapShown;
    // curve height, numbers top and height, bar width and height, map side,
    // curves left and width, colour strip left and width
    std::array<int32_t, 10> Expected;
};

// Client 1018 x 733 (a 1024 x 762 main window), lines of 18 pixels, numbers column 140.
constexpr ConsoleGeometryCase kConsoleCases[] = {
    // H = 733 - 8 x 18 = 589; work area 818
    {"three consoles, map", 1018, 733, 3, 1, {188, 506, 82, 45, 433, 568, 594, 244, 841, 14}},
    {"three consoles, no map", 1018, 733, 3, 0, {188, 506, 82, 45, 433, 568, 20, 818, 841, 14}},
    {"nine consoles, map", 1018, 733, 9, 1, {61, 395, 190, 13, 325, 565, 591, 247, 841, 14}},
    // H = 540 - 144 = 396; work area 600; the numbers window ends at H
    {"one console, no map, 800 wide", 800, 540, 1, 0, {376, 350, 46, 140, 276, 376, 20, 600, 623, 14}},
    // no console in the settings: laid out as for one, nothing divided by zero
    {"no console", 1018, 733, 0, 1, {569, 543, 46, 140, 469, 569, 595, 243, 841, 14}},
};

class LayoutArithmetic : public OstrimaTest {
protected:
    static void Screen(int32_t width, int32_t height) {
        ResetSurveyModel();
        ScreenLayout.ClientWidth = width;
        ScreenLayout.ClientHeight = height;
        ScreenLayout.LineHeight = 18;
    }
};

TEST_F(LayoutArithmetic, PerConsoleValues) {
    for (const ConsoleGeometryCase& c : kConsoleCases) {
        SCOPED_TRACE(c.Name);
        Screen(c.Width, c.Height);
        SystemSetup.ConsoleCount = c.Consoles;
        LogScreenState.MapShown = c.MapShown;
        ComputeConsoleGeometry(kLayoutNumbersWidth);
        const ScreenLayoutRecord& g = ScreenLayout;
        EXPECT_EQ((std::array<int32_t, 10>{g.CurveWindowHeight, g.NumbersWindowTop, g.NumbersWindowHeight,
                                           g.DecayWindowWidth, g.DecayWindowHeight, g.MapWindowWidth,
                                           g.CurveWindowsLeft, g.CurveWindowWidth, g.ColourStripLeft,
                                           g.ColourStripWidth}),
                  c.Expected);
        EXPECT_EQ(g.NumbersWindowLeft, c.Width - 160);
        // The map is square and exactly as tall as the stack of curve windows
        // with their gaps; the numbers window's bottom is level with the last
        // curve window's.
        const int32_t n = c.Consoles < 1 ? 1 : c.Consoles;
        const int32_t side = c.Expected[5];
        EXPECT_EQ(g.MapWindowHeight, side);
        EXPECT_EQ(side, n * g.CurveWindowHeight + (n - 1) * 2);
        EXPECT_EQ(g.NumbersWindowTop + g.NumbersWindowHeight, 20 + side);
        if (c.MapShown == 1) {
            EXPECT_EQ(MapTiles.TileLastY, side - 3);
        }
    }
}

TEST_F(LayoutArithmetic, CreationValuesForWideAndNarrowScreens) {
    // Numbers column 220 at creation; above 800 wide the map buttons divide
    // the work area by 6 (review x 1.25), at 800 and less by 5.5 (x 1.4)
    // unless Enter Review would then cover Down.
    const struct {
        int32_t Width, Height;
        std::array<int32_t, 5> Expected;  // map and review buttons, block top, button height, speed bar
    } cases[] = {
        {1018, 733, {122, 152, 605, 60, 698}},  // work area 738: 732 / 6, x 1.25
        {801, 540, {85, 106, 412, 60, 481}},    // work area 521: 515 / 6 = 85, 106.25
        // work area 520: 514 / 5.5 = 93, review 130 at 370 covers Down (302-395): 514 / 6
        {800, 540, {85, 106, 412, 60, 480}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Width);
        Screen(c.Width, c.Height);
        ComputeConsoleGeometry(kCreationNumbersWidth);
        ComputeFixedGeometry();
        const ScreenLayoutRecord& g = ScreenLayout;
        EXPECT_EQ((std::array<int32_t, 5>{g.MapButtonWidth, g.ReviewButtonWidth, g.ButtonBlockTop, g.ButtonHeight,
                                          g.SpeedBarLength}),
                  c.Expected);
        EXPECT_EQ(g.SpeedWindowTop, g.ButtonBlockTop);
        EXPECT_EQ(g.MapButtonTop, c.Height - 37);
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
    static int ShownConsoleWindows() {
        int n = 0;
        for (int i = 0; i < kCurveWindowSlots; ++i) {
            n += Visible(ScreenWindows.CurveWindows[i]) ? 1 : 0;
            n += Visible(ScreenWindows.DecayWindows[i]) ? 1 : 0;
        }
        return n;
    }
};

TEST_F(LayoutWindows, CreationPlacesTheThreeButtonSetsOnTheSharedIds) {
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(plat::GetControlId(ScreenButtons.MonitoringButtons[i]), 460 + i);
        EXPECT_EQ(plat::GetControlId(ScreenButtons.StandByButtons[i]), 460 + i);
        EXPECT_TRUE(plat::GetWindowStyle(ScreenButtons.MonitoringButtons[i]) & plat::kStyleVisible);
        EXPECT_FALSE(plat::GetWindowStyle(ScreenButtons.StandByButtons[i]) & plat::kStyleVisible);
        EXPECT_EQ(IsDefault(ScreenButtons.MonitoringButtons[i]), i == 0);
        EXPECT_EQ(IsDefault(ScreenButtons.StandByButtons[i]), i == 0);
    }
    EXPECT_EQ(plat::GetControlId(ScreenButtons.PauseButton), 460);
    EXPECT_TRUE(IsDefault(ScreenButtons.PauseButton));
    // File and Go below-right in the 2 x 2 block, Exit above-left.
    const plat::Rect file = Placed(ScreenButtons.MonitoringButtons[0]);
    const plat::Rect exit = Placed(ScreenButtons.MonitoringButtons[2]);
    EXPECT_EQ((std::array<int32_t, 4>{exit.Left, exit.Top, file.Left - exit.Left, file.Top - exit.Top}),
              (std::array<int32_t, 4>{ScreenLayout.ClientWidth - 280, ScreenLayout.ButtonBlockTop, 131,
                                      ScreenLayout.ButtonHeight + 2}));
    EXPECT_EQ(file.Right - file.Left, 129);
}

TEST_F(LayoutWindows, ThreeConsolesWithTheMapThenOneWithoutThenNone) {
    SystemSetup.ConsoleCount = 3;
    LogScreenState.MapShown = 1;
    plat::ShowWindow(Screen(), plat::kShow);
    LayoutLogScreen();
    const ScreenLayoutRecord& g = ScreenLayout;
    const plat::Rect map = Placed(ScreenWindows.MapWindow);
    EXPECT_TRUE(Visible(ScreenWindows.MapWindow));
    plat::test::ProcessEvents();
    plat::Rect pending;
    EXPECT_FALSE(plat::GetUpdateRect(ScreenWindows.MapWindow, &pending)) << "the map's paint leaves nothing pending";
    EXPECT_EQ(map.Left, 20);
    EXPECT_EQ(map.Right - map.Left, g.MapWindowWidth);
    EXPECT_EQ(ShownConsoleWindows(), 6);
    EXPECT_TRUE(Visible(ScreenWindows.DecayWindows[2]));
    const plat::Rect third = Placed(ScreenWindows.CurveWindows[2]);
    EXPECT_EQ(third.Left, 20 + g.MapWindowWidth + 6);
    EXPECT_EQ(third.Top, (g.CurveWindowHeight + 2) * 2 + 20);
    EXPECT_EQ(third.Bottom, map.Bottom);
    EXPECT_EQ(Placed(ScreenWindows.DecayWindows[1]).Left, g.NumbersWindowLeft + g.DecayWindowWidth + 2);
    const plat::Rect numbers = Placed(ScreenWindows.NumbersWindow);
    EXPECT_EQ(numbers.Right - numbers.Left, 140);
    EXPECT_EQ(numbers.Bottom, third.Bottom);
    // The view buttons wait, disabled, for a data file; the review set is hidden.
    for (int i : {kMapLeft, kMapRight, kMapUp, kMapDown, kMapEnterReview}) {
        EXPECT_TRUE(Visible(ScreenButtons.MapButtons[i]) && !plat::IsWindowEnabled(ScreenButtons.MapButtons[i])) << i;
    }
    for (int i : {kMapZoomIn, kMapZoomOut, kMapFitAll, kMapExitReview}) EXPECT_FALSE(Visible(ScreenButtons.MapButtons[i]));

    const plat::Rect speedBefore = Placed(ScreenWindows.SpeedWindow);
    SystemSetup.ConsoleCount = 1;
    LogScreenState.MapShown = 0;
    LayoutLogScreen();
    EXPECT_FALSE(Visible(ScreenWindows.MapWindow));
    EXPECT_EQ(Placed(ScreenWindows.MapWindow).Right, map.Right) << "a hidden map keeps its last size";
    const plat::Rect only = Placed(ScreenWindows.CurveWindows[0]);
    EXPECT_EQ(only.Left, 20);
    EXPECT_EQ(only.Right - only.Left, g.WorkAreaWidth);
    EXPECT_EQ(ShownConsoleWindows(), 2);
    const plat::Rect speedAfter = Placed(ScreenWindows.SpeedWindow);
    EXPECT_TRUE(speedAfter.Left == speedBefore.Left && speedAfter.Right == speedBefore.Right)
        << "the speed window keeps its creation geometry";

    SystemSetup.ConsoleCount = 0;
    LayoutLogScreen();
    EXPECT_EQ(ShownConsoleWindows(), 0);
    EXPECT_GT(g.CurveWindowHeight, 0);
    EXPECT_GT(g.MapWindowWidth, 0);
}

}  // namespace
