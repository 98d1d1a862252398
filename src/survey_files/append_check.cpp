#include "survey_files/append_check.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <mutex>
#include <string_view>

#include "acquisition/gps_fix.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "survey_files/data_file.h"
#include "survey_files/data_records.h"
#include "survey_files/survey_model.h"
#include "survey_files/text_helpers.h"
#include "survey_files/utm.h"

namespace {

constexpr int kHeaderBytes = kHeaderRecordCount * static_cast<int>(kDataRecordLength);

// The six header records as the file holds them. A record the file is too
// short for is absent: its tag test fails, and nothing is read from it.
struct FileHeader {
    std::array<DataRecord, kHeaderRecordCount> Records{};
    int Present = 0;  // whole records read, 0..6
    int64_t Size = 0; // the file's length in bytes; -1 when it could not be taken

    // Record n (1..6) is whole in the file and begins with `tag`.
    bool Tagged(int n, char tag) const { return n <= Present && Records[static_cast<size_t>(n - 1)][0] == tag; }
    char At(int n, int col) const { return Records[static_cast<size_t>(n - 1)][static_cast<size_t>(col)]; }
    int Digit(int n, int col) const { return At(n, col) - '0'; }
    // Columns first..first+width-1 of record n through the C conversion to double.
    double Number(int n, int first, int width) const {
        char text[16] = {};
        std::memcpy(text, &Records[static_cast<size_t>(n - 1)][static_cast<size_t>(first)], static_cast<size_t>(width));
        return std::strtod(text, nullptr);
    }
};

FileHeader ReadFileHeader(plat::FileHandle file) {
    FileHeader h;
    char bytes[kHeaderBytes];
    const int64_t got = plat::ReadFileAt(file, bytes, sizeof bytes, 0);
    h.Present = got > 0 ? static_cast<int>(got / kDataRecordLength) : 0;
    for (int i = 0; i < h.Present; ++i) {
        std::memcpy(h.Records[static_cast<size_t>(i)].data(), bytes + i * kDataRecordLength, kDataRecordLength);
    }
    h.Size = plat::FileSize(file);
    return h;
}

// What the file says about the array and the GPS set-up.
struct FileSetup {
    int DisplayUnits = 0;
    std::array<int, kMaxConsoles> ConsoleType{};
    int ConsoleCount = 0;
    int LeadingPoint = 0;
    int GpsState = 0;
    int GpsFormat = 0;
    double OffsetX = 0.0, OffsetY = 0.0;
    int Zone = -9;
    double UnitSeparation = 0.0, ConsoleSeparation = 0.0;
};

void TakeConsoleTypes(const FileHeader& h, FileSetup& f) {
    constexpr int kTypeColumns[kMaxConsoles] = {12, 13, 14, 15, 16, 17, 21, 22, 23};
    for (int i = 0; i < kMaxConsoles; ++i) f.ConsoleType[static_cast<size_t>(i)] = h.At(2, kTypeColumns[i]) - '1';
}

void TakeRecord3(const FileHeader& h, FileSetup& f) {
    f.OffsetX = h.Number(3, 1, 7);
    f.OffsetY = h.Number(3, 8, 7);
    f.ConsoleCount = h.Digit(3, 15);
    f.LeadingPoint = h.Digit(3, 16);
    f.GpsFormat = h.At(3, 17) == 'A' ? 8 : h.Digit(3, 17);
    f.GpsState = h.Digit(3, 20);
}

int ZoneOfRecord4(const FileHeader& h) {
    const char text[3] = {h.At(4, 16), h.At(4, 17), 0};
    return static_cast<int>(std::strtol(text, nullptr, 10));
}

// A value as the header stores it: through the same "%7.3f" field and back,
// so that a set-up value with more decimals (1.5 ft is 0.4572 m) still
// matches the file it wrote.
double AsStored(double value) {
    DataRecord record;
    ClearDataRecord(record.data());
    PutRealField(record.data(), 1, 7, 3, value);
    char text[8] = {};
    std::memcpy(text, record.data() + 1, 7);
    return std::strtod(text, nullptr);
}

bool SameAsStored(double fileValue, double current) { return fileValue == AsStored(current); }

bool ArrayDiffers(const FileSetup& f) {
    if (f.ConsoleCount != SystemSetup.ConsoleCount) return true;
    for (int i = 0; i < SystemSetup.ConsoleCount && i < kMaxConsoles; ++i) {
        if (f.ConsoleType[static_cast<size_t>(i)] != SystemSetup.ConsoleType[static_cast<size_t>(i)]) return true;
    }
    return false;
}

bool SeparationsDiffer(const FileSetup& f) {
    return !SameAsStored(f.UnitSeparation, ArrayGeometry.UnitSeparation) ||
           !SameAsStored(f.ConsoleSeparation, ArrayGeometry.ConsoleSeparation);
}

// Zone relation of the file's zone z to the zone u in force: 0 the same (or
// no zone in the file), 1 a neighbour (60 and 1 are neighbours), -1 too far.
int ZoneRelation(int z, int u) {
    if (z <= 0 || z == u) return 0;
    if (z == 1) return u == 2 || u == 60 ? 1 : -1;
    if (z == 60) return u == 1 || u == 59 ? 1 : -1;
    return std::abs(z - u) == 1 ? 1 : -1;
}

// The zone positions are projected into now: the one forced on the run once
// chosen (an earlier append may have moved it to a neighbour), else the first.
int ZoneInForce() {
    return GpsFix.UtmZoneForced >= 1 && GpsFix.UtmZoneForced <= 60 ? GpsFix.UtmZoneForced : GpsFix.UtmZone;
}

// ---------------------------------------------------------------------------
// Messages

// Every refusal: the box, the file closed (its handle invalid), result 1.
int Refuse(plat::Hwnd owner, const char* text) {
    char16_t wide[512];
    NarrowToWide(text, wide, std::size(wide));
    plat::MessageBox(owner, wide, u"WARNING", plat::MessageButtons::Ok, plat::MessageIcon::None);
    CloseDataFile();
    return 1;
}

int Refuse3(plat::Hwnd owner, const char* a, const char* b, const char* c) {
    char text[256];
    std::snprintf(text, sizeof text, "%s\r\n%s\r\n%s", a, b, c);
    return Refuse(owner, text);
}

int RefuseRecord(plat::Hwnd owner, const char* which) {
    return Refuse3(owner, "Invalid File Format.", which, "The file will be closed.");
}

int RefuseSeparations(plat::Hwnd owner, const FileSetup& f, bool gps) {
    char file[64], current[64], text[320];
    std::snprintf(file, sizeof file, "%.2f , %.2f", f.UnitSeparation, f.ConsoleSeparation);
    std::snprintf(current, sizeof current, "%.2f , %.2f", ArrayGeometry.UnitSeparation, ArrayGeometry.ConsoleSeparation);
    std::snprintf(text, sizeof text, gps ? "%s\r\n  %s\r\n%s\r\n  %s\r\n%s" : " %s\r\n  %s\r\n%s\r\n  %s\r\n %s",
                  "File Sensors Separations: ", file, "Current Sensors Separations: ", current,
                  "Please adjust the configuration. ");
    return Refuse(owner, text);
}

int RefuseOffsets(plat::Hwnd owner, const FileSetup& f) {
    char file[64], current[64], text[320];
    std::snprintf(file, sizeof file, "X=%.2f Y=%.2f", f.OffsetX, f.OffsetY);
    std::snprintf(current, sizeof current, "X=%.2f Y=%.2f", ArrayGeometry.GpsAntennaOffsetX,
                  ArrayGeometry.GpsAntennaOffsetY);
    std::snprintf(text, sizeof text, " %s\r\n  %s\r\n%s\r\n  %s\r\n%s", "GPS antenna offsets in the file: ", file,
                  "GPS antenna offsets specified: ", current, "Please adjust offsets or create the new data file. ");
    return Refuse(owner, text);
}

const char* FormatName(int format) {
    static constexpr const char* kNames[] = {"GGA/GSA", "GGA", "POS", "LLK", "LLQ",
                                             "GLL", "GGK", "Leica TPS", "Pseudo GLL"};
    return format >= 0 && format < static_cast<int>(std::size(kNames)) ? kNames[format] : "";
}

int RefuseFormat(plat::Hwnd owner, const FileSetup& f) {
    char text[320];
    std::snprintf(text, sizeof text, "%s%s\r\n%s%s\r\n%s%s\r\n%s", "GPS NMEA Data in the file: ",
                  FormatName(f.GpsFormat), "Current Selection: ", FormatName(GpsPortSetup.DataFormat),
                  "Please set GPS to ", FormatName(f.GpsFormat), "to append file");
    return Refuse(owner, text);
}

int RefuseUnits(plat::Hwnd owner, const FileSetup& f) {
    static constexpr const char* kUnits[] = {" Meters", " Feet", " US Survey Feet"};
    const char* unit = f.DisplayUnits >= 0 && f.DisplayUnits <= 2 ? kUnits[f.DisplayUnits] : "";
    char text[256];
    std::snprintf(text, sizeof text, " %s %s\r\n  %s", "Map units in the file:", unit,
                  "Set the same units in the program");
    return Refuse(owner, text);
}

// ---------------------------------------------------------------------------
// The end of the file

// Every write puts whole records at the end of the file: one record, or one
// of the runs below. An interrupted write leaves whole records, then the
// beginning of that one write: part of a record, or the first whole records
// of a run and perhaps part of the next. Nothing else is torn away by a
// crash; any other end is damage, and the file is left alone. That includes
// a run cut short with records after it: the writer cuts a short write back,
// and a crash writes nothing after, so such a file came from elsewhere; it is
// refused rather than cut, since the records after the run are whole data.
enum class EndDamage { None, Unended, LineFeedInside, LineFeedInPartial, NotARecord, EarlierNotARecord, RunNotWhole };

constexpr int64_t kRecordBytes = kDataRecordLength;
// The most records one write holds: a GPS group and its "!" record.
constexpr int64_t kMaxWriteRecords = static_cast<int64_t>(kGpsGroupBytes / kDataRecordLength);
// The file's last bytes the end is judged on: room for a torn write's whole
// records, the last whole write before them and one more longest write
// before that, and a partial record. Every write the window holds whole is
// judged; one that began before it is not.
constexpr size_t kEndWindowBytes = static_cast<size_t>((3 * kMaxWriteRecords + 1) * kRecordBytes);

// The runs of records written in one write. A fixed run names every
// record's kind; a GPS group repeats its continuation kind, then its "!".
// A swath coordinate record's kind is its letter (RecordKind): "{" with
// "0", a new segment, is written alone; "a" to "p" come four to a block.
struct OneWrite {
    char First;
    std::string_view Kinds;  // a fixed run's kinds, in order; empty for a GPS group
    char Continuation;       // a GPS group's continuation kind
    const char* Name;        // what the operator is told was cut
};
constexpr OneWrite kOneWrites[] = {
    {'O', "OHGGGG", 0, "file header"},         // at offset 0; never torn here: the header check wants all six
    {'r', "rHGGGG", 0, "section header"},      // an appended section's header
    {'L', "LBAZ", 0, "set of line records"},   // the start of a survey line
    {'@', "", '#', "GPS sentence group"},      // a sentence of the selected type
    {'?', "", '"', "GPS sentence group"},      // a rejected line
    {'a', "abcd", 0, "swath block"},           // the previous bar's ends
    {'e', "efgh", 0, "swath block"},           // the current bar's ends
    {'i', "ijkl", 0, "swath block"},           // the previous bar, second extents
    {'m', "mnop", 0, "swath block"},           // the current bar, second extents
};
constexpr std::string_view kLaterKinds = "HGBAZ#\"!bcdfghjklnop";  // records that follow the first of their run
constexpr std::string_view kAloneKinds = "XC*S{";                  // records written alone (readings too)
constexpr std::string_view kRunEndKinds = "GZ!dhlp";               // the last record of a whole run

// Columns 1..25 of every record by its kind. Lower-case letters are
// classes: a a byte of 8-bit text (the text writer puts none below a blank,
// nor DEL, so never a NUL, CR or LF; bytes above 0x7F are kept: an operator's
// comment or line name in Latin-1, a GPS sentence as the receiver sent it);
// p a byte of printable ASCII (a reading's text: its writer marks every other
// byte "?"); d a digit; t a tick ("%10lu": blanks, then digits); n and m a
// number (blanks, an optional "-", digits with at most one "."; two letters
// where two numbers meet); k a swath kind. Any other character stands for itself.
struct RecordShape {
    char Kind;
    std::string_view Columns;
};
constexpr RecordShape kRecordShapes[] = {
    {'r', "STRMA  Wdddaaaaaaaaaaaaaa"},  // header record 1 of an appended section
    {'H', " aaaaaaaaa dddddd   ddd  "},  // header record 2: the file's name, a digit per console slot
    {'G', "nnnnnnnmmmmmmm           "},  // header record 6, the last of a header
    {'L', "aaaaaaaa                 "},  // line name
    {'B', "nnnnnnnnnnn              "},  // start station
    {'A', "p      nnnnnnnnnnn       "},  // direction letter, station increment
    {'Z', "dddddddd dd:dd:dd        "},  // line date and time
    {'*', "dd:dd:dd.ddd   tttttttttt"},  // time mark
    {'S', "nnnnnnnnnnn  dd:dd:dd.ddd"},  // station
    {'X', "aaaaaaaaaaaaaaaaaaaaaaaaa"},  // event, or a GPS sentence on its own
    {'C', "aaaaaaaaaaa    tttttttttt"},  // comment
    {'@', "aaaaaaaaaaaaaaaaaaaaaaaaa"},  // a GPS sentence group's first 25 characters
    {'?', "aaaaaaaaaaaaaaaaaaaaaaaaa"},  //   of a rejected line
    {'#', "aaaaaaaaaaaaaaaaaaaaaaaaa"},  //   and the next 25 of each
    {'"', "aaaaaaaaaaaaaaaaaaaaaaaaa"},
    {'!', "             d tttttttttt"},  // time record ending a GPS group
    {'{', "knnnnnnnnnnnnnn          "},  // swath segment start or coordinate
};
// Header records 3 to 5 begin with the "G" of record 6: their place in the
// header tells them apart.
constexpr std::string_view kHeaderRecordShapes3To5[] = {
    "nnnnnnnmmmmmmmdpp 0d     ",  // antenna offsets, consoles, leading point, format, input mode
    "nnnnnnnnnnnnnn nn        ",  // first fix X, zone
    "nnnnnnnnnnnnnn           ",  // first fix Y
};
constexpr std::string_view kReadingShape = "$Pppppppppppppptttttttttt";
constexpr bool EveryShapeSpansColumns1To25() {
    bool spans = kReadingShape.size() == kDataRecordLfIndex - 1;
    for (const RecordShape& s : kRecordShapes) spans = spans && s.Columns.size() == kDataRecordLfIndex - 1;
    for (const std::string_view s : kHeaderRecordShapes3To5) spans = spans && s.size() == kDataRecordLfIndex - 1;
    return spans;
}
static_assert(EveryShapeSpansColumns1To25());

bool IsReadingTag(char kind) {
    const auto b = static_cast<uint8_t>(kind);
    return std::find(kConsoleRecordTags.begin(), kConsoleRecordTags.end(), b) != kConsoleRecordTags.end();
}

// The kind a record has in a run: its column 0, but for a swath coordinate
// record its letter, which places it in its block. No record begins with one
// of those letters: such a record is of no kind (0).
char RecordKind(const char* record) {
    const auto isLetter = [](char c) { return c >= 'a' && c <= 'p'; };
    if (record[0] == '{' && isLetter(record[1])) return record[1];
    return isLetter(record[0]) ? 0 : record[0];
}

bool IsAloneKind(char kind) { return IsReadingTag(kind) || kAloneKinds.find(kind) != std::string_view::npos; }

const OneWrite* RunStartedBy(char kind) {
    for (const OneWrite& w : kOneWrites) {
        if (w.First == kind) return &w;
    }
    return nullptr;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Blanks, then (for a number) an optional sign, then at least one digit to
// the field's end, with at most `points` decimal points.
bool IsRightAligned(const char* text, size_t n, bool sign, int points) {
    size_t i = 0;
    while (i < n && text[i] == ' ') ++i;
    if (sign && i < n && text[i] == '-') ++i;
    int digits = 0;
    for (; i < n; ++i) {
        if (IsDigit(text[i])) {
            ++digits;
        } else if (text[i] != '.' || points-- == 0) {
            return false;
        }
    }
    return digits > 0;
}

// The n columns at `text` make one field of class `c`.
bool FieldFits(char c, const char* text, size_t n) {
    switch (c) {
    case 'a':
        return std::none_of(text, text + n, [](char b) { return static_cast<uint8_t>(b) < 0x20 || b == 0x7F; });
    case 'p':
        return std::all_of(text, text + n, [](char b) { return b >= 0x20 && b < 0x7F; });
    case 'd': return std::all_of(text, text + n, IsDigit);
    case 't': return IsRightAligned(text, n, false, 0);
    case 'n':
    case 'm': return IsRightAligned(text, n, true, 1);
    case 'k': return n == 1 && (text[0] == '0' || (text[0] >= 'a' && text[0] <= 'p'));
    default: return std::all_of(text, text + n, [c](char b) { return b == c; });
    }
}

bool HasShape(const char* record, std::string_view columns) {
    for (size_t i = 0; i < columns.size();) {
        size_t j = i;
        while (j < columns.size() && columns[j] == columns[i]) ++j;
        if (!FieldFits(columns[i], record + 1 + i, j - i)) return false;
        i = j;
    }
    return true;
}

// The record holds the fields of its kind at `place` in its write (0 its
// first or a record written alone; -1 not known, which leaves a header's
// "G" records unjudged); true for a kind of no shape of its own (the file
// header's first record, which the header check judges).
bool HasShapeOfItsKind(const char* record, int place = 0) {
    if (IsReadingTag(record[0])) return HasShape(record, kReadingShape);
    if (record[0] == 'G' && place < 0) return true;
    if (record[0] == 'G' && place >= 2 && place <= 4) return HasShape(record, kHeaderRecordShapes3To5[place - 2]);
    for (const RecordShape& s : kRecordShapes) {
        if (s.Kind == record[0]) return HasShape(record, s.Columns);
    }
    return true;
}

// A record the file may end with: written alone, or the last of a whole run,
// with the fields of its kind.
bool EndsAWrite(const char* record) {
    const char kind = RecordKind(record);
    const bool end = IsAloneKind(kind) || kRunEndKinds.find(kind) != std::string_view::npos;
    return end && HasShapeOfItsKind(record);
}

// How the kinds of a run's records, from its first, compare with the run;
// Unseen when the write began before the bytes at hand.
enum class RunState { Whole, Torn, Broken, Unseen };
RunState CompareWithRun(const OneWrite& w, std::string_view kinds) {
    if (!w.Kinds.empty()) {
        if (kinds.size() > w.Kinds.size() || w.Kinds.substr(0, kinds.size()) != kinds) return RunState::Broken;
        return kinds.size() == w.Kinds.size() ? RunState::Whole : RunState::Torn;
    }
    for (size_t i = 1; i < kinds.size(); ++i) {
        if (kinds[i] != w.Continuation) return kinds[i] == '!' && i + 1 == kinds.size() ? RunState::Whole : RunState::Broken;
    }
    return static_cast<int64_t>(kinds.size()) < kMaxWriteRecords ? RunState::Torn : RunState::Broken;
}

// The write the records before `boundary` end with: where it starts, and
// whether its kinds make it whole, torn (the beginning of a run) or no write
// at all. The fields of its records are not looked at.
struct LastWrite {
    int64_t Start = 0;
    RunState State = RunState::Broken;
    const OneWrite* Run = nullptr;  // null for a record written alone
};

LastWrite FindLastWrite(const char* window, int64_t first, int64_t boundary) {
    const int64_t deepest = std::max(boundary - kMaxWriteRecords * kRecordBytes, first);
    for (int64_t r = boundary - kRecordBytes; r >= deepest; r -= kRecordBytes) {
        const char kind = RecordKind(window + (r - first));
        if (kLaterKinds.find(kind) != std::string_view::npos) continue;
        LastWrite last{r, RunState::Broken, RunStartedBy(kind)};
        if (kind == 'O' && r != 0) return last;  // a file header only begins the file
        if (last.Run != nullptr) {
            std::array<char, kMaxWriteRecords> kinds{};
            size_t n = 0;
            for (int64_t c = r; c < boundary; c += kRecordBytes) kinds[n++] = RecordKind(window + (c - first));
            last.State = CompareWithRun(*last.Run, std::string_view(kinds.data(), n));
        } else if (r == boundary - kRecordBytes && IsAloneKind(kind)) {
            last.State = RunState::Whole;
        }
        return last;
    }
    // Only later records back to the window's start: their run began before it.
    const bool unseen = first > 0 && deepest == first && boundary - first < kMaxWriteRecords * kRecordBytes;
    return LastWrite{boundary, unseen ? RunState::Unseen : RunState::Broken, nullptr};
}

struct FileEnd {
    int64_t CutTo = 0;             // where the file keeps to whole records; its size when nothing is to cut
    const char* Cut = "record";    // what was cut: a partial record, or the beginning of a run
    const char* NotWhole = "";     // the run found not whole before the last record (RunNotWhole)
    EndDamage Damage = EndDamage::None;
};

EndDamage JudgeWholeRecord(const char* r) {
    if (r[kDataRecordLfIndex] != '\n') return EndDamage::Unended;
    return std::memchr(r, '\n', kDataRecordLfIndex) != nullptr ? EndDamage::LineFeedInside : EndDamage::None;
}

// Every record in [start, end) after the file's header (which the header
// check judges) ends with its only line feed and holds what its writer puts
// there, each by its kind and its place from `start` (`known` false: its
// place in a run that began before the window is not known).
bool RecordsHoldTheirShapes(const char* window, int64_t first, int64_t start, int64_t end, bool known) {
    int place = 0;
    for (int64_t r = start; r < end; r += kRecordBytes, ++place) {
        const char* record = window + (r - first);
        if (r < kHeaderBytes) continue;
        if (JudgeWholeRecord(record) != EndDamage::None || !HasShapeOfItsKind(record, known ? place : -1)) return false;
    }
    return true;
}

// The writes before `boundary`, back to the window's start (or the header,
// which the header check judged), are each whole, and every record holds
// what its writer puts there. A run torn or broken there is named in `end`
// (RunNotWhole); a record in no run at all, or holding bytes no writer puts
// there, is EarlierNotARecord.
void JudgeEarlierWrites(const char* window, int64_t first, int64_t boundary, FileEnd& end) {
    while (boundary > std::max<int64_t>(first, kHeaderBytes)) {
        const LastWrite w = FindLastWrite(window, first, boundary);
        if (w.State == RunState::Unseen) {
            // The rest of a write that began before the window: its records
            // are judged by their kinds alone.
            if (!RecordsHoldTheirShapes(window, first, first, boundary, false)) end.Damage = EndDamage::EarlierNotARecord;
            return;
        }
        if (w.State != RunState::Whole) {
            end.Damage = w.Run != nullptr ? EndDamage::RunNotWhole : EndDamage::EarlierNotARecord;
            if (w.Run != nullptr) end.NotWhole = w.Run->Name;
            return;
        }
        if (!RecordsHoldTheirShapes(window, first, w.Start, boundary, true)) {
            end.Damage = EndDamage::EarlierNotARecord;
            return;
        }
        boundary = w.Start;
    }
}

// Judges the file's end from `window`, its bytes from offset `first` (on a
// record boundary, two of the longest writes before the last whole record) to `size`.
FileEnd JudgeFileEnd(const char* window, int64_t first, int64_t size) {
    FileEnd end;
    const int64_t boundary = size - size % kRecordBytes;
    const LastWrite last = FindLastWrite(window, first, boundary);
    end.CutTo = boundary;
    if (last.State == RunState::Torn) {
        end.CutTo = last.Start;
        end.Cut = last.Run->Name;
    }
    if (end.CutTo - kRecordBytes < std::max<int64_t>(first, kHeaderBytes - kRecordBytes)) {
        end.Damage = EndDamage::NotARecord;  // never cut into the file's header
        return end;
    }
    // The record the kept file ends with, then the records the cut takes.
    for (int64_t r = end.CutTo - kRecordBytes; r < boundary; r += kRecordBytes) {
        end.Damage = JudgeWholeRecord(window + (r - first));
        if (end.Damage != EndDamage::None) return end;
    }
    if (std::memchr(window + (boundary - first), '\n', static_cast<size_t>(size - boundary)) != nullptr) {
        end.Damage = EndDamage::LineFeedInPartial;
        return end;
    }
    // A torn run must begin as its run does; the kept file must end with a
    // whole write whose last record holds what its writer puts there.
    const bool torn = last.State == RunState::Torn;
    const bool tornStartsRight = !torn || HasShapeOfItsKind(window + (last.Start - first));
    const LastWrite kept = torn ? FindLastWrite(window, first, end.CutTo) : last;
    if (kept.State != RunState::Whole || !tornStartsRight || !EndsAWrite(window + (end.CutTo - kRecordBytes - first))) {
        end.Damage = EndDamage::NotARecord;
        return end;
    }
    if (!RecordsHoldTheirShapes(window, first, kept.Start, end.CutTo, true)) {
        end.Damage = EndDamage::EarlierNotARecord;
        return end;
    }
    JudgeEarlierWrites(window, first, kept.Start, end);
    return end;
}

// The damage in one sentence; `partial` the bytes after the last whole record.
void DescribeEndDamage(const FileEnd& end, int64_t partial, char (&what)[96]) {
    switch (end.Damage) {
    case EndDamage::Unended:
        std::snprintf(what, sizeof what, "A record at its end does not end with a line feed.");
        break;
    case EndDamage::LineFeedInside:
        std::snprintf(what, sizeof what, "A record at its end holds a line feed inside it.");
        break;
    case EndDamage::NotARecord:
        std::snprintf(what, sizeof what, "Its last record is not a record this program writes.");
        break;
    case EndDamage::EarlierNotARecord:
        std::snprintf(what, sizeof what, "A record before its last is not a record this program writes.");
        break;
    case EndDamage::RunNotWhole:
        std::snprintf(what, sizeof what, "A %s before its last record is not whole.", end.NotWhole);
        break;
    default:
        std::snprintf(what, sizeof what, "The %d %s after its last whole record %s a line feed.",
                      static_cast<int>(partial), partial == 1 ? "byte" : "bytes", partial == 1 ? "holds" : "hold");
        break;
    }
}

int RefuseDamagedEnd(plat::Hwnd owner, const FileEnd& end, int64_t partial) {
    char what[96];
    DescribeEndDamage(end, partial, what);
    char text[256];
    std::snprintf(text, sizeof text, "%s\r\n%s\r\n%s\r\n%s", "The end of the data file is damaged.", what,
                  "Nothing was appended; the file is left as it is.", "The file will be closed.");
    return Refuse(owner, text);
}

// The last bytes of `file` (`size` long) read in one positional read and
// judged; false when they could not be read.
bool ReadAndJudgeFileEnd(plat::FileHandle file, int64_t size, FileEnd* end) {
    const int64_t boundary = size - size % kRecordBytes;
    const int64_t first = std::max<int64_t>(boundary - static_cast<int64_t>(kEndWindowBytes) + kRecordBytes, 0);
    std::array<char, kEndWindowBytes> window{};
    const auto n = static_cast<size_t>(size - first);
    if (n > window.size() || plat::ReadFileAt(file, window.data(), n, first) != static_cast<int64_t>(n)) return false;
    *end = JudgeFileEnd(window.data(), first, size);
    return true;
}

// After the header checked: a torn last write is cut away, so the new
// section starts on a record boundary and no run (section header, line
// records, GPS group) is left without its end; a damaged end refuses the
// file unchanged. False when refused.
bool MendFileEnd(plat::Hwnd owner, const FileHeader& h) {
    const plat::FileHandle file = DataFileState.DataFileHandle;
    if (h.Size < 0) {
        Refuse3(owner, "The length of the data file cannot be read.", "Nothing was appended.",
                "The file will be closed.");
        return false;
    }
    FileEnd end;
    if (!ReadAndJudgeFileEnd(file, h.Size, &end)) {
        Refuse3(owner, "The end of the data file cannot be read.", "Nothing was appended.", "The file will be closed.");
        return false;
    }
    if (end.Damage != EndDamage::None) {
        RefuseDamagedEnd(owner, end, h.Size % kRecordBytes);
        return false;
    }
    if (end.CutTo == h.Size) return true;
    bool cut = false;
    {
        std::lock_guard<std::mutex> guard(DataFileState.DataFileLock);
        cut = DataFileState.DataFileHandle != plat::kInvalidFile &&
              plat::TruncateFile(DataFileState.DataFileHandle, end.CutTo);
        if (cut) DataFileState.WrittenSize = end.CutTo;  // the program's own cut, not a loss
    }
    if (!cut) {
        Refuse3(owner, "The data file ends with a partial record", "that cannot be cut away; nothing was appended.",
                "The file will be closed.");
        return false;
    }
    char text[256];
    std::snprintf(text, sizeof text,
                  "The data file ended with a partial %s (%d %s),\r\nleft by an interrupted write.\r\n"
                  "It was cut back to its last whole record.",
                  end.Cut, static_cast<int>(h.Size - end.CutTo), h.Size - end.CutTo == 1 ? "byte" : "bytes");
    char16_t wide[256];
    NarrowToWide(text, wide, std::size(wide));
    plat::MessageBox(owner, wide, u"WARNING", plat::MessageButtons::Ok, plat::MessageIcon::Warning);
    return true;
}

// A geodetic position projected into zone z and northing frame `frame`, in
// display units; false when the projection refuses it.
bool ProjectIntoZone(double latitude, double longitude, int z, int frame, double* x, double* y) {
    int zone = z;
    double northing = 0.0, easting = 0.0;
    if (!GeodeticToUtm(latitude, longitude, &zone, &northing, &easting, 1)) return false;
    northing = NorthingInFrame(northing, latitude, frame);
    const double perUnit = MetresPerDisplayUnit(SystemSetup.DisplayUnits);
    if (!std::isfinite(easting / perUnit) || !std::isfinite(northing / perUnit)) return false;
    *x = easting / perUnit;
    *y = northing / perUnit;
    return true;
}

// The northing frame positions are projected into now: the one chosen with
// the zone of the run, else the hemisphere of its origin.
int FrameInForce() {
    return GpsFix.UtmFrameForced != 0 ? GpsFix.UtmFrameForced : NorthingFrameOf(GpsFix.OriginLatitude);
}

// The northing frame of a file in zone z whose first header holds the first
// fix northing `firstFixY` (display units). A northing alone cannot tell the
// hemisphere (the two frames share most values), but a file and a run that
// lie either side of the equator lie near each other: the other frame is
// taken only when it puts the file's first fix beside the run's origin
// (nearer than in the frame in force, and within 1000 km). A first fix far
// from the run in both frames (a damaged header) changes nothing.
int FrameOfFile(double firstFixY, int z) {
    constexpr double kBesideTheRunMetres = 1000000.0;
    const int inForce = FrameInForce();
    double x = 0.0, current = 0.0, other = 0.0;
    if (!std::isfinite(firstFixY) ||
        !ProjectIntoZone(GpsFix.OriginLatitude, GpsFix.OriginLongitude, z, inForce, &x, &current) ||
        !ProjectIntoZone(GpsFix.OriginLatitude, GpsFix.OriginLongitude, z, -inForce, &x, &other)) {
        return inForce;
    }
    const double beside = kBesideTheRunMetres / MetresPerDisplayUnit(SystemSetup.DisplayUnits);
    return std::fabs(other - firstFixY) < std::min(beside, std::fabs(current - firstFixY)) ? -inForce : inForce;
}

// A fix kept by its latitude and longitude, projected into zone z and
// `frame`; `fallbackX/Y` (already there) when the projection refuses it.
void ReprojectFix(double latitude, double longitude, int z, int frame, double fallbackX, double fallbackY, double* x,
                  double* y) {
    if (ProjectIntoZone(latitude, longitude, z, frame, x, y)) return;
    *x = fallbackX;
    *y = fallbackY;
}

// The file lies in the neighbouring zone z, or in the other hemisphere's
// northing frame: every later fix is projected into the file's zone and
// frame, and the origin is the fix that chose the zone projected there. The
// latest fix, projected there too, is the previous position and the map's
// previous fix, and the fix the next speed is measured from is moved with
// it, so the next fix neither jumps nor measures a distance or a speed
// across the change; the first fix, which the section's header records with
// the zone, is projected there as well.
void MoveToZoneAndFrame(int z, int frame) {
    double x = 0.0, y = 0.0;
    if (!ProjectIntoZone(GpsFix.OriginLatitude, GpsFix.OriginLongitude, z, frame, &x, &y)) return;
    GpsFix.UtmZoneForced = z;
    GpsFix.UtmFrameForced = frame;
    MapView.MapOriginX = x;
    MapView.MapOriginY = y;
    ReprojectFix(GpsFix.FirstFixLatitude, GpsFix.FirstFixLongitude, z, frame, x, y, &GpsFix.FirstFixX,
                 &GpsFix.FirstFixY);
    ReprojectFix(GpsFix.Latitude, GpsFix.Longitude, z, frame, x, y, &GpsFix.X, &GpsFix.Y);
    GpsFix.CurX = GpsFix.PrevX = MapView.PrevFixX = GpsFix.X;
    GpsFix.CurY = GpsFix.PrevY = MapView.PrevFixY = GpsFix.Y;
    ReprojectFix(GpsFix.SpeedFromLatitude, GpsFix.SpeedFromLongitude, z, frame, GpsFix.X, GpsFix.Y,
                 &GpsFix.SpeedFromX, &GpsFix.SpeedFromY);
    MapView.LastPositionPixelX = 0;
    MapView.LastPositionPixelY = 0;
}

int CheckWithoutGps(plat::Hwnd owner, const FileHeader& h, FileSetup& f) {
    if (!h.Tagged(2, 'H')) return RefuseRecord(owner, "File Record # 2 invalid.");
    TakeConsoleTypes(h, f);
    if (!h.Tagged(3, 'G')) return RefuseRecord(owner, "File Record # 3 invalid.");
    TakeRecord3(h, f);
    if (!h.Tagged(6, 'G')) return RefuseRecord(owner, "File Record #6 invalid.");
    f.UnitSeparation = h.Number(6, 1, 7);
    f.ConsoleSeparation = h.Number(6, 8, 7);
    if (f.GpsState != 0) {
        return Refuse(owner, " GPS state in the file: ENABLED\r\n  Current GPS selection: DISABLED \r\n"
                             "  Please adjust the configuration. ");
    }
    if (ArrayDiffers(f)) {
        return Refuse(owner, " Number and/or sensors setup do not match\r\n  Please adjust the configuration. ");
    }
    if (f.LeadingPoint != SystemSetup.LeadingPoint) {
        return Refuse(owner, " Leading Point doesn't match\r\n  Please adjust the configuration. ");
    }
    if (SeparationsDiffer(f)) return RefuseSeparations(owner, f, false);
    return MendFileEnd(owner, h) ? 0 : 1;
}

int CheckWithGps(plat::Hwnd owner, const FileHeader& h, FileSetup& f) {
    if (f.DisplayUnits != SystemSetup.DisplayUnits) return RefuseUnits(owner, f);
    if (GpsFix.PositionValid == 0) {
        return Refuse3(owner, "Valid GPS position must be ", "received to append file.", "Correct GPS or create new file.");
    }
    if (!h.Tagged(2, 'H')) return RefuseRecord(owner, "File Record # 2 invalid.");
    TakeConsoleTypes(h, f);
    if (!h.Tagged(3, 'G')) return RefuseRecord(owner, "File Record # 3 invalid.");
    TakeRecord3(h, f);
    // Records 4 and 5 carry no test of their own: a file that ends in them
    // has no record 6 either, and is refused there.
    if (!h.Tagged(6, 'G')) return RefuseRecord(owner, "File Record #6 invalid.");
    f.Zone = ZoneOfRecord4(h);
    int relation = ZoneRelation(f.Zone, ZoneInForce());
    f.UnitSeparation = h.Number(6, 1, 7);
    f.ConsoleSeparation = h.Number(6, 8, 7);
    if (f.GpsState == 0) {
        return Refuse(owner, " GPS state in the file: DISABLED\r\n  Current GPS selection: ENABLED\r\n"
                             "  Please adjust the configuration. ");
    }
    if (ArrayDiffers(f)) {
        return Refuse(owner, " Number and/or sensors setup do not match\r\n  Please adjust the configuration. ");
    }
    if (SeparationsDiffer(f)) return RefuseSeparations(owner, f, true);
    if (!SameAsStored(f.OffsetX, ArrayGeometry.GpsAntennaOffsetX) ||
        !SameAsStored(f.OffsetY, ArrayGeometry.GpsAntennaOffsetY)) {
        return RefuseOffsets(owner, f);
    }
    if (f.GpsFormat != GpsPortSetup.DataFormat || f.GpsFormat < 0 || f.GpsFormat > 8) return RefuseFormat(owner, f);
    // Formats with local grid coordinates have no zone.
    const bool grid = GpsPortSetup.DataFormat == 3 || GpsPortSetup.DataFormat == 4 || GpsPortSetup.DataFormat == 7;
    if (grid) relation = 0;
    if (relation == -1) {
        char text[256];
        std::snprintf(text, sizeof text, "%s\r\n%s\r\n%s\r\n%s", "Distance between gps current position and position",
                      "in the file is greater than 6 degrees longitude.",
                      "Therefore the program cannot append this file.", "The file will be closed.");
        return Refuse(owner, text);
    }
    if (!MendFileEnd(owner, h)) return 1;
    // A file with a zone is in the zone in force or its neighbour (relation
    // 1); either way its northings may be in the other hemisphere's frame.
    if (!grid && f.Zone > 0) {
        const int frame = FrameOfFile(h.Number(5, 1, 14), f.Zone);
        if (relation == 1 || frame != FrameInForce()) MoveToZoneAndFrame(f.Zone, frame);
    }
    return 0;
}

}  // namespace

int CheckDataFileForAppend(plat::Hwnd owner) {
    const plat::FileHandle file = DataFileState.DataFileHandle;
    if (file == plat::kInvalidFile) return 1;
    const FileHeader h = ReadFileHeader(file);

    if (h.Present < 1 || std::memcmp(h.Records[0].data(), "OSTRMA", 6) != 0) {
        return RefuseRecord(owner, "File Record # 1 invalid.");
    }
    if (h.Digit(1, 9) < 2) {
        return Refuse3(owner, "Append file option is not avaiable", "for files created with Version 1.xx",
                       "The file will be closed.");
    }
    FileSetup f;
    f.DisplayUnits = h.Digit(1, 15);
    return GpsPortSetup.InputMode == 0 ? CheckWithoutGps(owner, h, f) : CheckWithGps(owner, h, f);
}

DataFileEndJudgement JudgeDataFileEnd(plat::FileHandle file, int64_t size) {
    DataFileEndJudgement j;
    j.CutTo = size;
    FileEnd end;
    if (size < kHeaderBytes) {
        std::snprintf(j.Why, sizeof j.Why, "It no longer holds its whole header.");
    } else if (!ReadAndJudgeFileEnd(file, size, &end)) {
        std::snprintf(j.Why, sizeof j.Why, "Its end cannot be read.");
    } else if (end.Damage != EndDamage::None) {
        DescribeEndDamage(end, size % kRecordBytes, j.Why);
    } else {
        j.CutTo = end.CutTo;
        std::snprintf(j.Cut, sizeof j.Cut, "%s", end.Cut);
        return j;
    }
    j.Refused = true;
    return j;
}

namespace {

// Calls `pair(kept, live)` for every value the zone move changes, so keeping
// and restoring walk one list.
template <class Pair>
void EachZoneValue(AppendZoneState& s, Pair pair) {
    pair(s.UtmZoneForced, GpsFix.UtmZoneForced), pair(s.UtmFrameForced, GpsFix.UtmFrameForced);
    pair(s.FirstFixX, GpsFix.FirstFixX), pair(s.FirstFixY, GpsFix.FirstFixY);
    pair(s.X, GpsFix.X), pair(s.Y, GpsFix.Y), pair(s.CurX, GpsFix.CurX), pair(s.CurY, GpsFix.CurY);
    pair(s.PrevX, GpsFix.PrevX), pair(s.PrevY, GpsFix.PrevY);
    pair(s.SpeedFromX, GpsFix.SpeedFromX), pair(s.SpeedFromY, GpsFix.SpeedFromY);
    pair(s.MapOriginX, MapView.MapOriginX), pair(s.MapOriginY, MapView.MapOriginY);
    pair(s.DataMinX, MapView.DataMinX), pair(s.DataMaxX, MapView.DataMaxX);
    pair(s.DataMinY, MapView.DataMinY), pair(s.DataMaxY, MapView.DataMaxY);
    pair(s.PrevFixX, MapView.PrevFixX), pair(s.PrevFixY, MapView.PrevFixY);
    pair(s.LastPositionPixelX, MapView.LastPositionPixelX), pair(s.LastPositionPixelY, MapView.LastPositionPixelY);
}

}  // namespace

AppendZoneState KeepAppendZoneState() {
    AppendZoneState s;
    EachZoneValue(s, [](auto& kept, const auto& live) { kept = live; });
    return s;
}

void RestoreAppendZoneState(const AppendZoneState& kept) {
    AppendZoneState s = kept;
    EachZoneValue(s, [](const auto& value, auto& live) { live = value; });
}
