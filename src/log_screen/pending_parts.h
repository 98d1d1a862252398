// What the logging screen calls in windows and map functions that are built
// elsewhere. The bodies in pending_parts.cpp are weak placeholders that keep
// the logging screen whole meanwhile: a real definition, once linked, takes
// the place of its placeholder, whose declaration and body then go.
#pragma once
#include <cstdint>

#include "platform/window.h"

// The child window classes of the logging screen. A placeholder registers a
// procedure that only erases its window (white). 0 registered, 1 failed.
int RegisterMapWndClass();
int RegisterColorBarWndClass();

// Map: the tile tables, the grid, the scales, the waiting text, and the
// positions of an appended data file.
void DeleteAllMapTiles();
void ComputeGridSpacing();
void InitMapScales();
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
