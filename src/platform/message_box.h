// Message boxes: a title, a text whose lines are joined with CR LF, a set of
// buttons and an icon; the call returns the id of the button pressed.
//
// In test runs nothing is shown: the call takes a scripted MessageBox answer
// (Result = the button id; an id the box does not offer fails the test) and
// every box is recorded with its exact title and text.
#pragma once
#include <string>
#include <vector>

#include "platform/window.h"

namespace plat {

// Button ids, as dialogs use them too (OK 1 and Cancel 2 are the dialog
// commands of the same meaning).
enum ButtonId : int {
    kIdOk = 1,
    kIdCancel = 2,
    kIdAbort = 3,
    kIdRetry = 4,
    kIdIgnore = 5,
    kIdYes = 6,
    kIdNo = 7,
};

enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MessageIcon { None, Information, Warning, Error, Question };

// Shows the box, owned by `ownerWindow` (0 = none), and waits for a button.
// Closing the box counts as Cancel where it has one (No for Yes/No, OK for
// OK alone). Hand-overs from other threads are served while it is open.
int MessageBox(Hwnd ownerWindow, const char16_t* text, const char16_t* title, MessageButtons buttons,
               MessageIcon icon);

namespace test {

struct RecordedMessageBox {
    std::u16string Title;
    std::u16string Text;     // as given, CR LF included
    MessageButtons Buttons = MessageButtons::Ok;
    MessageIcon Icon = MessageIcon::None;
    Hwnd Owner = 0;
    int Result = 0;          // the button id returned
};

std::vector<RecordedMessageBox> RecordedMessageBoxes();
void ClearRecordedMessageBoxes();

// For tests of the real (unscripted) path: closes the message box, popup
// menu, chooser or dialog shown now as Esc or the close box would. False when
// nothing modal is shown. Window thread.
bool DismissActiveModal();

}  // namespace test
}  // namespace plat
