// What the two background conversion targets share: the source written and
// opened as the chosen file, the temp file, and the check of what a
// conversion leaves, whatever the source held: the source closed, the temp
// file whole 30-byte records, as many as counted, each the exact text of the
// point it parses back to (a break, or a finite point), and the data extent
// finite.
#pragma once
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_files.h"
#include "map/background_points.h"
#include "survey_files/survey_model.h"

namespace fuzz {

struct BackgroundPaths {
    std::string Source, Temp;
};

inline BackgroundPaths& Background() {
    static BackgroundPaths paths;
    return paths;
}

inline void StartBackgroundScratch(const char* name) {
    StartScratch(name);
    Background().Source = Root() + "/source";
    Background().Temp = Root() + "/temp";
}

// The model as a survey in zone 31 with its map origin there.
inline void ResetBackgroundModel() {
    ResetSurveyModel();
    GpsFix.UtmZone = GpsFix.UtmZoneForced = 31;
    MapView.MapOriginX = 612345.0;
    MapView.MapOriginY = 5761234.0;
    MapView.DataMinX = MapView.DataMaxX = MapView.MapOriginX;
    MapView.DataMinY = MapView.DataMaxY = MapView.MapOriginY;
    MapDisplayOptions.MapPixelsPerUnit = 508.0 / 40.0;
}

inline void OpenBackgroundFiles(const uint8_t* data, size_t size) {
    WriteAll(Background().Source, data, size);
    BackgroundFiles.BackgroundSourceFile = Open(Background().Source, plat::FileOpen::ExistingReadOnly);
    Check(BackgroundFiles.BackgroundSourceFile != plat::kInvalidFile);
    BackgroundFiles.BackgroundTempFile = Open(Background().Temp, plat::FileOpen::OpenOrCreateReadWrite);
    const plat::FileHandle temp = BackgroundFiles.BackgroundTempFile;
    Check(temp != plat::kInvalidFile && plat::TruncateFile(temp, 0));
}

inline void CheckConversion() {
    Check(BackgroundFiles.BackgroundSourceFile == plat::kInvalidFile);
    plat::CloseFile(BackgroundFiles.BackgroundTempFile);
    BackgroundFiles.BackgroundTempFile = plat::kInvalidFile;
    const std::string temp = ReadAll(Background().Temp);
    constexpr size_t kRecord = BackgroundFilesRecord::BackgroundTempRecordLength;
    Check(temp.size() % kRecord == 0);
    Check(static_cast<int64_t>(temp.size() / kRecord) == BackgroundFiles.BackgroundRecordCount);
    for (size_t at = 0; at < temp.size(); at += kRecord) {
        double x = 0, y = 0;
        ParseBackgroundRecord(temp.data() + at, &x, &y);
        Check(std::isfinite(x) && std::isfinite(y));
        char again[31];
        Check(FormatBackgroundRecord(x, y, again) && std::memcmp(again, temp.data() + at, kRecord) == 0);
    }
    for (const double v : {MapView.DataMinX, MapView.DataMaxX, MapView.DataMinY, MapView.DataMaxY}) {
        Check(std::isfinite(v));
    }
    Check(MapView.DataMinX <= MapView.DataMaxX && MapView.DataMinY <= MapView.DataMaxY);
}

}  // namespace fuzz
