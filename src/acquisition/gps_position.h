// What becomes of a decoded GPS fix: the map origin at the first fix, the
// distance and speed from the previous fix, the reading interval of the colour
// map, the hand-over to the map, and the count of GPS positions of the data
// file with its limit.
#pragma once

// Called by the GPS sentence handler for every selected sentence, after the
// fix was decoded, shown, projected and judged by the warning mask, and
// before a GSA sentence's PDOP is taken. GpsFix.FixValid tells whether the
// sentence gave a position; `mapX` and `mapY` are its map X (easting) and Y
// (northing) in display units (meaningless when it did not). `firstFix` is 1
// for the first valid fix since the logging screen opened: GpsFix.FirstFixX/Y
// and GpsFix.PositionValid are already set and the "&File" button enabled.
// The sentence is still in GpsSentenceBuffer.GpsLastSentence; its time of day
// is read with DecodeGpsFixTime (gps_fix.h).
// A fix is recorded (counted, and given swath records) only while logging
// and only when its sentence is new enough to be written.
void ProcessGpsPosition(double mapX, double mapY, int firstFix);

// Whether the sentence in GpsSentenceBuffer belongs to the recording: the
// state is Logging and its tick (GpsSentenceBuffer.GpsSentenceTick) is not
// older than the start of recording (IsRecordedGpsTick). A sentence stamped
// before the Go's start tick, handed over only once the Go has finished, is
// not: its group is not written, and the fix is handled as in Stand By.
bool GpsSentenceIsRecorded();

// Enables the logging screen's "&File" button (ScreenButtons.MonitoringButtons[0])
// when it exists: with GPS input a data file may be chosen only once a valid
// fix has given the map its origin.
void EnableFileButton();
