#include "acquisition/serial_setup.h"

#include <cstdio>

#include "platform/message_box.h"
#include "platform/serial_port.h"
#include "survey_files/survey_model.h"
#include "survey_files/text_helpers.h"

namespace {

void ShowSerialPortError(int owner, const char* text) {
    char16_t wide[96];
    NarrowToWide(text, wide, sizeof wide / sizeof wide[0]);
    plat::MessageBox(owner, wide, u"Serial Port", plat::MessageButtons::Ok, plat::MessageIcon::None);
}

}  // namespace

int OpenConsolePort(int console, int showError) {
    if (console < 0 || console >= kMaxConsoles) return 0;
    const auto i = static_cast<size_t>(console);
    const int port = SystemSetup.ConsolePort[i] + 1;
    const plat::SerialOpenResult opened = plat::OpenSerialPort(port, plat::ConsoleLineSettings());
    SerialPorts.ConsolePortHandle[i] = opened.Handle;
    if (opened.Handle != plat::kInvalidSerial) return 1;
    if (showError != 0) {
        char text[64];
        std::snprintf(text, sizeof text, "Cannot open COM%d for instrument %d", port, console + 1);
        // Owned by the main window: the logging screen is not shown yet when
        // the start of logging opens the consoles.
        ShowSerialPortError(ScreenWindows.MainWindow, text);
    }
    return 0;
}

int OpenGpsPort(int showError) {
    const int port = GpsPortSetup.Port + 1;
    const plat::SerialOpenResult opened = plat::OpenSerialPort(
        port, plat::GpsLineSettings(GpsPortSetup.BaudRate, GpsPortSetup.DataBits, GpsPortSetup.Parity,
                                    GpsPortSetup.StopBits));
    SerialPorts.GpsPortHandle = opened.Handle;
    if (opened.Handle != plat::kInvalidSerial) return 1;
    if (showError == 1) {
        char text[48];
        std::snprintf(text, sizeof text, "Cannot open COM%d for GPS", port);
        ShowSerialPortError(ScreenWindows.MonitorGpsWindow, text);
    }
    return 0;
}
