// The logging screen's option, view, map and background-file commands:
//   104 none                        112 GPS Warning Mask
//   105 Readings Scale              113 Audio Options
//   106 Scale Speed Bar             119 Enter Background Files
//   107 Profile Display Options     120 Remove Background Files
//   108 Hide Menu                   121..127 map Left, Right, Up, Down,
//   109 Toggle View                          Zoom+, Zoom-, Fit All
//   110 Map Size                    128 Enter Review
//   111 Map Display Options         129 Exit Review
//
// They run on the window thread inside the logging screen's command handler.
// A command that opens a dialog, a chooser or a message box marks the screen
// busy (LogScreenState.UiIdle 0, so the GPS handler feeds the map nothing
// meanwhile) and ends with it idle again, the curve windows redrawn and the
// keyboard focus back on the logging screen.
//
// Review keeps the live view in MapView.Review* / MapDisplayOptions.Saved*
// while the operator pans and zooms a copy of it. The two commands that would
// overwrite those copies (Map Size and Map Display Options, whose dialogs
// keep their opening values in the same fields) are refused during review,
// so Exit Review always returns to the live view.
#pragma once
#include <cstdint>

#include "platform/window.h"

void RunOptionCommand(plat::Hwnd logScreen, int command);

// The map-size fit test: the data extent (MapView.DataMin/Max X/Y) at the
// scale in force, as tiles. True when both corners lie in the drawable tiles
// (MapTiles.MinDrawableTile..MaxDrawableTile). The corner tiles are given
// back either way (a point too far out to convert lands beyond the range).
// Map Size, and Map Display Options when it changes the map size, also scan
// the open data file (DataFileFitsMap): a scale at which its survey would
// reach past the drawable tiles or need more tiles than the store may hold is
// refused the same way ("Map Size too small"), before anything is redrawn.
bool DataExtentFitsMapTiles(int32_t* colA, int32_t* rowA, int32_t* colB, int32_t* rowB);
