// The scan of an arbitrary data file before it is loaded onto the map, at a
// map scale and origin chosen by the first byte. Its count of positions and
// records must be the file's own ("{d" and "{h" records among its whole
// records, a partial last record not read), its extent finite and holding
// the origin and every swath coordinate it could read, the fit test the same
// as the extent, the drawing's reach and the tile count give, and the append
// position never moved.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_files.h"
#include "map/data_file_scan.h"
#include "survey_files/data_file.h"
#include "survey_files/data_file_reader.h"
#include "survey_files/survey_model.h"

namespace {

std::string g_path;

constexpr double kScales[] = {508.0 / 40.0, 1.0, 1e-3, 1e9};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::StartScratch("scan");
    g_path = fuzz::Root() + "/walk.osd";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    ResetSurveyModel();
    MapDisplayOptions.MapPixelsPerUnit = kScales[data[0] & 3];
    MapView.MapOriginX = (data[0] & 4) != 0 ? 612345.0 : -1e15;
    MapView.MapOriginY = (data[0] & 8) != 0 ? 5761234.0 : 0.0;
    SurveyProgress.MaxGpsPositions = (data[0] & 16) != 0 ? 3 : 28800;
    const std::string file(reinterpret_cast<const char*>(data) + 1, size - 1);
    fuzz::WriteAll(g_path, file.data(), file.size());
    DataFileState.DataFileHandle = fuzz::Open(g_path, plat::FileOpen::ExistingReadWrite, true, true);
    Check(DataFileState.DataFileHandle != plat::kInvalidFile);
    const plat::FileHandle h = DataFileState.DataFileHandle;
    Check(plat::SeekFile(h, 5, plat::SeekFrom::Start) == 5);

    DataFileScan scan;
    Check(ScanDataFileExtent(scan));
    int32_t positions = 0;
    const size_t records = file.size() / kDataRecordLength;
    for (size_t r = 0; r < records; ++r) {
        const char* record = file.data() + r * kDataRecordLength;
        if (record[0] != '{') continue;
        positions += record[1] == 'd' || record[1] == 'h';
        if (record[1] < 'a' || record[1] > 'h') continue;
        std::string copy(record, kDataRecordLength - 1);
        double value = 0.0;
        if (!ReadSwathCoordinate(copy.c_str(), &value)) continue;
        Check(std::isfinite(value));
        const bool isY = (record[1] - 'a') % 2 == 1;
        Check(isY ? scan.MinY <= value && value <= scan.MaxY : scan.MinX <= value && value <= scan.MaxX);
    }
    Check(scan.Records == static_cast<int64_t>(records));
    Check(scan.Positions == positions);
    for (const double v : {scan.MinX, scan.MaxX, scan.MinY, scan.MaxY}) Check(std::isfinite(v));
    Check(scan.MinX <= MapView.MapOriginX && MapView.MapOriginX <= scan.MaxX);
    Check(scan.MinY <= MapView.MapOriginY && MapView.MapOriginY <= scan.MaxY);

    fuzz::TakeBoxCount();
    const int result = ScanDataFileGpsPositions(0);
    Check(fuzz::TakeBoxCount() == 1);
    // The survey fits only when its extent does; its drawing and its tiles may still refuse it.
    const bool fits = SurveyFitsMap(scan) == MapFit::Fits;
    Check(!fits || DataExtentFitsDrawableTiles(scan.MinX, scan.MinY, scan.MaxX, scan.MaxY));
    Check(result == (fits && positions < SurveyProgress.MaxGpsPositions ? 1 : 0));
    Check(MapView.DataMinX == scan.MinX && MapView.DataMaxY == scan.MaxY);
    Check(plat::SeekFile(h, 0, plat::SeekFrom::Current) == 5);
    CloseDataFile();
    return 0;
}
