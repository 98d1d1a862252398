// Console reading handling: what the window thread does with each line that a
// console reader hands over. Every line updates the console's numbers and
// bar; while logging it also becomes colour samples for the map, a 27-byte
// reading record of the data file and a step of the profile, and console 1's
// lines advance the station, count, tick the audio and show the statistics.
//
// The readings are untrusted text from the console: every conversion to a
// colour index or a pixel row clamps in floating point before it becomes an
// int. Live, the profile redraw and the replay take the readings from the
// same text, the line as its reading record keeps it, with the same field
// reader. A reading is read only from a field that is a plain number; a field
// that is missing, damaged on the cable, cut off by the record or holds
// anything but a number gives no value: it is shown as "?", leaves a gap in
// the profile, takes its bar down and gives no colour sample. The line is
// still recorded as it came, damage marked in it.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/window.h"
#include "survey_files/data_records.h"

constexpr int kMaxPlotRow = 32000;  // plot rows are clamped to +-this (far outside any window)

// The one reader of a reading field, for a reading record's text in the
// handler, the profile redraw and the replay: field n (from 1) of
// text[0, length), fields delimited by commas, field 1 after the first comma
// (the one after "$PBAR"). True, with *value, only when the field is a plain
// number: after its comma nothing but blanks, then a sign or none and digits
// with at most one point among them, then nothing but blanks up to the next
// comma or the end. A field missing or empty gives none, and so does one
// holding a letter (a bit flipped by line noise), a unit, an exponent or
// "nan": any of them may be a digit lost. Each field is read in its own
// place: a number past the comma that ends an empty field or one of letters
// is the next field's, never a stand-in for the one missing. A byte no reading
// holds (IsReadingDamage, '?' in a record) in the field, or in front of its
// number back to the end of the field before, gives none: it may have been
// a digit or a comma. A number before the first comma is field 1 with its
// comma lost: it gives none, and the next comma ends it.
bool ReadReadingField(const char* text, size_t length, int n, double* value);

// The readings of a reading record of console `console`, from its columns
// 1-15 only: *a from field 1, *b from field 2 (two-sensor console only), each
// left unchanged when its field gives no value. The tag is no reading text,
// and the tick in 16-25 never joins the last reading. Returns the bits
// (kNoFirstReading, kNoSecondReading) of the readings left. The handler reads
// the record it writes, so a line cut to fit the record gives live what it
// gives from the file.
int ReadRecordReadings(int console, const char* record, double* a, double* b);

// Plot rows (from the top of the curve and bar windows) of the readings:
// row = (ReadingsScale.Maximum - r) x pixels per unit, truncated toward zero
// after clamping to +-kMaxPlotRow; a reading whose bit is set in `unread`
// gets kNoReadingRow. Index 1 is written for two-sensor consoles only.
void ReadingsToPixels(int console, double a, double b, int curveY[2], int decayY[2], int unread = 0);

// trunc((r - ReadingsScale.Minimum) / ReadingsScale.ColourStep) clamped to
// 0..ColourScale.ColourMaxIndex; NaN (also 0/0 with no step yet) gives 0.
int ReadingColourIndex(double reading);

// Stores the readings' colour indices in the active half of ReadingSamples
// (second sensor first); a sensor's 501st sample before the next fix is
// dropped, and a reading whose bit is set in `unread` gives no sample.
void StoreColourSamples(int console, double a, double b, int unread = 0);

// The reading record of the line in console `console`'s slot: its tag, "$P",
// up to 13 characters after "$PBAR" (a longer line cut inside a field has its
// 13th marked, FormatReadingRecord), the line's tick and LF.
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
