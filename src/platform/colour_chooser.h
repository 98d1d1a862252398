// The colour chooser. Colours are 0x00BBGGRR values.
//
// In test runs nothing is shown: the call takes a scripted Colour answer
// (Result 1 = chosen with Colour, 0 = cancelled).
#pragma once
#include <cstdint>

#include "platform/window.h"

namespace plat {

// Opens the chooser at `initial`. `customColours` (16 entries, may be null)
// fills the chooser's custom slots and receives them back when it closes, so
// a caller that keeps the array keeps the operator's custom colours.
// `anyColour` asks for the full colour range; the chooser always offers it.
// Returns 1 with the chosen colour in *out, or 0 when cancelled with *out set
// to `initial`.
int ChooseColour(Hwnd ownerWindow, ColourRef initial, ColourRef customColours[16], bool anyColour,
                 ColourRef* out);

}  // namespace plat
