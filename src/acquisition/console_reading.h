// Console reading handling: what the window thread does with each line that a
// console reader hands over. Every line updates the console's numbers and
// bar; while logging it also becomes colour samples for the map, a 27-byte
// reading record of the data file and a step of the profile, and console 1's
// lines advance the station, count, tick the audio and show the statistics.
//
// The readings are untrusted text from the console: every conversion to a
// colour index or a pixel row clamps in floating point before it becomes an
// int, and a reading that is not a number (NaN) counts as a missing reading,
// 0.0, like a field that is absent. A field damaged on the cable is neither:
// no value is read from it, so it is shown as "?", leaves a gap in the
// profile, takes its bar down and gives no colour sample; the line is still
// recorded, the damage marked in it.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/window.h"
#include "survey_files/data_records.h"

constexpr int kNumericFieldChars = 20;   // a field buffer: 19 characters and a NUL
constexpr int kMaxPlotRow = 32000;       // plot rows are clamped to +-this (far outside any window)
constexpr int kFieldDamaged = -1;        // GetNumericField: the field holds a byte no reading holds

// Copies the n-th numeric field (n from 1) of `line` into `out` (20 chars, at
// most 19 copied). A field starts at its first character among
// "+-.0123456789" and runs up to the delimiter or the end of the line, so
// "75 nT" is one field. Returns 1 when found and not empty, else 0 with `out`
// empty. Returns kFieldDamaged (`out` empty) when the text searched for the
// field, from the end of the previous one up to its own end, holds a byte no
// reading holds (IsReadingDamage), or when the field is missing from a line
// that holds one anywhere: the damage may have taken the field's delimiter.
int GetNumericField(const char* line, int n, char delimiter, char* out);

// The readings of a line: *b from field 2 (two-sensor console only), *a from
// field 1. An output whose field is missing, empty or damaged is left
// unchanged; a field that reads as NaN gives 0.0. Returns the bits
// (kFirstReadingDamaged, kSecondReadingDamaged) of the damaged ones.
int ParseConsoleReadings(int console, const char* text, double* a, double* b);

// Plot rows (from the top of the curve and bar windows) of the readings:
// row = (ReadingsScale.Maximum - r) x pixels per unit, truncated toward zero
// after clamping to +-kMaxPlotRow; a reading whose bit is set in `damaged`
// gets kNoReadingRow. Index 1 is written for two-sensor consoles only.
void ReadingsToPixels(int console, double a, double b, int curveY[2], int decayY[2], int damaged = 0);

// trunc((r - ReadingsScale.Minimum) / ReadingsScale.ColourStep) clamped to
// 0..ColourScale.ColourMaxIndex; NaN (also 0/0 with no step yet) gives 0.
int ReadingColourIndex(double reading);

// Stores the readings' colour indices in the active half of ReadingSamples
// (second sensor first); a sensor's 501st sample before the next fix is
// dropped, and a reading whose bit is set in `damaged` gives no sample.
void StoreColourSamples(int console, double a, double b, int damaged = 0);

// The reading record of the line in console `console`'s slot: its tag, "$P",
// up to 13 characters after "$PBAR", the line's tick and LF.
void BuildReadingRecord(int console, DataRecord& record);

// Elapsed milliseconds as whole hours, minutes and seconds.
void SplitElapsedTime(uint32_t ms, int32_t* hours, int32_t* minutes, int32_t* seconds);
// "%02d:%02d:%02d" into `out`.
void FormatElapsedTime(int32_t hours, int32_t minutes, int32_t seconds, char* out, size_t capacity);

// Console 1's audio tick, station advance and counts, after its record was
// written while logging. The statistics are then shown by ShowConsoleStatistics.
void AdvanceConsoleOneStation();
void PlayConsoleOneTick();
void ShowConsoleStatistics();

// The handler of a line of console `console` (0..8) in its slot; the slot is
// empty afterwards. Returns 0.
plat::LResult OnConsoleReading(int console);

// The logging screen's handlers of kMsgConsoleReading + 0 .. + 8 (consoles 1
// to 9); window, message and parameters are not used.
plat::LResult OnConsoleReading1(plat::Hwnd, uint32_t, plat::WParam, plat::LParam);
plat::LResult OnConsoleReading2(plat::Hwnd, uint32_t, plat::WParam, plat::LParam);
plat::LResult OnConsoleReading3(plat::Hwnd, uint32_t, plat::WParam, plat::LParam);
plat::LResult OnConsoleReading4(plat::Hwnd, uint32_t, plat::WParam, plat::LParam);
plat::LResult OnConsoleReading5(plat::Hwnd, uint32_t, plat::WParam, plat::LParam);
plat::LResult OnConsoleReading6(plat::Hwnd, uint32_t, plat::WParam, plat::LParam);
plat::LResult OnConsoleReading7(plat::Hwnd, uint32_t, plat::WParam, plat::LParam);
plat::LResult OnConsoleReading8(plat::Hwnd, uint32_t, plat::WParam, plat::LParam);
plat::LResult OnConsoleReading9(plat::Hwnd, uint32_t, plat::WParam, plat::LParam);

// Marks a silent console: "No connection" on red in its band of the numbers
// window and its bar blanked.
void ShowNoConnection(int console);
