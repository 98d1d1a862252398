#include "shell/start_screen.h"

#include "platform/dc.h"
#include "survey_files/survey_model.h"

plat::LResult PaintStartScreen(plat::Hwnd hwnd, uint32_t, plat::WParam, plat::LParam) {
    plat::PaintInfo paint;
    plat::BeginPaint(hwnd, &paint);  // erases with the button-face background
    plat::EndPaint(hwnd, &paint);
    // Not while the logging screen or the GPS monitor covers the start
    // screen: a repaint underneath must not take their keys away.
    if (ScreenWindows.ScreenMode == 0) plat::SetFocus(hwnd);
    return 0;
}
