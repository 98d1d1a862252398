// "GPSINPUT" (from the start screen: GPS input mode, data format, the port's
// serial settings and the warning mask) and "GPSMASK" (from the logging
// screen's menu: the warning mask alone). OK stores every control, saves the
// settings file and ends with 1; Cancel ends with 0 and changes nothing.
// Neither moves itself on opening, and no letter key cancels them.
// RunGpsInputDialog is declared with the other start-screen dialogs
// (shell/setup_dialogs.h).
#pragma once
#include <cstdint>

#include "platform/window.h"

// The labels of the mask rows for a data format: "Warning", "Quality",
// "Satellites" and the dilution's name ("PDOP", "HDOP", "GDOP",
// "Quality (m)", "DOP"); "N/A" for the formats that carry no such value
// (GLL, the total station stream, Pseudo GLL, and any unknown format).
struct GpsMaskLabelTexts {
    const char16_t* Warning;
    const char16_t* Quality;
    const char16_t* Dilution;
    const char16_t* Satellites;
};
GpsMaskLabelTexts GpsMaskLabels(int32_t dataFormat);

plat::LResult GpsInputDlgProc(plat::Hwnd dialog, uint32_t message, plat::WParam w, plat::LParam l);
plat::LResult GpsMaskDlgProc(plat::Hwnd dialog, uint32_t message, plat::WParam w, plat::LParam l);

// "GPSMASK" over `owner` (the logging screen); 1 after OK, else 0.
int RunGpsMaskDialog(plat::Hwnd owner);
