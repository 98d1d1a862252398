// Grid rows of the curve (profile) and bar (decay) windows, worked out from
// the readings scale and the pixels per unit.
#pragma once

void ComputeCurveGrid();
void ComputeDecayGrid();
