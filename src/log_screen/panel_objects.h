// The drawing objects of the live displays: the fixed-colour pens and
// brushes, the 50 pens and brushes of the colour scale, and the pens and
// brushes of the profile curves and bars. All are solid. They live in
// GdiObjects and ColourScale (survey_model.h) from the main window's creation
// to the end of the program; only the profile objects are ever made again.
#pragma once
#include <cstdint>

// The colour of colour index i (0 blue-violet .. ColourScale.ColourMaxIndex
// magenta); an index outside the scale gives the nearest end.
uint32_t ColourScaleColour(int index);

// Grid pens and brush, dark and grey, white, green, red, blue and the panel
// (button-face) brush, in that order.
void CreateFixedPens();

// Per colour index a 2-pixel pen and a brush of its colour.
void CreateColourScalePens();

// Per sensor channel (0 left, 1 right) the curve pen (ProfileDisplayOptions
// thickness 1..4 and colour), the 1-pixel bar outline pen and the bar brush.
// With `recreate` 1 the previous three objects of each channel are deleted
// first (the profile display options changed).
void CreateProfilePens(int recreate);
