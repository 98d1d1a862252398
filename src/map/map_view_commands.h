// The map buttons of the logging screen: pan the live or review view, zoom
// and fit the review view.
#pragma once
#include <cstdint>

// Carries out one map command: 121..124 pan west, east, north, south; 125,
// 126 zoom in / out; 127 fit all the data into the window; other codes
// nothing.
void MapViewCommand(int32_t code);
