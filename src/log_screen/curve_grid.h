// Grid rows of the curve (profile) and bar (decay) windows, worked out from
// the readings scale and the pixels per unit. When the scale spans zero the
// zero row is the first row and the others follow at a round step on both
// sides of it; otherwise, and whenever the zero row would lie on the top or
// bottom edge, four plain rows at 20, 40, 60 and 80 % of the height.
#pragma once
#include <array>
#include <cstdint>

#include "platform/window.h"

// The rows of a window `height` pixels high, `pixelsPerUnit` pixels per
// reading unit, for the scale minimum..maximum: rows[0] = n (1..9), rows[1..n]
// the y of each row from the top. *baseline (may be null) is where the bars
// of such a window start: -1 the top, 0 the zero row rows[1], 1 the bottom.
void ComputeGridRows(int32_t height, double pixelsPerUnit, double minimum, double maximum,
                     std::array<int32_t, 10>& rows, int32_t* baseline);

// ScreenLayout.CurveGridRows from the curve windows' height and scale.
void ComputeCurveGrid();
// ScreenLayout.DecayGridRows and ProfileTrace.BarBaseline from the bar
// windows' height and scale.
void ComputeDecayGrid();

// The pen of the first row: 2 pixels wide when it is the zero row.
plat::Hpen GridRowOnePen();

// The grid rows drawn across a curve or bar window, through its device context.
void DrawCurveGrid(plat::Hdc dc);
void DrawDecayGrid(plat::Hdc dc);

// Rows 1..n of `rows` from x = left to x = right (right excluded).
void DrawGridRows(plat::Hdc dc, const std::array<int32_t, 10>& rows, int32_t left, int32_t right);
