#include "resources/option_templates.h"

#include "platform/controls.h"
#include "platform/message_box.h"
#include "platform/window.h"

namespace res {
namespace {

using plat::kButtonAutoCheckBox;
using plat::kButtonAutoRadio;
using plat::kButtonDefaultPush;
using plat::kButtonGroupBox;
using plat::kButtonOwnerDraw;
using plat::kButtonPush;
using plat::kComboDropDownList;
using plat::kEditAutoHScroll;
using plat::kEditReadOnly;
using plat::kIdCancel;
using plat::kIdOk;
using plat::kStaticLeft;
using plat::kStyleBorder;
using plat::kStyleGroup;
using plat::kStyleTabStop;

constexpr uint32_t kEdit = kStyleTabStop | kStyleBorder | kEditAutoHScroll;
constexpr uint32_t kList = kComboDropDownList | kStyleTabStop;
constexpr uint32_t kOk = kButtonDefaultPush | kStyleTabStop;
constexpr uint32_t kCancel = kButtonPush | kStyleTabStop;
constexpr uint32_t kFirstRadio = kButtonAutoRadio | kStyleGroup | kStyleTabStop;
constexpr const char16_t* kFont = u"MS Sans Serif";

// class, text, id, x, y, width, height, style
constexpr DialogControl kDisplaySetupControls[] = {
    {u"BUTTON", u"Left Sensor", kNoControlId, 7, 5, 90, 82, kButtonGroupBox},
    {u"BUTTON", u"", kLeftColourButtonId, 14, 17, 76, 20, kButtonOwnerDraw | kStyleTabStop},
    {u"BUTTON", u"Visible", kLeftVisibleId, 14, 43, 60, 10, kButtonAutoCheckBox | kStyleTabStop},
    {u"STATIC", u"Thickness:", kNoControlId, 14, 57, 60, 8, kStaticLeft},
    {u"COMBOBOX", u"", kLeftThicknessId, 14, 67, 76, 60, kList},
    {u"BUTTON", u"Right Sensor", kNoControlId, 104, 5, 90, 82, kButtonGroupBox},
    {u"BUTTON", u"", kRightColourButtonId, 111, 17, 76, 20, kButtonOwnerDraw | kStyleTabStop},
    {u"BUTTON", u"Visible", kRightVisibleId, 111, 43, 60, 10, kButtonAutoCheckBox | kStyleTabStop},
    {u"STATIC", u"Thickness:", kNoControlId, 111, 57, 60, 8, kStaticLeft},
    {u"COMBOBOX", u"", kRightThicknessId, 111, 67, 76, 60, kList},
    {u"BUTTON", u"OK", kIdOk, 40, 94, 50, 14, kOk},
    {u"BUTTON", u"Cancel", kIdCancel, 110, 94, 50, 14, kCancel},
};

constexpr DialogControl kReadingScaleControls[] = {
    {u"STATIC", u"Minimum:", kNoControlId, 10, 12, 40, 8, kStaticLeft},
    {u"EDIT", u"", kScaleMinimumId, 55, 10, 80, 12, kEdit},
    {u"STATIC", u"Maximum:", kNoControlId, 10, 30, 40, 8, kStaticLeft},
    {u"EDIT", u"", kScaleMaximumId, 55, 28, 80, 12, kEdit},
    {u"BUTTON", u"OK", kIdOk, 15, 50, 50, 14, kOk},
    {u"BUTTON", u"Cancel", kIdCancel, 85, 50, 50, 14, kCancel},
};

constexpr DialogControl kMapScaleControls[] = {
    {u"STATIC", u"Map Size:", kNoControlId, 10, 12, 58, 8, kStaticLeft},
    {u"EDIT", u"", kMapScaleSizeId, 70, 10, 50, 12, kEdit},
    {u"STATIC", u"", kMapScaleSizeUnitId, 125, 12, 40, 8, kStaticLeft},
    {u"STATIC", u"Grid Interval:", kNoControlId, 10, 30, 58, 8, kStaticLeft},
    {u"EDIT", u"", kMapScaleIntervalId, 70, 28, 50, 12, kEdit},
    {u"STATIC", u"", kMapScaleIntervalUnitId, 125, 30, 40, 8, kStaticLeft},
    {u"STATIC", u"Cursor Band (%):", kNoControlId, 10, 48, 58, 8, kStaticLeft},
    {u"COMBOBOX", u"", kCursorBandId, 70, 46, 50, 80, kList},
    {u"BUTTON", u"OK", kIdOk, 25, 70, 50, 14, kOk},
    {u"BUTTON", u"Cancel", kIdCancel, 95, 70, 50, 14, kCancel},
};

constexpr DialogControl kSpeedScaleControls[] = {
    {u"STATIC", u"Current Scale:", kNoControlId, 10, 12, 55, 8, kStaticLeft},
    {u"EDIT", u"", kSpeedCurrentId, 70, 10, 60, 12, kStyleBorder | kEditReadOnly},
    {u"STATIC", u"New Scale:", kNoControlId, 10, 30, 55, 8, kStaticLeft},
    {u"EDIT", u"", kSpeedNewId, 70, 28, 60, 12, kEdit},
    {u"STATIC", u"Units:", kNoControlId, 10, 48, 55, 8, kStaticLeft},
    {u"COMBOBOX", u"", kSpeedUnitsId, 70, 46, 60, 60, kList},
    {u"BUTTON", u"OK", kIdOk, 15, 70, 50, 14, kOk},
    {u"BUTTON", u"Cancel", kIdCancel, 85, 70, 50, 14, kCancel},
};

constexpr DialogControl kAudioFunctionsControls[] = {
    {u"BUTTON", u"Audio Tiks During Data Collection", kAudioTicksId, 10, 10, 160, 10,
     kButtonAutoCheckBox | kStyleTabStop},
    {u"BUTTON", u"Sound Alarm for any Disconnection", kAudioAlarmId, 10, 26, 160, 10,
     kButtonAutoCheckBox | kStyleTabStop},
    {u"BUTTON", u"Enable Audio Warning for GPS Mask", kAudioMaskWarningId, 10, 42, 160, 10,
     kButtonAutoCheckBox | kStyleTabStop},
    {u"BUTTON", u"OK", kIdOk, 30, 62, 50, 14, kOk},
    {u"BUTTON", u"Cancel", kIdCancel, 100, 62, 50, 14, kCancel},
};

constexpr DialogControl kDisplayOptionsControls[] = {
    {u"BUTTON", u"Cursor", kNoControlId, 7, 3, 158, 42, kButtonGroupBox},
    {u"BUTTON", u"1 ", kCursorSizeFirstId + 0, 13, 14, 20, 10, kFirstRadio},
    {u"BUTTON", u"2 ", kCursorSizeFirstId + 1, 35, 14, 20, 10, kButtonAutoRadio},
    {u"BUTTON", u"3 ", kCursorSizeFirstId + 2, 57, 14, 20, 10, kButtonAutoRadio},
    {u"BUTTON", u"4 ", kCursorSizeFirstId + 3, 79, 14, 20, 10, kButtonAutoRadio},
    {u"BUTTON", u"5 ", kCursorSizeFirstId + 4, 101, 14, 20, 10, kButtonAutoRadio},
    {u"BUTTON", u"6 ", kCursorSizeFirstId + 5, 123, 14, 20, 10, kButtonAutoRadio},
    {u"BUTTON", u"C&ursor Color", kCursorColourId, 13, 27, 70, 13, kButtonPush | kStyleTabStop | kStyleGroup},
    {u"BUTTON", u"Positions", kNoControlId, 7, 48, 158, 42, kButtonGroupBox},
    {u"BUTTON", u"1 ", kPositionSizeFirstId + 0, 13, 59, 20, 10, kFirstRadio},
    {u"BUTTON", u"2 ", kPositionSizeFirstId + 1, 35, 59, 20, 10, kButtonAutoRadio},
    {u"BUTTON", u"3 ", kPositionSizeFirstId + 2, 57, 59, 20, 10, kButtonAutoRadio},
    {u"BUTTON", u"4 ", kPositionSizeFirstId + 3, 79, 59, 20, 10, kButtonAutoRadio},
    {u"BUTTON", u"5 ", kPositionSizeFirstId + 4, 101, 59, 20, 10, kButtonAutoRadio},
    {u"BUTTON", u"6 ", kPositionSizeFirstId + 5, 123, 59, 20, 10, kButtonAutoRadio},
    {u"BUTTON", u"&Position Color", kPositionColourId, 13, 72, 70, 13, kButtonPush | kStyleTabStop | kStyleGroup},
    {u"STATIC", u"Map Size:", kNoControlId, 10, 97, 40, 8, kStaticLeft | kStyleGroup},
    {u"EDIT", u"", kMapSizeId, 52, 95, 45, 12, kEdit},
    {u"STATIC", u"", kMapSizeUnitId, 101, 97, 45, 8, kStaticLeft},
    {u"BUTTON", u"Grid", kNoControlId, 7, 112, 158, 62, kButtonGroupBox},
    {u"BUTTON", u"Basic Grid", kBasicGridId, 13, 123, 60, 10, kButtonAutoRadio | kStyleGroup | kStyleTabStop},
    {u"BUTTON", u"Parallel Lines", kParallelLinesId, 78, 123, 70, 10, kButtonAutoRadio},
    {u"STATIC", u"Grid Interval:", kGridIntervalLabelId, 13, 139, 62, 8, kStaticLeft | kStyleGroup},
    {u"EDIT", u"", kGridIntervalId, 78, 137, 40, 12, kEdit},
    {u"STATIC", u"", kGridIntervalUnitId, 122, 139, 30, 8, kStaticLeft},
    {u"STATIC", u"Lines Angle:", kNoControlId, 13, 157, 62, 8, kStaticLeft},
    {u"EDIT", u"", kLinesAngleId, 78, 155, 40, 12, kEdit},
    {u"STATIC", u"deg", kNoControlId, 122, 157, 30, 8, kStaticLeft},
    {u"COMBOBOX", u"", kDisplayTypeId, 7, 182, 158, 40, kList},
    {u"STATIC", u"Map Preview", kNoControlId, 174, 3, 80, 8, kStaticLeft},
    {u"BUTTON", u"Map Preview", kMapPreviewId, 174, 13, 140, 130, kButtonOwnerDraw},
    {u"BUTTON", u"OK", kIdOk, 182, 182, 55, 14, kOk},
    {u"BUTTON", u"Cancel", kIdCancel, 252, 182, 55, 14, kCancel},
};

constexpr DialogControl kCoordinatesUnitsControls[] = {
    {u"STATIC", u"Coordinates:", kNoControlId, 10, 12, 50, 8, kStaticLeft},
    {u"COMBOBOX", u"", 1238, 62, 10, 80, 60, kList},
    {u"BUTTON", u"OK", kIdOk, 15, 34, 50, 14, kOk},
    {u"BUTTON", u"Cancel", kIdCancel, 85, 34, 50, 14, kCancel},
};

}  // namespace

// Those that keep their place sit near the owner's top left corner; the
// others place themselves on their owner when they open.
const DialogTemplate kDisplaySetupTemplate{
    "DISPLAYSETUP", u"Setup Profile Options", 60, 40, 201, 115, kFont, 8, kDialogCloseBox, kDisplaySetupControls};
const DialogTemplate kReadingScaleTemplate{
    "READINGSCALE", u"Readings Scale", 0, 0, 150, 72, kFont, 8, kDialogCloseBox, kReadingScaleControls};
const DialogTemplate kMapScaleTemplate{
    "MAPSCALE", u"Map Size", 0, 0, 170, 92, kFont, 8, kDialogCloseBox, kMapScaleControls};
const DialogTemplate kSpeedScaleTemplate{
    "SPEEDSCALE", u"Set New Speed Bar Scale", 100, 60, 150, 92, kFont, 8, kDialogCloseBox, kSpeedScaleControls};
const DialogTemplate kAudioFunctionsTemplate{
    "AUDIOFUNCTIONS", u"Audio Options", 100, 60, 180, 84, kFont, 8, kDialogCloseBox, kAudioFunctionsControls};
const DialogTemplate kDisplayOptionsTemplate{
    "DISPLAYOPTIONS", u"Map Display Options", 0, 0, 320, 202, kFont, 8, kDialogCloseBox, kDisplayOptionsControls};
const DialogTemplate kCoordinatesUnitsTemplate{
    "COORDINATESUNITS", u"Set Coordinates Display Units", 100, 60, 150, 56, kFont, 8, kDialogCloseBox,
    kCoordinatesUnitsControls};

}  // namespace res
