#include "resources/background_templates.h"

#include "platform/controls.h"
#include "platform/window.h"

namespace res {
namespace {

constexpr uint32_t kCombo = plat::kComboDropDownList | plat::kStyleTabStop;
constexpr uint32_t kLabel = plat::kStaticLeft;
constexpr uint32_t kOk = plat::kButtonDefaultPush | plat::kStyleTabStop;
constexpr uint32_t kButton = plat::kButtonPush | plat::kStyleTabStop;
constexpr uint32_t kCheck = plat::kButtonAutoCheckBox | plat::kStyleTabStop;

constexpr DialogControl kLoadControls[] = {
    {u"STATIC", u"Background files loaded:", kNoControlId, 10, 8, 110, 9, kLabel},
    {u"STATIC", u"0", kIdBackgroundCount, 120, 8, 20, 9, kLabel},
    {u"STATIC", u"File type:", kNoControlId, 10, 24, 95, 9, kLabel},
    {u"COMBOBOX", u"", kIdBackgroundFileType, 108, 22, 190, 60, kCombo},
    {u"STATIC", u"", kIdBackgroundHint, 108, 37, 190, 18, kLabel | plat::kStaticNoPrefix},
    {u"STATIC", u"Display:", kNoControlId, 10, 60, 95, 9, kLabel},
    {u"COMBOBOX", u"", kIdBackgroundStyle, 108, 58, 190, 70, kCombo},
    {u"STATIC", u"Coordinates:", kNoControlId, 10, 78, 95, 9, kLabel},
    {u"COMBOBOX", u"", kIdBackgroundCoordinates, 108, 76, 90, 70, kCombo},
    {u"STATIC", u"Easting / Longitude:", kNoControlId, 10, 96, 95, 9, kLabel},
    {u"COMBOBOX", u"", kIdBackgroundEasting, 108, 94, 60, 120, kCombo},
    {u"STATIC", u"Northing / Latitude:", kNoControlId, 10, 112, 95, 9, kLabel},
    {u"COMBOBOX", u"", kIdBackgroundNorthing, 108, 110, 60, 120, kCombo},
    {u"STATIC", u"Column delimiter:", kNoControlId, 10, 128, 95, 9, kLabel},
    {u"COMBOBOX", u"", kIdBackgroundDelimiter, 108, 126, 70, 70, kCombo},
    {u"STATIC", u"Coordinates in ASCII file must be in WGS1984 Datum", kIdBackgroundDatum, 10, 146, 268, 9, kLabel},
    {u"BUTTON", u"OK", kIdBackgroundOk, 88, 164, 60, 14, kOk},
    {u"BUTTON", u"Cancel", kIdBackgroundCancel, 160, 164, 60, 14, kButton},
};

constexpr DialogControl kRemoveControls[] = {
    {u"STATIC", u"List of loaded background files:", kNoControlId, 10, 8, 220, 9, kLabel},
    {u"STATIC", u"Select each file that is to be removed or click on the Select All button to remove all files ",
     kNoControlId, 10, 20, 220, 18, kLabel},
    {u"BUTTON", u"  1.", kIdBackgroundRemoveCheck + 0, 10, 42, 30, 10, kCheck},
    {u"BUTTON", u"  2.", kIdBackgroundRemoveCheck + 1, 10, 54, 30, 10, kCheck},
    {u"BUTTON", u"  3.", kIdBackgroundRemoveCheck + 2, 10, 66, 30, 10, kCheck},
    {u"BUTTON", u"  4.", kIdBackgroundRemoveCheck + 3, 10, 78, 30, 10, kCheck},
    {u"BUTTON", u"  5.", kIdBackgroundRemoveCheck + 4, 10, 90, 30, 10, kCheck},
    {u"BUTTON", u"  6.", kIdBackgroundRemoveCheck + 5, 10, 102, 30, 10, kCheck},
    {u"BUTTON", u"  7.", kIdBackgroundRemoveCheck + 6, 10, 114, 30, 10, kCheck},
    {u"BUTTON", u"  8.", kIdBackgroundRemoveCheck + 7, 10, 126, 30, 10, kCheck},
    {u"BUTTON", u"  9.", kIdBackgroundRemoveCheck + 8, 10, 138, 30, 10, kCheck},
    {u"BUTTON", u" 10.", kIdBackgroundRemoveCheck + 9, 10, 150, 30, 10, kCheck},
    {u"STATIC", u"", kIdBackgroundRemoveName + 0, 44, 43, 186, 9, kLabel},
    {u"STATIC", u"", kIdBackgroundRemoveName + 1, 44, 55, 186, 9, kLabel},
    {u"STATIC", u"", kIdBackgroundRemoveName + 2, 44, 67, 186, 9, kLabel},
    {u"STATIC", u"", kIdBackgroundRemoveName + 3, 44, 79, 186, 9, kLabel},
    {u"STATIC", u"", kIdBackgroundRemoveName + 4, 44, 91, 186, 9, kLabel},
    {u"STATIC", u"", kIdBackgroundRemoveName + 5, 44, 103, 186, 9, kLabel},
    {u"STATIC", u"", kIdBackgroundRemoveName + 6, 44, 115, 186, 9, kLabel},
    {u"STATIC", u"", kIdBackgroundRemoveName + 7, 44, 127, 186, 9, kLabel},
    {u"STATIC", u"", kIdBackgroundRemoveName + 8, 44, 139, 186, 9, kLabel},
    {u"STATIC", u"", kIdBackgroundRemoveName + 9, 44, 151, 186, 9, kLabel},
    {u"BUTTON", u"Select All", kIdBackgroundSelectAll, 10, 170, 60, 14, kButton},
    {u"BUTTON", u"OK", kIdBackgroundOk, 96, 170, 60, 14, kOk},
    {u"BUTTON", u"Cancel", kIdBackgroundCancel, 166, 170, 60, 14, kButton},
};

}  // namespace

const DialogTemplate kBackgroundFileLoadTemplate{
    "BACKGROUNDFILELOAD", u"Load BackGround File", 20, 20, 308, 186, u"MS Sans Serif", 8, kDialogCloseBox,
    kLoadControls};
const DialogTemplate kBackgroundFileRemoveTemplate{
    "BACKGROUNDFILEREMOVE", u"Remove BackGround Files", 20, 20, 240, 192, u"MS Sans Serif", 8, kDialogCloseBox,
    kRemoveControls};

}  // namespace res
