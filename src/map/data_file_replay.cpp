#include "map/data_file_replay.h"

#include <algorithm>
#include <array>
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
    const int unread = ReadRecordReadings(console, record, &a, &b);
    const int first = SensorLayout.ConsoleFirstSensor[static_cast<size_t>(console)];
    if (SystemSetup.ConsoleType[static_cast<size_t>(console)] == 1 && (unread & kNoSecondReading) == 0) {
        StoreSample(r, first + 1, b);
    }
    if ((unread & kNoFirstReading) == 0) StoreSample(r, first, a);
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
