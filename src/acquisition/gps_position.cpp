#include "acquisition/gps_position.h"

#include "platform/window.h"
#include "survey_files/survey_model.h"

// The position processing (origin, speed, distances, sample banks, map,
// position count) is not built yet: a fix ends with its decoding, its panel
// cells and its indicator.
void ProcessGpsPosition(double, double, int) {}

void EnableFileButton() {
    const plat::Hwnd file = ScreenButtons.MonitoringButtons[0];
    if (file != 0) plat::EnableWindow(file, true);
}
