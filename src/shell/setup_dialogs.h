// The setup dialogs that the start screen opens, each modal over the main
// window. OK stores the values, works out what follows from them and saves
// the settings file; Cancel (also the close box, Esc, and C in the survey,
// system and array dialogs) puts back every value the dialog changed while it
// ran, so memory, the start screen's summary and the file agree.
#pragma once
#include <cstdint>

#include "platform/window.h"

// Metres per array unit (ArrayGeometry.ArrayUnits 0 m, 1 cm, 2 ft, 3 in);
// 1.0 for a unit outside the table.
double ArrayUnitFactor(int32_t arrayUnits);
// The consoles' type as the array dialog and the summary show it: "N/A"
// without consoles, "Grad601-1" or "Grad601-2" when all are alike, else "Mixed".
const char16_t* ArrayConsoleTypeText();

// The dialog procedures, for the templates of resources/setup_templates.h.
plat::LResult SurveySetupDlgProc(plat::Hwnd dialog, uint32_t message, plat::WParam w, plat::LParam l);
plat::LResult SystemSetupDlgProc(plat::Hwnd dialog, uint32_t message, plat::WParam w, plat::LParam l);
plat::LResult ArrayGeometryDlgProc(plat::Hwnd dialog, uint32_t message, plat::WParam w, plat::LParam l);

// "SURVEYSETUP": line name, increments, direction and sequence, start station.
void RunSurveySetupDialog(plat::Hwnd owner);
// "SYSTEM": consoles, their types and ports, leading point, units, pause key.
void RunSystemSetupDialog(plat::Hwnd owner);
// "ARRAYGEOMETRY": separations and the GPS antenna offsets.
void RunArrayGeometryDialog(plat::Hwnd owner);
// "GPSINPUT": GPS input mode, data format and the port's settings.
void RunGpsInputDialog(plat::Hwnd owner);
