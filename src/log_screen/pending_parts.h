// What the logging screen calls in the map, the background files and the
// option and line dialogs, which are built elsewhere. The bodies in
// pending_parts.cpp are plain placeholders that keep the logging screen whole
// meanwhile. They are deliberately not weak: a real definition linked beside
// its placeholder is a duplicate-symbol error, never a silent choice, so the
// placeholder's declaration and body go when the real one lands.
#pragma once
#include <cstdint>

#include "platform/window.h"

// Map: the waiting text and the positions of an appended data file.
void ShowPleaseWait();
// 1: the file's GPS positions were taken in; 0: refused (message shown).
int ScanDataFileGpsPositions(plat::Hwnd owner);
void ReplayDataFileToMap();
// The temporary files of the loaded background files deleted; none loaded afterwards.
void RemoveAllBackgroundFiles();

// The logging screen's commands: 101 New Line, 102 New Station, 103 Comment;
// 104..129 the option, view, map and background-file commands.
void RunLineStationCommand(plat::Hwnd logScreen, int command);
void RunOptionCommand(plat::Hwnd logScreen, int command);
