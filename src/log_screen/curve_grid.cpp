#include "log_screen/curve_grid.h"

// Filled in with the profile windows.
void ComputeCurveGrid() {}
void ComputeDecayGrid() {}
