// API-READY
// The built-in control classes: "BUTTON", "COMBOBOX", "LISTBOX", "EDIT",
// "STATIC". Create them with CreateWindow (kStyleChild, a parent and an id);
// they notify their parent with kMsgCommand: wParam = id | code << 16,
// lParam = the control. Programmatic changes never notify, except that
// setting an edit's text sends kEditChange as typing does.
// Window thread only (SendMessage of the messages below works from any thread).
#pragma once
#include <cstdint>

#include "platform/window.h"

namespace plat {

// Button styles (low bits of the window style)
constexpr uint32_t kButtonPush = 0x0;
constexpr uint32_t kButtonDefaultPush = 0x1;  // drawn with the default-button highlight
constexpr uint32_t kButtonCheckBox = 0x2;     // the parent checks it
constexpr uint32_t kButtonAutoCheckBox = 0x3; // a click toggles it
constexpr uint32_t kButtonRadio = 0x4;
constexpr uint32_t kButtonAutoRadio = 0x9;    // a click checks it and clears its group
constexpr uint32_t kButtonGroupBox = 0x7;
constexpr uint32_t kButtonOwnerDraw = 0xB;    // the parent draws it on kMsgDrawItem
constexpr uint32_t kButtonTypeMask = 0xF;
constexpr uint32_t kButtonLeftText = 0x20;
constexpr uint32_t kButtonCenter = 0x300;

// Combo box styles
constexpr uint32_t kComboSimple = 0x1;
constexpr uint32_t kComboDropDown = 0x2;
constexpr uint32_t kComboDropDownList = 0x3;

// List box styles
constexpr uint32_t kListNotify = 0x1;
constexpr uint32_t kListSort = 0x2;
constexpr uint32_t kListExtendedSelection = 0x800;

// Edit styles
constexpr uint32_t kEditLeft = 0x0;
constexpr uint32_t kEditCenter = 0x1;
constexpr uint32_t kEditRight = 0x2;
constexpr uint32_t kEditMultiLine = 0x4;
constexpr uint32_t kEditAutoHScroll = 0x80;
constexpr uint32_t kEditReadOnly = 0x800;
constexpr uint32_t kEditNumber = 0x2000;

// Static styles
constexpr uint32_t kStaticLeft = 0x0;
constexpr uint32_t kStaticCenter = 0x1;
constexpr uint32_t kStaticRight = 0x2;
constexpr uint32_t kStaticNoPrefix = 0x80;

// Notification codes (high word of wParam)
constexpr uint16_t kButtonClicked = 0;
constexpr uint16_t kComboSelChange = 1;
constexpr uint16_t kListSelChange = 1;
constexpr uint16_t kEditChange = 0x300;

// Check states
constexpr int kUnchecked = 0;
constexpr int kChecked = 1;

// Control messages (classic numbers)
constexpr uint32_t kMsgButtonGetCheck = 0x00F0;
constexpr uint32_t kMsgButtonSetCheck = 0x00F1;  // wParam: state
constexpr uint32_t kMsgButtonSetStyle = 0x00F4;  // wParam: style, lParam: redraw
constexpr uint32_t kMsgButtonClick = 0x00F5;     // as a user's click
constexpr uint32_t kMsgEditSetSel = 0x00B1;
constexpr uint32_t kMsgEditLimitText = 0x00C5;   // wParam: characters (0 = the default 30000)
constexpr uint32_t kMsgComboAddString = 0x0143;  // lParam: const char16_t*; result: index or -1
constexpr uint32_t kMsgComboGetCount = 0x0146;
constexpr uint32_t kMsgComboGetCurSel = 0x0147;  // -1 when none
constexpr uint32_t kMsgComboGetItemText = 0x0148;  // wParam: index, lParam: char16_t* (capacity 256)
constexpr uint32_t kMsgComboGetItemTextLength = 0x0149;
constexpr uint32_t kMsgComboResetContent = 0x014B;
constexpr uint32_t kMsgComboSetCurSel = 0x014E;  // wParam: index (-1 clears); result: index or -1
constexpr uint32_t kMsgListAddString = 0x0180;
constexpr uint32_t kMsgListDeleteString = 0x0182;
constexpr uint32_t kMsgListResetContent = 0x0184;
constexpr uint32_t kMsgListSetCurSel = 0x0186;
constexpr uint32_t kMsgListGetCurSel = 0x0188;
constexpr uint32_t kMsgListGetText = 0x0189;     // wParam: index, lParam: char16_t* (capacity 256)
constexpr uint32_t kMsgListGetTextLength = 0x018A;
constexpr uint32_t kMsgListGetCount = 0x018B;
constexpr uint32_t kMsgListGetTopIndex = 0x018E;
constexpr uint32_t kMsgListSetTopIndex = 0x0197;

constexpr LResult kListError = -1;

// Owner-drawn items
constexpr uint32_t kOwnerDrawButton = 4;    // ControlType
constexpr uint32_t kItemActionDrawEntire = 1;
constexpr uint32_t kItemStateSelected = 0x0001;  // pressed
constexpr uint32_t kItemStateDisabled = 0x0004;
constexpr uint32_t kItemStateFocus = 0x0010;

struct DrawItemInfo {   // lParam of kMsgDrawItem
    uint32_t ControlType = kOwnerDrawButton;
    int32_t ControlId = 0;
    uint32_t ItemAction = kItemActionDrawEntire;
    uint32_t ItemState = 0;
    Hwnd Control = 0;
    Hdc Dc = 0;         // draws into the control's image
    Rect Item;          // the control's client rectangle
};

// Helpers over the messages above.
int CheckState(Hwnd button);                  // kChecked / kUnchecked
void SetCheckState(Hwnd button, int state);   // never notifies
// Checks `check` and clears the others of first..last in `dialog` (never notifies).
bool CheckRadioButton(Hwnd dialog, int32_t first, int32_t last, int32_t check);
void SetButtonStyle(Hwnd button, uint32_t style, bool redraw);  // kButtonPush <-> kButtonDefaultPush

int32_t ComboAddString(Hwnd combo, const char16_t* text);   // index, -1 on failure
int32_t ComboSetSelection(Hwnd combo, int32_t index);       // never notifies; -1 when out of range
int32_t ComboGetSelection(Hwnd combo);                      // -1 when none
int32_t ComboCount(Hwnd combo);
void ComboClear(Hwnd combo);

int32_t ListAddString(Hwnd list, const char16_t* text);     // index, -1 on failure
int32_t ListSetSelection(Hwnd list, int32_t index);
int32_t ListGetSelection(Hwnd list);
int32_t ListCount(Hwnd list);
void ListClear(Hwnd list);
int32_t ListGetText(Hwnd list, int32_t index, char16_t* out, int32_t capacity);  // length, -1 when none
bool ListSetTopIndex(Hwnd list, int32_t index);

void EditSetLimit(Hwnd edit, int32_t characters);

// Dialog-style helpers by id.
bool SetDialogItemText(Hwnd parent, int32_t id, const char16_t* text);
int32_t GetDialogItemText(Hwnd parent, int32_t id, char16_t* out, int32_t capacity);
LResult SendDialogItemMessage(Hwnd parent, int32_t id, uint32_t message, WParam w, LParam l);

namespace test {
// Drops a combo box's list down as a click would, measures it and closes it:
// the width inside the list and the widest item text in the list's font, in
// pixels. `style` names a built-in desktop style to draw the box with first
// ("Windows", "Fusion"), null keeps its own. False when `combo` is no combo
// box or the style is unknown.
bool DropDownWidths(Hwnd combo, const char16_t* style, int32_t* listWidth, int32_t* widestText);
// A push button's text as it draws it (without the mnemonic marker) in its
// own font, and the width its style leaves for the text, in pixels. False
// when `button` is no push button.
bool ButtonTextWidths(Hwnd button, int32_t* textWidth, int32_t* roomWidth);
// How a single-line edit shows its text as it paints it now, in pixels:
// `scrolled`, how far the text's start lies left of where the edit starts
// its text (0: it shows from its first letter); `hidden`, how much of the
// text the edit has no room for (0: it shows whole). False when `edit` is no
// single-line edit.
bool EditTextView(Hwnd edit, int32_t* scrolled, int32_t* hidden);
}  // namespace test

}  // namespace plat
