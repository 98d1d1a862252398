// File on an existing data file: an arbitrary file through the append check
// and, when it is accepted, through the scan that follows it. The first byte
// chooses the set-up in force (GPS input or none, the GPS format, a valid fix,
// the zone of the run, the display units, a run just south of the equator);
// the rest is the file.
//  - refused: one box, the data file closed, the file unchanged;
//  - accepted: the file still open, cut back only by what a torn write
//    leaves (a partial last record, whole records of a GPS group without its
//    "!" record, of a swath block, of a section header or of the line records
//    short of their last; one box when anything was cut), to whole records
//    ending in a line feed, never below its header, its last record one a
//    write ends with, no run cut short or holding a byte no writer puts there
//    among its last records; a zone forced on the run lies in 1..60,
//    its northing frame is north or south, and the origin stays finite;
//  - the scan then counts the file's positions and leaves its extent finite,
//    without moving the append position.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_files.h"
#include "map/data_file_scan.h"
#include "survey_files/append_check.h"
#include "survey_files/data_file.h"
#include "survey_files/data_records.h"
#include "survey_files/survey_model.h"
#include "survey_files/utm.h"

namespace {

std::string g_path;

// The array the seeds' headers were written under (three consoles, GPS
// input in format 0, a fix in zone 31), varied by `v`.
void SetUp(uint8_t v) {
    ResetSurveyModel();
    SystemSetup.ConsoleCount = 3;
    SystemSetup.ConsoleType = {1, 0, 1, 1, 1, 1, 1, 1, 1};
    SystemSetup.LeadingPoint = 1;
    ArrayGeometry.UnitSeparation = 0.5;
    ArrayGeometry.ConsoleSeparation = 1.0;
    GpsPortSetup.InputMode = (v & 1) != 0 ? 0 : 1;
    static constexpr int kFormats[] = {0, 1, 3, 8};
    GpsPortSetup.DataFormat = kFormats[(v >> 1) & 3];
    GpsFix.PositionValid = (v & 8) != 0 ? 0 : 1;
    static constexpr int kZones[] = {31, 30, 1, 60};
    GpsFix.UtmZone = GpsFix.UtmZoneForced = kZones[(v >> 4) & 3];
    GpsFix.OriginLatitude = ((v >> 6) & 3) == 3 ? -0.0001 : 52.0;
    GpsFix.UtmFrameForced = NorthingFrameOf(GpsFix.OriginLatitude);
    GpsFix.OriginLongitude = (GpsFix.UtmZone - 1) * 6.0 - 177.0;
    SystemSetup.DisplayUnits = ((v >> 6) & 3) % 3;
    MapView.MapOriginX = 612345.0;
    MapView.MapOriginY = 5761234.0;
    MapDisplayOptions.MapPixelsPerUnit = 508.0 / 40.0;
}

// A swath coordinate record's letter: "a" to "p", four to a block written in
// one write ("a" to "d", "e" to "h", ...); 0 for any other record.
char SwathLetter(const char* record) { return record[0] == '{' && record[1] >= 'a' && record[1] <= 'p' ? record[1] : 0; }

// The whole records cut away are the beginning of one write of several
// records: a GPS group without its "!", a swath block short of its fourth,
// or a section header or the line records short of their last.
void CheckCutIsATornWrite(const std::string& cut) {
    if (cut.empty()) return;
    const size_t records = cut.size() / kDataRecordLength;
    std::string kinds;
    for (size_t r = 0; r < records; ++r) kinds += cut[r * kDataRecordLength];
    const auto runOf = [&kinds](const char* run) { return std::string(run).compare(0, kinds.size(), kinds) == 0; };
    if (kinds[0] == '{') {
        const char a = SwathLetter(cut.data());
        Check(a != 0 && (a - 'a') % 4 == 0 && records < 4);
        for (size_t r = 0; r < records; ++r) Check(SwathLetter(cut.data() + r * kDataRecordLength) == a + static_cast<char>(r));
    } else if (kinds[0] == '@' || kinds[0] == '?') {
        Check(kinds.find_first_not_of(kinds[0] == '@' ? '#' : '"', 1) == std::string::npos);
    } else {
        Check(cut.compare(0, 9, "rSTRMA  W") == 0 ? runOf("rHGGG") : runOf("LBA"));
    }
}

// The kept file ends as a write ends: a record written alone, a GPS group's
// "!", line records' "Z", or a whole header's record 6; never a header or
// line records cut short, nor a group record without its "!".
void CheckEndsAWrite(const std::string& after) {
    const char* last = after.data() + after.size() - kDataRecordLength;
    Check(std::string("OrHLBA@#?\"").find(last[0]) == std::string::npos);
    if (last[0] == '{') {
        const char letter = SwathLetter(last);
        Check(last[1] == '0' || (letter != 0 && (letter - 'a') % 4 == 3));
    }
    if (last[0] == 'G') {
        const char* start = last - 5 * kDataRecordLength;
        Check(start[0] == 'O' || start[0] == 'r');
        for (int i = 1; i <= 4; ++i) Check(start[i * kDataRecordLength] == "HGGG"[i - 1]);
    }
    if (last[0] == 'Z') {
        for (int i = 1; i <= 3; ++i) Check(last[-i * static_cast<long>(kDataRecordLength)] == "ABL"[i - 1]);
    }
}

// Among the kept file's last records after its header (which the header
// check judges), every record of a run short of its last is followed by the
// run's next: no group without its "!", no swath block, line records or
// section header cut short with a record after them. As far back as the check
// reads for sure, none holds a control byte or DEL, nor a reading other than ASCII.
void CheckRunsWholeNearTheEnd(const std::string& after) {
    constexpr size_t kReach = 2 * kGpsGroupBytes / kDataRecordLength;  // two longest writes
    const size_t records = after.size() / kDataRecordLength;
    for (size_t r = std::max(records - std::min(records, kReach), size_t{kHeaderRecordCount}); r < records; ++r) {
        const char* p = after.data() + r * kDataRecordLength;
        const auto* bytes = reinterpret_cast<const uint8_t*>(p);
        const bool reading = std::find(kConsoleRecordTags.begin(), kConsoleRecordTags.end(), bytes[0]) != kConsoleRecordTags.end();
        for (size_t col = 1; col < kDataRecordLfIndex; ++col) {
            Check(bytes[col] >= 0x20 && bytes[col] != 0x7F);
            if (reading) Check(bytes[col] < 0x7F && (col < 16 || bytes[col] == ' ' || std::isdigit(bytes[col])));
        }
        if (r + 1 == records) break;
        const char* q = p + kDataRecordLength;
        const std::string next(1, q[0]);
        if (p[0] == '@' || p[0] == '#') Check(next == "#" || next == "!");
        if (p[0] == '?' || p[0] == '"') Check(next == "\"" || next == "!");
        if (SwathLetter(p) != 0 && (SwathLetter(p) - 'a') % 4 != 3) Check(SwathLetter(q) == SwathLetter(p) + 1);
        if (p[0] == 'L' || p[0] == 'B' || p[0] == 'A') Check(next == std::string(1, "BAZ"[std::string("LBA").find(p[0])]));
        if (p[0] == 'O' || p[0] == 'r' || p[0] == 'H') Check(next == (p[0] == 'H' ? "G" : "H"));
    }
}

void CheckScan() {
    const plat::FileHandle h = DataFileState.DataFileHandle;
    const int64_t position = plat::SeekFile(h, 0, plat::SeekFrom::Current);
    const int64_t size = plat::FileSize(h);
    const int result = ScanDataFileGpsPositions(0);
    Check(result == 0 || result == 1);
    Check(plat::SeekFile(h, 0, plat::SeekFrom::Current) == position);
    Check(plat::FileSize(h) == size);
    for (const double v : {MapView.DataMinX, MapView.DataMaxX, MapView.DataMinY, MapView.DataMaxY}) {
        Check(std::isfinite(v));
    }
    Check(MapView.DataMinX <= MapView.MapOriginX && MapView.MapOriginX <= MapView.DataMaxX);
    Check(MapView.DataMinY <= MapView.MapOriginY && MapView.MapOriginY <= MapView.DataMaxY);
    Check(fuzz::TakeBoxCount() == 1);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::StartScratch("append");
    g_path = fuzz::Root() + "/old.osd";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    SetUp(data[0]);
    const std::string file(reinterpret_cast<const char*>(data) + 1, size - 1);
    fuzz::WriteAll(g_path, file.data(), file.size());
    DataFileState.DataFileHandle = fuzz::Open(g_path, plat::FileOpen::ExistingReadWrite, true, true);
    Check(DataFileState.DataFileHandle != plat::kInvalidFile);
    fuzz::TakeBoxCount();

    const int result = CheckDataFileForAppend(0);
    const std::string after = fuzz::ReadAll(g_path);
    const std::vector<std::u16string> texts = fuzz::TakeBoxTexts();
    const size_t boxes = texts.size();
    // A count of one is said "1 byte", whatever the end looked like.
    for (const std::u16string& t : texts) {
        Check(t.find(u" 1 bytes") == std::u16string::npos && t.find(u"(1 bytes") == std::u16string::npos);
    }
    if (result == 1) {
        Check(DataFileState.DataFileHandle == plat::kInvalidFile);
        Check(after == file);
        Check(boxes == 1);
        return 0;
    }
    Check(result == 0);
    Check(DataFileState.DataFileHandle != plat::kInvalidFile);
    const size_t partial = file.size() % kDataRecordLength;
    Check(after.size() % kDataRecordLength == 0 && after == file.substr(0, after.size()));
    Check(after.size() >= kHeaderRecordCount * kDataRecordLength && after.back() == '\n');
    Check(after.size() + kGpsGroupBytes > file.size());
    for (size_t at = after.size(); at + kDataRecordLength <= file.size() - partial; at += kDataRecordLength) {
        Check(file.find('\n', at) == at + kDataRecordLfIndex);  // whole records of a torn write
    }
    CheckCutIsATornWrite(file.substr(after.size(), file.size() - partial - after.size()));
    CheckEndsAWrite(after);
    CheckRunsWholeNearTheEnd(after);
    Check(file.find('\n', file.size() - partial) == std::string::npos);
    Check(boxes == (after.size() != file.size() ? 1u : 0u));
    Check(GpsFix.UtmZoneForced == -9 || (GpsFix.UtmZoneForced >= 1 && GpsFix.UtmZoneForced <= 60));
    Check(GpsFix.UtmFrameForced == 1 || GpsFix.UtmFrameForced == -1);
    Check(std::isfinite(MapView.MapOriginX) && std::isfinite(MapView.MapOriginY));
    CheckScan();
    CloseDataFile();
    return 0;
}
