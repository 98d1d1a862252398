// The check of an existing data file of this program before a new section is
// appended to it: its header must describe the array and GPS set-up in force.
#pragma once
#include "platform/window.h"

// The file that CreateDataFile opened with result 1 is checked against the
// settings. 0: it may be appended to (it stays open). 1: refused: a message
// was shown (owned by `owner`), the file is closed and the handle invalid.
int CheckDataFileForAppend(plat::Hwnd owner);
