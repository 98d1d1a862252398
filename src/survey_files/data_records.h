// The records of the survey data file, formatted into the caller's buffer.
//
// Every record is 27 bytes: 26 columns of 8-bit text (0..25) and a line feed
// in column 26; no CR and no NUL anywhere. Each field is written into its own
// columns and never spills into the next: text is cut to the field, a number
// that does not fit drops decimals and then saturates (all nines), and control
// bytes of a text become '?'. Nothing here writes to the file; see data_file.h.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/local_time.h"
#include "survey_files/survey_model.h"

using DataRecord = std::array<char, kDataRecordLength>;

constexpr int kHeaderRecordCount = 6;
constexpr int kSessionRecordCount = 4;   // L, B, A, Z
constexpr size_t kGpsGroupBytes = 512;   // room for 17 sentence records and the "!" record
constexpr size_t kGpsChunkChars = 25;    // sentence characters per record
constexpr size_t kSwathBlockRecords = 4;

// First byte of the reading records of consoles 1 to 9.
constexpr std::array<uint8_t, kMaxConsoles> kConsoleRecordTags = {
    0x54,  // 'T'
    0x74,  // 't'
    0xD4,
    0xF4,
    0x14,  // a control byte, but a tag byte all the same
    0x97,
    0xA8,
    0xB9,
    0x3C,  // '<'
};

using HeaderRecords = std::array<char, kHeaderRecordCount * kDataRecordLength>;
using SessionRecords = std::array<char, kSessionRecordCount * kDataRecordLength>;
using SwathBlock = std::array<char, kSwathBlockRecords * kDataRecordLength>;

// ---------------------------------------------------------------------------
// Field fitting. `col` and `width` address columns 0..25 of one record; a field
// reaching past column 25 is cut there.

// Blanks columns 0..25 and puts the LF in column 26.
void ClearDataRecord(char* record);
// Copies at most `width` bytes of `text` (up to its end), blank padding the
// rest; bytes below 0x20 and 0x7F become '?'.
void PutTextField(char* record, int col, int width, std::string_view text);
// printf "%<width>.<decimals>f" when it fits; else fewer decimals down to none;
// else the widest all-nines value of that sign that fits ("999" / "-99").
// A NaN is written as 0.
void PutRealField(char* record, int col, int width, int decimals, double value);
// printf "%<width>d" (or "%0<width>d" with zeroPad) when it fits; else the
// widest all-nines value of that sign that fits (width 1: 9 or 0).
void PutIntegerField(char* record, int col, int width, long long value, bool zeroPad);
// A tick count as "%10u": always exactly 10 columns.
void PutTickField(char* record, int col, uint32_t tick);
// HH:MM:SS.mmm in 12 columns.
void PutClockField(char* record, int col, const plat::LocalTime& t);

// ---------------------------------------------------------------------------
// Header (from SystemSetup, ArrayGeometry, GpsPortSetup, GpsFix and
// DataFileState.DataFileBaseName). `appended` 0: "OSTRMA  W"; else "rSTRMA  W".

void FormatHeaderRecord1(char* record, int appended);
void FormatHeaderRecord2(char* record);
void FormatHeaderRecord3(char* record);
void FormatHeaderRecord4(char* record);
void FormatHeaderRecord5(char* record);
void FormatHeaderRecord6(char* record);
void FormatHeaderRecords(HeaderRecords& out, int appended);

// ---------------------------------------------------------------------------
// Line records L, B, A, Z (from SurveyParameters and the given local time).

void FormatLineNameRecord(char* record);
void FormatStartStationRecord(char* record);
void FormatDirectionRecord(char* record);
void FormatLineDateRecord(char* record, const plat::LocalTime& t);
void FormatSessionRecords(SessionRecords& out, const plat::LocalTime& t);

// ---------------------------------------------------------------------------
// Records of a running survey.

// "*": local time HH:MM:SS.mmm and the tick it was read with.
void FormatTimeMarkRecord(DataRecord& record, const plat::LocalTime& t, uint32_t tick);
// "S": the station number and the local time.
void FormatStationRecord(DataRecord& record, double station, const plat::LocalTime& t);
// "X" event or "C" comment: the first 11 characters of the 8-bit text and the tick.
void FormatEventRecord(DataRecord& record, char code, std::string_view text, uint32_t tick);
// A console reading: the console's tag byte, "$P", what follows "$PBAR" (at
// most 13 characters) and the tick at which the line was completed. Every
// byte of the line that no reading holds is written as the damage mark, and
// so is the last of the 13 when a longer line is cut inside a field
// (ReadingCutSplitsAField).
void FormatReadingRecord(DataRecord& record, uint8_t tag, std::string_view line, uint32_t tick);

// A console line is printable ASCII. Line noise, a framing error or a break
// on the cable arrives as another byte (a framing error or a break as NUL in
// raw mode): such a byte is kept as '?' in the line and in its record, so the
// damage stays visible in the file and no reading is taken from its field.
constexpr char kReadingDamageMark = '?';
// True for a byte that no reading holds: a control byte, DEL, a byte above
// 0x7F, and the damage mark itself (a record's '?' is a byte that was lost).
constexpr bool IsReadingDamage(uint8_t b) { return b < 0x20 || b >= 0x7F || b == kReadingDamageMark; }
// True when the text [begin, end) holds such a byte.
constexpr bool HoldsReadingDamage(const char* begin, const char* end) {
    for (; begin < end; ++begin) {
        if (IsReadingDamage(static_cast<uint8_t>(*begin))) return true;
    }
    return false;
}
// A reading line cut to fit a place too short for it (the record's 13
// columns, a console slot's 99 characters) keeps every field it holds whole
// only when the cut falls between fields: the kept text ends with a field's
// comma, or what is dropped is blanks up to the next comma or the line's end.
// Any other cut reaches into a field, which would read as a plausible shorter
// number: the last character kept is then overwritten by the damage mark, so
// that the field gives no value wherever the cut text is read.
constexpr bool ReadingCutSplitsAField(char lastKept, std::string_view dropped) {
    if (lastKept == ',' || dropped.empty()) return false;
    const size_t text = dropped.find_first_not_of(' ');
    return text != std::string_view::npos && dropped[text] != ',';
}
// Bits that say which readings of a line gave no value: field 1 (the first
// sensor) and field 2 (the second sensor) missing, damaged, cut or no number.
constexpr int kNoFirstReading = 1;
constexpr int kNoSecondReading = 2;
// A GPS sentence as one "X" record: its first 25 characters.
void FormatGpsSingleRecord(DataRecord& record, std::string_view sentence);
// A GPS sentence group: `first` and the first 25 characters, then `continuation`
// and each further 25, then the "!" record with the number of broken consoles
// and the sentence's tick. Whole records only: a sentence too long for
// `capacity` is cut at the last record that fits. Returns the bytes formatted
// (a multiple of 27; 0 when not even two records fit).
size_t FormatGpsSentenceGroup(char* out, size_t capacity, std::string_view sentence, char first,
                              char continuation, int brokenConsoles, uint32_t tick);
// "{0": a new swath segment starts.
void FormatSwathStartRecord(DataRecord& record);
// "{" with the letter of coordinate j (0..3: x-left, y-left, x-right, y-right)
// of block kind 1..4 ('a'..'p') and the coordinate in display units.
void FormatSwathCoordinateRecord(DataRecord& record, int kind, int j, double value);
// The four coordinate records of one block kind, in order.
void FormatSwathBlock(SwathBlock& out, int kind, double xLeft, double yLeft, double xRight, double yRight);
