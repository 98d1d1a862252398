// The GPS monitor's dialog: the command line to send to the receiver,
// shown for acceptance or editing before it goes out.
#pragma once
#include "resources/dialog_template.h"

namespace res {

constexpr int32_t kGpsMessageEditId = 1188;   // the command text, at most 99 characters

extern const DialogTemplate kGetGpsMessageDialog;   // "GetGPSMessage"

}  // namespace res
