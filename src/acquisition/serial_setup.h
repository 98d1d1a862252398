// Opening the serial ports of the consoles and of the GPS receiver. The
// handles go to SerialPorts, where the readers, the GPS monitor and the code
// that stops acquisition find them; closing is theirs.
#pragma once

// Opens the port of console `console` (0..8) at SystemSetup.ConsolePort + 1
// with the console line settings (9600 8N1, no flow control). Returns 1 when
// open, 0 when not; with `showError` nonzero a failure shows "Cannot open
// COM%d for instrument %d", titled "Serial Port", owned by the main window.
int OpenConsolePort(int console, int showError);

// Opens the GPS receiver's port at GpsPortSetup.Port + 1 with the line
// settings of GpsPortSetup and XON/XOFF. Returns 1 or 0; with `showError`
// equal to 1 a failure shows "Cannot open COM%d for GPS" titled "Serial Port"
// (any other value opens silently: the GPS watchdog's reopening).
int OpenGpsPort(int showError);
