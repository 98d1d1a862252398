#include "map/data_file_replay.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "acquisition/console_reading.h"
#include "map/live_track.h"
#include "map/map_coords.h"
#include "map/map_view_commands.h"
#include "platform/tick.h"
#include "survey_files/data_file_reader.h"
#include "survey_files/survey_model.h"

namespace {

constexpr uint32_t kBusyStepMs = 750;
constexpr int kStartSearchRecords = 50;   // the first "$STARTED" lies within the header block
constexpr int kReadingColumns = 16;       // a reading record's tag, "$P" and readings: columns 0-15

// One bar as the swath records give it: x-left, y-left, x-right, y-right in
// map units, which of them were read since the bar was last converted, and
// its global pixels once converted.
struct ReplayBar {
    std::array<double, 4> Value{};
    uint32_t Read = 0;                 // bit j: value j was read as a number
    std::array<int32_t, 4> Pixel{};
    bool Drawable = false;             // all four read and both ends in the pixel frame
};

struct Replay {
    ReplayCounts Counts;
    bool SegmentOpen = false;
    bool ColourView = false;
    int Half = 0;                      // the sample bank the replay fills
    ReplayBar Saved, Current;
    std::array<int8_t, 256> ConsoleOfTag{};  // console + 1 of a first byte, 0 for none
};

void ClearSampleCounts() {
    const int sensors = std::clamp<int>(SensorLayout.TotalSensors, 0, kMaxSensorSlots);
    for (int s = 0; s < sensors; ++s) ReadingSamples.ClosedSampleCount[static_cast<size_t>(s)] = 0;
}

// Console of each tag byte, the first console in order winning; consoles
// beyond the set-up have no sensors to colour and are left out.
void MapConsoleTags(Replay& r) {
    const int consoles = std::clamp<int>(SystemSetup.ConsoleCount, 0, kMaxConsoles);
    for (int k = consoles - 1; k >= 0; --k) {
        const uint8_t tag = DataFileState.ConsoleRecordTag[static_cast<size_t>(k)];
        if (tag != 0) r.ConsoleOfTag[tag] = static_cast<int8_t>(k + 1);
    }
}

// The characters that may begin a numeric field.
constexpr std::array<bool, 256> kNumberStart = [] {
    std::array<bool, 256> t{};
    for (const char c : std::string_view("+-.0123456789")) t[static_cast<uint8_t>(c)] = true;
    return t;
}();

// The n-th numeric field of `line` (length `length`) cut exactly as
// GetNumericField cuts it, without the copy: [*begin, *end). False when the
// field is missing or empty, and when GetNumericField finds it damaged.
bool NumericField(const char* line, size_t length, int n, const char** begin, const char** end) {
    size_t p = 0;
    for (int count = 1;; ++count) {
        const size_t searched = p;
        while (p < length && !kNumberStart[static_cast<uint8_t>(line[p])]) ++p;
        size_t field = 0;
        while (p + field < length && line[p + field] != ',') ++field;
        if (count == n) {
            if (field == 0 || HoldsReadingDamage(line + searched, line + p + field)) return false;
            *begin = line + p;
            *end = line + p + std::min<size_t>(field, kNumericFieldChars - 1);
            return true;
        }
        p += field + 1;
        if (p > length) return false;
    }
}

// The value of a field as the live reading handler takes it (the field as a
// C number, NaN read as 0). Plain decimals of up to 15 digits are converted
// here: an exact integer divided by an exact power of ten rounds as the C
// library does; anything else (exponents, hexadecimal, long digit strings)
// goes to the library itself.
double FieldValue(const char* begin, const char* end) {
    static constexpr double kPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const char* p = begin;
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-') ++p;
    uint64_t mantissa = 0;
    int digits = 0, decimals = 0;
    bool point = false, any = false;
    for (; p < end; ++p) {
        if (*p >= '0' && *p <= '9') {
            any = true;
            if (mantissa != 0 || *p != '0') ++digits;
            mantissa = mantissa * 10 + static_cast<uint64_t>(*p - '0');
            if (point) ++decimals;
            if (digits > 15 || decimals > 15) break;
        } else if (*p == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    const bool plain = any && digits <= 15 && decimals <= 15 &&
                       (p == end || (*p != 'e' && *p != 'E' && *p != 'x' && *p != 'X' && !(*p >= '0' && *p <= '9')));
    if (plain) {
        const double v = static_cast<double>(mantissa) / kPowers[decimals];
        return negative ? -v : v;
    }
    char text[kNumericFieldChars];
    const size_t n = static_cast<size_t>(end - begin);
    std::memcpy(text, begin, n);
    text[n] = 0;
    const double v = std::atof(text);
    return v == v ? v : 0.0;
}

void StoreSample(const Replay& r, int sensor, double reading) {
    if (sensor < 0 || sensor >= SensorLayout.TotalSensors || sensor >= kMaxSensorSlots) return;
    const auto k = static_cast<size_t>(sensor);
    int32_t& count = ReadingSamples.ClosedSampleCount[k];
    if (count < 0 || count >= kSamplesPerHalf) return;  // the first 500 of a bar are kept
    ReadingSamples.SampleColour[k][r.Half][count] = ReadingColourIndex(reading);
    ++count;
}

// A reading record's colour indices (colour-map view, segment open): the
// second sensor of a two-sensor console from field 2, the first from field 1.
void ReplayReading(const Replay& r, int console, const char* record) {
    double a = 0.0, b = 0.0;
    const int found = ReadRecordReadings(record, &a, &b);
    const int first = SensorLayout.ConsoleFirstSensor[static_cast<size_t>(console)];
    if (SystemSetup.ConsoleType[static_cast<size_t>(console)] == 1 && (found & 2) != 0) StoreSample(r, first + 1, b);
    if ((found & 1) != 0) StoreSample(r, first, a);
}

// The bar's pixels from its four values; drawable only when all four were
// read and both ends lie in the pixel frame. The values read are used up.
void ConvertBar(Replay& r, ReplayBar& bar) {
    bar.Drawable = bar.Read == 0xF &&
                   StoredWorldToMapPixel(bar.Value[0], bar.Value[1], &bar.Pixel[0], &bar.Pixel[1]) == 1 &&
                   StoredWorldToMapPixel(bar.Value[2], bar.Value[3], &bar.Pixel[2], &bar.Pixel[3]) == 1;
    bar.Read = 0;
    if (!bar.Drawable) ++r.Counts.Refused;
}

// A swath coordinate record. Letters a-d and e-h carry the previous and the
// current bar of the colour map, i-l and m-p the same two bars from the
// second pair of swath extents, drawn as sensor positions.
void ReplaySwath(Replay& r, const char* record) {
    const char kind = record[1];
    if (kind == '0') {
        r.SegmentOpen = true;
        ClearSampleCounts();
        return;
    }
    if (kind < 'a' || kind > 'p') return;
    const int index = kind - 'a', group = index / 4, j = index % 4;
    const bool colourGroup = group < 2;
    if (colourGroup != r.ColourView) return;
    ReplayBar& bar = group % 2 == 0 ? r.Saved : r.Current;
    double value = 0.0;
    if (ReadSwathCoordinate(record, &value)) {
        bar.Value[static_cast<size_t>(j)] = value;
        bar.Read |= 1u << j;
    } else {
        bar.Read &= ~(1u << j);  // an unreadable value is never a 0 drawn far away
    }
    if (j != 3) return;
    ConvertBar(r, bar);
    const auto& n = r.Current.Pixel;
    const auto& o = r.Saved.Pixel;
    switch (group) {
        case 0: break;  // the previous colour bar: only remembered
        case 1:
            if (r.Current.Drawable && r.Saved.Drawable) {
                DrawColourSwath(n[0], n[1], n[2], n[3], o[0], o[1], o[2], o[3]);
                ++r.Counts.Bars;
            }
            r.Saved = r.Current;
            ClearSampleCounts();
            break;
        case 2:
            if (r.Saved.Drawable) {
                DrawPositionsSwath(o[0], o[1], o[2], o[3]);
                ++r.Counts.Bars;
            }
            break;
        default:
            if (r.Current.Drawable) {
                DrawPositionsSwath(n[0], n[1], n[2], n[3]);
                ++r.Counts.Bars;
            }
            r.Saved = r.Current;
            ClearSampleCounts();
            break;
    }
}

void ReplayRecord(Replay& r, const char* record) {
    const auto first = static_cast<uint8_t>(record[0]);
    if (const int console = r.ConsoleOfTag[first]; console != 0) {
        if (r.ColourView && r.SegmentOpen) ReplayReading(r, console - 1, record);
        return;
    }
    switch (first) {
        case 'C':  // comment
        case 'L':  // a new line
        case 'S':  // a new station
        case 'r':  // the header of an appended section
            r.SegmentOpen = false;
            break;
        case 'X':  // an event, or a GPS sentence written alone
            if (std::memcmp(record + 1, "$PA", 3) == 0 || std::memcmp(record + 1, " GP", 3) == 0) r.SegmentOpen = false;
            break;
        case '{': ReplaySwath(r, record); break;
        default: break;  // headers, B, A, Z, GPS groups, time marks
    }
}

bool HoldsStart(const char* record) {
    return std::string_view(record, kDataRecordLfIndex).find("X$START") != std::string_view::npos;
}

}  // namespace

int ReadRecordReadings(const char* record, double* first, double* second) {
    // The text from column 1: the tag in column 0 is a byte of its own, which
    // is neither a number character nor reading text.
    const char* text = record + 1;
    const void* nul = std::memchr(text, 0, kReadingColumns - 1);
    const size_t length = nul != nullptr ? static_cast<size_t>(static_cast<const char*>(nul) - text) : kReadingColumns - 1;
    const char *begin = nullptr, *end = nullptr;
    int found = 0;
    if (NumericField(text, length, 1, &begin, &end)) {
        *first = FieldValue(begin, end);
        found |= 1;
    }
    if (NumericField(text, length, 2, &begin, &end)) {
        *second = FieldValue(begin, end);
        found |= 2;
    }
    return found;
}

bool ReplayDataFile(ReplayCounts* counts) {
    DataRecordWalk walk;
    if (!BeginDataRecordWalk(walk)) return false;
    Replay r;
    r.ColourView = MapDisplayOptions.DisplayType != 0;
    MapConsoleTags(r);
    ClearSampleCounts();

    // Data records begin after the first "$STARTED" event; without one in the
    // first 50 records, after the 50th.
    const char* record = nullptr;
    for (int i = 0; i < kStartSearchRecords; ++i) {
        record = NextDataRecord(walk);
        if (record == nullptr) break;
        ++r.Counts.Records;
        if (HoldsStart(record)) break;
    }
    r.Counts.FirstHandled = r.Counts.Records;

    // The samples go to the bank the console handlers are not filling, so a
    // replay during logging leaves the interval being gathered whole.
    r.Half = ReadingSamples.ActiveHalf == 1 ? 0 : 1;
    ReadingSamples.ClosedHalf = r.Half;
    ReadingSamples.ClosedHalfValid = 1;
    ReadingsScale.ColourStep = (ReadingsScale.Maximum - ReadingsScale.Minimum) / (ColourScaleRecord::ColourMaxIndex + 1);
    uint32_t lastStep = plat::GetTickCount();
    while (record != nullptr && (record = NextDataRecord(walk)) != nullptr) {
        ++r.Counts.Records;
        // The clock is looked at once a block, not once a record.
        if (r.Counts.Records % kDataWalkBlockRecords == 0 && plat::GetTickCount() - lastStep > kBusyStepMs) {
            StepBusyIndicator();
            lastStep = plat::GetTickCount();
        }
        ReplayRecord(r, record);
    }
    ReadingSamples.ClosedHalfValid = 0;
    if (counts != nullptr) *counts = r.Counts;
    return true;
}

void ReplayDataFileToMap() { ReplayDataFile(nullptr); }
