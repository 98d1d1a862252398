// The start screen: what the main window paints beside its nine buttons: the
// frame, the maker's and product's names with the version, the summary of the
// current settings ("CURRENT PROGRAM SETTINGS") and a scaled drawing of the
// array (consoles, sensors, the leading point and the GPS antenna). It only
// reads the settings.
#pragma once
#include <array>
#include <cstdint>

#include "platform/window.h"

// The main window's paint handler; returns 0. While the start screen is
// shown the main window takes the keyboard focus, so the start screen's keys
// reach it.
plat::LResult PaintStartScreen(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l);

// Draws the settings summary into the band between `left` and `right` (the
// paint passes 20 and the client's right edge - 220). Leaves the heading font
// selected.
void DrawProgramSettings(plat::Hdc dc, int32_t left, int32_t right);

// The six rows of the summary: the value texts beside "Separation:" ..
// "Station Increment:" (left) and "Number of Consoles:" .. "GPS Data:" (right).
constexpr int kSummaryRows = 6;
constexpr int kSummaryTextChars = 48;
struct SettingsSummary {
    std::array<std::array<char16_t, kSummaryTextChars>, kSummaryRows> Left{};
    std::array<std::array<char16_t, kSummaryTextChars>, kSummaryRows> Right{};
};
SettingsSummary FormatSettingsSummary();

// Where the summary's texts go between `left` and `right`, measured in the
// heading font (left selected in `dc`): the label x of the left (0) and right
// (1) column, each row's value x, and the right edge a value is clipped to.
// A left value too long for its room (a line name, a typed station) takes
// the room the right column's values leave, then the band's left margin.
constexpr int32_t kSummaryValueGap = 8;   // least space between a label and its value
constexpr int32_t kSummaryColumnGap = 4;  // least space between a left value and the right column
constexpr int32_t kSummaryColumnSpace = 20;  // the space a long left value is given there when the room allows
constexpr int32_t kSummaryRowStep = 25;
constexpr int32_t SummaryRowTop(int row) { return 90 + kSummaryRowStep * row; }
struct SummaryPlaces {
    std::array<int32_t, 2> LabelX{};
    std::array<std::array<int32_t, kSummaryRows>, 2> ValueX{};
    std::array<int32_t, 2> ValueRight{};
};
SummaryPlaces PlaceProgramSettings(plat::Hdc dc, int32_t left, int32_t right, const SettingsSummary& summary);
// The label of a summary row: column 0 left, 1 right.
const char16_t* SummaryLabel(int column, int row);
