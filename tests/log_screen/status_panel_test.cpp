// The status panel: what the paint shows for each logging state, GPS set-up and coordinate display, and the
// GPS cells after a fix, a connection break and a pause.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "acquisition/gps_fix.h"
#include "acquisition/gps_formats.h"
#include "display_fixture.h"
#include "log_screen/log_state.h"

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

// Every cell where the panel's layout rules put it for this 1018 x 733 screen
// (rows 14 pixels apart from 733 - 40 - 18, columns at 20, 20 + 698 / 3 and
// 20 + 698 - 698 / 3), with the widths of the sample texts in the panel fonts.
TEST_F(StatusPanel, CellsStandWhereTheLayoutRulesPutThemForAKnownScreen) {
    SystemSetup.CoordinatesDisplay = 0;
    LayoutStatusPanel(screen_);
    const auto w = [](const char16_t* text) { return Width(text, GdiObjects.TextFont); };
    const int32_t h = [] {
        const plat::Hdc dc = plat::GetDC(ScreenWindows.LogScreenWindow);
        plat::SelectObject(dc, GdiObjects.TextFont);
        plat::Size size;
        plat::GetTextExtent(dc, u"Map Size: 99999 meters", -1, &size);
        plat::ReleaseDC(ScreenWindows.LogScreenWindow, dc);
        return size.Cy;
    }();
    const int32_t rows[5] = {619, 633, 647, 661, 675};
    const int32_t c1 = 252, c2 = 486, right = 708;
    const int32_t w16 = w(u"# of Stns:888999"), w10 = w(u"# of Stns:");
    const int32_t totalsLabel = 20 - 18 + ((c1 - 5 - 20) - w16) / 2, totalsValue = totalsLabel + 18 + w10;
    const int32_t lineLabel = c1 - 15 + ((c2 - c1) - w16) / 2, lineValue = lineLabel + 9 + w10;
    const int32_t gpsLabel = c2 + ((c2 - c1) - w(u"Lon: -188 88 88.88888")) / 2;
    const int32_t coord = gpsLabel + 4 + w(u"Lon:"), coordRight = coord + w(u"W-888 88 88.888888");
    const int32_t lamp = gpsLabel + 6 + w(u"PHASE");
    const int32_t sat = gpsLabel + 12 + w(u"GDOP: N/A"), dop = gpsLabel + 4 + w(u"PDOP:");
    const int32_t zone = coordRight + 10 + w(u"Z:") + 2;
    const int32_t ws = w(u"Speed: 88.56 ft/s"), wl = w(u"Speed:");
    const int32_t speed = 20 + (20 + 698 - ws) / 2 + 5 + wl;
    const struct {
        const char* name;
        plat::Rect shown, rule;
    } cells[] = {
        {"state", ScreenLayout.StateRect, {23, 0, 25 + Width(u"Monitoring", GdiObjects.HeadingFont), 20}},
        {"map size", ScreenLayout.MapSizeRect, {588 - w(u"Map Size: 99999 meters"), 2, 588, 20}},
        {"file", ScreenLayout.FileRect, {totalsLabel, rows[0], c1 - 10, rows[0] + h}},
        {"total stations", ScreenLayout.TotalStationsRect, {totalsValue, rows[1], c1 - 10, rows[1] + h}},
        {"total length", ScreenLayout.TotalLengthRect, {totalsValue, rows[3], c1 - 10, rows[3] + h}},
        {"total time", ScreenLayout.TotalTimeRect, {totalsValue, rows[4], c1 - 10, rows[4] + h}},
        {"line name", ScreenLayout.LineNameRect, {lineValue, rows[0], c2 - 10, rows[0] + h}},  // to the box's edge
        {"station", ScreenLayout.StationRect, {lineValue, rows[1], c2 - 10, rows[1] + h}},  // to the box's edge
        {"station count", ScreenLayout.StationCountRect, {lineValue, rows[2], c2 - 15, rows[2] + h}},
        {"line length", ScreenLayout.LineLengthRect, {lineValue, rows[3], c2 - 15, rows[3] + h}},
        {"line time", ScreenLayout.LineTimeRect, {lineValue, rows[4], c2 - 15, rows[4] + h}},
        {"positions", ScreenLayout.PositionCountRect, {gpsLabel + 4 + w(u"Positions: "), rows[0], right, rows[0] + h}},
        {"fix quality", ScreenLayout.FixQualityRect, {gpsLabel, rows[1], lamp - 1, rows[1] + h}},
        {"lamp B", ScreenLayout.GpsLampRectB, {lamp, rows[1], lamp + 15, rows[1] + h}},
        {"lamp A", ScreenLayout.GpsLampRectA, {lamp + 20, rows[1], lamp + 35, rows[1] + h}},
        {"dop", ScreenLayout.DopRect, {dop, rows[2], sat - 1, rows[2] + h}},
        {"satellites", ScreenLayout.SatellitesRect, {sat + 4 + w(u"Sat:"), rows[2], right, rows[2] + h}},
        {"latitude", ScreenLayout.LatitudeRect, {coord, rows[3], coordRight, rows[3] + h}},
        {"longitude", ScreenLayout.LongitudeRect, {coord, rows[4], coordRight, rows[4] + h}},
        {"zone", ScreenLayout.ZoneRect, {zone, rows[4], zone + w(u"33"), rows[4] + h}},
        {"speed", ScreenLayout.SpeedRect, {speed, 605 - 18 + 5, speed + 40 + (ws - wl), 605 - 18 + 5 + h}},
        {"busy frame", ScreenLayout.BusyFrameRect, {252, 322, 332, 335}},  // 565 / 2 = 282 in the map window
        {"busy dot 4", ScreenLayout.BusyDotRects[4], {252 + 68, 322, 264 + 68, 335}},
    };
    for (const auto& c : cells) {
        EXPECT_EQ(std::vector<int32_t>({c.shown.Left, c.shown.Top, c.shown.Right, c.shown.Bottom}),
                  std::vector<int32_t>({c.rule.Left, c.rule.Top, c.rule.Right, c.rule.Bottom}))
            << c.name;
    }
    EXPECT_EQ(ScreenLayout.SatLabelX, sat);
    EXPECT_EQ(ScreenLayout.CoordValueX, coord);
}

// The two-line pause hint by pause key, centred in its box under the
// numbers (x 858 to 998, y 605 + 2 x 16 to 733 - 3), one text height apart.
TEST_F(StatusPanel, PauseHintTellsThePauseKeyAndGoesAgain) {
    const char16_t* const second[4] = {u"press any key to pause", u"press <ENTER> to pause",
                                       u"press <Space Bar> to pause", u"press key <P> pause"};
    const plat::Rect box{858, 637, 998, 730};
    for (int key = 0; key < 4; ++key) {
        SCOPED_TRACE(key);
        SystemSetup.PauseKey = key;
        ShowPauseHint(-1);
        EXPECT_EQ(CountNot(screen_, box, kPanel), 0) << "erased";
        ShowPauseHint(1);
        const plat::Hwnd ref = Scratch(1018 + 2 * plat::kFrameWidth, 733 + 2 * plat::kFrameWidth);
        const plat::Hdc dc = plat::GetDC(ref);
        const plat::Hbrush panel = plat::CreateSolidBrush(kPanel);
        plat::FillRect(dc, box, panel);
        plat::DeleteObject(panel);
        plat::SelectObject(dc, GdiObjects.TextFont);
        plat::SetBackgroundMode(dc, plat::kTransparent);
        const int32_t w1 = Width(u"Click on PAUSE button or", GdiObjects.TextFont);
        plat::TextOut(dc, 858 + (140 - w1) / 2, 637 + 16, u"Click on PAUSE button or");
        plat::TextOut(dc, 858 + (140 - Width(second[key], GdiObjects.TextFont)) / 2, 637 + 32, second[key]);
        plat::ReleaseDC(ref, dc);
        int differ = 0;
        for (int32_t y = box.Top; y < box.Bottom; ++y) {
            for (int32_t x = box.Left; x < box.Right; ++x) {
                differ += plat::test::WindowPixel(screen_, x, y) != plat::test::WindowPixel(ref, x, y) ? 1 : 0;
            }
        }
        plat::DestroyWindow(ref);
        EXPECT_EQ(differ, 0);
        EXPECT_GT(Count(screen_, box, kBlack), 0);
    }
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
