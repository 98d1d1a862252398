// The display and audio option dialogs of the logging screen and the start
// screen, and the map display options dialog, as template tables, with the
// control ids their procedures use.
#pragma once
#include <cstdint>

#include "resources/dialog_template.h"

namespace res {

// "DISPLAYSETUP": the profile curves' colour, thickness and visibility.
constexpr int32_t kLeftVisibleId = 1001, kRightVisibleId = 1002;             // check boxes
constexpr int32_t kLeftColourButtonId = 1003, kRightColourButtonId = 1004;   // owner-drawn: a sample line
constexpr int32_t kLeftThicknessId = 1007, kRightThicknessId = 1008;         // lists "1 pixel" .. "4 pixels"

// "READINGSCALE"
constexpr int32_t kScaleMinimumId = 1171, kScaleMaximumId = 1172;

// "MAPSCALE"
constexpr int32_t kMapScaleSizeId = 1189, kMapScaleIntervalId = 1190;
constexpr int32_t kMapScaleSizeUnitId = 1191, kMapScaleIntervalUnitId = 1192;
constexpr int32_t kCursorBandId = 1221;                                      // list "10" .. "40" (per cent)

// "SPEEDSCALE"
constexpr int32_t kSpeedCurrentId = 1184, kSpeedNewId = 1185, kSpeedUnitsId = 1186;

// "AUDIOFUNCTIONS"
constexpr int32_t kAudioTicksId = 1243, kAudioAlarmId = 1244, kAudioMaskWarningId = 1245;

// "DISPLAYOPTIONS"
constexpr int32_t kBasicGridId = 800, kParallelLinesId = 801;                // radio pair
constexpr int32_t kGridIntervalId = 802, kGridIntervalLabelId = 803;
constexpr int32_t kLinesAngleId = 804, kGridIntervalUnitId = 805;
constexpr int32_t kMapSizeId = 806, kMapSizeUnitId = 807;
constexpr int32_t kDisplayTypeId = 808;                                      // list
constexpr int32_t kCursorColourId = 1193, kPositionColourId = 1194;
constexpr int32_t kCursorSizeFirstId = 1200;                                 // 1200..1205: sizes 0..5
constexpr int32_t kPositionSizeFirstId = 1206;                               // 1206..1211: sizes 0..5
constexpr int32_t kMapPreviewId = 1220;                                      // owner-drawn preview

extern const DialogTemplate kDisplaySetupTemplate;      // "DISPLAYSETUP", "Setup Profile Options"
extern const DialogTemplate kReadingScaleTemplate;      // "READINGSCALE", "Readings Scale"
extern const DialogTemplate kMapScaleTemplate;          // "MAPSCALE", "Map Size"
extern const DialogTemplate kSpeedScaleTemplate;        // "SPEEDSCALE", "Set New Speed Bar Scale"
extern const DialogTemplate kAudioFunctionsTemplate;    // "AUDIOFUNCTIONS", "Audio Options"
extern const DialogTemplate kDisplayOptionsTemplate;    // "DISPLAYOPTIONS", "Map Display Options"
// Held with the others though no command opens it.
extern const DialogTemplate kCoordinatesUnitsTemplate;  // "COORDINATESUNITS"

}  // namespace res
