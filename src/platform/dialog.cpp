// The template runner: builds a dialog window and its controls from a
// template, runs the dialog procedure modally and returns its end code.
#include "platform/dialog.h"

#include <QWidget>

#include <array>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/controls.h"
#include "platform/dc.h"
#include "platform/keys.h"
#include "platform/message_box.h"
#include "platform/modal_script.h"
#include "platform/process_end.h"
#include "platform/qt_internal.h"

namespace plat {
namespace {

constexpr char16_t kDialogClass[] = u"OstrimaDialog";

// Base units of an 8-point template font: 6 pixels average character width,
// 13 pixels cell height. A dialog unit is a quarter of the width and an
// eighth of the height.
constexpr int32_t kBaseWidth8pt = 6;
constexpr int32_t kBaseHeight8pt = 13;

struct RunningDialog {
    Hwnd Window = 0;
    DialogProc Proc = nullptr;
    const res::DialogTemplate* Template = nullptr;
    bool Initialising = true;    // until kMsgInitDialog: the controls are being made
    bool Ended = false;
    int Code = -1;
    bool InModalLoop = false;
};

// Dialogs nest (a dialog's command may open another); the innermost is last.
constexpr size_t kMaxNestedDialogs = 8;
std::array<RunningDialog*, kMaxNestedDialogs> g_running{};
size_t g_runningCount = 0;

std::mutex g_recordMutex;
std::vector<test::RecordedDialog> g_recorded;

RunningDialog* Running(Hwnd dialog) {
    for (size_t i = 0; i < g_runningCount; ++i) {
        if (g_running[i]->Window == dialog && dialog != 0) return g_running[i];
    }
    return nullptr;
}

int32_t MulDivRound(int32_t a, int32_t b, int32_t c) {
    const int64_t p = static_cast<int64_t>(a) * b;
    return static_cast<int32_t>(p >= 0 ? (p + c / 2) / c : (p - c / 2) / c);
}

int32_t BaseWidth(int32_t points) { return MulDivRound(kBaseWidth8pt, points > 0 ? points : 8, 8); }
int32_t BaseHeight(int32_t points) { return MulDivRound(kBaseHeight8pt, points > 0 ? points : 8, 8); }

// A closed drop-down combo: the font's cell and 8 pixels of frame and margin.
int32_t ClosedComboHeight(int32_t points) { return BaseHeight(points) + 8; }

bool IsClass(const res::DialogControl& c, const char16_t* name) {
    const char16_t* a = c.Class;
    if (a == nullptr) return false;
    for (; *a != 0 && *name != 0; ++a, ++name) {
        char16_t x = *a, y = *name;
        if (x >= u'a' && x <= u'z') x = static_cast<char16_t>(x - 32);
        if (y >= u'a' && y <= u'z') y = static_cast<char16_t>(y - 32);
        if (x != y) return false;
    }
    return *a == 0 && *name == 0;
}

// Controls the keyboard focus can rest on: not static texts, not group boxes.
bool TakesFocus(const res::DialogControl& c) {
    if (IsClass(c, u"STATIC")) return false;
    if (IsClass(c, u"BUTTON") && (c.Style & kButtonTypeMask) == kButtonGroupBox) return false;
    return (c.Style & kStyleDisabled) == 0;
}

// The command Enter gives: the default push button's, else a button with the
// OK id; 0 when the dialog has neither (or it is disabled).
int32_t EnterCommand(Hwnd dialog, const res::DialogTemplate& t) {
    int32_t id = 0;
    for (const res::DialogControl& c : t.Controls) {
        if (IsClass(c, u"BUTTON") && (c.Style & kButtonTypeMask) == kButtonDefaultPush) {
            id = c.Id;
            break;
        }
    }
    if (id == 0) {
        for (const res::DialogControl& c : t.Controls) {
            if (IsClass(c, u"BUTTON") && c.Id == kIdOk) id = kIdOk;
        }
    }
    if (id == 0) return 0;
    const Hwnd button = GetDialogItem(dialog, id);
    return button != 0 && IsWindowEnabled(button) ? id : 0;
}

void SendDialogCommand(Hwnd dialog, int32_t id) {
    SendMessage(dialog, kMsgCommand, MakeWParam(static_cast<uint16_t>(id), 0), 0);
}

// Keys that mean the dialog as a whole. They reach the dialog from wherever
// the focus is inside it: the controls leave Esc and Enter to their parent.
// True when the key was taken.
bool DialogKey(Hwnd dialog, uint32_t key) {
    RunningDialog* d = Running(dialog);
    if (d == nullptr) return false;
    if (key == kKeyEscape) {
        SendDialogCommand(dialog, kIdCancel);
        return true;
    }
    if (key == kKeyReturn) {
        const int32_t id = EnterCommand(dialog, *d->Template);
        if (id != 0) SendDialogCommand(dialog, id);
        return true;
    }
    return false;
}

// The procedure of every dialog window: the close box, Esc and Enter become
// commands; everything else goes to the dialog procedure first and to the
// default handling when that returns 0.
LResult DialogFrameProc(Hwnd hwnd, uint32_t message, WParam w, LParam l) {
    if (message == kMsgCreate) {
        auto* d = reinterpret_cast<RunningDialog*>(l);
        if (d != nullptr) d->Window = hwnd;
        return 0;
    }
    RunningDialog* d = Running(hwnd);
    if (d == nullptr || d->Proc == nullptr) return DefaultWindowProc(hwnd, message, w, l);
    switch (message) {
        case kMsgCommand:
            if (d->Initialising) return 0;  // controls being made announce nothing
            break;
        case kMsgClose:
            SendDialogCommand(hwnd, kIdCancel);  // never destroyed by the close box itself
            return 0;
        case kMsgKeyDown:
            if (DialogKey(hwnd, static_cast<uint32_t>(w))) return 0;
            break;
        default:
            break;
    }
    const LResult r = d->Proc(hwnd, message, w, l);
    if (r != 0) return r;
    return DefaultWindowProc(hwnd, message, w, l);
}

// The class is registered on first use and again after a test reset has
// unregistered it; its face brush is made once.
bool EnsureDialogClass() {
    if (!StartApplication()) return false;
    static Hbrush face = 0;
    if (face == 0 || BrushColour(face) != GetSystemColour(kColourButtonFace)) {
        face = CreateSolidBrush(GetSystemColour(kColourButtonFace));
    }
    WindowClass cls;
    cls.Name = kDialogClass;
    cls.Proc = &DialogFrameProc;
    cls.Background = face;
    RegisterWindowClass(cls);  // false when it is registered already
    return true;
}

// The dialog window's outer rectangle: the template's client size plus the
// frame, at the template position from the owner's client corner.
Rect DialogFrameRect(Hwnd owner, const res::DialogTemplate& t) {
    const int32_t points = t.FontPoints;
    Point origin;
    if (owner != 0 && (t.Style & res::kDialogScreenPos) == 0) ClientToScreen(owner, &origin);
    Rect r;
    r.Left = origin.X + DialogUnitsToPixelsX(t.X, points);
    r.Top = origin.Y + DialogUnitsToPixelsY(t.Y, points);
    r.Right = r.Left + DialogUnitsToPixelsX(t.Width, points) + 2 * kFrameWidth;
    r.Bottom = r.Top + DialogUnitsToPixelsY(t.Height, points) + 2 * kFrameWidth + kCaptionHeight;
    return r;
}

// Creates the controls in template order; returns the first control that
// takes the focus through `firstFocus`. False when a control cannot be made.
bool CreateControls(Hwnd dialog, const res::DialogTemplate& t, Hfont font, Hwnd* firstFocus) {
    const int32_t points = t.FontPoints;
    Hwnd firstTabStop = 0, firstFocusable = 0;
    for (const res::DialogControl& c : t.Controls) {
        int32_t height = DialogUnitsToPixelsY(c.Height, points);
        // A drop-down combo's template height is that of its open list; closed
        // it is one text line high.
        if (IsClass(c, u"COMBOBOX") && (c.Style & 0x3) != kComboSimple) height = ClosedComboHeight(points);
        const Hwnd h = CreateWindow(c.Class, c.Text != nullptr ? c.Text : u"", kStyleChild | kStyleVisible | c.Style,
                                    DialogUnitsToPixelsX(c.X, points), DialogUnitsToPixelsY(c.Y, points),
                                    DialogUnitsToPixelsX(c.Width, points), height, dialog, c.Id);
        if (h == 0) {
            std::fprintf(stderr, "dialog %s: cannot create control %d\n", t.Name != nullptr ? t.Name : "?",
                         static_cast<int>(c.Id));
            return false;
        }
        if (font != 0) SendMessage(h, kMsgSetFont, static_cast<WParam>(font), 0);
        if (TakesFocus(c)) {
            if (firstFocusable == 0) firstFocusable = h;
            if (firstTabStop == 0 && (c.Style & kStyleTabStop) != 0) firstTabStop = h;
        }
    }
    *firstFocus = firstTabStop != 0 ? firstTabStop : firstFocusable;
    return true;
}

// The owner is not disabled through the window calls: an owned window is a
// Qt child of its owner and would be disabled with it. Qt's application
// modality blocks the input to every other window instead.
void ShowModal(Hwnd dialog) {
    if (QWidget* w = WidgetOfWindow(dialog)) w->setWindowModality(Qt::ApplicationModal);
    ShowWindow(dialog, kShow);
}

// The test run: the scripted answer acts on the built dialog.
int ActFromScript(RunningDialog* d) {
    // Shown (offscreen in tests) so that paints and owner-drawn controls
    // happen as in a real run when the script lets events run.
    ShowModal(d->Window);
    ModalAnswer answer;
    TakeModalAnswer(ModalKind::Dialog, d->Template->Name, &answer);
    int actResult = -1;
    if (answer.Act) actResult = answer.Act(d->Window);
    if (d->Ended) return d->Code;
    return actResult >= 0 ? actResult : answer.Result;
}

int RunShown(RunningDialog* d) {
    ShowModal(d->Window);
    d->InModalLoop = true;
    const int loopResult = RunModalLoop(d->Window);
    d->InModalLoop = false;
    return d->Ended ? d->Code : loopResult;
}

void Record(const res::DialogTemplate& t, Hwnd owner, int result) {
    std::lock_guard<std::mutex> guard(g_recordMutex);
    g_recorded.push_back({t.Name != nullptr ? t.Name : "", owner, result});
}

}  // namespace

int32_t DialogUnitsToPixelsX(int32_t units, int32_t points) { return MulDivRound(units, BaseWidth(points), 4); }
int32_t DialogUnitsToPixelsY(int32_t units, int32_t points) { return MulDivRound(units, BaseHeight(points), 8); }

int RunDialog(Hwnd owner, const res::DialogTemplate& t, DialogProc proc, LParam param) {
    if (proc == nullptr || g_runningCount == kMaxNestedDialogs || !EnsureDialogClass() || !OnWindowThread()) {
        return -1;
    }
    RunningDialog d;
    d.Proc = proc;
    d.Template = &t;
    g_running[g_runningCount++] = &d;

    const Rect frame = DialogFrameRect(owner, t);
    uint32_t style = kStylePopup | kStyleCaption;
    if ((t.Style & res::kDialogCloseBox) != 0) style |= kStyleSysMenu;
    // kMsgCreate is the frame's; the procedure sees the later messages, but no
    // command before kMsgInitDialog.
    const Hwnd dialog = CreateWindow(kDialogClass, t.Caption != nullptr ? t.Caption : u"", style, frame.Left,
                                     frame.Top, frame.Right - frame.Left, frame.Bottom - frame.Top, owner, 0,
                                     reinterpret_cast<LParam>(&d));
    const Hfont font = CreateFont(BaseHeight(t.FontPoints), kWeightNormal,
                                  t.FontFace != nullptr ? t.FontFace : u"MS Sans Serif");
    const Hwnd focusBefore = GetFocus();
    Hwnd firstFocus = 0;
    int result = -1;
    if (dialog != 0 && CreateControls(dialog, t, font, &firstFocus)) {
        SetTabMovesFocus(dialog, true);
        d.Initialising = false;
        if (SendMessage(dialog, kMsgInitDialog, static_cast<WParam>(firstFocus), param) != 0 && firstFocus != 0) {
            SetFocus(firstFocus);
        }
        if (d.Ended) {
            result = d.Code;  // ended during init: never shown, nothing to script
        } else if (ProgramEnding()) {
            SendDialogCommand(dialog, kIdCancel);  // nobody answers: closed as its close box closes it
            result = d.Ended ? d.Code : -1;
        } else if (ModalScriptActive()) {
            result = ActFromScript(&d);
        } else {
            result = RunShown(&d);
        }
    }
    if (dialog != 0 && IsWindow(dialog)) DestroyWindow(dialog);
    if (font != 0) DeleteObject(font);
    --g_runningCount;
    // The focus goes back where it was, as when a dialog closes on the desktop.
    if (focusBefore != 0 && IsWindow(focusBefore) && IsWindowVisible(focusBefore)) SetFocus(focusBefore);
    Record(t, owner, result);
    return result;
}

bool EndDialog(Hwnd dialog, int code) {
    RunningDialog* d = Running(dialog);
    if (d == nullptr) return false;
    d->Ended = true;
    d->Code = code;
    if (d->InModalLoop) EndModalLoop(dialog, code);
    return true;
}

const char* DialogTemplateName(Hwnd dialog) {
    const RunningDialog* d = Running(dialog);
    return d != nullptr ? d->Template->Name : nullptr;
}

namespace test {
std::vector<RecordedDialog> RecordedDialogs() {
    std::lock_guard<std::mutex> guard(g_recordMutex);
    return g_recorded;
}
void ClearRecordedDialogs() {
    std::lock_guard<std::mutex> guard(g_recordMutex);
    g_recorded.clear();
}
}  // namespace test
}  // namespace plat
