// The two background-file dialogs: loading a file and removing loaded ones.
#pragma once
#include <cstdint>

#include "resources/dialog_template.h"

namespace res {

constexpr int32_t kIdBackgroundOk = 1;      // the OK and Cancel commands
constexpr int32_t kIdBackgroundCancel = 2;

// BACKGROUNDFILELOAD
constexpr int32_t kIdBackgroundCount = 1020;        // static: files loaded
constexpr int32_t kIdBackgroundFileType = 1021;     // combo: data file, ASCII file
constexpr int32_t kIdBackgroundHint = 1022;         // static: the accepted files
constexpr int32_t kIdBackgroundCoordinates = 1023;  // combo: Geodetic, UTM m, ft, US ft
constexpr int32_t kIdBackgroundEasting = 1024;      // combo: Column 1..24
constexpr int32_t kIdBackgroundNorthing = 1025;     // combo: Column 1..24
constexpr int32_t kIdBackgroundDelimiter = 1026;    // combo: space, comma, tab, semicolon
constexpr int32_t kIdBackgroundDatum = 1027;        // static: the datum note (ASCII only)
constexpr int32_t kIdBackgroundStyle = 1049;        // combo: dots, thin, medium, thick line
// BACKGROUNDFILEREMOVE
constexpr int32_t kIdBackgroundRemoveCheck = 1028;  // check box of loaded file i: 1028 + i
constexpr int32_t kIdBackgroundRemoveName = 1038;   // static with the name of file i: 1038 + i
constexpr int32_t kIdBackgroundSelectAll = 1048;

extern const DialogTemplate kBackgroundFileLoadTemplate;
extern const DialogTemplate kBackgroundFileRemoveTemplate;

}  // namespace res
