// Values worked out from the settings rather than stored: console and sensor
// counts, plot scales, cursor sizes, the cursor band and the array's width and
// swath. The settings reader calls them as it reads; the setup dialogs and the
// logging start call them again when they change the inputs.
#pragma once

// DualConsoleCount and ConsoleSensorCount over the consoles in the array.
void DeriveConsoleCounts();

// Curve and bar pixels per reading unit and the colour step (a fiftieth of
// the scale). The grid rows follow from these (ComputeCurveGrid,
// ComputeDecayGrid); callers recompute them after this.
void DeriveScalePixels();

// MinSeparation, ArrayWidth and the swath either side of the antenna, in
// metres and in display units. Needs DeriveConsoleCounts first.
void DeriveArrayGeometry();

// Cursor half size and outer size from CursorSize (5 is drawn larger: 9, 19).
void UpdateCursorSize();

// The auto-scroll band: (10 + 5 x CursorBand) per cent of the tile width.
void DeriveCursorBandPixels();

// Map pixels per display unit: the tile width spans MapSize units.
void DeriveMapPixelsPerUnit();
