#include "log_screen/pending_parts.h"

void ShowPleaseWait() {}
void StepBusyIndicator() {}
void ReplayDataFileToMap() {}

void RunOptionCommand(plat::Hwnd, int) {}
