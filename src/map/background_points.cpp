#include "map/background_points.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "map/background_files.h"
#include "map/data_file_scan.h"
#include "survey_files/survey_model.h"
#include "survey_files/utm.h"

namespace {

constexpr double kFootMetres = 0.3048;
constexpr double kUsFootMetres = 0.304800609601219;
constexpr size_t kRecordLength = BackgroundFilesRecord::BackgroundTempRecordLength;

// Records are gathered here and written a block at a time.
struct PointWriter {
    plat::FileHandle File = plat::kInvalidFile;
    std::array<char, 2184 * kRecordLength> Block{};  // about 64 KiB of whole records
    size_t Used = 0;
    int64_t RecordsOnDisk = 0;
    bool Failed = false;
};
PointWriter Writer;

void FlushPoints() {
    if (Writer.Used == 0) return;
    if (!Writer.Failed && Writer.File != plat::kInvalidFile) {
        const int64_t wrote = plat::WriteFile(Writer.File, Writer.Block.data(), Writer.Used);
        if (wrote > 0) Writer.RecordsOnDisk += wrote / static_cast<int64_t>(kRecordLength);
        if (wrote != static_cast<int64_t>(Writer.Used)) Writer.Failed = true;
    }
    Writer.Used = 0;
}

void PutRecord(const char* record) {
    if (Writer.File == plat::kInvalidFile || Writer.Failed) return;
    if (Writer.Used + kRecordLength > Writer.Block.size()) FlushPoints();
    std::memcpy(Writer.Block.data() + Writer.Used, record, kRecordLength);
    Writer.Used += kRecordLength;
}

// Saturated conversion of a pixel value computed in double.
int32_t SaturatePixel(double v) {
    if (!(v == v)) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(v);  // truncation toward zero
}

// "%14.3f" of a finite value: to_chars rounds exactly as printf does, at a
// fraction of its cost on files of millions of points. False when the text is
// wider than the field.
bool FormatField(double value, char* out) {
    char text[48];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 3);
    if (error != std::errc{}) return false;
    const size_t n = static_cast<size_t>(end - text);
    if (n > 14) return false;
    std::memset(out, ' ', 14 - n);
    std::memcpy(out + 14 - n, text, n);
    return true;
}

}  // namespace

bool FormatBackgroundRecord(double x, double y, char (&record)[31]) {
    if (!std::isfinite(x) || !std::isfinite(y)) return false;
    if (!FormatField(x, record) || !FormatField(y, record + 15)) return false;
    record[14] = ',';
    record[29] = '\n';
    record[30] = '\0';
    return true;
}

void ParseBackgroundRecord(const char* record, double* x, double* y) {
    // Each field: blanks, then the number; anything unreadable counts as 0.
    auto field = [](const char* from, const char* to) {
        while (from < to && *from == ' ') ++from;
        if (from < to && *from == '+') ++from;
        double v = 0;
        const auto result = std::from_chars(from, to, v);
        return result.ec == std::errc{} ? v : 0.0;
    };
    *x = field(record, record + 14);
    *y = field(record + 15, record + 29);
}

void StartBackgroundPoints(plat::FileHandle temp) {
    Writer.File = temp;
    Writer.Used = 0;
    Writer.RecordsOnDisk = 0;
    Writer.Failed = false;
    BackgroundFiles.BackgroundRecordCount = 0;
}

bool WriteBackgroundPoint(double x, double y) {
    char record[31];
    if (!FormatBackgroundRecord(x, y, record)) return false;
    PutRecord(record);
    if (BackgroundPointDrawable(x, y)) {
        if (x < MapView.DataMinX) MapView.DataMinX = x;
        if (x > MapView.DataMaxX) MapView.DataMaxX = x;
        if (y < MapView.DataMinY) MapView.DataMinY = y;
        if (y > MapView.DataMaxY) MapView.DataMaxY = y;
    }
    return true;
}

void WriteBackgroundBreak() {
    char record[31];
    if (FormatBackgroundRecord(kBackgroundBreakValue, kBackgroundBreakValue, record)) PutRecord(record);
}

void FinishBackgroundPoints() {
    FlushPoints();
    const int64_t records = Writer.RecordsOnDisk;
    BackgroundFiles.BackgroundRecordCount = records > INT32_MAX ? INT32_MAX : static_cast<int32_t>(records);
    Writer.File = plat::kInvalidFile;
}

bool BackgroundPointDrawable(double x, double y, int32_t* px, int32_t* py) {
    const double scale = MapDisplayOptions.MapPixelsPerUnit;
    if (px != nullptr) *px = SaturatePixel((x - MapView.MapOriginX) * scale + 0.5);
    if (py != nullptr) *py = SaturatePixel((y - MapView.MapOriginY) * scale + 0.5);
    // One point is an extent of its own: the same tile test as a data file's.
    return DataExtentFitsDrawableTiles(x, y, x, y);
}

double MetresToDisplayUnits(double metres) {
    switch (SystemSetup.DisplayUnits) {
        case 1: return metres / kFootMetres;
        case 2: return metres / kUsFootMetres;
        default: return metres;
    }
}

bool ProjectBackgroundGeodetic(double latitude, double longitude, double* easting, double* northing) {
    int zone = GpsFix.UtmZoneForced;
    const bool forced = zone >= 1 && zone <= 60;
    if (!GeodeticToUtm(latitude, longitude, &zone, northing, easting, forced ? 1 : 0)) return false;
    *northing = NorthingInFrame(*northing, latitude, forced ? GpsFix.UtmFrameForced : 0);
    return true;
}
