// Dialog templates as tables: the dialog's caption, position and size in
// dialog units, its font and style, and one row per control.
//
// Dialog units follow the template font: a horizontal unit is a quarter of the
// font's average character width and a vertical unit an eighth of its height.
// The layer fixes these for an 8-point font at 6 x 13 pixels (1.5 and 1.625
// pixels per unit) and scales them with the point size.
//
// A control row names a built-in control class and its style bits
// (platform/controls.h, plus kStyleTabStop, kStyleGroup, kStyleDisabled,
// kStyleBorder of platform/window.h); the layer adds the child and visible
// bits. Static texts that nobody addresses take the id kNoControlId.
#pragma once
#include <cstdint>
#include <span>

namespace res {

constexpr int32_t kNoControlId = -1;

struct DialogControl {
    const char16_t* Class;          // u"BUTTON", u"EDIT", u"COMBOBOX", u"LISTBOX", u"STATIC"
    const char16_t* Text;           // initial text (button label, static text); may be u""
    int32_t Id;                     // the control id the dialog procedure uses
    int16_t X, Y, Width, Height;    // dialog units, in the dialog's client area
    uint32_t Style;                 // class style | kStyleTabStop | kStyleGroup | ...
};

// Dialog style bits
constexpr uint32_t kDialogCloseBox = 0x1;    // a caption with a close box (acts as Cancel)
constexpr uint32_t kDialogScreenPos = 0x2;   // X, Y are screen units, not relative to the owner

struct DialogTemplate {
    const char* Name;                    // the template's resource name ("SURVEYSETUP")
    const char16_t* Caption;             // the title bar text
    int16_t X, Y, Width, Height;         // dialog units; X, Y from the owner's client corner,
                                         // Width, Height of the client area
    const char16_t* FontFace;            // u"MS Sans Serif"
    int16_t FontPoints;                  // 8
    uint32_t Style;                      // kDialog... bits
    std::span<const DialogControl> Controls;
};

}  // namespace res
