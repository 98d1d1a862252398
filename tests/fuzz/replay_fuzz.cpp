// The replay of an arbitrary data file onto the map, in the view, scale,
// origin and console set-up chosen by the first byte. Every whole record is
// read and no partial one, the samples of a bar stay within their 500, the
// file's bytes and its append position never change, and no tile is made
// outside the drawable range.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_files.h"
#include "log_screen/panel_objects.h"
#include "map/data_file_replay.h"
#include "map/map_pens.h"
#include "map/map_tiles.h"
#include "platform/window.h"
#include "survey_files/data_file.h"
#include "survey_files/survey_model.h"

namespace {

std::string g_path;

constexpr double kScales[] = {1.0, 508.0 / 40.0, 1e-3, 1e6};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::StartScratch("replay");
    g_path = fuzz::Root() + "/replay.osd";
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    Check(plat::StartApplication());
    ResetSurveyModel();
    CreateFixedPens();  // once: making pens and fonts costs more than a replay
    CreateColourScalePens();
    CreateMapPens(0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    ReadingSamples = ReadingSamplesRecord{};
    MapView = MapViewRecord{};
    DeleteAllMapTiles();
    MapTiles.TileWidth = MapTiles.TileHeight = 64;
    MapDisplayOptions.DisplayType = data[0] & 1;
    MapDisplayOptions.MapPixelsPerUnit = kScales[(data[0] >> 1) & 3];
    MapView.MapOriginX = (data[0] & 8) != 0 ? 612345.0 : 0.0;
    SystemSetup.ConsoleCount = 1 + ((data[0] >> 4) & 7);
    SensorLayout.TotalSensors = 2 * SystemSetup.ConsoleCount;
    for (int i = 0; i < SystemSetup.ConsoleCount; ++i) {
        SystemSetup.ConsoleType[i] = 1;
        SensorLayout.ConsoleFirstSensor[i] = 2 * i;
    }
    ReadingsScale.Minimum = 0.0;
    ReadingsScale.Maximum = (data[0] & 128) != 0 ? 500.0 : 1e-3;
    const std::string file(reinterpret_cast<const char*>(data) + 1, size - 1);
    fuzz::WriteAll(g_path, file.data(), file.size());
    DataFileState.DataFileHandle = fuzz::Open(g_path, plat::FileOpen::ExistingReadWrite, true, true);
    Check(DataFileState.DataFileHandle != plat::kInvalidFile);
    const plat::FileHandle h = DataFileState.DataFileHandle;
    Check(plat::SeekFile(h, 3, plat::SeekFrom::Start) == 3);

    ReplayCounts counts;
    Check(ReplayDataFile(&counts));
    Check(counts.Records == static_cast<int64_t>(file.size() / kDataRecordLength));
    Check(counts.Bars >= 0 && counts.Refused >= 0);
    for (const int32_t n : ReadingSamples.ClosedSampleCount) Check(n >= 0 && n <= 500);
    ForEachMapTile(
        [](int32_t col, int32_t row, MapTile&, void*) {
            Check(col >= MapTiles.MinDrawableTile && col <= MapTiles.MaxDrawableTile);
            Check(row >= MapTiles.MinDrawableTile && row <= MapTiles.MaxDrawableTile);
        },
        nullptr);
    Check(plat::SeekFile(h, 0, plat::SeekFrom::Current) == 3);
    CloseDataFile();
    Check(fuzz::ReadAll(g_path) == file);
    return 0;
}
