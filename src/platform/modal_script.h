// Scripted answers for every modal interaction (message boxes, dialogs, file
// and colour choosers, popup menus). Once the test code has switched the
// script on, modal calls never show anything: each takes the next scripted
// answer, and a call with no answer of its kind fails the test through the
// failure handler and answers as Cancel, so a test never hangs on a dialog.
// The shipped program never switches it on: no environment variable does.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace plat {

enum class ModalKind { MessageBox, Dialog, SaveFile, OpenFile, Colour, PopupMenu };

struct ModalAnswer {
    ModalKind Kind = ModalKind::MessageBox;
    int Result = 0;              // button id, dialog end code, menu command, 1 = chosen / 0 = cancelled
    std::u16string Text;         // chosen path for the file choosers
    uint32_t Colour = 0;         // chosen colour (0x00BBGGRR) for the colour chooser
    // For dialogs: runs inside the dialog after its init, with the dialog's
    // handle; it may set controls and send commands. When it returns a value
    // >= 0 the dialog ends with it, otherwise it ends with Result. For
    // message boxes: runs while the box is up (handle 0), the same way.
    std::function<int(int dialog)> Act;
};

// True when modal calls are answered by script (test runs).
bool ModalScriptActive();

// Takes the next answer for a modal call of `kind`. False when no script is
// active (show the real thing). When the script is active but holds no answer
// of this kind, reports a failure and fills a cancelling answer.
bool TakeModalAnswer(ModalKind kind, const char* what, ModalAnswer* out);

// Reports a scripted answer that the modal call cannot take (a button the box
// does not have, a command the menu does not hold) through the same failure
// handler as a missing answer.
void ReportModalScriptFailure(const char* message);

namespace test {
void EnableModalScript(bool on);                     // off until the test code switches it on
// Every test hook a test program needs, switched on once by its main before
// the first test: modal calls answered by script, sounds recorded but not
// played, and the headless display unless QT_QPA_PLATFORM names one. Call
// before StartApplication.
void SwitchOnTestHooks();
void ScriptModal(ModalAnswer answer);                // appended to the queue
void ClearModalScript();
size_t PendingModalAnswers();
void SetModalFailureHandler(void (*handler)(const char* message));
// For programs that drive code with arbitrary input (the fuzz targets): while
// on, and the script is active, a modal call with no scripted answer of its
// kind is answered as closing it (Cancel; a message box's close answer) with
// no failure reported, so every box on any path is answered without a queue.
void AnswerUnscriptedModalsByClosing(bool on);
}  // namespace test

}  // namespace plat
