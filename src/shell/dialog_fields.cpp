#include "shell/dialog_fields.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/controls.h"
#include "survey_files/text_helpers.h"

namespace {

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

}  // namespace

void SetEditNumber(plat::Hwnd dialog, int32_t id, const char* format, double value) {
    char text[64];
    FormatEditNumber(format, value, text, sizeof text);
    char16_t wide[64];
    NarrowToWide(text, wide, 64);
    plat::SetDialogItemText(dialog, id, wide);
}

bool ReadChangedEditNumber(plat::Hwnd dialog, int32_t id, const char* format, double shown,
                           double* typed) {
    char text[64];
    FormatEditNumber(format, shown, text, sizeof text);
    char16_t shownText[64];
    NarrowToWide(text, shownText, 64);
    char16_t current[256] = {};
    plat::GetDialogItemText(dialog, id, current, 256);
    size_t i = 0;
    while (shownText[i] != u'\0' && shownText[i] == current[i]) ++i;
    if (shownText[i] == current[i]) return false;
    *typed = ReadTypedNumber(current);
    return true;
}
