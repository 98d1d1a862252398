#include "log_screen/numbers_window.h"

#include <cmath>
#include <cstdio>

#include "platform/dc.h"
#include "survey_files/data_records.h"
#include "survey_files/survey_model.h"
#include "survey_files/text_helpers.h"

namespace {

constexpr plat::ColourRef kHeaderBlue = 0xFF0000;
constexpr plat::ColourRef kTextBlack = 0x000000;
constexpr size_t kTextChars = 64;

int32_t TextWidth(plat::Hdc dc, const char16_t* text) {
    plat::Size size;
    if (!plat::GetTextExtent(dc, text, -1, &size)) return 0;
    return size.Cx;
}

// Centres `text` over a column starting at `left` and `width` pixels wide.
void CentredText(plat::Hdc dc, int32_t left, int32_t width, int32_t y, const char16_t* text) {
    plat::TextOut(dc, left + (width - TextWidth(dc, text)) / 2, y, text);
}

// A reading right-aligned to end 10 pixels before `columnEnd`; one
// that gave no value as "?".
void ReadingText(plat::Hdc dc, int32_t columnEnd, int32_t top, double reading, bool unread) {
    char narrow[kTextChars] = "?";
    char16_t wide[kTextChars];
    if (!unread) FormatReadingText(reading, narrow, sizeof narrow);
    NarrowToWide(narrow, wide, kTextChars);
    plat::TextOut(dc, columnEnd - TextWidth(dc, wide) - 10, top, wide);
}

}  // namespace

void LayoutNumbersWindow() {
    ScreenLayout.WindowGap = 2;
    ScreenLayout.DecayWindowsLeft = ScreenLayout.NumbersWindowLeft;
    ScreenLayout.DecayWindowsTop = ScreenLayout.ScreenMargin;
    ScreenLayout.DecayWindowHeight = ScreenLayout.ClientHeight - 8 * ScreenLayout.LineHeight -
                                     ScreenLayout.NumbersWindowHeight - ScreenLayout.ScreenMargin -
                                     3 * ScreenLayout.LineHeight;
    const int32_t n = SystemSetup.ConsoleCount;
    if (n >= 1 && n <= kMaxConsoles) {
        // A bar window is 22 units wide: 5 + 12 + 5 for one centred bar,
        // 2 + 8 + 2 + 8 + 2 or (more than five consoles) 4 + 5 + 4 + 5 + 4 for two.
        const double width = (ScreenLayout.NumbersColumnWidth - (n - 1) * ScreenLayout.WindowGap) / static_cast<double>(n);
        const double u = (width - 2.0) / 22.0;
        if (SystemSetup.DualConsoleCount == 0) {
            ScreenLayout.BarWidth = static_cast<int32_t>(12.0 * u);
            ScreenLayout.BarOffset[0] = static_cast<int32_t>(5.0 * u);
        } else if (n <= 5) {
            ScreenLayout.BarWidth = static_cast<int32_t>(8.0 * u);
            ScreenLayout.BarOffset[0] = static_cast<int32_t>(2.0 * u + 1.0);
            ScreenLayout.BarOffset[1] = static_cast<int32_t>(12.0 * u + 1.0);
        } else {
            ScreenLayout.BarWidth = static_cast<int32_t>(5.0 * u);
            ScreenLayout.BarOffset[0] = static_cast<int32_t>(4.0 * u);
            ScreenLayout.BarOffset[1] = static_cast<int32_t>(13.0 * u);
        }
        const int32_t r = (ScreenLayout.NumbersWindowHeight - 2 - ScreenLayout.NumbersTopMargin) / n;
        for (int32_t i = 0; i < n; ++i) {
            ScreenLayout.ConsoleTextRects[static_cast<size_t>(i)] =
                plat::Rect{ScreenLayout.NumbersLeftMargin, ScreenLayout.NumbersTopMargin + i * r,
                           ScreenLayout.NumbersColumnWidth, ScreenLayout.NumbersTopMargin + (i + 1) * r - 1};
        }
    }
    ScreenLayout.NumbersMarginRect =
        plat::Rect{0, 0, ScreenLayout.NumbersLeftMargin - 1, ScreenLayout.NumbersWindowHeight - 2};
    // The frame's paint sets the band and column sizes again; having them now
    // places a reading that arrives before that first paint where it belongs.
    SetNumbersColumnSizes();
}

void SetNumbersColumnSizes() {
    const int32_t n = SystemSetup.ConsoleCount;
    if (n > 0) {
        ScreenLayout.NumbersRowHeight =
            (ScreenLayout.NumbersWindowHeight - 2 - ScreenLayout.NumbersTopMargin) / n;
    }
    ScreenLayout.NumbersValueWidth = (ScreenLayout.NumbersColumnWidth - ScreenLayout.NumbersLeftMargin) / 2;
}

void DrawNumbersWindowFrame(plat::Hdc dc) {
    const int32_t n = SystemSetup.ConsoleCount;
    SetNumbersColumnSizes();
    plat::FillRect(dc, ScreenLayout.NumbersMarginRect, plat::GetStockObject(plat::kWhiteBrush));
    plat::SetTextColour(dc, kHeaderBlue);
    plat::SetBackgroundMode(dc, plat::kTransparent);
    plat::SelectObject(dc, GdiObjects.TextFont);

    const int32_t margin = ScreenLayout.NumbersLeftMargin;
    const int32_t column = ScreenLayout.NumbersValueWidth;
    CentredText(dc, 0, margin, 7, u"#");
    if (SystemSetup.DualConsoleCount == 0) {
        CentredText(dc, margin, column, 7, u"Sensor");
    } else {
        CentredText(dc, margin, column, 7, u"Sensor L");
        CentredText(dc, margin + column, column, 7, u"Sensor R");
    }
    for (int32_t i = 1; i <= n && i <= kMaxConsoles; ++i) {
        char narrow[kTextChars];
        char16_t wide[kTextChars];
        std::snprintf(narrow, sizeof narrow, "%-2d", i);
        NarrowToWide(narrow, wide, kTextChars);
        plat::TextOut(dc, 1, (i - 1) * ScreenLayout.NumbersRowHeight + ScreenLayout.NumbersTopMargin, wide);
    }
}

void FormatReadingText(double reading, char* out, size_t capacity) {
    if (std::isnan(reading)) reading = 0.0;
    const double magnitude = std::fabs(reading);
    if (magnitude < 1000.0) {
        std::snprintf(out, capacity, "%8.1f", reading);
    } else if (magnitude < 100000.0) {
        std::snprintf(out, capacity, "%8.0f", reading);
    } else {
        std::snprintf(out, capacity, "%8.0f", std::copysign(99999.0, reading));
    }
}

void DrawConsoleNumbers(plat::Hdc dc, int console, double reading1, double reading2, int unread) {
    if (console < 0 || console >= kMaxConsoles) return;
    const auto i = static_cast<size_t>(console);
    const plat::Rect& band = ScreenLayout.ConsoleTextRects[i];
    plat::SetBackgroundMode(dc, plat::kTransparent);
    plat::SetTextColour(dc, kTextBlack);
    plat::SelectObject(dc, GdiObjects.TextFont);
    plat::FillRect(dc, band, plat::GetStockObject(plat::kWhiteBrush));
    ReadingText(dc, band.Left + ScreenLayout.NumbersValueWidth, band.Top, reading1, (unread & kNoFirstReading) != 0);
    if (SystemSetup.ConsoleType[i] == 1) {
        ReadingText(dc, band.Left + 2 * ScreenLayout.NumbersValueWidth, band.Top, reading2, (unread & kNoSecondReading) != 0);
    }
}
