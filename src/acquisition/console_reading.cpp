#include "acquisition/console_reading.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "acquisition/console_reader.h"
#include "log_screen/numbers_window.h"
#include "log_screen/profile_windows.h"
#include "platform/dc.h"
#include "platform/sound.h"
#include "platform/tick.h"
#include "survey_files/data_file.h"
#include "survey_files/survey_model.h"
#include "survey_files/text_helpers.h"

namespace {

// The characters that may begin a reading's number, as a table: the replay
// asks for every character of every reading record of a survey.
constexpr std::array<bool, 256> kNumberCharacter = [] {
    std::array<bool, 256> t{};
    for (const char c : std::string_view("+-.0123456789")) t[static_cast<uint8_t>(c)] = true;
    return t;
}();

bool IsNumberCharacter(char c) { return kNumberCharacter[static_cast<uint8_t>(c)]; }

double SaneReading(double r) { return std::isnan(r) ? 0.0 : r; }

constexpr char kReadingDelimiter = ',';

bool ValidConsole(int console) { return console >= 0 && console < kMaxConsoles; }
bool IsTwoSensorConsole(int console) { return SystemSetup.ConsoleType[static_cast<size_t>(console)] == 1; }

// Where field n of text[0, length) lies: the search for it begins at *from
// (field 1: the text's start; another: after the comma that ends the field
// before it), its number at *begin, and it ends at *end, the next comma or the
// text's end. The search passes what cannot begin a number, so a field's
// letters in front of its digits are passed, but a comma ends the field's
// place: a field empty or without a number character ends there, and the
// next field begins after that comma; the search for one field never takes
// the next one's number. Only field 1's search passes a comma: the line's
// first, after "$PBAR". A number before that comma is field 1 with its comma
// lost (damage or a letter in its place). False when the text ends before
// field n.
bool FindReadingField(const char* text, size_t length, int n, size_t* from, size_t* begin, size_t* end) {
    size_t p = 0;
    for (int k = 1;; ++k) {
        *from = p;
        bool pastOwnComma = k > 1;
        for (; p < length && !IsNumberCharacter(text[p]); ++p) {
            if (text[p] != kReadingDelimiter) continue;
            if (pastOwnComma) break;
            pastOwnComma = true;
        }
        *begin = p;
        while (p < length && text[p] != kReadingDelimiter) ++p;
        *end = p;
        if (k == n) return true;
        if (p >= length) return false;
        ++p;
    }
}

// The value of a plain number in [begin, end): blanks, a sign or none, digits
// with at most one point among them, at least one digit, then blanks alone.
// False for anything else. With up to 15 significant digits and 15 decimals
// (a record's field holds 13 characters) the value is an exact integer
// divided by an exact power of ten, which rounds as the C library's
// conversion does; a longer number gives no value.
bool PlainNumberValue(const char* begin, const char* end, double* value) {
    static constexpr double kPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const char* p = begin;
    while (p < end && *p == ' ') ++p;
    const bool negative = p < end && *p == '-';
    if (p < end && (*p == '+' || *p == '-')) ++p;
    uint64_t mantissa = 0;
    int significant = 0, decimals = 0, digits = 0;
    bool point = false;
    for (; p < end; ++p) {
        if (*p >= '0' && *p <= '9') {
            ++digits;
            if (mantissa != 0 || *p != '0') ++significant;
            if (significant <= 15) mantissa = mantissa * 10 + static_cast<uint64_t>(*p - '0');
            if (point) ++decimals;
        } else if (*p == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    while (p < end && *p == ' ') ++p;
    if (digits == 0 || p != end || significant > 15 || decimals > 15) return false;
    const double v = static_cast<double>(mantissa) / kPowers[decimals];
    *value = negative ? -v : v;
    return true;
}

// The readings of text[0, length): field 2 for a two-sensor console, field 1.
int ReadReadings(int console, const char* text, size_t length, double* a, double* b) {
    if (!ValidConsole(console)) return kNoFirstReading | kNoSecondReading;
    int unread = 0;
    if (IsTwoSensorConsole(console) && !ReadReadingField(text, length, 2, b)) unread |= kNoSecondReading;
    if (!ReadReadingField(text, length, 1, a)) unread |= kNoFirstReading;
    return unread;
}

// (limit - r) x perUnit, clamped in floating point, truncated toward zero.
int PlotRow(double maximum, double reading, double perUnit) {
    double row = (maximum - SaneReading(reading)) * perUnit;
    if (std::isnan(row)) row = 0.0;  // inf x 0 and the like: a scale not set up yet
    if (row > kMaxPlotRow) row = kMaxPlotRow;
    if (row < -kMaxPlotRow) row = -kMaxPlotRow;
    return static_cast<int>(row);
}

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

bool ReadReadingField(const char* text, size_t length, int n, double* value) {
    size_t from = 0, begin = 0, end = 0;
    if (text == nullptr || n < 1 || !FindReadingField(text, length, n, &from, &begin, &end)) return false;
    // A damaged byte before the first number character may have been a digit
    // of it, or the comma in front of it: the whole stretch searched must be whole.
    if (HoldsReadingDamage(text + from, text + end)) return false;
    // The field is what follows its own comma (field 1 has none when its
    // comma was lost), letters in front of its digits included.
    size_t start = from;
    if (n == 1) {
        const void* comma = std::memchr(text, kReadingDelimiter, begin);
        if (comma == nullptr) return false;
        start = static_cast<size_t>(static_cast<const char*>(comma) - text) + 1;
    }
    return PlainNumberValue(text + start, text + end, value);
}

int ReadRecordReadings(int console, const char* record, double* a, double* b) {
    constexpr size_t kReadingColumns = 15;  // columns 1-15: "$P" and what followed "$PBAR"
    const char* text = record + 1;
    const void* nul = std::memchr(text, 0, kReadingColumns);
    const size_t length = nul != nullptr ? static_cast<size_t>(static_cast<const char*>(nul) - text) : kReadingColumns;
    return ReadReadings(console, text, length, a, b);
}

void ReadingsToPixels(int console, double a, double b, int curveY[2], int decayY[2], int unread) {
    if (!ValidConsole(console)) return;
    const double top = ReadingsScale.Maximum;
    if (IsTwoSensorConsole(console)) {
        const bool none = (unread & kNoSecondReading) != 0;
        curveY[1] = none ? kNoReadingRow : PlotRow(top, b, ReadingsScale.CurvePixelsPerUnit);
        decayY[1] = none ? kNoReadingRow : PlotRow(top, b, ReadingsScale.DecayPixelsPerUnit);
    }
    const bool none = (unread & kNoFirstReading) != 0;
    curveY[0] = none ? kNoReadingRow : PlotRow(top, a, ReadingsScale.CurvePixelsPerUnit);
    decayY[0] = none ? kNoReadingRow : PlotRow(top, a, ReadingsScale.DecayPixelsPerUnit);
}

int ReadingColourIndex(double reading) {
    const double q = (SaneReading(reading) - ReadingsScale.Minimum) / ReadingsScale.ColourStep;
    if (!(q > 0.0)) return 0;  // below the scale, and 0 / 0 before the scale is set up
    if (q >= ColourScale.ColourMaxIndex) return ColourScale.ColourMaxIndex;
    return static_cast<int>(q);
}

void StoreColourSamples(int console, double a, double b, int unread) {
    if (!ValidConsole(console)) return;
    const int first = SensorLayout.ConsoleFirstSensor[static_cast<size_t>(console)];
    const int type = SystemSetup.ConsoleType[static_cast<size_t>(console)];
    if (type == 1 && (unread & kNoSecondReading) == 0) StoreSample(first + 1, b);
    if ((type == 1 || type == 0) && (unread & kNoFirstReading) == 0) StoreSample(first, a);
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
    ConsoleLines.ConsoleLineWaitMs[i] = plat::GetTickCount() - ConsoleLines.ConsoleLineTick[i].load();
    DataRecord record;
    BuildReadingRecord(console, record);
    // The readings shown and drawn are those the record keeps, read as the
    // profile redraw and the replay read them: a reading the record cannot
    // keep whole is "?" live as it is there.
    double a = 0.0;
    double b = 0.0;
    const int unread = ReadRecordReadings(console, record.data(), &a, &b);
    int curveY[2] = {0, 0};
    int decayY[2] = {0, 0};
    ReadingsToPixels(console, a, b, curveY, decayY, unread);

    if (LogScreenState.LoggingState == kStateLogging) {
        if (MapDisplayOptions.DisplayType > 0 && ReadingSamples.SamplingOpen == 1) {
            StoreColourSamples(console, a, b, unread);
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
    DrawInto(ScreenWindows.NumbersWindow, [&](plat::Hdc dc) { DrawConsoleNumbers(dc, console, a, b, unread); });
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
