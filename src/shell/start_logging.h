// Opening the logging screen from the start screen: the settings become
// running acquisition. The sensor layout and plot scales are derived afresh,
// the logging screen laid out, the serial-port assignments checked, the
// console and GPS ports opened, one reader thread per port started and the
// one-second supervision set going; the logging screen opens in Monitoring.
// Nothing is written to any file here.
#pragma once

// The start screen's "&Logging". Returns 1 when the logging screen was
// opened; 0 when a port conflict or a port that could not be opened keeps the
// start screen (everything opened by this attempt closed again).
int StartLogging();

// Each sensor's first index, cross-track position and swath band from the
// console types and the separations (SensorLayout, and the derived console
// counts of SystemSetup).
void ComputeSensorLayout();

// Reports every port shared by two consoles or by a console and the GPS, one
// "Serial Port" box each; returns how many there were.
int CheckPortAssignments();

// Opens the console ports (and the GPS port with GPS input) that are not
// open yet; returns how many could not be opened (each told by its opener).
int OpenAcquisitionPorts();

// Closes every port the last OpenAcquisitionPorts opened and marks it not opened.
void CloseAcquisitionPorts();

// The start screen's "GPS M&onitoring": without GPS input an "INFORMATION"
// box; else the GPS port opened (its opener tells a failure) and the monitor
// shown, clean, with its reader running (the GPS simulator in its place when
// ReaderThreads.SimulateGps is 1).
void StartGpsMonitoring();
