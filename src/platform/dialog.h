// Modal dialogs built from templates (resources/dialog_template.h) and run by
// a dialog procedure.
//
// The dialog is a real window of the window core with real controls, so the
// procedure and the system's code use the ordinary calls on it: GetDialogItem,
// SetDialogItemText, the combo, list and check helpers of controls.h,
// GetWindowRect / SetWindowPosition / MoveWindow.
//
// Messages the procedure receives (it returns nonzero for what it handled):
//   kMsgInitDialog  before the dialog is shown; wParam = the first control that
//                   takes the focus (0 when none), lParam = the caller's param.
//                   Returning nonzero puts the focus on that control.
//   kMsgCommand     from the controls (wParam = id | notification << 16,
//                   lParam = control); Esc and the close box arrive as
//                   command kIdCancel (2), Enter as the command of the default
//                   push button; lParam 0 for those.
//   kMsgKeyDown     keys pressed while the dialog itself has the focus.
//   kMsgDrawItem    owner-drawn buttons.
// and any other message sent to the dialog window. The procedure ends the
// dialog with EndDialog; nothing ends it otherwise (Cancel included).
//
// Test runs: the dialog is built (offscreen) and initialised for real, then
// the next scripted Dialog answer is taken. Its Act (when set) runs with the
// dialog handle and may set controls and send commands to the dialog; when the
// procedure has called EndDialog the run ends with that code, else with Act's
// result when it is >= 0, else with the answer's Result. Without Act the
// dialog ends with Result.
#pragma once
#include <string>
#include <vector>

#include "platform/message_box.h"  // kIdOk, kIdCancel: the OK and Cancel command ids
#include "platform/window.h"
#include "resources/dialog_template.h"

namespace plat {

using DialogProc = LResult (*)(Hwnd dialog, uint32_t message, WParam w, LParam l);

// Runs the dialog modally and returns the code given to EndDialog (-1 when it
// could not be built or was destroyed without one). While it is shown no
// other window takes input. Window thread only; hand-overs from other threads
// are served while the dialog is open.
int RunDialog(Hwnd owner, const res::DialogTemplate& dialog, DialogProc proc, LParam param);

// Ends the dialog with `code` once its procedure returns. False when `dialog`
// is not a running dialog.
bool EndDialog(Hwnd dialog, int code);

// The dialog-unit conversion for a template font of `points` points:
// horizontal units of 6/4 pixels and vertical of 13/8 pixels at 8 points,
// rounded to the nearest pixel.
int32_t DialogUnitsToPixelsX(int32_t units, int32_t points = 8);
int32_t DialogUnitsToPixelsY(int32_t units, int32_t points = 8);

// The template name of a running dialog (nullptr when `dialog` is none).
const char* DialogTemplateName(Hwnd dialog);

namespace test {

struct RecordedDialog {
    std::string Name;     // the template's name
    Hwnd Owner = 0;
    int Result = 0;       // the code the run returned
};

std::vector<RecordedDialog> RecordedDialogs();
void ClearRecordedDialogs();

}  // namespace test
}  // namespace plat
