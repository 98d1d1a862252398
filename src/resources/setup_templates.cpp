#include "resources/setup_templates.h"

#include "platform/controls.h"
#include "platform/message_box.h"

namespace res {
namespace {

using plat::kButtonAutoCheckBox;
using plat::kButtonAutoRadio;
using plat::kButtonDefaultPush;
using plat::kButtonGroupBox;
using plat::kButtonPush;
using plat::kComboDropDownList;
using plat::kEditAutoHScroll;
using plat::kEditReadOnly;
using plat::kStaticLeft;
using plat::kStyleBorder;
using plat::kStyleGroup;
using plat::kStyleTabStop;
using plat::kStyleVScroll;

constexpr uint32_t kList = kComboDropDownList | kStyleTabStop | kStyleVScroll;
constexpr uint32_t kEdit = kStyleTabStop | kStyleBorder | kEditAutoHScroll;
constexpr uint32_t kShown = kStyleBorder | kEditReadOnly;
constexpr uint32_t kCheck = kButtonAutoCheckBox | kStyleTabStop;
constexpr uint32_t kOk = kButtonDefaultPush | kStyleTabStop;
constexpr uint32_t kCancel = kButtonPush | kStyleTabStop;

constexpr const char16_t* kFace = u"MS Sans Serif";
constexpr const char16_t* kMaskNote =
    u"If any of above not met then GPS circle indicator will blink in red and Warning sound if enabled";

// class, text, id, x, y, width, height (dialog units), style
constexpr DialogControl kSurveySetupControls[] = {
    {u"STATIC", u"Line Name:", kNoControlId, 10, 12, 80, 8, kStaticLeft},
    {u"EDIT", u"", kIdLineName, 95, 10, 95, 12, kEdit},
    {u"STATIC", u"Line Increment:", kNoControlId, 10, 30, 80, 8, kStaticLeft},
    {u"EDIT", u"", kIdLineIncrement, 95, 28, 95, 12, kEdit},
    {u"STATIC", u"Line Sequence:", kNoControlId, 10, 48, 80, 8, kStaticLeft},
    {u"COMBOBOX", u"", kIdLineSequence, 95, 46, 95, 60, kList},
    {u"STATIC", u"Line Direction:", kNoControlId, 10, 66, 80, 8, kStaticLeft},
    {u"COMBOBOX", u"", kIdLineDirection, 95, 64, 95, 80, kList},
    {u"STATIC", u"Start Station:", kNoControlId, 10, 84, 80, 8, kStaticLeft},
    {u"EDIT", u"", kIdStartStation, 95, 82, 95, 12, kEdit},
    {u"STATIC", u"Station Increment:", kNoControlId, 10, 102, 80, 8, kStaticLeft},
    {u"EDIT", u"", kIdStationIncrement, 95, 100, 95, 12, kEdit},
    {u"BUTTON", u"OK", plat::kIdOk, 40, 126, 50, 14, kOk},
    {u"BUTTON", u"Cancel", plat::kIdCancel, 110, 126, 50, 14, kCancel},
};

constexpr DialogControl kSystemControls[] = {
    {u"STATIC", u"Number of Consoles:", kNoControlId, 10, 12, 88, 8, kStaticLeft},
    {u"COMBOBOX", u"", kIdConsoleCount, 100, 10, 75, 130, kList},
    {u"STATIC", u"Total No of Sensors:", kNoControlId, 10, 30, 88, 8, kStaticLeft},
    {u"EDIT", u"", kIdTotalSensors, 100, 28, 30, 12, kShown},
    {u"STATIC", u"Leading Point:", kNoControlId, 10, 48, 88, 8, kStaticLeft},
    {u"COMBOBOX", u"", kIdLeadingPoint, 100, 46, 75, 130, kList},
    {u"BUTTON", u"Consoles", kNoControlId, 6, 64, 184, 174, kButtonGroupBox},
    {u"STATIC", u"Type", kNoControlId, 56, 75, 50, 8, kStaticLeft},
    {u"STATIC", u"Port", kNoControlId, 122, 75, 50, 8, kStaticLeft},
    {u"STATIC", u"Console 1", kNoControlId, 12, 88, 42, 8, kStaticLeft},
    {u"COMBOBOX", u"", kIdFirstConsoleType + 0, 54, 86, 62, 50, kList},
    {u"COMBOBOX", u"", kIdFirstConsolePort + 0, 120, 86, 64, 130, kList},
    {u"STATIC", u"Console 2", kNoControlId, 12, 104, 42, 8, kStaticLeft},
    {u"COMBOBOX", u"", kIdFirstConsoleType + 1, 54, 102, 62, 50, kList},
    {u"COMBOBOX", u"", kIdFirstConsolePort + 1, 120, 102, 64, 130, kList},
    {u"STATIC", u"Console 3", kNoControlId, 12, 120, 42, 8, kStaticLeft},
    {u"COMBOBOX", u"", kIdFirstConsoleType + 2, 54, 118, 62, 50, kList},
    {u"COMBOBOX", u"", kIdFirstConsolePort + 2, 120, 118, 64, 130, kList},
    {u"STATIC", u"Console 4", kNoControlId, 12, 136, 42, 8, kStaticLeft},
    {u"COMBOBOX", u"", kIdFirstConsoleType + 3, 54, 134, 62, 50, kList},
    {u"COMBOBOX", u"", kIdFirstConsolePort + 3, 120, 134, 64, 130, kList},
    {u"STATIC", u"Console 5", kNoControlId, 12, 152, 42, 8, kStaticLeft},
    {u"COMBOBOX", u"", kIdFirstConsoleType + 4, 54, 150, 62, 50, kList},
    {u"COMBOBOX", u"", kIdFirstConsolePort + 4, 120, 150, 64, 130, kList},
    {u"STATIC", u"Console 6", kNoControlId, 12, 168, 42, 8, kStaticLeft},
    {u"COMBOBOX", u"", kIdFirstConsoleType + 5, 54, 166, 62, 50, kList},
    {u"COMBOBOX", u"", kIdFirstConsolePort + 5, 120, 166, 64, 130, kList},
    {u"STATIC", u"Console 7", kNoControlId, 12, 184, 42, 8, kStaticLeft},
    {u"COMBOBOX", u"", kIdFirstConsoleType + 6, 54, 182, 62, 50, kList},
    {u"COMBOBOX", u"", kIdFirstConsolePort + 6, 120, 182, 64, 130, kList},
    {u"STATIC", u"Console 8", kNoControlId, 12, 200, 42, 8, kStaticLeft},
    {u"COMBOBOX", u"", kIdFirstConsoleType + 7, 54, 198, 62, 50, kList},
    {u"COMBOBOX", u"", kIdFirstConsolePort + 7, 120, 198, 64, 130, kList},
    {u"STATIC", u"Console 9", kNoControlId, 12, 216, 42, 8, kStaticLeft},
    {u"COMBOBOX", u"", kIdFirstConsoleType + 8, 54, 214, 62, 50, kList},
    {u"COMBOBOX", u"", kIdFirstConsolePort + 8, 120, 214, 64, 130, kList},
    {u"STATIC", u"GPS Port:", kNoControlId, 198, 12, 62, 8, kStaticLeft},
    {u"COMBOBOX", u"", kIdSystemGpsPort, 262, 10, 76, 130, kList},
    {u"STATIC", u"Pause Key:", kNoControlId, 198, 30, 62, 8, kStaticLeft},
    {u"COMBOBOX", u"", kIdPauseKey, 262, 28, 76, 70, kList},
    {u"STATIC", u"Speed Units:", kNoControlId, 198, 48, 62, 8, kStaticLeft},
    {u"COMBOBOX", u"", kIdSpeedUnits, 262, 46, 76, 70, kList},
    {u"STATIC", u"Display Units:", kNoControlId, 198, 66, 62, 8, kStaticLeft},
    {u"COMBOBOX", u"", kIdDisplayUnits, 262, 64, 76, 60, kList},
    {u"STATIC", u"Coordinates:", kNoControlId, 198, 84, 62, 8, kStaticLeft},
    {u"COMBOBOX", u"", kIdCoordinatesDisplay, 262, 82, 76, 70, kList},
    {u"BUTTON", u"Audio Tiks During Data Collection", kIdAudioTicks, 198, 106, 158, 10, kCheck},
    {u"BUTTON", u"Sound Alarm for any Disconnection", kIdDisconnectionAlarm, 198, 122, 158, 10, kCheck},
    {u"BUTTON", u"OK", plat::kIdOk, 218, 222, 50, 14, kOk},
    {u"BUTTON", u"Cancel", plat::kIdCancel, 284, 222, 50, 14, kCancel},
};

constexpr DialogControl kArrayGeometryControls[] = {
    {u"STATIC", u"Total No of Sensors:", kNoControlId, 10, 12, 105, 8, kStaticLeft},
    {u"EDIT", u"", kIdArraySensors, 120, 10, 40, 12, kShown},
    {u"STATIC", u"Grad601 Type:", kNoControlId, 10, 30, 105, 8, kStaticLeft},
    {u"EDIT", u"", kIdArrayConsoleType, 120, 28, 60, 12, kShown},
    {u"STATIC", u"Unit Separation:", kNoControlId, 10, 48, 105, 8, kStaticLeft},
    {u"EDIT", u"", kIdUnitSeparation, 120, 46, 60, 12, kEdit},
    {u"STATIC", u"Console Separation:", kNoControlId, 10, 66, 105, 8, kStaticLeft},
    {u"EDIT", u"", kIdConsoleSeparation, 120, 64, 60, 12, kEdit},
    {u"STATIC", u"GPS Antenna Offset X:", kNoControlId, 10, 84, 105, 8, kStaticLeft},
    {u"EDIT", u"", kIdAntennaOffsetX, 120, 82, 60, 12, kEdit},
    {u"STATIC", u"GPS Antenna Offset Y:", kNoControlId, 10, 102, 105, 8, kStaticLeft},
    {u"EDIT", u"", kIdAntennaOffsetY, 120, 100, 60, 12, kEdit},
    {u"BUTTON", u"Units", kNoControlId, 6, 118, 218, 26, kButtonGroupBox},
    {u"BUTTON", u"meters", kIdFirstArrayUnit + 0, 14, 129, 44, 10, kButtonAutoRadio | kStyleGroup | kStyleTabStop},
    {u"BUTTON", u"centimeters", kIdFirstArrayUnit + 1, 60, 129, 66, 10, kButtonAutoRadio},
    {u"BUTTON", u"feet", kIdFirstArrayUnit + 2, 130, 129, 36, 10, kButtonAutoRadio},
    {u"BUTTON", u"inches", kIdFirstArrayUnit + 3, 170, 129, 45, 10, kButtonAutoRadio},
    {u"BUTTON", u"OK", plat::kIdOk, 50, 152, 50, 14, kOk | kStyleGroup},
    {u"BUTTON", u"Cancel", plat::kIdCancel, 130, 152, 50, 14, kCancel},
};

constexpr DialogControl kGpsInputControls[] = {
    {u"STATIC", u"GPS Input:", kNoControlId, 10, 12, 60, 8, kStaticLeft},
    {u"COMBOBOX", u"", kIdInputMode, 75, 10, 78, 110, kList},
    {u"STATIC", u"Data Format:", kNoControlId, 10, 30, 60, 8, kStaticLeft},
    {u"COMBOBOX", u"", kIdDataFormat, 75, 28, 78, 130, kList},
    {u"STATIC", u"Port:", kNoControlId, 10, 48, 60, 8, kStaticLeft},
    {u"COMBOBOX", u"", kIdGpsPort, 75, 46, 78, 130, kList},
    {u"STATIC", u"Baud Rate:", kNoControlId, 10, 66, 60, 8, kStaticLeft},
    {u"COMBOBOX", u"", kIdBaudRate, 75, 64, 78, 100, kList},
    {u"STATIC", u"Parity:", kNoControlId, 10, 84, 60, 8, kStaticLeft},
    {u"COMBOBOX", u"", kIdParity, 75, 82, 78, 60, kList},
    {u"STATIC", u"Data Bits:", kNoControlId, 10, 102, 60, 8, kStaticLeft},
    {u"COMBOBOX", u"", kIdDataBits, 75, 100, 78, 50, kList},
    {u"STATIC", u"Stop Bits:", kNoControlId, 10, 120, 60, 8, kStaticLeft},
    {u"COMBOBOX", u"", kIdStopBits, 75, 118, 78, 50, kList},
    {u"BUTTON", u"GPS Warning Mask", kNoControlId, 162, 4, 132, 128, kButtonGroupBox},
    {u"STATIC", u"Warning", kIdWarningLabel, 168, 20, 55, 8, kStaticLeft},
    {u"COMBOBOX", u"", kIdInputWarning, 226, 18, 62, 50, kList},
    {u"STATIC", u"Quality", kIdQualityLabel, 168, 38, 55, 8, kStaticLeft},
    {u"COMBOBOX", u"", kIdInputQuality, 226, 36, 62, 80, kList},
    {u"STATIC", u"PDOP", kIdDilutionLabel, 168, 56, 55, 8, kStaticLeft},
    {u"EDIT", u"", kIdInputDilution, 226, 54, 62, 12, kEdit},
    {u"STATIC", u"Satellites", kIdSatellitesLabel, 168, 74, 55, 8, kStaticLeft},
    {u"COMBOBOX", u"", kIdInputSatellites, 226, 72, 62, 120, kList},
    {u"BUTTON", u"Enable Audio Warning", kIdInputAudioWarning, 168, 94, 120, 10, kCheck},
    {u"STATIC", kMaskNote, kNoControlId, 10, 142, 284, 18, kStaticLeft},
    {u"BUTTON", u"OK", plat::kIdOk, 90, 168, 50, 14, kOk},
    {u"BUTTON", u"Cancel", plat::kIdCancel, 160, 168, 50, 14, kCancel},
};

constexpr DialogControl kGpsMaskControls[] = {
    {u"STATIC", u"Warning", kIdWarningLabel, 10, 12, 65, 8, kStaticLeft},
    {u"COMBOBOX", u"", kIdMaskWarning, 80, 10, 85, 50, kList},
    {u"STATIC", u"Quality", kIdQualityLabel, 10, 30, 65, 8, kStaticLeft},
    {u"COMBOBOX", u"", kIdMaskQuality, 80, 28, 85, 80, kList},
    {u"STATIC", u"PDOP", kIdDilutionLabel, 10, 48, 65, 8, kStaticLeft},
    {u"EDIT", u"", kIdMaskDilution, 80, 46, 85, 12, kEdit},
    {u"STATIC", u"Satellites", kIdSatellitesLabel, 10, 66, 65, 8, kStaticLeft},
    {u"COMBOBOX", u"", kIdMaskSatellites, 80, 64, 85, 120, kList},
    {u"BUTTON", u"Enable Audio Warning", kIdMaskAudioWarning, 10, 84, 150, 10, kCheck},
    {u"STATIC", kMaskNote, kNoControlId, 10, 100, 160, 26, kStaticLeft},
    {u"BUTTON", u"OK", plat::kIdOk, 25, 134, 50, 14, kOk},
    {u"BUTTON", u"Cancel", plat::kIdCancel, 105, 134, 50, 14, kCancel},
};

}  // namespace

// name, caption, x, y, width, height, font, points, style, controls
const DialogTemplate kSurveySetupTemplate{
    "SURVEYSETUP", u"Survey Setup", 0, 0, 200, 148, kFace, 8, kDialogCloseBox, kSurveySetupControls};
const DialogTemplate kSystemTemplate{
    "SYSTEM", u"System Setup", 0, 0, 362, 244, kFace, 8, kDialogCloseBox, kSystemControls};
const DialogTemplate kArrayGeometryTemplate{
    "ARRAYGEOMETRY", u"Array Geometry Setup", 0, 0, 230, 174, kFace, 8, kDialogCloseBox, kArrayGeometryControls};
const DialogTemplate kGpsInputTemplate{
    "GPSINPUT", u"GPS Port Setup", 30, 20, 300, 190, kFace, 8, kDialogCloseBox, kGpsInputControls};
const DialogTemplate kGpsMaskTemplate{
    "GPSMASK", u"GPS Warning Mask", 40, 30, 180, 156, kFace, 8, kDialogCloseBox, kGpsMaskControls};

}  // namespace res
