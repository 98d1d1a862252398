#include "resources/line_templates.h"

#include "platform/controls.h"
#include "platform/window.h"

namespace res {
namespace {

constexpr uint32_t kEdit = plat::kStyleTabStop | plat::kStyleBorder | plat::kEditAutoHScroll;
constexpr uint32_t kShownEdit = plat::kStyleBorder | plat::kEditAutoHScroll | plat::kEditReadOnly;
constexpr uint32_t kList = plat::kComboDropDownList | plat::kStyleTabStop;
constexpr uint32_t kLabel = plat::kStaticLeft;
constexpr uint32_t kOk = plat::kButtonDefaultPush | plat::kStyleTabStop;
constexpr uint32_t kCancel = plat::kButtonPush | plat::kStyleTabStop;

// Fields are 96 units (144 pixels) wide: room for 11 of the font's widest
// characters, so that a line name shows whole, and so do the station numbers.
// Two columns: what the line was on the left, the new line on the right.
constexpr DialogControl kGetNewLineControls[] = {
    {u"STATIC", u"Current Line:", kNoControlId, 6, 8, 58, 9, kLabel},
    {u"EDIT", u"", kNewLineCurrentLineId, 66, 6, 96, 13, kShownEdit},
    {u"STATIC", u"Last Station:", kNoControlId, 6, 26, 58, 9, kLabel},
    {u"EDIT", u"", kNewLineLastStationId, 66, 24, 96, 13, kShownEdit},
    {u"STATIC", u"New Line", kNoControlId, 172, 8, 76, 9, kLabel},
    {u"EDIT", u"", kNewLineNameId, 250, 6, 96, 13, kEdit},
    {u"STATIC", u"Line Increment", kNoControlId, 172, 26, 76, 9, kLabel},
    {u"EDIT", u"", kNewLineIncrementId, 250, 24, 96, 13, kEdit},
    {u"STATIC", u"Line Sequence", kNoControlId, 172, 44, 76, 9, kLabel},
    {u"COMBOBOX", u"", kNewLineSequenceId, 250, 42, 96, 50, kList},
    {u"STATIC", u"Line Direction", kNoControlId, 6, 44, 58, 9, kLabel},
    {u"COMBOBOX", u"", kNewLineDirectionId, 66, 42, 96, 60, kList},
    {u"STATIC", u"Start Station", kNoControlId, 6, 62, 58, 9, kLabel},
    {u"EDIT", u"", kNewLineStartStationId, 66, 60, 96, 13, kEdit},
    {u"STATIC", u"Station Increment", kNoControlId, 172, 62, 76, 9, kLabel},
    {u"EDIT", u"", kNewLineStationIncrementId, 250, 60, 96, 13, kEdit},
    {u"BUTTON", u"OK", 1, 110, 84, 50, 14, kOk},
    {u"BUTTON", u"Cancel", 2, 192, 84, 50, 14, kCancel},
};

constexpr DialogControl kNewStationControls[] = {
    {u"STATIC", u"Current Line:", kNoControlId, 4, 8, 68, 9, kLabel},
    {u"EDIT", u"", kStationLineId, 74, 6, 96, 13, kShownEdit},
    {u"STATIC", u"Start Station:", kNoControlId, 4, 24, 68, 9, kLabel},
    {u"EDIT", u"", kStationStartId, 74, 22, 96, 13, kShownEdit},
    {u"STATIC", u"Current Station:", kNoControlId, 4, 40, 68, 9, kLabel},
    {u"EDIT", u"", kStationCurrentId, 74, 38, 96, 13, kShownEdit},
    {u"STATIC", u"New Station:", kNoControlId, 4, 56, 68, 9, kLabel},
    {u"EDIT", u"", kStationNewId, 74, 54, 96, 13, kEdit},
    {u"BUTTON", u"OK", 1, 32, 72, 50, 14, kOk},
    {u"BUTTON", u"Cancel", 2, 94, 72, 50, 14, kCancel},
};

constexpr DialogControl kCommentControls[] = {
    {u"EDIT", u"", kCommentTextId, 8, 6, 100, 13, kEdit},
    {u"STATIC", u"Maximum 11 characters", kNoControlId, 8, 24, 100, 9, kLabel},
    {u"BUTTON", u"OK", 1, 116, 6, 50, 14, kOk},
    {u"BUTTON", u"Cancel", 2, 116, 26, 50, 14, kCancel},
};

}  // namespace

const DialogTemplate kGetNewLineDialog{
    "GETNEWLINE", u"New Survey Line", 40, 40, 352, 105, u"MS Sans Serif", 8, kDialogCloseBox, kGetNewLineControls};
const DialogTemplate kNewStationDialog{
    "NEWSTATION", u"New Station", 40, 40, 176, 91, u"MS Sans Serif", 8, kDialogCloseBox, kNewStationControls};
const DialogTemplate kCommentDialog{
    "COMMENT", u"Enter Comment", 40, 40, 172, 51, u"MS Sans Serif", 8, kDialogCloseBox, kCommentControls};

}  // namespace res
