#include "log_screen/pending_parts.h"

#include "map/map_view_commands.h"

void ShowPleaseWait() {}
void StepBusyIndicator() {}
void ReplayDataFileToMap() {}
void MapViewCommand(int32_t) {}
