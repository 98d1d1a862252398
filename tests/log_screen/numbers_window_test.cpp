// The numbers window and the speed bar: reading texts, the header by the
// array's console types, each console's band, the bar geometry inside the
// bar windows, and the speed bar's blue and white parts.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "display_fixture.h"
#include "log_screen/numbers_window.h"
#include "log_screen/speed_bar.h"
#include "survey_files/data_records.h"
#include "survey_files/settings_derived.h"

using namespace display_test;

namespace {

TEST(ReadingText, KeepsEightCharactersAndCapsAtFiveDigits) {
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double Reading;
        const char* Text;
    } cases[] = {
        {0.0, "     0.0"},      {999.9, "   999.9"},   {-999.94, "  -999.9"},
        {999.96, "  1000.0"},   // rounds up, still the one-decimal form
        {1000.0, "    1000"},   {-1000.0, "   -1000"}, {12345.6, "   12346"},  {99999.4, "   99999"},
        {100000.0, "   99999"}, {-250000.0, "  -99999"}, {1.0e300, "   99999"}, {-inf, "  -99999"},
        {std::nan(""), "     0.0"},
    };
    for (const auto& c : cases) {
        char text[64];
        FormatReadingText(c.Reading, text, sizeof text);
        EXPECT_STREQ(text, c.Text) << c.Reading;
    }
}

class NumbersLayout : public OstrimaTest {};

TEST_F(NumbersLayout, BarsShareTwentyTwoUnitsAndBandsSplitTheWindowBelowItsHeader) {
    const struct {
        int32_t Consoles, Dual;
        int32_t Width, Offset0, Offset1;
    } cases[] = {
        {1, 0, 75, 31, 0},  // u = (140 - 2) / 22: 5 + 12 + 5
        {3, 0, 23, 9, 0},   // D = 45.33, u = 1.97
        {5, 1, 8, 3, 14},   // D = 26.4, u = 1.109: 2 + 8 + 2 + 8 + 2
        {6, 1, 4, 3, 11},   // D = 21.67, u = 0.894: 4 + 5 + 4 + 5 + 4
        {9, 2, 2, 2, 6},    // D = 13.78, u = 0.535
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Consoles);
        ResetSurveyModel();
        ScreenLayout.NumbersColumnWidth = 140;
        SystemSetup.ConsoleCount = c.Consoles;
        SystemSetup.DualConsoleCount = c.Dual;
        LayoutNumbersWindow();
        EXPECT_EQ(ScreenLayout.BarWidth, c.Width);
        EXPECT_EQ(ScreenLayout.BarOffset[0], c.Offset0);
        EXPECT_EQ(ScreenLayout.BarOffset[1], c.Offset1);
    }

    ScreenLayout.NumbersWindowHeight = 82;
    SystemSetup.ConsoleCount = 3;
    LayoutNumbersWindow();
    // (82 - 2 - 30) / 3 = 16 pixels per band, each one pixel short of the next.
    EXPECT_EQ(Edges(ScreenLayout.ConsoleTextRects[2]), (std::array<int32_t, 4>{10, 30 + 32, 140, 30 + 47}));
    // No console: nothing divided by zero, the bands stay as they were.
    SystemSetup.ConsoleCount = 0;
    LayoutNumbersWindow();
    EXPECT_EQ(ScreenLayout.ConsoleTextRects[2].Top, 30 + 32);
}

class NumbersWindow : public DisplayTest {
protected:
    void SetUp() override {
        DisplayTest::SetUp();
        screen_ = MakeScreen(400, 200);
        ScreenLayout.NumbersColumnWidth = 240;
        ScreenLayout.NumbersWindowHeight = 130;
        numbers_ = MakeChild(screen_, u"NumbersWnd", 10, 10, 240, 130);
        ScreenWindows.NumbersWindow = numbers_;
    }
    void Configure(int consoles, std::initializer_list<int32_t> types) {
        SystemSetup.ConsoleCount = consoles;
        size_t i = 0;
        for (int32_t t : types) SystemSetup.ConsoleType[i++] = t;
        DeriveConsoleCounts();
        LayoutNumbersWindow();
        Repaint(numbers_);
    }
    // `text` centred (header, blue) or right-aligned 10 pixels before the
    // column's end (reading, black) in column 0 or 1 of the rows top..bottom.
    ::testing::AssertionResult Shows(int column, int32_t top, int32_t bottom, const char16_t* text, bool header) const {
        const int32_t v = ScreenLayout.NumbersValueWidth;
        const int32_t left = 10 + column * v;
        const int32_t w = Width(text, GdiObjects.TextFont);
        const int32_t x = header ? left + (v - w) / 2 : left + v - w - 10;
        return ShowsText(numbers_, plat::Rect{left, top, column == 0 ? left + v : 238, bottom}, x, top, text,
                         GdiObjects.TextFont, header ? kBlue : kBlack, kWhite);
    }
    void Draw(int console, double a, double b, int damaged = 0) {
        const plat::Hdc dc = plat::GetDC(numbers_);
        DrawConsoleNumbers(dc, console, a, b, damaged);
        plat::ReleaseDC(numbers_, dc);
    }
    plat::Hwnd screen_ = 0;
    plat::Hwnd numbers_ = 0;
};

TEST_F(NumbersWindow, HeaderFollowsTheArraysConsoleTypes) {
    Configure(3, {0, 0, 0});
    EXPECT_EQ(ScreenLayout.NumbersValueWidth, 115);  // (240 - 10) / 2
    EXPECT_EQ(ScreenLayout.NumbersRowHeight, (130 - 2 - 30) / 3);
    EXPECT_TRUE(Shows(0, 7, 28, u"Sensor", true));
    EXPECT_EQ(CountNot(numbers_, plat::Rect{125, 0, 238, 28}, kWhite), 0);
    EXPECT_TRUE(ShowsText(numbers_, plat::Rect{0, 0, 10, 28}, (10 - Width(u"#", GdiObjects.TextFont)) / 2, 7, u"#",
                          GdiObjects.TextFont, kBlue, kWhite));

    // One two-sensor console anywhere switches the header for every row.
    Configure(3, {0, 0, 1});
    EXPECT_TRUE(Shows(0, 7, 28, u"Sensor L", true));
    EXPECT_TRUE(Shows(1, 7, 28, u"Sensor R", true));
    // The console numbers down the left column.
    EXPECT_TRUE(ShowsText(numbers_, plat::Rect{0, 30 + 32, 10, 30 + 48}, 1, 30 + 32, u"2 ", GdiObjects.TextFont, kBlue,
                          kWhite));
}

TEST_F(NumbersWindow, ReadingsRightAlignedInTheirColumns) {
    Configure(2, {0, 1});
    Draw(1, 250000.0, -12.25);
    Draw(0, 999.9, 77.0);
    const plat::Rect& one = ScreenLayout.ConsoleTextRects[0];
    const plat::Rect& two = ScreenLayout.ConsoleTextRects[1];
    EXPECT_TRUE(Shows(0, one.Top, one.Bottom, u"   999.9", false));
    // A one-sensor console shows nothing in the second column.
    EXPECT_EQ(CountNot(numbers_, plat::Rect{one.Left + 115, one.Top, one.Right - 2, one.Bottom}, kWhite), 0);
    EXPECT_TRUE(Shows(0, two.Top, two.Bottom, u"   99999", false));
    EXPECT_TRUE(Shows(1, two.Top, two.Bottom, u"   -12.2", false));
    // The next reading replaces the band's text whole.
    Draw(0, 1000.0, 0.0);
    EXPECT_TRUE(Shows(0, one.Top, one.Bottom, u"    1000", false));
}

TEST_F(NumbersWindow, AReadingNotReadShowsAQuestionMark) {
    Configure(2, {0, 1});
    const plat::Rect& one = ScreenLayout.ConsoleTextRects[0];
    const plat::Rect& two = ScreenLayout.ConsoleTextRects[1];
    Draw(0, 4.0, 0.0, kNoFirstReading);
    Draw(1, 4.0, -12.25, kNoFirstReading);
    EXPECT_TRUE(Shows(0, one.Top, one.Bottom, u"?", false));
    EXPECT_TRUE(Shows(0, two.Top, two.Bottom, u"?", false));
    EXPECT_TRUE(Shows(1, two.Top, two.Bottom, u"   -12.2", false));
    Draw(1, 4.0, -12.25, kNoSecondReading);
    EXPECT_TRUE(Shows(0, two.Top, two.Bottom, u"     4.0", false));
    EXPECT_TRUE(Shows(1, two.Top, two.Bottom, u"?", false));
}

TEST_F(NumbersWindow, NoConsoleLeavesTheWindowsBlankAndSettled) {
    SystemSetup.ConsoleCount = 0;
    const plat::Hwnd speed = MakeChild(screen_, u"SpeedWnd", 10, 150, 200, 10);
    ScreenWindows.SpeedWindow = speed;
    Repaint(numbers_);
    Repaint(speed);
    EXPECT_EQ(CountNot(numbers_, plat::Rect{0, 0, 238, 128}, kWhite), 0);
    EXPECT_EQ(CountNot(speed, plat::Rect{0, 0, 198, 8}, kWhite), 0);
    plat::Rect pending;
    EXPECT_FALSE(plat::GetUpdateRect(numbers_, &pending));
    EXPECT_FALSE(plat::GetUpdateRect(speed, &pending));
}

TEST_F(NumbersWindow, SpeedBarBlueUpToTheSpeedWhiteBeyond) {
    ScreenLayout.SpeedBarLength = 200;
    ScreenLayout.SpeedWindowHeight = 8;
    const plat::Hwnd speed = MakeChild(screen_, u"SpeedWnd", 10, 150, 202, 10);
    const struct {
        int32_t White;
        int Blue;  // columns of blue
    } cases[] = {{200, 0}, {0, 200}, {150, 50}, {-30, 200}, {500, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.White);
        const plat::Hdc dc = plat::GetDC(speed);
        DrawSpeedBar(dc, c.White);
        plat::ReleaseDC(speed, dc);
        EXPECT_EQ(Count(speed, plat::Rect{0, 3, 200, 4}, kBlue), c.Blue);
        EXPECT_EQ(Count(speed, plat::Rect{0, 3, 200, 4}, kWhite), 200 - c.Blue);
    }
}

}  // namespace
