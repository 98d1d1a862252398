#include "acquisition/console_reading.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "log_screen/numbers_window.h"
#include "log_screen/profile_windows.h"
#include "platform/dc.h"
#include "platform/sound.h"
#include "platform/tick.h"
#include "survey_files/data_file.h"
#include "survey_files/survey_model.h"
#include "survey_files/text_helpers.h"

namespace {

bool IsNumberCharacter(char c) {
    return c != 0 && std::strchr("+-.0123456789", c) != nullptr;
}

double SaneReading(double r) { return std::isnan(r) ? 0.0 : r; }

// A reading field as a double; text that is not a number reads 0.0 (like
// atof) and so does "nan": a reading that is no number counts as missing.
double ReadingValue(const char* field) { return SaneReading(std::atof(field)); }

// (limit - r) x perUnit, clamped in floating point, truncated toward zero.
int PlotRow(double maximum, double reading, double perUnit) {
    double row = (maximum - SaneReading(reading)) * perUnit;
    if (std::isnan(row)) row = 0.0;  // inf x 0 and the like: a scale not set up yet
    if (row > kMaxPlotRow) row = kMaxPlotRow;
    if (row < -kMaxPlotRow) row = -kMaxPlotRow;
    return static_cast<int>(row);
}

bool ValidConsole(int console) { return console >= 0 && console < kMaxConsoles; }
bool IsTwoSensorConsole(int console) { return SystemSetup.ConsoleType[static_cast<size_t>(console)] == 1; }

void StoreSample(int sensor, double reading) {
    if (sensor < 0 || sensor >= kMaxSensorSlots) return;
    const auto k = static_cast<size_t>(sensor);
    int32_t& count = ReadingSamples.SampleCount[k];
    if (count < 0 || count >= kSamplesPerHalf) return;  // full until the next fix closes the half
    const int half = ReadingSamples.ActiveHalf == 1 ? 1 : 0;
    ReadingSamples.SampleColour[k][half][count] = ReadingColourIndex(reading);
    ++count;
}

// Draws through a device context of `window`, when there is such a window.
template <typename Draw>
void DrawInto(plat::Hwnd window, Draw&& draw) {
    if (window == 0) return;
    const plat::Hdc dc = plat::GetDC(window);
    if (dc == 0) return;
    draw(dc);
    plat::ReleaseDC(window, dc);
}

// A status-panel value: its box cleared with the panel brush, then the text at
// the box's top-left corner, clipped to the box; one too long for it ends in
// an ellipsis rather than reading as another number.
void DrawPanelValue(plat::Hdc dc, const plat::Rect& box, const char* text) {
    char16_t wide[48];
    NarrowToWide(text, wide, sizeof wide / sizeof wide[0]);
    plat::FillRect(dc, box, GdiObjects.PanelBrush);
    plat::Rect room = box;
    plat::DrawText(dc, wide, -1, &room,
                   plat::kDrawTextSingleLine | plat::kDrawTextNoPrefix | plat::kDrawTextEndEllipsis);
}

}  // namespace

int GetNumericField(const char* line, int n, char delimiter, char* out) {
    out[0] = 0;
    if (line == nullptr || n < 1) return 0;
    const size_t len = std::strlen(line);
    // A field that is not there may have lost its delimiter to the damage.
    const int missing = HoldsReadingDamage(line, line + len) ? kFieldDamaged : 0;
    size_t p = 0;
    int count = 0;
    for (;;) {
        const size_t searched = p;  // where the search for this field began
        while (p < len && !IsNumberCharacter(line[p])) ++p;
        size_t fieldLength = 0;
        while (p + fieldLength < len && line[p + fieldLength] != delimiter) ++fieldLength;
        if (++count == n) {
            // A damaged byte before the first number character may have been
            // a digit of it: the whole stretch searched must be whole.
            if (HoldsReadingDamage(line + searched, line + p + fieldLength)) return kFieldDamaged;
            if (fieldLength == 0) return missing;
            const size_t copied = fieldLength < kNumericFieldChars - 1 ? fieldLength : kNumericFieldChars - 1;
            std::memcpy(out, line + p, copied);
            out[copied] = 0;
            return 1;
        }
        p += fieldLength + 1;
        if (p > len) return missing;
    }
}

int ParseConsoleReadings(int console, const char* text, double* a, double* b) {
    if (!ValidConsole(console)) return 0;
    char field[kNumericFieldChars];
    int damaged = 0;
    if (IsTwoSensorConsole(console)) {
        const int found = GetNumericField(text, 2, ',', field);
        if (found == 1) *b = ReadingValue(field);
        if (found == kFieldDamaged) damaged |= kSecondReadingDamaged;
    }
    const int found = GetNumericField(text, 1, ',', field);
    if (found == 1) *a = ReadingValue(field);
    if (found == kFieldDamaged) damaged |= kFirstReadingDamaged;
    return damaged;
}

void ReadingsToPixels(int console, double a, double b, int curveY[2], int decayY[2], int damaged) {
    if (!ValidConsole(console)) return;
    const double top = ReadingsScale.Maximum;
    if (IsTwoSensorConsole(console)) {
        const bool none = (damaged & kSecondReadingDamaged) != 0;
        curveY[1] = none ? kNoReadingRow : PlotRow(top, b, ReadingsScale.CurvePixelsPerUnit);
        decayY[1] = none ? kNoReadingRow : PlotRow(top, b, ReadingsScale.DecayPixelsPerUnit);
    }
    const bool none = (damaged & kFirstReadingDamaged) != 0;
    curveY[0] = none ? kNoReadingRow : PlotRow(top, a, ReadingsScale.CurvePixelsPerUnit);
    decayY[0] = none ? kNoReadingRow : PlotRow(top, a, ReadingsScale.DecayPixelsPerUnit);
}

int ReadingColourIndex(double reading) {
    const double q = (SaneReading(reading) - ReadingsScale.Minimum) / ReadingsScale.ColourStep;
    if (!(q > 0.0)) return 0;  // below the scale, and 0 / 0 before the scale is set up
    if (q >= ColourScale.ColourMaxIndex) return ColourScale.ColourMaxIndex;
    return static_cast<int>(q);
}

void StoreColourSamples(int console, double a, double b, int damaged) {
    if (!ValidConsole(console)) return;
    const int first = SensorLayout.ConsoleFirstSensor[static_cast<size_t>(console)];
    const int type = SystemSetup.ConsoleType[static_cast<size_t>(console)];
    if (type == 1 && (damaged & kSecondReadingDamaged) == 0) StoreSample(first + 1, b);
    if ((type == 1 || type == 0) && (damaged & kFirstReadingDamaged) == 0) StoreSample(first, a);
}

void BuildReadingRecord(int console, DataRecord& record) {
    if (!ValidConsole(console)) {
        ClearDataRecord(record.data());
        return;
    }
    const auto i = static_cast<size_t>(console);
    const char* line = ConsoleLines.ConsoleLine[i];
    const void* end = std::memchr(line, 0, sizeof ConsoleLines.ConsoleLine[i]);
    const size_t length = end != nullptr ? static_cast<size_t>(static_cast<const char*>(end) - line)
                                         : sizeof ConsoleLines.ConsoleLine[i] - 1;
    FormatReadingRecord(record, DataFileState.ConsoleRecordTag[i], std::string_view(line, length),
                        ConsoleLines.ConsoleLineTick[i].load());
}

void SplitElapsedTime(uint32_t ms, int32_t* hours, int32_t* minutes, int32_t* seconds) {
    const uint32_t s = ms / 1000u;
    *hours = static_cast<int32_t>(s / 3600u);
    *minutes = static_cast<int32_t>((s % 3600u) / 60u);
    *seconds = static_cast<int32_t>(s % 60u);
}

void FormatElapsedTime(int32_t hours, int32_t minutes, int32_t seconds, char* out, size_t capacity) {
    std::snprintf(out, capacity, "%02d:%02d:%02d", hours, minutes, seconds);
}

void AdvanceConsoleOneStation() {
    if (SurveyProgress.StationStarted == 1) {
        SurveyParameters.CurrentStation += SurveyParameters.StationIncrement;
    }
    ++SurveyProgress.StationCount;
    ++SurveyProgress.RecordCount;
    SurveyProgress.StationStarted = 1;
}

void PlayConsoleOneTick() {
    if (AudioOptions.Ticks != 1) return;
    // The first record and then every fourth sounds: records 1, 5, 9, ...
    if (SurveyProgress.AudioTickCount == 0) {
        plat::PlaySound("SOUND_RESULT");
        SurveyProgress.AudioTickCount = 1;
    } else if (++SurveyProgress.AudioTickCount >= 4) {
        SurveyProgress.AudioTickCount = 0;
    }
}

void ShowConsoleStatistics() {
    const uint32_t elapsed = plat::GetTickCount() - SurveyProgress.LoggingStartTick;
    SurveyProgress.LineTimeMs = SurveyProgress.LineTimeBaseMs + elapsed;
    SurveyProgress.TotalTimeMs = SurveyProgress.TotalTimeBaseMs + elapsed;
    SplitElapsedTime(SurveyProgress.LineTimeMs, &SurveyProgress.LineTimeHours, &SurveyProgress.LineTimeMinutes,
                     &SurveyProgress.LineTimeSeconds);
    SplitElapsedTime(SurveyProgress.TotalTimeMs, &SurveyProgress.TotalTimeHours, &SurveyProgress.TotalTimeMinutes,
                     &SurveyProgress.TotalTimeSeconds);

    DrawInto(ScreenWindows.LogScreenWindow, [](plat::Hdc dc) {
        char text[48];
        plat::SetBackgroundMode(dc, plat::kTransparent);
        plat::SelectObject(dc, GdiObjects.BoldFont);
        plat::SelectObject(dc, GdiObjects.PanelBrush);
        std::snprintf(text, sizeof text, "%-11.2f", SurveyParameters.CurrentStation);
        DrawPanelValue(dc, ScreenLayout.StationRect, text);
        plat::SelectObject(dc, GdiObjects.TextFont);
        std::snprintf(text, sizeof text, "%-6d", SurveyProgress.StationCount);
        DrawPanelValue(dc, ScreenLayout.StationCountRect, text);
        std::snprintf(text, sizeof text, "%-7d", SurveyProgress.RecordCount);
        DrawPanelValue(dc, ScreenLayout.TotalStationsRect, text);
        FormatElapsedTime(SurveyProgress.LineTimeHours, SurveyProgress.LineTimeMinutes,
                          SurveyProgress.LineTimeSeconds, text, sizeof text);
        DrawPanelValue(dc, ScreenLayout.LineTimeRect, text);
        FormatElapsedTime(SurveyProgress.TotalTimeHours, SurveyProgress.TotalTimeMinutes,
                          SurveyProgress.TotalTimeSeconds, text, sizeof text);
        DrawPanelValue(dc, ScreenLayout.TotalTimeRect, text);
    });
}

plat::LResult OnConsoleReading(int console) {
    if (!ValidConsole(console)) return 0;
    const auto i = static_cast<size_t>(console);
    double a = 0.0;
    double b = 0.0;
    const int damaged = ParseConsoleReadings(console, ConsoleLines.ConsoleLine[i], &a, &b);
    DataRecord record;
    BuildReadingRecord(console, record);
    int curveY[2] = {0, 0};
    int decayY[2] = {0, 0};
    ReadingsToPixels(console, a, b, curveY, decayY, damaged);

    if (LogScreenState.LoggingState == 1) {
        if (MapDisplayOptions.DisplayType > 0 && ReadingSamples.SamplingOpen == 1) {
            StoreColourSamples(console, a, b, damaged);
        }
        // One write of the whole record under the data file's lock; a failed
        // write is cut back and kept there for the operator to be told.
        WriteDataRecords(record.data(), record.size());
        if (console == 0) {
            PlayConsoleOneTick();
            AdvanceConsoleOneStation();
            ShowConsoleStatistics();
        }
        DrawInto(ScreenWindows.CurveWindows[i], [&](plat::Hdc dc) { ScrollConsoleProfile(dc, console, curveY); });
    }
    DrawInto(ScreenWindows.NumbersWindow, [&](plat::Hdc dc) { DrawConsoleNumbers(dc, console, a, b, damaged); });
    DrawInto(ScreenWindows.DecayWindows[i], [&](plat::Hdc dc) { UpdateConsoleBars(dc, console, decayY); });
    ConsoleLines.ConsoleLine[i][0] = 0;
    return 0;
}

plat::LResult OnConsoleReading1(plat::Hwnd, uint32_t, plat::WParam, plat::LParam) { return OnConsoleReading(0); }
plat::LResult OnConsoleReading2(plat::Hwnd, uint32_t, plat::WParam, plat::LParam) { return OnConsoleReading(1); }
plat::LResult OnConsoleReading3(plat::Hwnd, uint32_t, plat::WParam, plat::LParam) { return OnConsoleReading(2); }
plat::LResult OnConsoleReading4(plat::Hwnd, uint32_t, plat::WParam, plat::LParam) { return OnConsoleReading(3); }
plat::LResult OnConsoleReading5(plat::Hwnd, uint32_t, plat::WParam, plat::LParam) { return OnConsoleReading(4); }
plat::LResult OnConsoleReading6(plat::Hwnd, uint32_t, plat::WParam, plat::LParam) { return OnConsoleReading(5); }
plat::LResult OnConsoleReading7(plat::Hwnd, uint32_t, plat::WParam, plat::LParam) { return OnConsoleReading(6); }
plat::LResult OnConsoleReading8(plat::Hwnd, uint32_t, plat::WParam, plat::LParam) { return OnConsoleReading(7); }
plat::LResult OnConsoleReading9(plat::Hwnd, uint32_t, plat::WParam, plat::LParam) { return OnConsoleReading(8); }

void ShowNoConnection(int console) {
    if (!ValidConsole(console)) return;
    const auto i = static_cast<size_t>(console);
    DrawInto(ScreenWindows.NumbersWindow, [i](plat::Hdc dc) {
        const plat::Rect& band = ScreenLayout.ConsoleTextRects[i];
        plat::SetBackgroundMode(dc, plat::kTransparent);
        plat::SelectObject(dc, GdiObjects.BoldFont);
        plat::FillRect(dc, band, GdiObjects.RedBrush);
        plat::ExtTextOut(dc, band.Left + 10, band.Top, 0, nullptr, u"No connection");
        plat::SelectObject(dc, GdiObjects.TextFont);
    });
    const plat::Hwnd bars = ScreenWindows.DecayWindows[i];
    DrawInto(bars, [](plat::Hdc dc) {
        plat::SelectObject(dc, GdiObjects.WhiteBrush);
        plat::SelectObject(dc, GdiObjects.WhitePen);
        plat::Rectangle(dc, 1, 1, ScreenLayout.DecayWindowWidth - 1, ScreenLayout.DecayWindowHeight);
    });
    if (bars != 0) plat::InvalidateRect(bars, nullptr, true);
    if (ScreenWindows.LogScreenWindow != 0) plat::SetFocus(ScreenWindows.LogScreenWindow);
}
