#include "log_screen/pending_parts.h"

void ShowPleaseWait() {}
// No scan yet: every file of this program is taken as it is.
int ScanDataFileGpsPositions(plat::Hwnd) { return 1; }
void ReplayDataFileToMap() {}
void RemoveAllBackgroundFiles() {}

void RunLineStationCommand(plat::Hwnd, int) {}
void RunOptionCommand(plat::Hwnd, int) {}
