// The templates of the setup dialogs that edit the survey, the array and the
// GPS settings, and the control ids their procedures use.
#pragma once
#include "resources/dialog_template.h"

namespace res {

// "SURVEYSETUP"
constexpr int32_t kIdLineName = 1113;
constexpr int32_t kIdLineIncrement = 1114;
constexpr int32_t kIdLineSequence = 1115;
constexpr int32_t kIdLineDirection = 1116;
constexpr int32_t kIdStartStation = 1117;
constexpr int32_t kIdStationIncrement = 1118;

// "SYSTEM"
constexpr int32_t kIdConsoleCount = 1120;
constexpr int32_t kIdTotalSensors = 1122;
constexpr int32_t kIdLeadingPoint = 1123;
constexpr int32_t kIdFirstConsoleType = 1009;   // 1009..1017, consoles 1..9
constexpr int32_t kIdFirstConsolePort = 1125;   // 1125..1133, consoles 1..9
constexpr int32_t kIdSystemGpsPort = 1134;
constexpr int32_t kIdPauseKey = 1135;
constexpr int32_t kIdSpeedUnits = 1137;
constexpr int32_t kIdDisplayUnits = 1139;
constexpr int32_t kIdCoordinatesDisplay = 1238;
constexpr int32_t kIdAudioTicks = 1240;
constexpr int32_t kIdDisconnectionAlarm = 1239;

// "ARRAYGEOMETRY"
constexpr int32_t kIdArraySensors = 1170;
constexpr int32_t kIdArrayConsoleType = 1236;
constexpr int32_t kIdUnitSeparation = 1237;
constexpr int32_t kIdConsoleSeparation = 1150;
constexpr int32_t kIdAntennaOffsetX = 1151;
constexpr int32_t kIdAntennaOffsetY = 1152;
constexpr int32_t kIdFirstArrayUnit = 1155;     // 1155..1158: meters, centimeters, feet, inches

// "GPSINPUT"
constexpr int32_t kIdInputMode = 1162;
constexpr int32_t kIdDataFormat = 1164;
constexpr int32_t kIdGpsPort = 1165;
constexpr int32_t kIdBaudRate = 1166;
constexpr int32_t kIdParity = 1167;
constexpr int32_t kIdDataBits = 1168;
constexpr int32_t kIdStopBits = 1169;
constexpr int32_t kIdInputWarning = 1222;
constexpr int32_t kIdInputQuality = 1224;
constexpr int32_t kIdInputDilution = 1223;
constexpr int32_t kIdInputSatellites = 1225;
constexpr int32_t kIdInputAudioWarning = 1241;

// "GPSMASK"
constexpr int32_t kIdMaskWarning = 1226;
constexpr int32_t kIdMaskQuality = 1227;
constexpr int32_t kIdMaskDilution = 1228;
constexpr int32_t kIdMaskSatellites = 1229;
constexpr int32_t kIdMaskAudioWarning = 1242;

// Both GPS dialogs: the labels of the mask rows, which follow the data format.
constexpr int32_t kIdWarningLabel = 1230;
constexpr int32_t kIdQualityLabel = 1231;
constexpr int32_t kIdDilutionLabel = 1232;
constexpr int32_t kIdSatellitesLabel = 1233;

extern const DialogTemplate kSurveySetupTemplate;
extern const DialogTemplate kSystemTemplate;
extern const DialogTemplate kArrayGeometryTemplate;
extern const DialogTemplate kGpsInputTemplate;
extern const DialogTemplate kGpsMaskTemplate;

}  // namespace res
