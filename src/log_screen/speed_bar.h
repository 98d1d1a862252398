// The speed bar under the profiles: blue from the left up to the speed, white
// beyond. Its scale labels belong to the status panel.
#pragma once
#include <cstdint>

#include "platform/window.h"

// Paints the bar through a device context of the speed window with its
// rightmost `whitePixels` pixels white: ScreenLayout.SpeedBarLength leaves it
// all white, 0 (or less: a speed above the scale) all blue.
void DrawSpeedBar(plat::Hdc dc, int32_t whitePixels);
