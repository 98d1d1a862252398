#include "log_screen/status_panel.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <iterator>

#include "acquisition/console_reading.h"
#include "survey_files/survey_model.h"
#include "survey_files/text_helpers.h"

namespace {

constexpr size_t kTextChars = 64;          // every panel text, terminator included
constexpr plat::ColourRef kBlack = 0x000000;
constexpr int32_t kCornerSize = 10;        // the boxes' rounded corners: 10 x 10 ellipses
constexpr int32_t kZoneGap = 10;           // between the easting's box and "Z:"
constexpr int32_t kBoxInset = 5;           // least room between a box's outline and its texts

// The dilution the receiver reports in each data format 0..8.
constexpr std::array<const char16_t*, 9> kDopLabels{
    u"PDOP:",  // 0 GGA/GSA
    u"HDOP:",  // 1 GGA
    u"PDOP:",  // 2 POS
    u"GDOP:",  // 3 LLK
    u"GDOP:",  // 4 LLQ
    u"PDOP:",  // 5 GLL
    u"PDOP:",  // 6 GGK
    u"PDOP:",  // 7 RTS pseudo GGA
    u"PDOP:",  // 8 Pseudo GLL
};

struct WideText {
    char16_t Text[kTextChars] = {};
};

WideText Widen(const char* narrow) {
    WideText out;
    NarrowToWide(narrow, out.Text, kTextChars);
    return out;
}

int32_t TextWidth(plat::Hdc dc, const char16_t* text) {
    plat::Size size;
    return plat::GetTextExtent(dc, text, -1, &size) ? size.Cx : 0;
}

int32_t TextHeightOf(plat::Hdc dc, const char16_t* text) {
    plat::Size size;
    return plat::GetTextExtent(dc, text, -1, &size) ? size.Cy : 0;
}

plat::Rect Box(int32_t left, int32_t top, int32_t right, int32_t bottom) { return plat::Rect{left, top, right, bottom}; }

void Text(plat::Hdc dc, int32_t x, int32_t y, const char16_t* text) { plat::TextOut(dc, x, y, text); }

// A value drawn on the box's own fill, clipped to `box`; one too long for
// it ends in an ellipsis, so that a cut number or name does not read as
// another.
void ClippedText(plat::Hdc dc, const plat::Rect& box, const char16_t* text) {
    plat::Rect room = box;
    plat::DrawText(dc, text, -1, &room,
                   plat::kDrawTextSingleLine | plat::kDrawTextNoPrefix | plat::kDrawTextEndEllipsis);
}

// `box` cleared, then `text` at (x, y), not clipped.
void ClearedText(plat::Hdc dc, const plat::Rect& box, int32_t x, int32_t y, const char16_t* text) {
    plat::FillRect(dc, box, GdiObjects.PanelBrush);
    plat::TextOut(dc, x, y, text);
}

int32_t Row(int r) { return ScreenLayout.PanelRowTop[static_cast<size_t>(r)]; }

// A box with 10 x 10 rounded corners, filled with the panel brush and
// outlined with the dark pen: a square box whose corners are replaced by the
// quarters of one small ellipse drawn off-screen.
void RoundedBox(plat::Hdc dc, plat::Hdc corner, int32_t l, int32_t t, int32_t r, int32_t b) {
    plat::SelectObject(dc, GdiObjects.DarkPen);
    plat::SelectObject(dc, GdiObjects.PanelBrush);
    plat::Rectangle(dc, l, t, r, b);
    if (corner == 0 || r - l < kCornerSize || b - t < kCornerSize) return;
    constexpr int32_t q = kCornerSize / 2;
    plat::BitBlt(dc, l, t, q, q, corner, 0, 0, plat::kSrcCopy);
    plat::BitBlt(dc, r - q, t, q, q, corner, q, 0, plat::kSrcCopy);
    plat::BitBlt(dc, l, b - q, q, q, corner, 0, q, plat::kSrcCopy);
    plat::BitBlt(dc, r - q, b - q, q, q, corner, q, q, plat::kSrcCopy);
}

// ---------------------------------------------------------------------------
// Paint steps

void PaintFrame(plat::Hdc dc) {
    const int32_t w = ScreenLayout.ClientWidth;
    const int32_t h = ScreenLayout.ClientHeight;
    plat::SelectObject(dc, GdiObjects.DarkPen);
    plat::SelectObject(dc, GdiObjects.PanelBrush);
    plat::MoveTo(dc, 10, 10);
    plat::LineTo(dc, 10, h - 5);
    plat::MoveTo(dc, w - 14, h - 5);
    plat::LineTo(dc, w - 14, 10);
    plat::Ellipse(dc, 7, 7, 13, 13);
    plat::Ellipse(dc, w - 17, 7, w - 11, 13);
    plat::Ellipse(dc, 7, h - 8, 13, h - 2);
    plat::Ellipse(dc, w - 17, h - 8, w - 11, h - 2);
}

// Colour 0 at the bottom, the highest colour at the top.
void PaintColourStrip(plat::Hdc dc) {
    const int32_t left = ScreenLayout.ColourStripLeft;
    const int32_t width = ScreenLayout.ColourStripWidth;
    const int32_t bottom = ScreenLayout.DecayWindowsTop + ScreenLayout.DecayWindowHeight;
    plat::SelectObject(dc, GdiObjects.DarkPen);
    plat::SelectObject(dc, GdiObjects.PanelBrush);
    plat::Rectangle(dc, left, ScreenLayout.DecayWindowsTop, left + width, bottom);
    const double step = (ScreenLayout.DecayWindowHeight - 2) / static_cast<double>(ColourScale.ColourMaxIndex + 1);
    for (int i = ColourScale.ColourMaxIndex; i >= 0; --i) {
        const auto k = static_cast<size_t>(i);
        if (ColourScale.ColourPens[k] == 0 || ColourScale.ColourBrushes[k] == 0) continue;
        plat::SelectObject(dc, ColourScale.ColourPens[k]);
        plat::SelectObject(dc, ColourScale.ColourBrushes[k]);
        plat::Rectangle(dc, left + 2, bottom - static_cast<int32_t>(i * step), left + width - 1,
                        bottom - static_cast<int32_t>((i + 1) * step));
    }
}

void PaintScaleLabels(plat::Hdc dc) {
    char narrow[kTextChars];
    const int32_t left = ScreenLayout.NumbersWindowLeft;
    const int32_t width = ScreenLayout.NumbersColumnWidth;
    std::snprintf(narrow, sizeof narrow, "%0.1f nT", ReadingsScale.Maximum);
    WideText top = Widen(narrow);
    Text(dc, left + (width - TextWidth(dc, top.Text)) / 2, ScreenLayout.DecayWindowsTop - ScreenLayout.TextHeight + 3,
         top.Text);
    std::snprintf(narrow, sizeof narrow, "%0.1f nT", ReadingsScale.Minimum);
    WideText bottom = Widen(narrow);
    Text(dc, left + (width - TextWidth(dc, bottom.Text)) / 2,
         ScreenLayout.DecayWindowsTop + ScreenLayout.DecayWindowHeight + 2, bottom.Text);
}

void PaintBoxes(plat::Hdc dc) {
    const plat::Hdc corner = plat::CreateCompatibleDC(dc);
    const plat::Hbitmap bitmap = corner != 0 ? plat::CreateCompatibleBitmap(dc, kCornerSize, kCornerSize) : 0;
    if (bitmap != 0) {
        plat::SelectObject(corner, bitmap);
        plat::FillRect(corner, Box(0, 0, kCornerSize, kCornerSize), GdiObjects.PanelBrush);
        plat::SelectObject(corner, GdiObjects.DarkPen);
        plat::SelectObject(corner, GdiObjects.PanelBrush);
        plat::Ellipse(corner, 0, 0, kCornerSize, kCornerSize);
    }
    const plat::Hdc quarters = bitmap != 0 ? corner : 0;
    const int32_t c0 = ScreenLayout.PanelColumnX[0];
    const int32_t c1 = ScreenLayout.PanelColumnX[1];
    const int32_t c2 = ScreenLayout.PanelColumnX[2];
    const int32_t top = Row(0) - 4;
    const int32_t bottom = ScreenLayout.ClientHeight - 42;
    RoundedBox(dc, quarters, c0, top, c1 - 5, bottom);
    RoundedBox(dc, quarters, c1 + 5, top, c2 - 5, bottom);
    RoundedBox(dc, quarters, c2 + 5, top, ScreenLayout.WorkAreaLeft + ScreenLayout.SpeedBarLength, bottom);
    if (corner != 0) plat::DeleteDC(corner);
    if (bitmap != 0) plat::DeleteObject(bitmap);
}

// The line time shown by a repaint is the time of the line before the current
// logging run; the next console-1 reading shows the running time.
void PaintLineBox(plat::Hdc dc) {
    char narrow[kTextChars];
    const int32_t x = ScreenLayout.LineLabelX;
    Text(dc, x, Row(0), u"Curr. Line:");
    Text(dc, x, Row(1), u"Station:      ");
    Text(dc, x, Row(2), u"# of Stns:");
    Text(dc, x, Row(3), u"Length:");
    Text(dc, x, Row(4), u"Time:");

    // A line name too wide for the text font is drawn in the condensed face,
    // which holds any 11 characters whole in the cell of an 800x600 screen: a
    // name cut short, or with letters run together, would read as another line.
    plat::FillRect(dc, ScreenLayout.LineNameRect, GdiObjects.PanelBrush);
    const plat::Hfont nameFonts[] = {GdiObjects.TextFont, GdiObjects.CondensedFont};
    plat::DrawTextInFirstFit(dc, SurveyParameters.LineName, ScreenLayout.LineNameRect, nameFonts, std::size(nameFonts));
    plat::SelectObject(dc, GdiObjects.TextFont);

    // As the live redraw draws it: a long station ends in the ellipsis inside
    // its cell, never across the box's outline where a redraw would not clear it.
    std::snprintf(narrow, sizeof narrow, "%-11.2f", SurveyParameters.CurrentStation);
    DrawPanelValue(dc, ScreenLayout.StationRect, Widen(narrow).Text, GdiObjects.BoldFont);
    std::snprintf(narrow, sizeof narrow, "%-6d", SurveyProgress.StationCount);
    DrawPanelValue(dc, ScreenLayout.StationCountRect, Widen(narrow).Text, GdiObjects.TextFont);
    std::snprintf(narrow, sizeof narrow, "%-8.1f", SurveyProgress.LineLength);
    DrawPanelValue(dc, ScreenLayout.LineLengthRect, Widen(narrow).Text, GdiObjects.TextFont);

    SplitElapsedTime(SurveyProgress.LineTimeBaseMs, &SurveyProgress.LineTimeHours, &SurveyProgress.LineTimeMinutes,
                     &SurveyProgress.LineTimeSeconds);
    std::snprintf(narrow, sizeof narrow, "%02d:%02d:%02d", SurveyProgress.LineTimeHours,
                  SurveyProgress.LineTimeMinutes, SurveyProgress.LineTimeSeconds);
    DrawPanelValue(dc, ScreenLayout.LineTimeRect, Widen(narrow).Text, GdiObjects.TextFont);
}

void PaintGpsBox(plat::Hdc dc) {
    if (GpsPortSetup.InputMode < 1) {
        plat::SelectObject(dc, GdiObjects.BoldFont);
        ClearedText(dc, ScreenLayout.LatitudeRect, ScreenLayout.CoordValueX - 15, Row(3), u"GPS Disabled");
        plat::SelectObject(dc, GdiObjects.TextFont);
        return;
    }
    const int32_t x = ScreenLayout.GpsLabelX;
    const bool geodetic = SystemSetup.CoordinatesDisplay == 0;
    const int32_t format = GpsPortSetup.DataFormat;
    Text(dc, x, Row(0), u"Positions: ");
    Text(dc, x, Row(2), format >= 0 && format < 9 ? kDopLabels[static_cast<size_t>(format)] : u"PDOP:");
    Text(dc, ScreenLayout.SatLabelX, Row(2), u"Sat:");
    Text(dc, x, Row(3), geodetic ? u"Lat:" : u"N:");
    Text(dc, x, Row(4), geodetic ? u"Lon:" : u"E:");
    if (!geodetic) Text(dc, ScreenLayout.ZoneLabelRect.Left, ScreenLayout.ZoneLabelRect.Top, u"Z:");

    char narrow[kTextChars];
    std::snprintf(narrow, sizeof narrow, "%-6d", SurveyProgress.GpsPositionCount);
    const plat::Rect& count = ScreenLayout.PositionCountRect;
    ClearedText(dc, count, count.Left, count.Top, Widen(narrow).Text);
    plat::SelectObject(dc, GdiObjects.BoldFont);
    ClearedText(dc, ScreenLayout.FixQualityRect, x, Row(1), u"DGPS");
    ClearedText(dc, ScreenLayout.DopRect, ScreenLayout.DopValueX, Row(2), u"N/A");
    plat::SelectObject(dc, GdiObjects.TextFont);
}

void PaintTotalsBox(plat::Hdc dc) {
    DrawDataFileText(dc);
    char narrow[kTextChars];
    const int32_t x = ScreenLayout.TotalsLabelX;
    const int32_t v = ScreenLayout.TotalsValueX;
    Text(dc, x, Row(1), u"Tot. Stns:");
    Text(dc, x, Row(2), u"Tot. Lines:");
    Text(dc, x, Row(3), u"Tot. Length:");
    Text(dc, x, Row(4), u"Tot. Time:");
    std::snprintf(narrow, sizeof narrow, "%-7d", SurveyProgress.RecordCount);
    Text(dc, v, Row(1), Widen(narrow).Text);
    std::snprintf(narrow, sizeof narrow, "%-5d", SurveyProgress.LineCount);
    Text(dc, v, Row(2), Widen(narrow).Text);
    std::snprintf(narrow, sizeof narrow, "%-9.0f", SurveyProgress.TotalLength);
    ClippedText(dc, ScreenLayout.TotalLengthRect, Widen(narrow).Text);
    std::snprintf(narrow, sizeof narrow, "%02d:%02d:%02d", SurveyProgress.TotalTimeHours,
                  SurveyProgress.TotalTimeMinutes, SurveyProgress.TotalTimeSeconds);
    Text(dc, v, Row(4), Widen(narrow).Text);
}

void PaintSpeedTexts(plat::Hdc dc) {
    char narrow[kTextChars];
    const int32_t y = ScreenLayout.SpeedRect.Top;
    Text(dc, ScreenLayout.SpeedLabelX, y, u"Speed:");
    std::snprintf(narrow, sizeof narrow, "%0.1f", SpeedBar.Minimum);
    Text(dc, ScreenLayout.WorkAreaLeft, y, Widen(narrow).Text);
    std::snprintf(narrow, sizeof narrow, "%0.1f", SpeedBar.Scale);
    const WideText scale = Widen(narrow);
    Text(dc, ScreenLayout.WorkAreaLeft + ScreenLayout.SpeedBarLength - TextWidth(dc, scale.Text), y, scale.Text);
}

}  // namespace

// ---------------------------------------------------------------------------

void LayoutStatusPanel(plat::Hwnd window) {
    const plat::Hdc dc = plat::GetDC(window);
    if (dc == 0) return;
    ScreenLayoutRecord& s = ScreenLayout;
    const auto w = [dc](const char16_t* text) { return TextWidth(dc, text); };

    // 1. Rows, from the bottom up.
    const int32_t step = s.LineHeight - 4;
    s.PanelRowTop[4] = s.ClientHeight - 40 - s.LineHeight;
    for (int i = 3; i >= 0; --i) s.PanelRowTop[static_cast<size_t>(i)] = s.PanelRowTop[static_cast<size_t>(i) + 1] - step;
    // 2. Columns.
    const int32_t c0 = s.WorkAreaLeft;
    const int32_t c1 = s.WorkAreaLeft + s.SpeedBarLength / 3;
    const int32_t c2 = s.WorkAreaLeft + s.SpeedBarLength - s.SpeedBarLength / 3;
    s.PanelColumnX = {c0, c1, c2};
    // 3. The logging-state text, in the heading font.
    plat::SelectObject(dc, GdiObjects.HeadingFont);
    s.StateRect = Box(s.WorkAreaLeft + 3, 0, s.WorkAreaLeft + 5 + w(u"Monitoring"), s.ScreenMargin);
    // 4. The text font from here on; h is the height of every value box.
    plat::SelectObject(dc, GdiObjects.TextFont);
    const int32_t h = TextHeightOf(dc, u"Map Size: 99999 meters");
    const int32_t mapRight = s.WorkAreaLeft + s.MapWindowWidth;
    s.MapSizeRect = Box(mapRight - w(u"Map Size: 99999 meters"), 2, mapRight, s.ScreenMargin);
    // 5. Left box.
    const int32_t w16 = w(u"# of Stns:888999");
    const int32_t w10 = w(u"# of Stns:");
    s.TotalsLabelX = c0 - 18 + ((c1 - 5 - c0) - w16) / 2;
    s.TotalsValueX = s.TotalsLabelX + 18 + w10;
    s.FileRect = Box(s.TotalsLabelX, Row(0), c1 - 10, Row(0) + h);
    s.TotalStationsRect = Box(s.TotalsValueX, Row(1), c1 - 10, Row(1) + h);
    s.TotalLengthRect = Box(s.TotalsValueX, Row(3), c1 - 10, Row(3) + h);
    s.TotalTimeRect = Box(s.TotalsValueX, Row(4), c1 - 10, Row(4) + h);
    // 6. Middle box.
    s.LineLabelX = c1 - 15 + ((c2 - c1) - w16) / 2;
    s.LineValueX = s.LineLabelX + 9 + w10;
    const auto lineValue = [&](int r) { return Box(s.LineValueX, Row(r), c2 - 15, Row(r) + h); };
    s.LineNameRect = lineValue(0);
    s.StationRect = lineValue(1);
    s.StationCountRect = lineValue(2);
    s.LineLengthRect = lineValue(3);
    s.LineTimeRect = lineValue(4);
    // The line name and the station take their rows up to the box's edge.
    s.LineNameRect.Right = c2 - 5 - kBoxInset;
    s.StationRect.Right = s.LineNameRect.Right;
    // 7. Right box: the coordinate boxes as wide as the widest value of the display.
    s.GpsLabelX = c2 + ((c2 - c1) - w(u"Lon: -188 88 88.88888")) / 2;
    const bool geodetic = SystemSetup.CoordinatesDisplay == 0;
    const int32_t labelWidth = geodetic ? w(u"Lon:") : w(u"E:");
    const int32_t valueWidth = geodetic ? w(u"W-888 88 88.888888") : w(u"-88888888.88 USft");
    const int32_t zoneLabelWidth = w(u"Z:");
    const int32_t zoneWidth = w(u"33");
    const int32_t boxRight = s.WorkAreaLeft + s.SpeedBarLength;
    if (!geodetic) {
        // On a narrow screen the easting and its zone pass the box's edge:
        // the box's texts move left, as far as its left edge allows.
        const int32_t rowWidth = 4 + labelWidth + valueWidth + kZoneGap + zoneLabelWidth + 2 + zoneWidth;
        const int32_t over = s.GpsLabelX + rowWidth - (boxRight - kBoxInset);
        if (over > 0) s.GpsLabelX = std::max(s.GpsLabelX - over, c2 + 5 + kBoxInset);
    }
    s.CoordValueX = s.GpsLabelX + 4 + labelWidth;
    s.LatitudeRect = Box(s.CoordValueX, Row(3), s.CoordValueX + valueWidth, Row(3) + h);
    s.LongitudeRect = Box(s.CoordValueX, Row(4), s.CoordValueX + valueWidth, Row(4) + h);
    int32_t zoneLabel = s.LongitudeRect.Right + kZoneGap;
    // Still too wide: the zone keeps to the box and the easting's box, wider
    // than any easting needs, ends before "Z:".
    const int32_t zoneOver = zoneLabel + zoneLabelWidth + 2 + zoneWidth - (boxRight - kBoxInset);
    if (!geodetic && zoneOver > 0) {
        zoneLabel -= zoneOver;
        s.LongitudeRect.Right = zoneLabel - 4;
    }
    s.ZoneLabelRect = Box(zoneLabel, Row(4), zoneLabel + zoneLabelWidth, Row(4) + h);
    const int32_t zone = s.ZoneLabelRect.Right + 2;
    s.ZoneRect = Box(zone, Row(4), zone + zoneWidth, Row(4) + h);
    // 8. Position count.
    const int32_t boxesRight = s.WorkAreaLeft + s.SpeedBarLength - 10;
    s.PositionCountRect = Box(s.GpsLabelX + 4 + w(u"Positions: "), Row(0), boxesRight, Row(0) + h);
    // 9. Fix quality and the two indicator circles.
    const int32_t lamps = s.GpsLabelX + 6 + w(u"PHASE");
    s.FixQualityRect = Box(s.GpsLabelX, Row(1), lamps - 1, Row(1) + h);
    s.GpsLampRectB = Box(lamps, Row(1), lamps + 15, Row(1) + h);
    s.GpsLampRectA = Box(lamps + 20, Row(1), lamps + 35, Row(1) + h);
    // 10. The map's busy indicator: five dots 12 x 13, 5 pixels apart, below the map's centre.
    const int32_t bx = MapTiles.TileLastX / 2;
    const int32_t by = MapTiles.TileLastY / 2;
    for (int32_t k = 0; k < 5; ++k) {
        s.BusyDotRects[static_cast<size_t>(k)] = Box(bx - 30 + 17 * k, by + 40, bx - 18 + 17 * k, by + 53);
    }
    s.BusyFrameRect = Box(bx - 30, by + 40, bx + 50, by + 53);
    // 11. Dilution and satellites.
    s.SatLabelX = s.GpsLabelX + 12 + w(u"GDOP: N/A");
    s.DopValueX = s.GpsLabelX + 4 + w(u"PDOP:");
    s.DopRect = Box(s.DopValueX, Row(2), s.SatLabelX - 1, Row(2) + h);
    s.SatellitesRect = Box(s.SatLabelX + 4 + w(u"Sat:"), Row(2), boxesRight, Row(2) + h);
    // 12. Speed.
    const int32_t ws = w(u"Speed: 88.56 ft/s");
    const int32_t wl = w(u"Speed:");
    s.SpeedLabelX = s.WorkAreaLeft + (s.WorkAreaLeft + s.SpeedBarLength - ws) / 2;
    const int32_t speedLeft = s.SpeedLabelX + 5 + wl;
    const int32_t speedTop = s.SpeedWindowTop - s.LineHeight + 5;
    s.SpeedRect = Box(speedLeft, speedTop, speedLeft + 40 + (ws - wl), speedTop + h);

    plat::ReleaseDC(window, dc);
}

plat::LResult PaintStatusPanel(plat::Hwnd hwnd, uint32_t, plat::WParam, plat::LParam) {
    plat::PaintInfo info;
    const plat::Hdc dc = plat::BeginPaint(hwnd, &info);
    if (dc != 0) {
        plat::SetTextColour(dc, kBlack);
        plat::SetBackgroundMode(dc, plat::kTransparent);
        if (LogScreenState.MapShown == 1) DrawMapSizeText(dc);
        PaintFrame(dc);
        if (MapDisplayOptions.DisplayType > 0 && GpsPortSetup.InputMode > 0) PaintColourStrip(dc);
        DrawLoggingStateText(dc);
        plat::SelectObject(dc, GdiObjects.TextFont);
        if (SystemSetup.ConsoleCount > 0) PaintScaleLabels(dc);
        PaintBoxes(dc);
        PaintLineBox(dc);
        PaintGpsBox(dc);
        PaintTotalsBox(dc);
        PaintSpeedTexts(dc);
        plat::EndPaint(hwnd, &info);
    }
    plat::UpdateWindow(hwnd);
    plat::SetFocus(hwnd);
    return 0;
}

// ---------------------------------------------------------------------------

void DrawPanelValue(plat::Hdc dc, const plat::Rect& box, const char16_t* text, plat::Hfont font) {
    if (dc == 0) return;
    plat::SetBackgroundMode(dc, plat::kTransparent);
    plat::SetTextColour(dc, kBlack);
    if (font != 0) plat::SelectObject(dc, font);
    plat::FillRect(dc, box, GdiObjects.PanelBrush);
    if (text != nullptr && text[0] != 0) ClippedText(dc, box, text);
}

const char16_t* LoggingStateText(int32_t state) {
    if (state == 1) return u"Logging";
    if (state == -1) return u"Stand By";
    return u"Monitoring";
}

void DrawLoggingStateText(plat::Hdc dc) {
    if (dc == 0) return;
    plat::SetBackgroundMode(dc, plat::kTransparent);
    plat::SetTextColour(dc, kBlack);
    plat::SelectObject(dc, GdiObjects.BoldFont);
    ClearedText(dc, ScreenLayout.StateRect, ScreenLayout.StateRect.Left, 0, LoggingStateText(LogScreenState.LoggingState));
}

void FormatMapSizeText(char* out, size_t capacity) {
    const long size = MapDisplayOptions.MapSize;
    switch (SystemSetup.DisplayUnits) {
        case 1: std::snprintf(out, capacity, "Map Size:%5ld ft", size); break;
        case 2: std::snprintf(out, capacity, "Map Size:%5ld US-ft", size); break;
        default: std::snprintf(out, capacity, "Map Size:%5ld m", size); break;
    }
}

void DrawMapSizeText(plat::Hdc dc) {
    char narrow[kTextChars];
    FormatMapSizeText(narrow, sizeof narrow);
    const plat::Rect& box = ScreenLayout.MapSizeRect;
    if (dc == 0) return;
    plat::SetBackgroundMode(dc, plat::kTransparent);
    plat::SetTextColour(dc, kBlack);
    plat::SelectObject(dc, GdiObjects.TextFont);
    ClearedText(dc, box, box.Left, box.Top, Widen(narrow).Text);
}

// The base name is cut to what a 64-character text holds after "File: ".
void FormatDataFileText(char* out, size_t capacity) {
    if (LogScreenState.LoggingState == kStateMonitoring) {
        std::snprintf(out, capacity, "File:        ");
    } else {
        const int room = capacity > 7 ? static_cast<int>(capacity - 7) : 0;
        std::snprintf(out, capacity, "File: %.*s", room, DataFileState.DataFileBaseName);
    }
}

void DrawDataFileText(plat::Hdc dc) {
    char narrow[kTextChars];
    FormatDataFileText(narrow, sizeof narrow);
    DrawPanelValue(dc, ScreenLayout.FileRect, Widen(narrow).Text, GdiObjects.TextFont);
}

// ---------------------------------------------------------------------------

plat::Rect GpsCellRect(GpsStatusCell cell) {
    switch (cell) {
        case GpsStatusCell::FixQuality: return ScreenLayout.FixQualityRect;
        case GpsStatusCell::Dop: return ScreenLayout.DopRect;
        case GpsStatusCell::Satellites: return ScreenLayout.SatellitesRect;
        case GpsStatusCell::Latitude: return ScreenLayout.LatitudeRect;
        case GpsStatusCell::Longitude: return ScreenLayout.LongitudeRect;
        case GpsStatusCell::Zone: return ScreenLayout.ZoneRect;
        case GpsStatusCell::PositionCount: return ScreenLayout.PositionCountRect;
        case GpsStatusCell::Speed: return ScreenLayout.SpeedRect;
        case GpsStatusCell::LineLength: return ScreenLayout.LineLengthRect;
        case GpsStatusCell::TotalLength: return ScreenLayout.TotalLengthRect;
    }
    return plat::Rect{};
}

void DrawGpsStatusText(plat::Hdc dc, GpsStatusCell cell, const char16_t* text, plat::Hfont font) {
    DrawPanelValue(dc, GpsCellRect(cell), text, font);
}

namespace {
void IndicatorCircle(plat::Hdc dc, const plat::Rect& box, plat::Hpen pen, plat::Hbrush brush) {
    plat::FillRect(dc, box, GdiObjects.PanelBrush);
    plat::SelectObject(dc, pen);
    plat::SelectObject(dc, brush);
    plat::Ellipse(dc, box.Left, box.Top + 1, box.Right, box.Bottom);
}
}  // namespace

void DrawGpsIndicator(plat::Hdc dc, int stateLamp, int maskPasses) {
    if (dc == 0) return;
    const plat::Hpen statePen = maskPasses != 0 ? GdiObjects.GreenPen : GdiObjects.RedPen;
    const plat::Hbrush stateBrush = maskPasses != 0 ? GdiObjects.GreenBrush : GdiObjects.RedBrush;
    const bool second = stateLamp == 1;
    IndicatorCircle(dc, ScreenLayout.GpsLampRectB, second ? statePen : GdiObjects.WhitePen,
                    second ? stateBrush : GdiObjects.WhiteBrush);
    IndicatorCircle(dc, ScreenLayout.GpsLampRectA, second ? GdiObjects.WhitePen : statePen,
                    second ? GdiObjects.WhiteBrush : stateBrush);
}

void DrawGpsConnectionBreak(plat::Hdc dc) {
    if (dc == 0) return;
    for (const plat::Rect* box : {&ScreenLayout.GpsLampRectB, &ScreenLayout.GpsLampRectA, &ScreenLayout.LatitudeRect,
                                  &ScreenLayout.LongitudeRect, &ScreenLayout.DopRect, &ScreenLayout.SatellitesRect}) {
        plat::FillRect(dc, *box, GdiObjects.RedBrush);
    }
}
