#include "log_screen/curve_grid.h"

#include <cmath>

#include "platform/dc.h"
#include "survey_files/survey_model.h"

namespace {

constexpr int kMaxGridRows = 9;

// A pixel row of a reading-unit value, clamped in floating point first so
// that no scale, however odd, overflows the conversion.
int32_t RowOf(double value, double pixelsPerUnit) {
    double y = value * pixelsPerUnit;
    if (std::isnan(y)) return 0;
    if (y > 1.0e6) y = 1.0e6;
    if (y < -1.0e6) y = -1.0e6;
    return static_cast<int32_t>(y);
}

// Four rows at 20, 40, 60 and 80 % of the height from the bottom.
void PlainRows(int32_t height, std::array<int32_t, 10>& rows) {
    rows.fill(0);
    rows[0] = 4;
    for (int k = 1; k <= 4; ++k) {
        rows[static_cast<size_t>(k)] = static_cast<int32_t>(height - 0.2 * k * (height + 1.0));
    }
}

bool SpansZero(double minimum, double maximum) { return minimum < 0.0 && maximum > 0.0; }

}  // namespace

void ComputeGridRows(int32_t height, double pixelsPerUnit, double minimum, double maximum,
                     std::array<int32_t, 10>& rows, int32_t* baseline) {
    int32_t bars = minimum >= 0.0 ? 1 : -1;
    if (!SpansZero(minimum, maximum)) {
        PlainRows(height, rows);
        if (baseline != nullptr) *baseline = bars;
        return;
    }
    const int32_t h = height;
    const int32_t z = RowOf(maximum, pixelsPerUnit);
    // A zero row on (or beyond) the top or bottom edge has no ratio of the two
    // sides: the plain rows, with the bars hanging from the top when zero is
    // at the top and standing on the bottom when it is at the bottom.
    if (h < 2 || !(pixelsPerUnit > 0.0) || z <= 0 || z >= h) {
        PlainRows(height, rows);
        if (baseline != nullptr) *baseline = z <= 0 ? -1 : 1;
        return;
    }
    bars = 0;
    double q = 0.0;
    double shortSide = 0.0;  // A: the extent of the shorter side, reading units
    double longSide = 0.0;   // B: the longer side
    if (z < h / 2) {
        q = std::trunc(static_cast<double>(h - z) / z + 0.5);
        shortSide = std::fabs(maximum);
        longSide = std::fabs(minimum);
    } else {
        q = std::trunc(static_cast<double>(z) / (h - z) + 0.5);
        shortSide = std::fabs(minimum);
        longSide = std::fabs(maximum);
    }
    double step = 0.0;
    if (q <= 1.0) {
        step = shortSide / 4.0;
    } else if (q <= 4.0) {
        step = longSide / q;
    } else {
        step = longSide / 5.0;
    }
    rows.fill(0);
    rows[1] = z;
    int k = 2;
    if (step > 0.0) {
        for (; k <= kMaxGridRows; ++k) {
            const int32_t y = RowOf(maximum - (k - 1) * step, pixelsPerUnit);
            if (y < 1) break;
            rows[static_cast<size_t>(k)] = y;
        }
        for (int j = 1; k <= kMaxGridRows; ++j, ++k) {
            const int32_t y = RowOf(maximum + j * step, pixelsPerUnit);
            if (y >= h) break;
            rows[static_cast<size_t>(k)] = y;
        }
    }
    rows[0] = k - 1;
    if (baseline != nullptr) *baseline = bars;
}

void ComputeCurveGrid() {
    ComputeGridRows(ScreenLayout.CurveWindowHeight, ReadingsScale.CurvePixelsPerUnit, ReadingsScale.Minimum,
                    ReadingsScale.Maximum, ScreenLayout.CurveGridRows, nullptr);
}

void ComputeDecayGrid() {
    ComputeGridRows(ScreenLayout.DecayWindowHeight, ReadingsScale.DecayPixelsPerUnit, ReadingsScale.Minimum,
                    ReadingsScale.Maximum, ScreenLayout.DecayGridRows, &ProfileTrace.BarBaseline);
}

plat::Hpen GridRowOnePen() {
    return SpansZero(ReadingsScale.Minimum, ReadingsScale.Maximum) ? GdiObjects.GridPenWide : GdiObjects.GridPen;
}

void DrawGridRows(plat::Hdc dc, const std::array<int32_t, 10>& rows, int32_t left, int32_t right) {
    const int32_t n = rows[0] < kMaxGridRows ? rows[0] : kMaxGridRows;
    for (int32_t k = 1; k <= n; ++k) {
        plat::SelectObject(dc, k == 1 ? GridRowOnePen() : GdiObjects.GridPen);
        const int32_t y = rows[static_cast<size_t>(k)];
        plat::MoveTo(dc, left, y);
        plat::LineTo(dc, right, y);
    }
}

void DrawCurveGrid(plat::Hdc dc) { DrawGridRows(dc, ScreenLayout.CurveGridRows, 0, ScreenLayout.CurveWindowWidth); }

void DrawDecayGrid(plat::Hdc dc) { DrawGridRows(dc, ScreenLayout.DecayGridRows, 0, ScreenLayout.DecayWindowWidth); }
