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

// Two columns: what the line was on the left, the new line on the right.
constexpr DialogControl kGetNewLineControls[] = {
    {u"STATIC", u"Current Line:", kNoControlId, 8, 8, 60, 9, kLabel},
    {u"EDIT", u"", kNewLineCurrentLineId, 70, 6, 56, 13, kShownEdit},
    {u"STATIC", u"Last Station:", kNoControlId, 8, 26, 60, 9, kLabel},
    {u"EDIT", u"", kNewLineLastStationId, 70, 24, 56, 13, kShownEdit},
    {u"STATIC", u"New Line", kNoControlId, 140, 8, 64, 9, kLabel},
    {u"EDIT", u"", kNewLineNameId, 206, 6, 58, 13, kEdit},
    {u"STATIC", u"Line Increment", kNoControlId, 140, 26, 64, 9, kLabel},
    {u"EDIT", u"", kNewLineIncrementId, 206, 24, 58, 13, kEdit},
    {u"STATIC", u"Line Sequence", kNoControlId, 140, 44, 64, 9, kLabel},
    {u"COMBOBOX", u"", kNewLineSequenceId, 206, 42, 58, 50, kList},
    {u"STATIC", u"Line Direction", kNoControlId, 8, 44, 60, 9, kLabel},
    {u"COMBOBOX", u"", kNewLineDirectionId, 70, 42, 56, 60, kList},
    {u"STATIC", u"Start Station", kNoControlId, 8, 62, 60, 9, kLabel},
    {u"EDIT", u"", kNewLineStartStationId, 70, 60, 56, 13, kEdit},
    {u"STATIC", u"Station Increment", kNoControlId, 140, 62, 64, 9, kLabel},
    {u"EDIT", u"", kNewLineStationIncrementId, 206, 60, 58, 13, kEdit},
    {u"BUTTON", u"OK", 1, 70, 84, 50, 14, kOk},
    {u"BUTTON", u"Cancel", 2, 152, 84, 50, 14, kCancel},
};

constexpr DialogControl kNewStationControls[] = {
    {u"STATIC", u"Current Line:", kNoControlId, 6, 8, 62, 9, kLabel},
    {u"EDIT", u"", kStationLineId, 70, 6, 56, 13, kShownEdit},
    {u"STATIC", u"Start Station:", kNoControlId, 6, 24, 62, 9, kLabel},
    {u"EDIT", u"", kStationStartId, 70, 22, 56, 13, kShownEdit},
    {u"STATIC", u"Current Station:", kNoControlId, 6, 40, 62, 9, kLabel},
    {u"EDIT", u"", kStationCurrentId, 70, 38, 56, 13, kShownEdit},
    {u"STATIC", u"New Station:", kNoControlId, 6, 56, 62, 9, kLabel},
    {u"EDIT", u"", kStationNewId, 70, 54, 56, 13, kEdit},
    {u"BUTTON", u"OK", 1, 10, 72, 50, 14, kOk},
    {u"BUTTON", u"Cancel", 2, 72, 72, 50, 14, kCancel},
};

constexpr DialogControl kCommentControls[] = {
    {u"EDIT", u"", kCommentTextId, 8, 6, 100, 13, kEdit},
    {u"STATIC", u"Maximum 11 characters", kNoControlId, 8, 24, 100, 9, kLabel},
    {u"BUTTON", u"OK", 1, 116, 6, 50, 14, kOk},
    {u"BUTTON", u"Cancel", 2, 116, 26, 50, 14, kCancel},
};

}  // namespace

const DialogTemplate kGetNewLineDialog{
    "GETNEWLINE", u"New Survey Line", 40, 40, 272, 105, u"MS Sans Serif", 8, kDialogCloseBox, kGetNewLineControls};
const DialogTemplate kNewStationDialog{
    "NEWSTATION", u"New Station", 40, 40, 132, 91, u"MS Sans Serif", 8, kDialogCloseBox, kNewStationControls};
const DialogTemplate kCommentDialog{
    "COMMENT", u"Enter Comment", 40, 40, 172, 51, u"MS Sans Serif", 8, kDialogCloseBox, kCommentControls};

}  // namespace res
