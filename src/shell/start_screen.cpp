#include "shell/start_screen.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/dc.h"
#include "shell/setup_dialogs.h"
#include "survey_files/survey_model.h"
#include "survey_files/text_helpers.h"

namespace {

constexpr plat::ColourRef kFrameGrey = 0x404040;
constexpr plat::ColourRef kMakerBlue = 0xFF0000;
constexpr plat::ColourRef kProductGrey = 0xA0A0A0;
constexpr plat::ColourRef kBlack = 0x000000;
constexpr plat::ColourRef kWhite = 0xFFFFFF;
constexpr plat::ColourRef kTitleGrey = 0x505050;
constexpr plat::ColourRef kSensorRed = 0x0000FF;
constexpr plat::ColourRef kLeadingBlue = 0xFF0000;

constexpr int32_t kDrawingBoxTop = 250;
constexpr int32_t kDrawingTop = 280;

// A pixel coordinate from a double, truncated toward zero. Typed settings
// reach the drawing unchecked, so anything far off the window is held at a
// distance whose sums still fit an int; the layer clips the rest.
int32_t Pixels(double value) {
    constexpr double kFar = 1000000.0;
    if (!(value > -kFar)) return value != value ? 0 : static_cast<int32_t>(-kFar);  // also NaN -> 0
    if (value > kFar) return static_cast<int32_t>(kFar);
    return static_cast<int32_t>(value);
}

void Widen(const char* narrow, std::array<char16_t, kSummaryTextChars>& out) {
    NarrowToWide(narrow, out.data(), out.size());
}

void Copy(const char16_t* text, std::array<char16_t, kSummaryTextChars>& out) {
    size_t i = 0;
    for (; text[i] != 0 && i + 1 < out.size(); ++i) out[i] = text[i];
    out[i] = 0;
}

template <size_t N>
const char* Pick(const std::array<const char*, N>& names, int32_t index) {
    return index >= 0 && static_cast<size_t>(index) < N ? names[static_cast<size_t>(index)] : "";
}

// A length held in metres, in the array unit.
void FormatArrayLength(double metres, std::array<char16_t, kSummaryTextChars>& out) {
    static constexpr std::array<const char*, 4> kFormats{"%.2f m", "%.2f cm", "%.2f ft", "%.2f in"};
    const int32_t unit = ArrayGeometry.ArrayUnits;
    const char* format = unit >= 0 && unit < 4 ? kFormats[static_cast<size_t>(unit)] : kFormats[0];
    char text[kSummaryTextChars];
    std::snprintf(text, sizeof text, format, metres / ArrayUnitFactor(unit));
    Widen(text, out);
}

// A value held in display units already, with the unit's name.
void FormatDisplayValue(const char* number, double value, std::array<char16_t, kSummaryTextChars>& out) {
    static constexpr std::array<const char*, 3> kUnits{"m", "ft", "USft"};
    char format[16];
    std::snprintf(format, sizeof format, "%s %s", number, Pick(kUnits, SystemSetup.DisplayUnits));
    char text[kSummaryTextChars];
    std::snprintf(text, sizeof text, format, value);
    Widen(text, out);
}

// The text right-aligned to end at `right`.
void TextEndingAt(plat::Hdc dc, int32_t right, int32_t top, const char16_t* text) {
    plat::Size size;
    plat::GetTextExtent(dc, text, -1, &size);
    plat::TextOut(dc, right - size.Cx, top, text);
}

int32_t TextWidth(plat::Hdc dc, const char16_t* text) {
    plat::Size size;
    if (!plat::GetTextExtent(dc, text, -1, &size)) return 0;
    return size.Cx;
}

void DrawFrame(plat::Hdc dc, int32_t right, int32_t bottom) {
    const plat::Hpen pen = plat::CreatePen(plat::kPenSolid, 1, kFrameGrey);
    const plat::Hgdi old = plat::SelectObject(dc, pen);
    plat::MoveTo(dc, 10, 14);
    plat::LineTo(dc, 10, bottom - 10);
    const plat::Point corners[] = {{right - 200, 14}, {right - 14, 14}, {right - 14, bottom - 10},
                                   {right - 200, bottom - 10}, {right - 200, bottom - 90}};
    plat::Polyline(dc, corners, std::size(corners));
    plat::Ellipse(dc, 7, 11, 13, 17);
    plat::Ellipse(dc, right - 203, 11, right - 197, 17);
    plat::Ellipse(dc, right - 203, bottom - 93, right - 197, bottom - 87);
    plat::Ellipse(dc, 7, bottom - 13, 13, bottom - 7);
    plat::SelectObject(dc, old);
    plat::DeleteObject(pen);
}

void DrawNames(plat::Hdc dc, int32_t right, int32_t bottom) {
    plat::SetBackgroundMode(dc, plat::kTransparent);
    plat::SelectObject(dc, GdiObjects.TextFont);
    plat::SetTextColour(dc, kMakerBlue);
    TextEndingAt(dc, right - 30, bottom - 36, u"Brevant Software Inc.");
    plat::SelectObject(dc, GdiObjects.TitleFont);
    plat::SetTextColour(dc, kProductGrey);
    TextEndingAt(dc, right - 30, bottom - 100, u"Ostrima");
    char version[32];
    const bool simulated = ReaderThreads.SimulateConsoles != 0 || ReaderThreads.SimulateGps != 0;
    std::snprintf(version, sizeof version, "V %s%s", ProgramSettings.Version, simulated ? " SIMULATOR" : "");
    char16_t wide[32];
    NarrowToWide(version, wide, 32);
    plat::SelectObject(dc, GdiObjects.TextFont);
    plat::SetTextColour(dc, kBlack);
    TextEndingAt(dc, right - 30, bottom - 70, wide);
}

// ---------------------------------------------------------------------------
// The array drawing

struct ArrayDrawing {
    int32_t L, Rt, T, Bt, W, H;   // the box and its drawing area
    double Scale;                 // pixels per metre
    int32_t X0, Y0;               // the first sensor
    double Radius;                // sensor radius, metres
};

// Extents and scale. False when the scale is not a finite number above 0
// (a degenerate or absurd geometry): nothing of the array is drawn then.
bool ScaleArrayDrawing(ArrayDrawing* d) {
    const ArrayGeometryRecord& a = ArrayGeometry;
    const int32_t consoles = std::clamp(SystemSetup.ConsoleCount, 0, kMaxConsoles);
    double w = 0.0;
    for (int32_t i = 0; i < consoles; ++i) {
        if (i > 0) w += a.ConsoleSeparation;
        if (SystemSetup.ConsoleType[static_cast<size_t>(i)] == 1) w += a.UnitSeparation;
    }
    d->Radius = consoles == 1 ? 0.1 : consoles == 2 ? 0.15 : 0.2;
    double leftShift = 0.0;
    if (a.GpsAntennaOffsetX > w) w = a.GpsAntennaOffsetX;
    if (a.GpsAntennaOffsetX < 0) {
        w += -a.GpsAntennaOffsetX;
        leftShift = a.GpsAntennaOffsetX;
    }
    const double h = a.GpsAntennaOffsetY == 0.0 ? d->Radius : std::fabs(a.GpsAntennaOffsetY);
    const double downShift = a.GpsAntennaOffsetY < 0 ? a.GpsAntennaOffsetY : 0.0;
    const double s = std::min(d->W * 0.7 / w, d->H * 0.7 / h);
    if (!(std::isfinite(s) && s > 0.0)) return false;
    d->Scale = s;
    d->X0 = d->L - Pixels(leftShift * s) + (d->W - Pixels(s * w)) / 2;
    d->Y0 = Pixels(downShift * s) + d->Bt - (d->H - Pixels(s * h)) / 2;
    return true;
}

void DrawAntenna(plat::Hdc dc, const ArrayDrawing& d) {
    const double s = d.Scale;
    const int32_t cx = d.X0 + Pixels(s * ArrayGeometry.GpsAntennaOffsetX);
    const int32_t cy = d.Y0 - Pixels(s * ArrayGeometry.GpsAntennaOffsetY);
    int32_t radius = 25;
    if (SystemSetup.ConsoleCount >= 1) {
        double diameter = 2.0 * d.Radius;
        if (Pixels(s * 2.0 * diameter) < 4) diameter = 4.0 / s;
        radius = Pixels(s * diameter);
        if (cy - radius < d.T) radius = cy - d.T - 4;
        if (radius < 4) radius = 4;
    } else {
        plat::MoveTo(dc, d.X0, d.Y0 + 4);
        plat::LineTo(dc, d.X0, d.Y0 - 4);
    }
    plat::Ellipse(dc, cx - radius, cy - radius, cx + radius, cy + radius);
}

// Boxes under the consoles, the sensor circles, and the leading point's x.
int32_t DrawConsolesAndSensors(plat::Hdc dc, const ArrayDrawing& d, int32_t bottom) {
    const ArrayGeometryRecord& a = ArrayGeometry;
    const int32_t consoles = std::clamp(SystemSetup.ConsoleCount, 0, kMaxConsoles);
    const auto dual = [](int32_t i) { return SystemSetup.ConsoleType[static_cast<size_t>(i)] == 1; };
    const double s = d.Scale;
    const int32_t rs = Pixels(s * d.Radius);
    const int32_t halfUnit = Pixels(s * a.UnitSeparation) / 2;
    const int32_t cs = Pixels(s * a.ConsoleSeparation);
    int32_t hw = Pixels(0.2 * a.ConsoleSeparation * s);
    int32_t hh = Pixels(0.5 * a.ConsoleSeparation * s);
    if (hw > rs) {
        hw = Pixels(rs * 0.75);
        hh = 2 * hw;
    }
    const int32_t yc = Pixels(rs * 1.25 + hh) + d.Y0;
    int32_t boxBottom = yc + hh;
    if (boxBottom > bottom - 10) boxBottom = bottom - 12;
    int32_t x = d.X0 - cs;
    for (int32_t i = 0; i < consoles; ++i) {
        x += cs;
        if (dual(i)) x += halfUnit;
        if (i > 0 && dual(i - 1)) x += halfUnit;
        plat::Rectangle(dc, x - hw, yc - hh, x + hw, boxBottom);
    }

    const plat::Hpen red = plat::CreatePen(plat::kPenSolid, 2, kSensorRed);
    const plat::Hgdi old = plat::SelectObject(dc, red);
    x = d.X0 - cs;
    int32_t k = 0;
    int32_t lastX = d.X0;
    int32_t leadX = 0;
    bool leadFound = false;
    const auto sensor = [&](int32_t at) {
        ++k;
        plat::Ellipse(dc, at - rs, d.Y0 - rs, at + rs, d.Y0 + rs);
        if (k == SystemSetup.LeadingPoint) {
            leadX = at;
            leadFound = true;
        }
        lastX = at;
    };
    for (int32_t i = 0; i < consoles; ++i) {
        x += cs;
        sensor(x);
        if (dual(i)) {
            x += 2 * halfUnit;
            sensor(x);
        }
    }
    plat::SelectObject(dc, old);
    plat::DeleteObject(red);
    // "Array Center", and a leading sensor the array does not have.
    return leadFound ? leadX : (d.X0 + lastX) / 2;
}

void DrawLeadingPoint(plat::Hdc dc, const ArrayDrawing& d, int32_t leadX) {
    const int32_t arm = 2 * Pixels(d.Scale * d.Radius) / 3;
    const plat::Hpen blue = plat::CreatePen(plat::kPenSolid, 2, kLeadingBlue);
    const plat::Hgdi old = plat::SelectObject(dc, blue);
    plat::MoveTo(dc, leadX - arm, d.Y0);
    plat::LineTo(dc, leadX + arm, d.Y0);
    plat::MoveTo(dc, leadX, d.Y0 - arm);
    plat::LineTo(dc, leadX, d.Y0 + arm);
    plat::SelectObject(dc, old);
    plat::DeleteObject(blue);
}

void DrawTravelArrow(plat::Hdc dc, const ArrayDrawing& d) {
    const plat::Hpen white = plat::CreatePen(plat::kPenSolid, 3, kWhite);
    const plat::Hgdi old = plat::SelectObject(dc, white);
    const int32_t x = Pixels(d.L + 0.05 * d.W);
    const int32_t top = Pixels(d.T + 0.1 * d.H);
    plat::MoveTo(dc, x, Pixels(d.T + 0.7 * d.H));
    plat::LineTo(dc, x, top);
    const plat::Point head[] = {{x - 6, top + 10}, {x, top}, {x + 6, top + 10}};
    plat::Polyline(dc, head, std::size(head));
    plat::SelectObject(dc, old);
    plat::DeleteObject(white);
}

void DrawArray(plat::Hdc dc, int32_t right, int32_t bottom) {
    ArrayDrawing d{};
    d.L = 20;
    d.Rt = right - 220;
    d.T = kDrawingTop;
    d.Bt = bottom - 10;
    d.W = d.Rt - d.L;
    d.H = d.Bt - d.T;
    const plat::Hpen white = plat::CreatePen(plat::kPenSolid, 1, kWhite);
    const plat::Hgdi oldPen = plat::SelectObject(dc, white);
    const plat::Hgdi oldBrush = plat::SelectObject(dc, plat::GetStockObject(plat::kNullBrush));
    plat::Rectangle(dc, d.L, kDrawingBoxTop, d.Rt, d.Bt);
    plat::SetTextColour(dc, kTitleGrey);
    const char16_t* title = u"Array Geometry Setup";
    plat::TextOut(dc, (d.L + d.Rt - TextWidth(dc, title)) / 2, kDrawingBoxTop + 2, title);

    if (ScaleArrayDrawing(&d)) {
        const plat::Hpen black = plat::CreatePen(plat::kPenSolid, 1, kBlack);
        plat::SelectObject(dc, black);
        plat::SelectObject(dc, plat::GetStockObject(plat::kWhiteBrush));
        DrawAntenna(dc, d);
        const int32_t leadX = DrawConsolesAndSensors(dc, d, bottom);
        plat::SelectObject(dc, white);
        plat::DeleteObject(black);
        DrawLeadingPoint(dc, d, leadX);
    }
    DrawTravelArrow(dc, d);
    plat::SelectObject(dc, oldBrush);
    plat::SelectObject(dc, oldPen);
    plat::DeleteObject(white);
}

}  // namespace

SettingsSummary FormatSettingsSummary() {
    static constexpr std::array<const char*, 4> kPauseKeys{"any key", "<Enter>", "<Space Bar>", "<P>"};
    static constexpr std::array<const char*, 7> kInputModes{"Disabled",  "Enabled",    "Manual",    "Average 2",
                                                            "Average 5", "Average 10", "Average 20"};
    static constexpr std::array<const char*, 9> kFormats{"GGA/GSA", "GGA", "POS",       "LLK",       "LLQ",
                                                         "GLL",     "GGK", "Leica TPS", "Pseudo GLL"};
    const SystemSetupRecord& sys = SystemSetup;
    const bool consoles = sys.ConsoleCount >= 1;
    SettingsSummary out;
    char text[kSummaryTextChars];

    FormatArrayLength(ArrayGeometry.ConsoleSeparation, out.Left[0]);
    if (sys.DualConsoleCount == 0) Widen("N/A", out.Left[1]);
    else FormatArrayLength(ArrayGeometry.UnitSeparation, out.Left[1]);
    if (consoles) {
        Copy(SurveyParameters.LineName, out.Left[2]);
        FormatDisplayValue("%.2f", SurveyParameters.LineIncrement, out.Left[3]);
        FormatDisplayValue("%.3f", SurveyParameters.StartStation, out.Left[4]);
        FormatDisplayValue("%.3f", SurveyParameters.StationIncrement, out.Left[5]);
    } else {
        for (int row = 2; row < kSummaryRows; ++row) Widen("N/A", out.Left[static_cast<size_t>(row)]);
    }

    std::snprintf(text, sizeof text, "%d", static_cast<int>(sys.ConsoleCount));
    Widen(text, out.Right[0]);
    Copy(ArrayConsoleTypeText(), out.Right[1]);
    std::snprintf(text, sizeof text, "%d", static_cast<int>(sys.ConsoleCount + sys.DualConsoleCount));
    Widen(text, out.Right[2]);
    Widen(Pick(kPauseKeys, sys.PauseKey), out.Right[3]);
    const int32_t mode = GpsPortSetup.InputMode;
    Widen(mode == 1 && !consoles ? "Auto" : Pick(kInputModes, mode), out.Right[4]);
    Widen(mode < 1 ? "N/A" : Pick(kFormats, GpsPortSetup.DataFormat), out.Right[5]);
    return out;
}

namespace {

constexpr std::array<const char16_t*, kSummaryRows> kLeftLabels{
    u"Separation:", u"Unit Separation:", u"Survey Line:", u"Line Increment:", u"Start Station:",
    u"Station Increment:"};
constexpr std::array<const char16_t*, kSummaryRows> kRightLabels{
    u"Number of Consoles:", u"Grad601 Type:", u"Total No of Sensors:", u"Pause Key:", u"GPS Input:", u"GPS Data:"};

// A value starts at its column's offset, or a small gap after a label too
// wide for it.
int32_t ValueX(plat::Hdc dc, int32_t labelX, int32_t offset, const char16_t* label) {
    return labelX + std::max(offset, TextWidth(dc, label) + kSummaryValueGap);
}

}  // namespace

const char16_t* SummaryLabel(int column, int row) {
    if (row < 0 || row >= kSummaryRows) return u"";
    return (column == 0 ? kLeftLabels : kRightLabels)[static_cast<size_t>(row)];
}

namespace {

// Moves a column's label and values by `dx`.
void ShiftColumn(SummaryPlaces& p, size_t column, int32_t dx) {
    p.LabelX[column] += dx;
    for (int32_t& x : p.ValueX[column]) x += dx;
}

}  // namespace

SummaryPlaces PlaceProgramSettings(plat::Hdc dc, int32_t left, int32_t right, const SettingsSummary& summary) {
    plat::SelectObject(dc, GdiObjects.HeadingFont);
    const int32_t centre = (right - left) / 2 + left;
    const int32_t leftWidth = 150 + TextWidth(dc, u"AUTO");
    const int32_t rightWidth = 160 + TextWidth(dc, u"Pseudo GGA");
    SummaryPlaces p;
    p.LabelX[0] = std::max(centre - leftWidth - 60, 40);
    p.LabelX[1] = std::max(centre + 60, 300);
    if (p.LabelX[1] + rightWidth > right) p.LabelX[1] = right - rightWidth;
    for (size_t row = 0; row < kSummaryRows; ++row) {
        p.ValueX[0][row] = ValueX(dc, p.LabelX[0], 150, kLeftLabels[row]);
        p.ValueX[1][row] = ValueX(dc, p.LabelX[1], 160, kRightLabels[row]);
    }
    // A long left value (a line name, a typed station) takes the room the
    // right column leaves beyond its own values, then the band's margin on
    // the left; it stops short of the right column's labels.
    // The right column moves only as far as a clear space between the two
    // takes; the left one then as far as the value needs.
    const auto over = [&](int32_t gap) {
        int32_t most = 0;
        for (size_t row = 0; row < kSummaryRows; ++row) {
            const int32_t room = p.LabelX[1] - gap - p.ValueX[0][row];
            most = std::max(most, TextWidth(dc, summary.Left[row].data()) - room);
        }
        return most;
    };
    int32_t rightEnd = 0;
    for (size_t row = 0; row < kSummaryRows; ++row)
        rightEnd = std::max(rightEnd, p.ValueX[1][row] + TextWidth(dc, summary.Right[row].data()));
    ShiftColumn(p, 1, std::clamp(right - rightEnd, 0, over(kSummaryColumnSpace)));
    ShiftColumn(p, 0, -std::clamp(p.LabelX[0] - left, 0, over(kSummaryColumnGap)));
    p.ValueRight[0] = p.LabelX[1] - kSummaryColumnGap;
    p.ValueRight[1] = right;
    return p;
}

void DrawProgramSettings(plat::Hdc dc, int32_t left, int32_t right) {
    const SettingsSummary summary = FormatSettingsSummary();
    const SummaryPlaces p = PlaceProgramSettings(dc, left, right, summary);
    plat::SetBackgroundMode(dc, plat::kTransparent);
    plat::SetTextColour(dc, kBlack);
    plat::TextOut(dc, p.LabelX[0] + 150, 30, u"CURRENT PROGRAM SETTINGS");
    plat::TextOut(dc, p.LabelX[0], 60, u"SURVEY PARAMETERS");
    plat::TextOut(dc, p.LabelX[1] + 50, 60, u"SYSTEM SETUP");
    // A value too wide for its room is drawn in the text font, and if still
    // too wide ends in an ellipsis: never cut clean.
    const plat::Hfont valueFonts[] = {GdiObjects.HeadingFont, GdiObjects.TextFont};
    for (size_t row = 0; row < kSummaryRows; ++row) {
        const int32_t y = SummaryRowTop(static_cast<int>(row));
        for (size_t column = 0; column < 2; ++column) {
            plat::TextOut(dc, p.LabelX[column], y, SummaryLabel(static_cast<int>(column), static_cast<int>(row)));
            const plat::Rect room{p.ValueX[column][row], y, p.ValueRight[column], y + kSummaryRowStep};
            const auto& values = column == 0 ? summary.Left : summary.Right;
            plat::DrawTextInFirstFit(dc, values[row].data(), room, valueFonts, std::size(valueFonts));
            plat::SelectObject(dc, GdiObjects.HeadingFont);
        }
    }
}

plat::LResult PaintStartScreen(plat::Hwnd hwnd, uint32_t, plat::WParam, plat::LParam) {
    plat::PaintInfo paint;
    const plat::Hdc dc = plat::BeginPaint(hwnd, &paint);  // erases with the button-face background
    plat::Rect client;
    plat::GetClientRect(hwnd, &client);
    const int32_t right = client.Right;
    const int32_t bottom = client.Bottom;
    DrawFrame(dc, right, bottom);
    DrawNames(dc, right, bottom);
    DrawProgramSettings(dc, 20, right - 220);
    DrawArray(dc, right, bottom);
    plat::EndPaint(hwnd, &paint);
    plat::UpdateWindow(hwnd);
    // Not while the logging screen or the GPS monitor covers the start
    // screen: a repaint underneath must not take their keys away.
    if (ScreenWindows.ScreenMode == 0) plat::SetFocus(hwnd);
    return 0;
}
