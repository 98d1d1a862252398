// The start and logging screens at every screen size the program meets: no
// visible control or text covers another or leaves its box, and every text
// at its longest fits where it is drawn, measured in the fonts that draw it.
// What the paints draw clipped is never cut clean: a value too long for its
// box ends in an ellipsis, and line names of 11 characters show whole.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "acquisition/console_reading.h"
#include "acquisition/gps_fix.h"
#include "log_screen/log_layout.h"
#include "log_screen/log_state.h"
#include "log_screen/status_panel.h"
#include "platform/dc.h"
#include "platform/text.h"
#include "shell/shell_fixture.h"
#include "shell/start_screen.h"
#include "survey_files/settings_derived.h"

namespace {

struct Shown {
    std::string Name;
    plat::Rect Box;
};

bool Overlap(const plat::Rect& a, const plat::Rect& b) {
    return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

bool Inside(const plat::Rect& in, const plat::Rect& box) {
    return in.Left >= box.Left && in.Right <= box.Right && in.Top >= box.Top && in.Bottom <= box.Bottom;
}

std::string Describe(const Shown& s) {
    char text[160];
    std::snprintf(text, sizeof text, "%s (%d,%d)-(%d,%d)", s.Name.c_str(), s.Box.Left, s.Box.Top, s.Box.Right,
                  s.Box.Bottom);
    return text;
}

void ExpectApart(const std::vector<Shown>& items) {
    for (size_t i = 0; i < items.size(); ++i) {
        for (size_t j = i + 1; j < items.size(); ++j) {
            EXPECT_FALSE(Overlap(items[i].Box, items[j].Box)) << Describe(items[i]) << " and " << Describe(items[j]);
        }
    }
}

void ExpectInside(const std::vector<Shown>& items, const plat::Rect& box, const char* boxName) {
    for (const Shown& s : items) EXPECT_TRUE(Inside(s.Box, box)) << Describe(s) << " leaves " << boxName;
}

// Texts measured in the fonts the program draws with.
class Measure {
public:
    explicit Measure(plat::Hwnd window) : window_(window), dc_(plat::GetDC(window)) {}
    ~Measure() { plat::ReleaseDC(window_, dc_); }
    Measure(const Measure&) = delete;
    Measure& operator=(const Measure&) = delete;

    int32_t Width(plat::Hfont font, const std::u16string& text) {
        plat::SelectObject(dc_, font);
        plat::Size size;
        return plat::GetTextExtent(dc_, text.c_str(), -1, &size) ? size.Cx : 0;
    }
    // The band a text's letters take from its top: trailing blanks are not
    // drawn, and the descent is left to the row below, as the rows of the
    // panel are a step shorter than a text cell.
    Shown Text(const std::string& name, plat::Hfont font, int32_t x, int32_t y, std::u16string text) {
        while (!text.empty() && text.back() == u' ') text.pop_back();
        plat::SelectObject(dc_, font);
        plat::TextMetrics m;
        plat::GetTextMetrics(dc_, &m);
        return {name, {x, y, x + Width(font, text), y + m.Ascent}};
    }

private:
    plat::Hwnd window_;
    plat::Hdc dc_;
};

std::u16string Wide(const char* narrow) { return plat::Utf8ToUtf16(narrow); }

// The texts the window's paint draws into it, as the layer drew them.
std::vector<plat::test::DrawnText> Paint(plat::Hwnd window) {
    plat::test::RecordDrawnTexts(true);
    plat::InvalidateRect(window, nullptr, true);
    plat::UpdateWindow(window);
    std::vector<plat::test::DrawnText> drawn;
    for (const auto& d : plat::test::DrawnTexts()) {
        if (d.Window == window) drawn.push_back(d);
    }
    plat::test::RecordDrawnTexts(false);
    return drawn;
}

// A clipped text whose letters pass its box is cut clean, and may read as
// another name or number: one too long must end in an ellipsis inside.
void ExpectNothingCutClean(Measure& m, const std::vector<plat::test::DrawnText>& drawn) {
    for (const auto& d : drawn) {
        if (!d.Clipped || d.Font == 0) continue;
        std::u16string letters = d.Text;
        while (!letters.empty() && letters.back() == u' ') letters.pop_back();
        EXPECT_LE(d.Cell.Left + m.Width(d.Font, letters), d.Clip.Right)
            << "\"" << plat::Utf16ToUtf8(d.Text) << "\" is cut clean at " << d.Clip.Right;
    }
}

// True when `text` was drawn whole.
bool DrawnWhole(const std::vector<plat::test::DrawnText>& drawn, const std::u16string& text) {
    for (const auto& d : drawn) {
        if (d.Text == text) return true;
    }
    return false;
}

// Line names of 11 characters, as operators type them, and of the widest
// letters: all show whole, on the start screen and in the panel's box, where
// in the condensed face each letter stands apart.
constexpr const char16_t* kLineNames[] = {u"GRID12-L045", u"NORTH-00012", u"WWWWWWWWWWW", u"MMMMMMMMMMM",
                                          u"@@@@@@@@@@@"};

// The runs of inked columns of a text drawn black: one a letter standing apart.
size_t InkRuns(plat::Hdc dc, const plat::test::DrawnText& d) {
    size_t runs = 0;
    for (int32_t x = d.Cell.Left, was = 0; x < d.Cell.Right; ++x) {
        int32_t inked = 0;
        for (int32_t y = d.Cell.Top; y < d.Cell.Bottom; ++y) inked |= plat::GetPixel(dc, x, y) == 0;
        runs += inked > was;
        was = inked;
    }
    return runs;
}

// The station, at its longest, is clipped to its cell: never drawn across the
// box's outline, where a redraw of the cell would leave its end.
void ExpectStationInItsCell(const std::vector<plat::test::DrawnText>& drawn) {
    const plat::Rect& cell = ScreenLayout.StationRect;
    for (const auto& d : drawn) {
        const bool station = d.Cell.Left == cell.Left && d.Cell.Top == cell.Top;
        EXPECT_TRUE(!station || (d.Clipped && Inside(d.Clip, cell))) << plat::Utf16ToUtf8(d.Text) << " leaves its cell";
    }
}

void SetLineName(const char16_t* name) {
    std::char_traits<char16_t>::copy(SurveyParameters.LineName, name, std::char_traits<char16_t>::length(name) + 1);
}

// The visible child windows of `parent`, controls and windows alike; each
// button's text must fit inside its frame.
std::vector<Shown> VisibleChildren(const std::vector<std::pair<std::string, plat::Hwnd>>& children) {
    std::vector<Shown> out;
    for (const auto& [name, h] : children) {
        if (h == 0 || !plat::IsWindowVisible(h)) continue;
        plat::Rect r;
        plat::GetWindowRect(h, &r);
        plat::Point origin;
        plat::ClientToScreen(plat::GetParent(h), &origin);
        out.push_back({name, {r.Left - origin.X, r.Top - origin.Y, r.Right - origin.X, r.Bottom - origin.Y}});
        int32_t text = 0, room = 0;
        if (plat::test::ButtonTextWidths(h, &text, &room)) {
            EXPECT_LE(text, room) << name << ": its text is cut";
        }
    }
    return out;
}

// The settings with the longest texts each row shows.
void LongestSettings() {
    SystemSetup.ConsoleCount = 9;
    SystemSetup.ConsoleType[4] = 0;  // "Mixed", 17 sensors
    SystemSetup.DisplayUnits = 2;
    SystemSetup.PauseKey = 2;        // "<Space Bar>"
    ArrayGeometry.ArrayUnits = 1;    // "100.00 cm"
    SetLineName(u"WWWWWWWWWWW");
    SurveyParameters.StartStation = -1234567.891;
    SurveyParameters.StationIncrement = 12.5;
    GpsPortSetup.InputMode = 5;      // "Average 10"
    GpsPortSetup.DataFormat = 8;     // "Pseudo GLL"
    DeriveConsoleCounts();
}

std::vector<Shown> StartScreenItems(plat::Hwnd main) {
    plat::Rect client;
    plat::GetClientRect(main, &client);
    const int32_t right = client.Right - 220;
    Measure m(main);
    const SettingsSummary summary = FormatSettingsSummary();
    const plat::Hdc dc = plat::GetDC(main);
    const SummaryPlaces p = PlaceProgramSettings(dc, 20, right, summary);
    plat::ReleaseDC(main, dc);
    const std::vector<plat::test::DrawnText> drawn = Paint(main);
    ExpectNothingCutClean(m, drawn);
    const plat::Hfont heading = GdiObjects.HeadingFont;
    std::vector<Shown> items;
    items.push_back(m.Text("CURRENT PROGRAM SETTINGS", heading, p.LabelX[0] + 150, 30, u"CURRENT PROGRAM SETTINGS"));
    items.push_back(m.Text("SURVEY PARAMETERS", heading, p.LabelX[0], 60, u"SURVEY PARAMETERS"));
    items.push_back(m.Text("SYSTEM SETUP", heading, p.LabelX[1] + 50, 60, u"SYSTEM SETUP"));
    for (int column = 0; column < 2; ++column) {
        for (int row = 0; row < kSummaryRows; ++row) {
            const auto c = static_cast<size_t>(column);
            const auto r = static_cast<size_t>(row);
            const std::u16string label = SummaryLabel(column, row);
            const std::string name = plat::Utf16ToUtf8(label);
            const int32_t y = SummaryRowTop(row);
            items.push_back(m.Text(name, heading, p.LabelX[c], y, label));
            // The value as drawn, in the face that holds it whole.
            const std::u16string value = (column == 0 ? summary.Left : summary.Right)[r].data();
            bool found = false;
            for (const auto& d : drawn) {
                if (d.Cell.Left != p.ValueX[c][r] || d.Clip.Top != y) continue;
                found = true;
                EXPECT_EQ(plat::Utf16ToUtf8(d.Text), plat::Utf16ToUtf8(value)) << name << ": the value is cut";
                EXPECT_LE(d.Clip.Right, p.ValueRight[c]) << name;
                items.push_back(m.Text(name + " value", d.Font, d.Cell.Left, d.Cell.Top, d.Text));
            }
            EXPECT_TRUE(found) << name << ": the value is not drawn";
        }
    }
    // The array drawing's box and title, the names under the buttons.
    const plat::Hfont text = GdiObjects.TextFont;
    items.push_back({"array drawing", {20, 250, right, client.Bottom - 10}});
    const int32_t r30 = client.Right - 30;
    const auto ending = [&](const char* name, plat::Hfont font, int32_t top, const char16_t* t) {
        return m.Text(name, font, r30 - m.Width(font, t), top, t);
    };
    items.push_back(ending("Ostrima", GdiObjects.TitleFont, client.Bottom - 100, u"Ostrima"));
    items.push_back(ending("version", text, client.Bottom - 70, u"V 2.16 SIMULATOR"));
    items.push_back(ending("maker", text, client.Bottom - 36, u"Brevant Software Inc."));
    std::vector<std::pair<std::string, plat::Hwnd>> buttons;
    for (int i = 0; i < kStartButtonCount; ++i) {
        buttons.push_back({"start button " + std::to_string(i), ScreenButtons.StartButtons[static_cast<size_t>(i)]});
    }
    for (const Shown& b : VisibleChildren(buttons)) items.push_back(b);
    ExpectInside(items, client, "the window");
    return items;
}

// The three boxes of the status panel and what each shows, at the longest
// texts the cells are given.
struct PanelBox {
    std::string Name;
    plat::Rect Frame;
    std::vector<Shown> Items;
};

// A value cell's band: the text's height, as cells are cleared in the rows' step.
Shown Band(Measure& m, const char* name, const plat::Rect& cell, plat::Hfont font) {
    Shown band = m.Text(name, font, cell.Left, cell.Top, u"8");
    band.Box.Right = cell.Right;
    return band;
}

// A value cell drawn clipped to its rectangle: its longest text must fit.
Shown Cell(Measure& m, const char* name, const plat::Rect& cell, plat::Hfont font, const std::u16string& longest) {
    EXPECT_LE(m.Width(font, longest), cell.Right - cell.Left) << name << ": \"" << plat::Utf16ToUtf8(longest)
                                                              << "\" is cut";
    return Band(m, name, cell, font);
}

std::vector<PanelBox> PanelBoxes(Measure& m) {
    const ScreenLayoutRecord& s = ScreenLayout;
    const plat::Hfont text = GdiObjects.TextFont;
    const plat::Hfont bold = GdiObjects.BoldFont;
    const auto row = [&](int r) { return s.PanelRowTop[static_cast<size_t>(r)]; };
    const int32_t c0 = s.PanelColumnX[0], c1 = s.PanelColumnX[1], c2 = s.PanelColumnX[2];
    const int32_t top = row(0) - 4, bottom = s.ClientHeight - 42;
    std::vector<PanelBox> boxes(3);
    // The letters stay off the rounded outline.
    boxes[0] = {"totals box", {c0 + 1, top, c1 - 5 - 1, bottom}, {}};
    boxes[1] = {"line box", {c1 + 5 + 1, top, c2 - 5 - 1, bottom}, {}};
    boxes[2] = {"GPS box", {c2 + 5 + 1, top, s.WorkAreaLeft + s.SpeedBarLength - 1, bottom}, {}};

    std::vector<Shown>& totals = boxes[0].Items;
    const int32_t tx = s.TotalsLabelX;
    totals.push_back(Cell(m, "File", s.FileRect, text, u"File: L0123456"));
    totals.push_back(m.Text("Tot. Stns:", text, tx, row(1), u"Tot. Stns:"));
    totals.push_back(Cell(m, "Tot. Stns cell", s.TotalStationsRect, text, u"8888888"));
    totals.push_back(m.Text("Tot. Lines:", text, tx, row(2), u"Tot. Lines:"));
    totals.push_back(m.Text("Tot. Lines value", text, s.TotalsValueX, row(2), u"88888"));
    totals.push_back(m.Text("Tot. Length:", text, tx, row(3), u"Tot. Length:"));
    totals.push_back(Cell(m, "Tot. Length value", s.TotalLengthRect, text, u"8888888"));
    totals.push_back(m.Text("Tot. Time:", text, tx, row(4), u"Tot. Time:"));
    totals.push_back(Cell(m, "Tot. Time value", s.TotalTimeRect, text, u"88:88:88"));

    std::vector<Shown>& line = boxes[1].Items;
    const std::array<const char16_t*, 5> lineLabels{u"Curr. Line:", u"Station:      ", u"# of Stns:", u"Length:",
                                                    u"Time:"};
    const std::array<plat::Rect, 5> lineCells{s.LineNameRect, s.StationRect, s.StationCountRect, s.LineLengthRect,
                                              s.LineTimeRect};
    // The line name's face and fit are checked on what the paint draws.
    const std::array<const char16_t*, 5> lineLongest{nullptr, u"-88888.88", u"888888", u"888888.8", u"88:88:88"};
    for (int r = 0; r < 5; ++r) {
        const auto k = static_cast<size_t>(r);
        const std::string name = plat::Utf16ToUtf8(lineLabels[k]) + " value";
        line.push_back(m.Text(name, text, s.LineLabelX, row(r), lineLabels[k]));
        line.push_back(r == 0 ? Band(m, name.c_str(), lineCells[k], text)
                              : Cell(m, name.c_str(), lineCells[k], r == 1 ? bold : text, lineLongest[k]));
    }

    std::vector<Shown>& gps = boxes[2].Items;
    if (GpsPortSetup.InputMode < 1) {
        gps.push_back(m.Text("GPS Disabled", bold, s.CoordValueX - 15, row(3), u"GPS Disabled"));
        return boxes;
    }
    const int32_t gx = s.GpsLabelX;
    const bool geodetic = SystemSetup.CoordinatesDisplay == 0;
    gps.push_back(m.Text("Positions:", text, gx, row(0), u"Positions: "));
    gps.push_back(Cell(m, "Positions value", s.PositionCountRect, text, u"888888"));
    gps.push_back(Cell(m, "fix quality", s.FixQualityRect, bold, u"NO FIX"));
    gps.push_back({"lamp B", s.GpsLampRectB});
    gps.push_back({"lamp A", s.GpsLampRectA});
    gps.push_back(m.Text("GDOP:", text, gx, row(2), u"GDOP:"));
    gps.push_back(Cell(m, "DOP value", s.DopRect, bold, u"88.8"));
    gps.push_back(m.Text("Sat:", text, s.SatLabelX, row(2), u"Sat:"));
    gps.push_back(Cell(m, "Sat value", s.SatellitesRect, bold, u"88"));
    gps.push_back(m.Text("Lat:/N:", text, gx, row(3), geodetic ? u"Lat:" : u"N:"));
    gps.push_back(m.Text("Lon:/E:", text, gx, row(4), geodetic ? u"Lon:" : u"E:"));
    char longest[64] = "";
    if (geodetic) {
        FormatGeodeticText('W', "17959.9999999", longest, sizeof longest);
    } else {
        FormatGridText(-9999999.99, SystemSetup.CoordinatesDisplay, longest, sizeof longest);
        gps.push_back(m.Text("Z:", text, s.ZoneLabelRect.Left, s.ZoneLabelRect.Top, u"Z:"));
        gps.push_back(Cell(m, "zone", s.ZoneRect, text, u"60"));
    }
    gps.push_back(Cell(m, "latitude", s.LatitudeRect, text, Wide(longest)));
    if (!geodetic) {
        // A UTM easting stays under 834 km; a receiver's own grid may be cut.
        FormatGridText(833999.99, SystemSetup.CoordinatesDisplay, longest, sizeof longest);
    }
    gps.push_back(Cell(m, "longitude", s.LongitudeRect, text, Wide(longest)));
    return boxes;
}

// Everything of the logging screen that is not a button: windows, the panel
// and its boxes, the texts around the windows.
std::vector<Shown> LoggingScreenItems(plat::Hwnd screen) {
    const ScreenLayoutRecord& s = ScreenLayout;
    Measure m(screen);
    const plat::Hfont text = GdiObjects.TextFont;
    std::vector<Shown> items;
    std::vector<std::pair<std::string, plat::Hwnd>> windows{{"map", ScreenWindows.MapWindow},
                                                           {"numbers", ScreenWindows.NumbersWindow},
                                                           {"speed bar", ScreenWindows.SpeedWindow}};
    for (int i = 0; i < kCurveWindowSlots; ++i) {
        windows.push_back({"curve " + std::to_string(i), ScreenWindows.CurveWindows[static_cast<size_t>(i)]});
        windows.push_back({"bars " + std::to_string(i), ScreenWindows.DecayWindows[static_cast<size_t>(i)]});
    }
    items = VisibleChildren(windows);

    items.push_back(m.Text("state", GdiObjects.BoldFont, s.StateRect.Left, 0, u"Monitoring"));
    if (LogScreenState.MapShown == 1) items.push_back(Cell(m, "map size", s.MapSizeRect, text, u"Map Size:99999 US-ft"));
    const std::u16string scale = u"-8888.8 nT";
    const int32_t scaleX = s.NumbersWindowLeft + (s.NumbersColumnWidth - m.Width(text, scale)) / 2;
    items.push_back(m.Text("scale maximum", text, scaleX, s.DecayWindowsTop - s.TextHeight + 3, scale));
    items.push_back(m.Text("scale minimum", text, scaleX, s.DecayWindowsTop + s.DecayWindowHeight + 2, scale));
    const int32_t speedY = s.SpeedRect.Top;
    items.push_back(m.Text("speed minimum", text, s.WorkAreaLeft, speedY, u"0.0"));
    items.push_back(m.Text("Speed:", text, s.SpeedLabelX, speedY, u"Speed:"));
    items.push_back(Cell(m, "speed value", s.SpeedRect, text, u"88.88 km/h"));
    const std::u16string top = u"88.8";
    items.push_back(m.Text("speed scale", text, s.WorkAreaLeft + s.SpeedBarLength - m.Width(text, top), speedY, top));

    for (const PanelBox& box : PanelBoxes(m)) {
        SCOPED_TRACE(box.Name);
        ExpectInside(box.Items, box.Frame, box.Name.c_str());
        ExpectApart(box.Items);
        items.push_back({box.Name, box.Frame});
    }
    ExpectInside(items, {0, 0, s.ClientWidth, s.ClientHeight}, "the screen");
    return items;
}

// The buttons each view of the logging screen shows: the three state sets
// with the live map buttons, and the review set.
std::vector<std::vector<Shown>> ButtonViews() {
    std::vector<std::pair<std::string, plat::Hwnd>> all;
    for (int i = 0; i < 4; ++i) {
        all.push_back({"monitoring " + std::to_string(i), ScreenButtons.MonitoringButtons[static_cast<size_t>(i)]});
        all.push_back({"stand by " + std::to_string(i), ScreenButtons.StandByButtons[static_cast<size_t>(i)]});
    }
    all.push_back({"pause", ScreenButtons.PauseButton});
    for (int i = 0; i < kMapButtonCount; ++i) {
        all.push_back({"map button " + std::to_string(i), ScreenButtons.MapButtons[static_cast<size_t>(i)]});
    }
    const auto showMap = [](std::initializer_list<int> shown) {
        for (int i = 0; i < kMapButtonCount; ++i) {
            bool on = false;
            for (int k : shown) on = on || k == i;
            plat::ShowWindow(ScreenButtons.MapButtons[static_cast<size_t>(i)], on ? plat::kShow : plat::kShowHide);
        }
    };
    std::vector<std::vector<Shown>> views;
    for (LogButtonSet set : {LogButtonSet::Monitoring, LogButtonSet::StandBy, LogButtonSet::Pause}) {
        ShowLogButtonSet(set);
        showMap({kMapLeft, kMapRight, kMapUp, kMapDown, kMapEnterReview});
        views.push_back(VisibleChildren(all));
    }
    // Review: the Stand By buttons give way to zoom and fit.
    ShowLogButtonSet(LogButtonSet::StandBy);
    for (plat::Hwnd b : ScreenButtons.StandByButtons) plat::ShowWindow(b, plat::kShowHide);
    showMap({kMapLeft, kMapRight, kMapUp, kMapDown, kMapZoomIn, kMapZoomOut, kMapFitAll, kMapExitReview});
    views.push_back(VisibleChildren(all));
    return views;
}

using ScreenLayoutOverSizes = ShellTest;

TEST_F(ScreenLayoutOverSizes, NothingOverlapsOrIsCut) {
    struct Setup {
        const char* What;
        int32_t Consoles, InputMode, Coordinates, MapShown;
    };
    constexpr Setup kSetups[] = {
        {"three consoles, UTM in US feet, map", 3, 1, 3, 1},
        {"nine consoles, UTM in metres, profiles only", 9, 1, 1, 0},
        {"one console, latitude and longitude, map", 1, 1, 0, 1},
        {"one console, GPS off", 1, 0, 0, 0},
    };
    // Screens: the smallest, the netbook, the common ones, and a large one
    // (the window is capped at 1024 x 762 there).
    constexpr std::array<std::array<int32_t, 2>, 6> kScreens{
        {{800, 600}, {1024, 600}, {1024, 768}, {1280, 720}, {1280, 800}, {1920, 1080}}};
    for (const auto& [width, height] : kScreens) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        plat::test::ResetWindows();
        ResetSurveyModel();
        LongestSettings();
        const plat::Hwnd main = OpenMainWindow(width, height);
        ASSERT_NE(main, 0);
        {
            SCOPED_TRACE("start screen");
            ExpectApart(StartScreenItems(main));
            Measure m(main);
            for (const char16_t* name : kLineNames) {
                SetLineName(name);
                const auto drawn = Paint(main);
                ExpectNothingCutClean(m, drawn);
                EXPECT_TRUE(DrawnWhole(drawn, name)) << plat::Utf16ToUtf8(name) << " is cut";
            }
            SetLineName(u"WWWWWWWWWWW");
        }
        for (const Setup& setup : kSetups) {
            SCOPED_TRACE(setup.What);
            SystemSetup.ConsoleCount = setup.Consoles;
            SystemSetup.CoordinatesDisplay = setup.Coordinates;
            GpsPortSetup.InputMode = setup.InputMode;
            LogScreenState.MapShown = setup.MapShown;
            LayoutLogScreen();
            LayoutStatusPanel(ScreenWindows.LogScreenWindow);
            plat::ShowWindow(ScreenWindows.LogScreenWindow, plat::kShow);
            const std::vector<Shown> screen = LoggingScreenItems(ScreenWindows.LogScreenWindow);
            Measure m(ScreenWindows.LogScreenWindow);
            const plat::Hdc dc = plat::GetDC(ScreenWindows.LogScreenWindow);
            SurveyParameters.CurrentStation = -999999999.99;
            for (const char16_t* name : kLineNames) {
                SetLineName(name);
                const auto drawn = Paint(ScreenWindows.LogScreenWindow);
                ExpectNothingCutClean(m, drawn);
                EXPECT_TRUE(DrawnWhole(drawn, name)) << plat::Utf16ToUtf8(name) << " is cut";
                ExpectStationInItsCell(drawn);
                for (const auto& d : drawn) {
                    if (d.Text != name || d.Font != GdiObjects.CondensedFont) continue;
                    EXPECT_EQ(InkRuns(dc, d), d.Text.size()) << plat::Utf16ToUtf8(name) << ": letters run together";
                }
            }
            plat::ReleaseDC(ScreenWindows.LogScreenWindow, dc);
            SurveyParameters.CurrentStation = -1234567.89;  // the longest that shows whole
            EXPECT_TRUE(DrawnWhole(Paint(ScreenWindows.LogScreenWindow), u"-1234567.89")) << "the station is cut";
            SurveyParameters.CurrentStation = -999999999.99;
            plat::test::RecordDrawnTexts(true);
            ShowConsoleStatistics();  // the live redraw
            ExpectNothingCutClean(m, plat::test::DrawnTexts());
            ExpectStationInItsCell(plat::test::DrawnTexts());
            plat::test::RecordDrawnTexts(false);
            for (const std::vector<Shown>& buttons : ButtonViews()) {
                std::vector<Shown> all = screen;
                all.insert(all.end(), buttons.begin(), buttons.end());
                ExpectApart(all);
            }
        }
    }
}

}  // namespace
