#include "log_screen/profile_redraw.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <mutex>

#include "acquisition/console_reading.h"
#include "log_screen/profile_windows.h"
#include "platform/files.h"
#include "survey_files/survey_model.h"

namespace {

// Collected points of the two curves, drawn in pieces between stations.
struct CurvePoints {
    std::array<plat::Point, kProfilePointSlots> A{};
    std::array<plat::Point, kProfilePointSlots> B{};
    size_t Count = 0;
};

// The end of the data file as it stands now, cut to whole records. Taken
// under the lock so that a group the GPS reader is writing counts wholly or
// not at all.
int64_t WholeRecordsEnd(plat::FileHandle file) {
    int64_t size = 0;
    {
        std::lock_guard<std::mutex> guard(DataFileState.DataFileLock);
        size = plat::FileSize(file);
    }
    if (size < 0) return 0;
    return size - size % DataFileState.DataRecordLength;
}

// The console whose reading records begin with `tag`, or -1.
int ConsoleOfTag(uint8_t tag) {
    for (int i = 0; i < kMaxConsoles; ++i) {
        if (DataFileState.ConsoleRecordTag[static_cast<size_t>(i)] == tag) return i;
    }
    return -1;
}

void AddReading(int console, const char* record, int32_t x, CurvePoints& points) {
    double a = 0.0;
    double b = 0.0;
    const int unread = ReadRecordReadings(console, record, &a, &b);
    int curveY[2] = {0, 0};
    int decayY[2] = {0, 0};
    ReadingsToPixels(console, a, b, curveY, decayY, unread);  // a field that gave no value: a gap, as drawn live
    points.A[points.Count] = plat::Point{x, curveY[0]};
    points.B[points.Count] = plat::Point{x, curveY[1]};
    ++points.Count;
}

}  // namespace

void RedrawProfileFromFile(plat::Hwnd window, int console) {
    const plat::FileHandle file = DataFileState.DataFileHandle;
    if (file == plat::kInvalidFile || console < 0 || console >= kMaxConsoles) return;
    const int64_t length = DataFileState.DataRecordLength;
    int64_t position = WholeRecordsEnd(file);
    int32_t x = ScreenLayout.CurveWindowWidth - 10;
    CurvePoints points;
    const uint8_t ownTag = DataFileState.ConsoleRecordTag[static_cast<size_t>(console)];

    while (position >= length && x >= 0 && points.Count < kProfilePointSlots) {
        position -= length;
        char record[kDataRecordLength + 1];
        if (plat::ReadFileAt(file, record, kDataRecordLength, position) != static_cast<int64_t>(kDataRecordLength)) break;
        record[DataFileState.DataRecordLfIndex] = 0;
        const auto first = static_cast<uint8_t>(record[0]);
        if (first == ownTag) {
            AddReading(console, record, x, points);
            x -= 2;
            continue;
        }
        if (ConsoleOfTag(first) >= 0) continue;  // a reading of another console
        if (first == 'S') {                      // a station: the curve breaks here
            x -= 2;
            if (points.Count > 0) {
                DrawConsoleCurves(window, console, points.A.data(), points.B.data(), points.Count);
                points.Count = 0;
            }
        } else if (first == 'Z') {  // the last of the records that open the line
            break;
        }
    }
    DrawConsoleCurves(window, console, points.A.data(), points.B.data(), points.Count);
}
