#include "log_screen/speed_bar.h"

#include "platform/dc.h"
#include "survey_files/survey_model.h"

void DrawSpeedBar(plat::Hdc dc, int32_t whitePixels) {
    const int32_t length = ScreenLayout.SpeedBarLength;
    const int32_t height = ScreenLayout.SpeedWindowHeight;
    if (whitePixels < 0) whitePixels = 0;
    if (whitePixels > length) whitePixels = length;
    plat::SelectObject(dc, GdiObjects.BluePen);
    plat::SelectObject(dc, GdiObjects.BlueBrush);
    plat::Rectangle(dc, 0, 0, length, height);
    if (whitePixels == 0) return;
    plat::SelectObject(dc, GdiObjects.WhitePen);
    plat::SelectObject(dc, GdiObjects.WhiteBrush);
    plat::Rectangle(dc, length - whitePixels, 0, length, height);
}
