// The status panel: what the paint shows for each logging state, GPS set-up and coordinate display, and the
// GPS cells after a fix, a connection break and a pause.
#include <gtest/gtest.h>

#include <cstring>

#include "acquisition/gps_fix.h"
#include "acquisition/gps_formats.h"
#include "display_fixture.h"

using namespace display_test;

namespace {

class StatusPanel : public DisplayTest {
protected:
    void SetUp() override {
        DisplayTest::SetUp();
        // A 1024 x 762 main window's logging screen with three consoles and the map.
        ScreenLayoutRecord& s = ScreenLayout;
        s.ClientWidth = 1018;
        s.ClientHeight = 733;
        s.TextHeight = 16;
        s.LineHeight = 18;
        s.SpeedBarLength = 698;
        s.SpeedWindowTop = 605;
        s.MapWindowWidth = 568;
        s.NumbersWindowLeft = 858;
        s.NumbersColumnWidth = 140;
        s.DecayWindowsTop = 20;
        s.DecayWindowHeight = 433;
        s.ColourStripLeft = 841;
        s.ColourStripWidth = 14;
        MapTiles.TileLastX = 565;
        MapTiles.TileLastY = 565;
        screen_ = MakeScreen(1018, 733);
        ScreenWindows.LogScreenWindow = screen_;
    }
    void LayoutAndPaint() {
        LayoutStatusPanel(screen_);
        Repaint(screen_);
    }
    static int32_t Row(int r) { return ScreenLayout.PanelRowTop[static_cast<size_t>(r)]; }
    static int32_t H() { return ScreenLayout.LineTimeRect.Bottom - ScreenLayout.LineTimeRect.Top; }
    // `text` at (x, y) alone in the area from x to `right` on its row.
    ::testing::AssertionResult TextAt(int32_t x, int32_t y, int32_t right, const char16_t* text,
                                      plat::Hfont font = GdiObjects.TextFont) const {
        return ShowsText(screen_, plat::Rect{x, y, right, y + H()}, x, y, text, font, kBlack, kPanel);
    }
    ::testing::AssertionResult InBox(const plat::Rect& box, const char16_t* text,
                                     plat::Hfont font = GdiObjects.TextFont) const {
        return ShowsText(screen_, box, box.Left, box.Top, text, font, kBlack, kPanel);
    }
    ::testing::AssertionResult StateText(const char16_t* text) const {
        return ShowsText(screen_, ScreenLayout.StateRect, ScreenLayout.StateRect.Left, 0, text, GdiObjects.BoldFont,
                         kBlack, kPanel);
    }
    static plat::Rect Centre(const plat::Rect& r) {
        const int32_t x = (r.Left + r.Right) / 2, y = (r.Top + r.Bottom) / 2 + 1;
        return plat::Rect{x, y, x + 1, y + 1};
    }
    plat::Hwnd screen_ = 0;
};

TEST_F(StatusPanel, StateFileScaleLabelsMapSizeAndLineValues) {
    std::strcpy(DataFileState.DataFileBaseName, "261209_004");
    ReadingsScale.Minimum = -20.0;
    ReadingsScale.Maximum = 480.0;
    SurveyParameters.CurrentStation = 12.5;
    SurveyProgress.LineTimeBaseMs = 3723456;
    MapDisplayOptions.MapSize = 40;
    SystemSetup.DisplayUnits = 1;
    SystemSetup.ConsoleCount = 0;
    LogScreenState.MapShown = 0;
    LayoutAndPaint();
    // No console: no scale labels; no map: no map size.
    const int32_t top = 20 - 16 + 3;
    const plat::Rect labelRow{858, top, 858 + 140, top + H()};
    EXPECT_EQ(Count(screen_, labelRow, kBlack), 0);
    EXPECT_EQ(Count(screen_, ScreenLayout.MapSizeRect, kBlack), 0);

    SystemSetup.ConsoleCount = 3;
    LogScreenState.MapShown = 1;
    const struct {
        int32_t State;
        const char16_t* Text;
        const char16_t* File;
    } states[] = {{0, u"Monitoring", u"File:        "}, {-1, u"Stand By", u"File: 261209_004"},
                  {1, u"Logging", u"File: 261209_004"}};
    for (const auto& c : states) {
        SCOPED_TRACE(c.State);
        LogScreenState.LoggingState = c.State;
        Repaint(screen_);
        EXPECT_TRUE(StateText(c.Text));
        EXPECT_TRUE(InBox(ScreenLayout.FileRect, c.File));
    }
    const int32_t w = Width(u"480.0 nT", GdiObjects.TextFont);
    EXPECT_TRUE(ShowsText(screen_, labelRow, 858 + (140 - w) / 2, top, u"480.0 nT", GdiObjects.TextFont, kBlack, kPanel));
    const int32_t below = 20 + 433 + 2;
    const int32_t wm = Width(u"-20.0 nT", GdiObjects.TextFont);
    EXPECT_TRUE(ShowsText(screen_, plat::Rect{858, below, 998, below + H()}, 858 + (140 - wm) / 2, below, u"-20.0 nT",
                          GdiObjects.TextFont, kBlack, kPanel));
    EXPECT_TRUE(InBox(ScreenLayout.MapSizeRect, u"Map Size:   40 ft"));
    // The line time of the line before this logging run: 3 723 456 ms.
    EXPECT_TRUE(InBox(ScreenLayout.LineTimeRect, u"01:02:03"));
    EXPECT_EQ(SurveyProgress.LineTimeSeconds, 3);
    EXPECT_TRUE(TextAt(ScreenLayout.LineValueX, Row(1), ScreenLayout.StationRect.Right, u"12.50      ", GdiObjects.BoldFont));
    EXPECT_TRUE(TextAt(ScreenLayout.LineLabelX, Row(0), ScreenLayout.LineNameRect.Left, u"Curr. Line:"));
    EXPECT_TRUE(InBox(ScreenLayout.LineNameRect, u"1"));
}

TEST_F(StatusPanel, GpsBoxLabelsByFormatAndCoordinateDisplay) {
    const struct {
        int32_t Format, Display;
        const char16_t* Dop;
        const char16_t* North;
        const char16_t* East;
    } cases[] = {{0, 0, u"PDOP:", u"Lat:", u"Lon:"}, {1, 1, u"HDOP:", u"N:", u"E:"}, {3, 2, u"GDOP:", u"N:", u"E:"},
                 {4, 0, u"GDOP:", u"Lat:", u"Lon:"}, {8, 3, u"PDOP:", u"N:", u"E:"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Format);
        GpsPortSetup.DataFormat = c.Format;
        SystemSetup.CoordinatesDisplay = c.Display;
        LayoutAndPaint();
        const int32_t x = ScreenLayout.GpsLabelX;
        EXPECT_TRUE(TextAt(x, Row(2), ScreenLayout.DopValueX, c.Dop));
        EXPECT_TRUE(TextAt(x, Row(3), ScreenLayout.CoordValueX, c.North));
        EXPECT_TRUE(TextAt(x, Row(4), ScreenLayout.CoordValueX, c.East));
        EXPECT_TRUE(TextAt(x, Row(0), ScreenLayout.PositionCountRect.Left, u"Positions: "));
        EXPECT_TRUE(TextAt(ScreenLayout.SatLabelX, Row(2), ScreenLayout.SatellitesRect.Left, u"Sat:"));
        const plat::Rect zone{ScreenLayout.ZoneLabelRect.Left, Row(4), ScreenLayout.ZoneRect.Left, Row(4) + H()};
        if (c.Display == 0) {
            EXPECT_EQ(Count(screen_, zone, kBlack), 0);
        } else {
            EXPECT_TRUE(ShowsText(screen_, zone, zone.Left, zone.Top, u"Z:", GdiObjects.TextFont, kBlack, kPanel));
        }
    }
}

TEST_F(StatusPanel, GpsDisabledShowsOnlyThatAndNoColourStrip) {
    MapDisplayOptions.DisplayType = 1;
    GpsPortSetup.InputMode = 1;
    LayoutAndPaint();
    // The strip: colour 0 at the bottom, the highest colour at the top.
    EXPECT_EQ(plat::test::WindowPixel(screen_, 848, 20 + 433 - 4), ColourScaleColour(0));
    EXPECT_EQ(plat::test::WindowPixel(screen_, 848, 20 + 4), ColourScaleColour(49));

    GpsPortSetup.InputMode = 0;
    Repaint(screen_);
    EXPECT_EQ(CountNot(screen_, plat::Rect{841 + 2, 20 + 2, 841 + 14 - 2, 20 + 433 - 2}, kPanel), 0);
    const int32_t x = ScreenLayout.CoordValueX - 15;
    EXPECT_TRUE(TextAt(x, Row(3), x + Width(u"GPS Disabled", GdiObjects.BoldFont) + 4, u"GPS Disabled",
                       GdiObjects.BoldFont));
    EXPECT_EQ(Count(screen_, plat::Rect{ScreenLayout.GpsLabelX, Row(0), 20 + 698 - 10, Row(2) + H()}, kBlack), 0);
    EXPECT_EQ(Count(screen_, plat::Rect{ScreenLayout.GpsLabelX, Row(4), 20 + 698 - 10, Row(4) + H()}, kBlack), 0);
}

TEST_F(StatusPanel, GpsCellsAfterAFixABreakAndAPause) {
    GpsPortSetup.DataFormat = 1;  // GGA
    GpsWarningMask.Warning = 1;
    SystemSetup.CoordinatesDisplay = 1;
    SetupGpsSentenceFields();
    LayoutAndPaint();
    gps_test::ClearShownGpsCells();
    const auto sentence = [] {
        std::strcpy(GpsSentenceBuffer.GpsLastSentence,
                    "$GPGGA,123519,4807.038,N,01131.000,E,2,08,0.9,545.4,M,46.9,M,,*44");
        OnGpsSentence(0, 0, 0, 0);
    };
    sentence();
    // The fix: each cell shows what the handler drew, whole and clipped.
    using C = GpsStatusCell;
    EXPECT_TRUE(InBox(ScreenLayout.FixQualityRect, gps_test::ShownGpsText(C::FixQuality), GdiObjects.BoldFont));
    EXPECT_TRUE(InBox(ScreenLayout.SatellitesRect, gps_test::ShownGpsText(C::Satellites), GdiObjects.BoldFont));
    EXPECT_TRUE(InBox(ScreenLayout.LatitudeRect, gps_test::ShownGpsText(C::Latitude)));
    EXPECT_TRUE(InBox(ScreenLayout.ZoneRect, gps_test::ShownGpsText(C::Zone)));
    // The first sentence shows the state colour in the first circle (A), white in B.
    ASSERT_EQ(gps_test::ShownStateLamp(), 0);
    ASSERT_EQ(gps_test::ShownMaskPasses(), 1);
    EXPECT_EQ(Count(screen_, Centre(ScreenLayout.GpsLampRectA), kGreen), 1);
    EXPECT_EQ(Count(screen_, Centre(ScreenLayout.GpsLampRectB), kWhite), 1);
    sentence();  // the next one swaps them
    EXPECT_EQ(Count(screen_, Centre(ScreenLayout.GpsLampRectA), kWhite), 1);
    EXPECT_EQ(Count(screen_, Centre(ScreenLayout.GpsLampRectB), kGreen), 1);
    const plat::Rect& lamp = ScreenLayout.GpsLampRectB;
    EXPECT_EQ(Count(screen_, plat::Rect{lamp.Left, lamp.Top, lamp.Right, lamp.Top + 1}, kPanel), 15);  // top edge left free

    // A connection break: both circles and four value boxes red, whole.
    const plat::Hdc dc = plat::GetDC(screen_);
    DrawGpsConnectionBreak(dc);
    plat::ReleaseDC(screen_, dc);
    for (const plat::Rect* box : {&ScreenLayout.GpsLampRectB, &ScreenLayout.GpsLampRectA, &ScreenLayout.LatitudeRect,
                                  &ScreenLayout.LongitudeRect, &ScreenLayout.DopRect, &ScreenLayout.SatellitesRect}) {
        EXPECT_EQ(CountNot(screen_, *box, kRed), 0);
    }
    EXPECT_EQ(Count(screen_, ScreenLayout.FixQualityRect, kRed), 0);

    // A pause repaints the screen: "Stand By", the placeholders, no red left.
    LogScreenState.LoggingState = -1;
    Repaint(screen_);
    EXPECT_TRUE(StateText(u"Stand By"));
    EXPECT_TRUE(TextAt(ScreenLayout.GpsLabelX, Row(1), ScreenLayout.FixQualityRect.Right, u"DGPS", GdiObjects.BoldFont));
    EXPECT_TRUE(InBox(ScreenLayout.DopRect, u"N/A", GdiObjects.BoldFont));
    EXPECT_EQ(Count(screen_, plat::Rect{ScreenLayout.GpsLabelX, Row(0), 20 + 698, Row(4) + H()}, kRed), 0);
    EXPECT_EQ(plat::GetFocus(), screen_);
}

}  // namespace
