// The setup dialogs that the start screen opens, each modal over the main
// window; a confirmed dialog saves the settings file. Not built yet: each
// call returns at once and changes nothing.
#pragma once

#include "platform/window.h"

// "SURVEYSETUP": line name, increments, direction and sequence, start station.
void RunSurveySetupDialog(plat::Hwnd owner);
// "SYSTEM": consoles, their types and ports, leading point, units, pause key.
void RunSystemSetupDialog(plat::Hwnd owner);
// "ARRAYGEOMETRY": separations and the GPS antenna offsets.
void RunArrayGeometryDialog(plat::Hwnd owner);
// "GPSINPUT": GPS input mode, data format and the port's settings.
void RunGpsInputDialog(plat::Hwnd owner);
