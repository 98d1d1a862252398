#include "shell/setup_dialogs.h"

void RunSurveySetupDialog(plat::Hwnd) {}
void RunSystemSetupDialog(plat::Hwnd) {}
void RunArrayGeometryDialog(plat::Hwnd) {}
void RunGpsInputDialog(plat::Hwnd) {}
