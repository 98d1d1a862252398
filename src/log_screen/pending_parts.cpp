#include "log_screen/pending_parts.h"

void RunOptionCommand(plat::Hwnd, int) {}
