#include "resources/monitor_templates.h"

#include "platform/controls.h"
#include "platform/window.h"

namespace res {
namespace {

constexpr uint32_t kEdit = plat::kStyleTabStop | plat::kStyleBorder | plat::kEditAutoHScroll;

constexpr DialogControl kGetGpsMessageControls[] = {
    {u"STATIC", u"Accept or edit GPS message and click on OK to send", kNoControlId, 8, 4, 190, 18, plat::kStaticLeft},
    {u"EDIT", u"", kGpsMessageEditId, 8, 24, 189, 13, kEdit},
    {u"BUTTON", u"OK", 1, 44, 46, 50, 14, plat::kButtonDefaultPush | plat::kStyleTabStop},
    {u"BUTTON", u"Cancel", 2, 110, 46, 50, 14, plat::kButtonPush | plat::kStyleTabStop},
};

}  // namespace

const DialogTemplate kGetGpsMessageDialog{
    "GetGPSMessage", u"Send Message to GPS Receiver", 60, 60, 205, 66, u"MS Sans Serif", 8, kDialogCloseBox,
    kGetGpsMessageControls};

}  // namespace res
