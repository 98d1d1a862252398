// What the logging screen calls in the map, the background files and the
// option dialogs, which are built elsewhere. The bodies in
// pending_parts.cpp are plain placeholders that keep the logging screen whole
// meanwhile. They are deliberately not weak: a real definition linked beside
// its placeholder is a duplicate-symbol error, never a silent choice, so the
// placeholder's declaration and body go when the real one lands.
#pragma once
#include <cstdint>

#include "platform/window.h"

// Map: the waiting text and the positions of an appended data file.
void ShowPleaseWait();
// One step of the busy indicator in the map window (the scan and the replay
// call it at most every 750 ms while they read the data file).
void StepBusyIndicator();
void ReplayDataFileToMap();
