#include "shell/dialog_fields.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/controls.h"
#include "survey_files/text_helpers.h"

namespace {

constexpr size_t kShownChars = 64;   // a formatted number as an edit shows it (cut beyond)
constexpr size_t kTypedChars = 256;  // text read from an uncapped edit

// Formats `value` as the edit shows it. "%d" formats take an int.
void FormatEditNumber(const char* format, double value, char* out, size_t capacity) {
    const size_t length = std::strlen(format);
    if (length > 0 && format[length - 1] == 'd') {
        int32_t whole = 0;
        if (value >= 2147483647.0) whole = INT32_MAX;
        else if (value <= -2147483648.0) whole = INT32_MIN;
        else if (std::isfinite(value)) whole = static_cast<int32_t>(value);
        std::snprintf(out, capacity, format, whole);
    } else {
        std::snprintf(out, capacity, format, value);
    }
}

// The text SetEditNumber puts into the edit: formatted, widened and cut at
// the edit's cap.
void ShownText(const char* format, double value, int32_t chars, char16_t* out) {
    char text[kShownChars];
    FormatEditNumber(format, value, text, sizeof text);
    size_t capacity = kShownChars;
    if (chars > 0 && static_cast<size_t>(chars) + 1 < capacity) capacity = static_cast<size_t>(chars) + 1;
    NarrowToWide(text, out, capacity);
}

}  // namespace

void SetEditNumber(plat::Hwnd dialog, int32_t id, const char* format, double value, int32_t chars) {
    char16_t wide[kShownChars];
    ShownText(format, value, chars, wide);
    if (chars > 0) plat::EditSetLimit(plat::GetDialogItem(dialog, id), chars);
    plat::SetDialogItemText(dialog, id, wide);
}

bool ReadChangedEditNumber(plat::Hwnd dialog, int32_t id, const char* format, double shown,
                           double* typed, int32_t chars) {
    char16_t shownText[kShownChars];
    ShownText(format, shown, chars, shownText);
    char16_t current[kTypedChars] = {};
    int32_t capacity = static_cast<int32_t>(kTypedChars);
    if (chars > 0 && chars + 1 < capacity) capacity = chars + 1;
    plat::GetDialogItemText(dialog, id, current, capacity);
    size_t i = 0;
    while (shownText[i] != u'\0' && shownText[i] == current[i]) ++i;
    if (shownText[i] == current[i]) return false;
    *typed = ReadTypedNumber(current);
    return true;
}

void FillList(plat::Hwnd dialog, int32_t id, std::span<const char16_t* const> texts, int32_t selected) {
    const plat::Hwnd list = plat::GetDialogItem(dialog, id);
    for (const char16_t* text : texts) plat::ComboAddString(list, text);
    plat::ComboSetSelection(list, selected >= 0 && static_cast<size_t>(selected) < texts.size() ? selected : -1);
}

bool ReadListSelection(plat::Hwnd dialog, int32_t id, int32_t* field) {
    const int32_t selection = plat::ComboGetSelection(plat::GetDialogItem(dialog, id));
    if (selection < 0) return false;
    *field = selection;
    return true;
}

void PlaceDialogOnOwner(plat::Hwnd dialog, int32_t divisor) {
    plat::Rect owner{0, 0, plat::GetScreenWidth(), plat::GetScreenHeight()};
    const plat::Hwnd parent = plat::GetParent(dialog);
    if (parent != 0) plat::GetWindowRect(parent, &owner);
    plat::Rect self;
    if (!plat::GetWindowRect(dialog, &self) || divisor == 0) return;
    const int32_t width = self.Right - self.Left;
    const int32_t height = self.Bottom - self.Top;
    plat::SetWindowPosition(dialog, owner.Left + (owner.Right - owner.Left - width) / 2,
                            owner.Top + (owner.Bottom - owner.Top - height) / divisor);
}
