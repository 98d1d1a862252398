// The curve and bar windows: grid rows for every kind of readings scale, the
// bars moved by difference (across zero too) against the same bars painted
// afresh, and the scrolling profile.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "acquisition/console_reading.h"
#include "display_fixture.h"
#include "log_screen/curve_grid.h"
#include "log_screen/profile_windows.h"
#include "survey_files/settings_derived.h"

using namespace display_test;

namespace {

struct GridCase {
    const char* Name;
    int32_t Height;
    double PixelsPerUnit, Minimum, Maximum;
    std::vector<int32_t> Rows;  // y of rows 1..n
    int32_t Baseline;
};

const GridCase kGridCases[] = {
    // 20, 40, 60 and 80 % of the height from the bottom; bars stand on the bottom.
    {"0..500", 126, 0.252, 0.0, 500.0, {100, 75, 49, 24}, 1},
    {"-100..0", 126, 1.26, -100.0, 0.0, {100, 75, 49, 24}, -1},
    {"-500..-100", 126, 0.315, -500.0, -100.0, {100, 75, 49, 24}, -1},
    // Zero at mid-height: q = 1, step 62.5, three rows above and three below.
    {"-250..250", 126, 0.252, -250.0, 250.0, {63, 47, 31, 15, 78, 94, 110}, 0},
    // Zero at 80 % from the top: q = 4, step 100; the row of -100 is the bottom edge.
    {"-100..400", 126, 0.252, -100.0, 400.0, {100, 75, 50, 25}, 0},
    // Zero in the upper half: q = 4, step 100 below zero only.
    {"-400..100", 126, 0.252, -400.0, 100.0, {25, 50, 75, 100}, 0},
    // A long side of 20 times the short one: the step is a fifth of it.
    {"-20..480", 126, 0.252, -20.0, 480.0, {120, 96, 72, 48, 24}, 0},
    // The zero row on the bottom edge (z = H) or the top edge (z = 0): no
    // ratio of the sides, the plain rows, the bars from the nearer edge.
    {"zero on the bottom edge", 126, 0.252, -0.001, 500.0, {100, 75, 49, 24}, 1},
    {"zero on the top edge", 126, 0.252, -500.0, 0.001, {100, 75, 49, 24}, -1},
    {"no height", 0, 0.0, -10.0, 10.0, {0, 0, 0, 0}, -1},
};

TEST(GridRows, FollowTheReadingsScale) {
    for (const GridCase& c : kGridCases) {
        SCOPED_TRACE(c.Name);
        std::array<int32_t, 10> rows{};
        rows.fill(-7);
        int32_t baseline = 99;
        ComputeGridRows(c.Height, c.PixelsPerUnit, c.Minimum, c.Maximum, rows, &baseline);
        ASSERT_EQ(rows[0], static_cast<int32_t>(c.Rows.size()));
        EXPECT_EQ(std::vector<int32_t>(rows.begin() + 1, rows.begin() + 1 + rows[0]), c.Rows);
        EXPECT_EQ(baseline, c.Baseline);
    }
}

TEST(GridRows, CurveAndBarGridsFromTheSharedScale) {
    ResetSurveyModel();
    ScreenLayout.CurveWindowHeight = 200;
    ScreenLayout.DecayWindowHeight = 126;
    ReadingsScale.Minimum = -250.0;
    ReadingsScale.Maximum = 250.0;
    DeriveScalePixels();
    ComputeCurveGrid();
    ComputeDecayGrid();
    EXPECT_EQ(ScreenLayout.CurveGridRows[1], 100);
    EXPECT_EQ(ScreenLayout.DecayGridRows[1], 63);
    EXPECT_EQ(ProfileTrace.BarBaseline, 0);
}

// One console's bar window and curve window, 2 sensors unless told otherwise.
class ArrayWindows : public DisplayTest {
protected:
    void SetUp() override {
        DisplayTest::SetUp();
        screen_ = MakeScreen(500, 300);
        ScreenLayout.DecayWindowWidth = 46;
        ScreenLayout.DecayWindowHeight = 128;
        ScreenLayout.CurveWindowWidth = 300;
        ScreenLayout.CurveWindowHeight = 128;
        ScreenLayout.NumbersColumnWidth = 46;
        bars_ = MakeChild(screen_, u"DecayWnd", 400, 20, 46, 128);
        curve_ = MakeChild(screen_, u"CurveWnd", 20, 20, 300, 128);
        ScreenWindows.DecayWindows[0] = bars_;
        ScreenWindows.CurveWindows[0] = curve_;
        SystemSetup.ConsoleCount = 1;
        SystemSetup.ConsoleType[0] = 1;
        DeriveConsoleCounts();
        LayoutNumbersWindow();
        ScreenLayout.DecayWindowHeight = 128;
    }
    void Scale(double minimum, double maximum) {
        ReadingsScale.Minimum = minimum;
        ReadingsScale.Maximum = maximum;
        DeriveScalePixels();
        ComputeCurveGrid();
        ComputeDecayGrid();
        ConsoleLines.ReadingValid[0] = 0;
        Repaint(bars_);
        Repaint(curve_);
    }
    void Reading(double a, double b, int damaged = 0) {
        int curveY[2] = {0, 0};
        int decayY[2] = {0, 0};
        ReadingsToPixels(0, a, b, curveY, decayY, damaged);
        const plat::Hdc dc = plat::GetDC(bars_);
        UpdateConsoleBars(dc, 0, decayY);
        plat::ReleaseDC(bars_, dc);
    }
    void Step(double a, double b, int damaged = 0) {
        int curveY[2] = {0, 0};
        int decayY[2] = {0, 0};
        ReadingsToPixels(0, a, b, curveY, decayY, damaged);
        const plat::Hdc dc = plat::GetDC(curve_);
        ScrollConsoleProfile(dc, 0, curveY);
        plat::ReleaseDC(curve_, dc);
    }
    // The first and last row of column x in colour c; -1 when there is none.
    std::pair<int32_t, int32_t> Span(plat::Hwnd w, int32_t x, plat::ColourRef c) const {
        const std::vector<int32_t> rows = RowsOf(w, x, 126, c);
        if (rows.empty()) return {-1, -1};
        return {rows.front(), rows.back()};
    }
    plat::Hwnd screen_ = 0, bars_ = 0, curve_ = 0;
};

TEST_F(ArrayWindows, BarsMovedByDifferenceMatchBarsPaintedAfresh) {
    const struct {
        const char* Name;
        double Minimum, Maximum;
    } scales[] = {{"zero row", -250.0, 250.0}, {"standing", 0.0, 500.0}, {"hanging", -500.0, 0.0}};
    // Readings that cross zero both ways, sit on zero and leave the scale.
    const double readings[][2] = {{100, -40},   {-150, 30},  {200, -200}, {-50, 0},    {0, 120},
                                  {300, -300},  {-700, 900}, {20, 10},    {-20, -10},  {249, -249},
                                  {-100, -400}, {400, 100},  {-499, 499}, {60, 60},    {-60, -60}};
    for (const auto& scale : scales) {
        SCOPED_TRACE(scale.Name);
        Scale(scale.Minimum, scale.Maximum);
        int withBars = 0;
        for (const auto& r : readings) {
            SCOPED_TRACE(r[0]);
            Reading(r[0], r[1]);
            const std::vector<uint32_t> moved = Image(bars_);
            Repaint(bars_);
            EXPECT_EQ(Image(bars_), moved);
            withBars += Count(bars_, plat::Rect{0, 0, 44, 126}, kLeftCurve) > 0 ? 1 : 0;
            withBars += Count(bars_, plat::Rect{0, 0, 44, 126}, kRightCurve) > 0 ? 1 : 0;
        }
        EXPECT_GE(withBars, 12);  // the bars were there to compare
    }
}

TEST_F(ArrayWindows, ZeroRowTwoPixelsWideBarGrowsFromItUnderTheGrid) {
    Scale(-250.0, 250.0);
    const auto& g = ScreenLayout.CurveGridRows;
    std::vector<int32_t> rows(g.begin() + 1, g.begin() + 1 + g[0]);
    rows.push_back(g[1] + 1);
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(RowsOf(curve_, 100, 126, kGrid), rows)
        << "one-pixel rows, the zero row two pixels wide";
    const int32_t zero = ScreenLayout.DecayGridRows[1];
    const int32_t left = ScreenLayout.BarOffset[0] + 2;  // inside the left bar
    const int32_t right = ScreenLayout.BarOffset[1] + 2;
    Reading(100.0, -100.0);
    const auto up = static_cast<int32_t>((250 - 100) * 0.256);    // row of +100
    const auto down = static_cast<int32_t>((250 + 100) * 0.256);  // row of -100
    EXPECT_EQ(Span(bars_, left, kLeftCurve), std::make_pair(up, zero - 1));
    EXPECT_EQ(Span(bars_, right, kRightCurve), std::make_pair(zero + 2, down - 1));  // the 2-pixel zero row lies over it
    EXPECT_EQ(plat::test::WindowPixel(bars_, left, zero), kGrid);
    // Across zero in one update: the old side is erased, the new side filled.
    Reading(-100.0, 100.0);
    EXPECT_EQ(Span(bars_, left, kLeftCurve), std::make_pair(zero + 2, down - 1));
    EXPECT_EQ(Span(bars_, right, kRightCurve), std::make_pair(up, zero - 1));
    EXPECT_EQ(Count(bars_, plat::Rect{left, 0, left + 1, zero}, kLeftCurve), 0);
}

TEST_F(ArrayWindows, ProfileScrollsTwoPixelsPerReading) {
    Scale(0.0, 500.0);
    const int32_t x = 300 - 10;
    Step(250.0, 100.0);
    Step(250.0, 100.0);  // a flat step: from (x - 2, 64) to (x, 64), end left out
    const int32_t mid = (500 - 250) * 128 / 500;
    const int32_t low = (500 - 100) * 128 / 500;
    EXPECT_EQ(RowsOf(curve_, x - 2, 126, kLeftCurve), std::vector<int32_t>{mid});
    EXPECT_EQ(RowsOf(curve_, x - 1, 126, kLeftCurve), std::vector<int32_t>{mid});
    EXPECT_EQ(RowsOf(curve_, x - 1, 126, kRightCurve), std::vector<int32_t>{low});
    EXPECT_TRUE(RowsOf(curve_, x, 126, kLeftCurve).empty());
    // Each later reading moves what is drawn 2 pixels to the left.
    for (int i = 0; i < 10; ++i) Step(400.0, 100.0);
    EXPECT_EQ(RowsOf(curve_, x - 22, 126, kLeftCurve), std::vector<int32_t>{mid});
    EXPECT_EQ(RowsOf(curve_, x - 4, 126, kLeftCurve), std::vector<int32_t>{(500 - 400) * 128 / 500});
    // The grid rows run on through the fresh strip.
    for (int k = 1; k <= ScreenLayout.CurveGridRows[0]; ++k) {
        EXPECT_EQ(plat::test::WindowPixel(curve_, x + 1, ScreenLayout.CurveGridRows[static_cast<size_t>(k)]), kGrid);
    }
    // A readings scale that starts the curve afresh: no line joins the old point.
    ProfileTrace.HasPreviousPoint[0] = {0, 0};
    Step(50.0, 100.0);
    EXPECT_EQ(Count(curve_, plat::Rect{x - 2, 0, x, 126}, kLeftCurve), 0);
}

// A reading not read (its field damaged on the cable): its bar is taken
// down and stays down on a repaint, its curve has a gap; the other sensor's
// bar and curve go on, and the next reading brings the bar back.
TEST_F(ArrayWindows, AReadingNotReadTakesItsBarDownAndLeavesAGap) {
    const int32_t left = ScreenLayout.BarOffset[0] + 2;
    const int32_t right = ScreenLayout.BarOffset[1] + 2;
    const struct {
        double Minimum, Maximum, Inside;  // a reading whose bar shows
    } scales[] = {{0.0, 500.0, 300.0}, {-250.0, 250.0, -100.0}, {-500.0, 0.0, -300.0}};
    for (const auto& scale : scales) {
        SCOPED_TRACE(scale.Minimum);
        Scale(scale.Minimum, scale.Maximum);
        Reading(scale.Inside, scale.Inside);
        Reading(0.0, scale.Inside, kNoFirstReading);
        EXPECT_EQ(Count(bars_, plat::Rect{left, 0, left + 1, 126}, kLeftCurve), 0);
        EXPECT_GT(Count(bars_, plat::Rect{right, 0, right + 1, 126}, kRightCurve), 0);
        const std::vector<uint32_t> moved = Image(bars_);
        Repaint(bars_);
        EXPECT_EQ(Image(bars_), moved);
        Reading(scale.Inside, scale.Inside);
        EXPECT_GT(Count(bars_, plat::Rect{left, 0, left + 1, 126}, kLeftCurve), 0) << "the bar is back";
        const std::vector<uint32_t> back = Image(bars_);
        Repaint(bars_);
        EXPECT_EQ(Image(bars_), back);
    }

    Scale(0.0, 500.0);
    const int32_t x = 300 - 10;
    Step(250.0, 100.0);
    Step(250.0, 100.0);
    Step(0.0, 100.0, kNoFirstReading);
    Step(250.0, 100.0);
    Step(250.0, 100.0);
    std::vector<int32_t> leftColumns, rightColumns;
    for (int32_t col = x - 10; col <= x; ++col) {
        if (Count(curve_, plat::Rect{col, 0, col + 1, 126}, kLeftCurve) > 0) leftColumns.push_back(col);
        if (Count(curve_, plat::Rect{col, 0, col + 1, 126}, kRightCurve) > 0) rightColumns.push_back(col);
    }
    EXPECT_EQ(leftColumns, (std::vector<int32_t>{x - 8, x - 7, x - 2, x - 1}));
    EXPECT_EQ(rightColumns, (std::vector<int32_t>{x - 8, x - 7, x - 6, x - 5, x - 4, x - 3, x - 2, x - 1}));
}

}  // namespace
