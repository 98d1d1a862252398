// The replay onto the map of the largest survey a data file may hold (28800
// fixes at 1 Hz, nine two-sensor consoles at about 10 Hz: about 3.3 million
// records, 89 MB), at map size 40 on a 510-pixel map, in the colour-map view
// and in the positions view: what a change of view costs the operator. Writes
// the file with the survey generator, then per view times the overlays'
// rebuild and the replay several times with the file in the page cache (the
// first replay also makes the tiles). CPU times are the process's (page
// faults included), the figure to compare on a busy machine.
//
// Then a map review in the positions view: zoom in `zooms` times (the map
// size 5% smaller each time, down to 1; each a new scale and a replay, as
// the zoom button does) and back to map size 40, as the end of review does:
// the tiles and the resident memory before, at the deepest zoom and after.
//
//   replay_bench [runs] [file] [zooms]   (default 5 runs, a file in a temporary folder, removed after;
//                                         a file given is kept, and written only when it does not
//                                         exist; 40 zooms)
#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "log_screen/panel_objects.h"
#include "map/data_file_replay.h"
#include "map/map_pens.h"
#include "map/map_tiles.h"
#include "platform/dc.h"
#include "platform/files.h"
#include "platform/text.h"
#include "platform/window.h"
#include "shell/start_logging.h"
#include "survey_files/data_file.h"
#include "survey_files/settings_derived.h"
#include "survey_files/survey_model.h"
#include "survey_generator.h"

namespace {

long ResidentKb(const char* field) {
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (f == nullptr) return -1;
    char line[256];
    long kb = -1;
    const size_t n = std::strlen(field);
    while (std::fgets(line, sizeof line, f) != nullptr)
        if (std::strncmp(line, field, n) == 0) kb = std::strtol(line + n, nullptr, 10);
    std::fclose(f);
    return kb;
}

void SetScale(int32_t size) {
    MapDisplayOptions.MapSize = size;
    MapDisplayOptions.MapPixelsPerUnit = static_cast<double>(MapTiles.TileWidth) / size;
    ComputeGridSpacing();
}

// A new scale as zoom, fit and the end of review make it: tiles rebuilt, file replayed.
double Rescale(int32_t size) {
    const std::clock_t c0 = std::clock();
    SetScale(size);
    RebuildMapTiles(2);
    ReplayDataFile(nullptr);
    return 1000.0 * static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC;
}

void ReviewCycle(int zooms) {
    MapDisplayOptions.DisplayType = 0;
    Rescale(40);
    const long before = ResidentKb("VmRSS:");
    const int tilesBefore = MapTileCount();
    int32_t size = 40;
    double cpu = 0.0;
    for (int i = 0; i < zooms; ++i) {
        int32_t next = static_cast<int32_t>(0.95 * size + 0.5);
        if (next == size) --next;
        size = std::max(1, next);
        cpu += Rescale(size);
    }
    const long deep = ResidentKb("VmRSS:");
    const int tilesDeep = MapTileCount();
    const double back = Rescale(40);
    const plat::PixelPoolFigures pool = plat::GetPixelPoolFigures();
    std::printf("review (positions view): %d zooms to map size %d (CPU %.0f ms) and back to 40 (CPU %.0f ms): tiles %d, %d,"
                " %d; resident %ld MB, %ld MB, %ld MB after (peak %ld MB); tile pool %s %lld MB in %d chunks\n",
                zooms, size, cpu, back, tilesBefore, tilesDeep, MapTileCount(), before / 1024, deep / 1024,
                ResidentKb("VmRSS:") / 1024, ResidentKb("VmHWM:") / 1024, pool.Enabled ? "on," : "off,",
                static_cast<long long>(pool.MappedBytes >> 20), pool.Chunks);
}

double Ms(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

bool TimeView(const char* name, int32_t displayType, int runs, double targetMs) {
    MapDisplayOptions.DisplayType = displayType;
    DeleteAllMapTiles();
    std::vector<double> replay, rebuild, cpu;
    double first = 0.0, firstCpu = 0.0;
    ReplayCounts counts;
    for (int i = 0; i < runs + 1; ++i) {
        auto t0 = std::chrono::steady_clock::now();
        RebuildMapTiles(1);
        const double r = Ms(t0);
        t0 = std::chrono::steady_clock::now();
        const std::clock_t c0 = std::clock();
        if (!ReplayDataFile(&counts)) return false;
        const double p = Ms(t0);
        const double c = 1000.0 * static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC;
        if (i == 0) {
            first = p;  // the tiles are made on the way
            firstCpu = c;
        } else {
            rebuild.push_back(r);
            replay.push_back(p);
            cpu.push_back(c);
        }
    }
    std::sort(replay.begin(), replay.end());
    std::sort(rebuild.begin(), rebuild.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf("%s view: %d bars, %d refused, %d tiles; replay first %.0f ms (tiles made; CPU %.0f ms), best %.0f ms,"
                " median %.0f ms, worst %.0f ms over %d runs (target under %.0f ms), CPU median %.0f ms; overlays given"
                " back in %.1f ms\n",
                name, counts.Bars, counts.Refused, MapTileCount(), first, firstCpu, replay.front(),
                replay[replay.size() / 2], replay.back(), runs, targetMs, cpu[cpu.size() / 2], rebuild[rebuild.size() / 2]);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const bool keep = argc > 2;
    const int zooms = argc > 3 ? std::max(0, std::atoi(argv[3])) : 40;
    const std::string path = keep ? argv[2] : "/tmp/ostrima-replay-bench.osd";

    bench::SurveyShape shape;
    bench::GeneratedSurvey made;
    std::FILE* existing = keep ? std::fopen(path.c_str(), "rb") : nullptr;
    if (existing != nullptr) {
        std::fclose(existing);
        const std::string scratch = path + ".model";  // the model set up as the generator leaves it
        bench::SurveyShape tiny = shape;
        tiny.Fixes = 2;
        if (!bench::WriteSurveyFile(scratch, tiny, &made)) return 1;
        std::remove(scratch.c_str());
        made = bench::GeneratedSurvey{};
    } else if (!bench::WriteSurveyFile(path, shape, &made)) {
        return 1;
    }
    std::printf("survey: %d fixes, %d lines, %lld records, %.1f MB\n", shape.Fixes, made.Lines,
                static_cast<long long>(made.Records), made.Bytes / 1e6);

    if (!bench::OpenSurveyOnMap(path, shape)) return 1;
    ReadingsScale.Minimum = -100.0;
    ReadingsScale.Maximum = 400.0;
    std::printf("array: %d sensors\n", SensorLayout.TotalSensors);

    const bool ok = TimeView("colour-map", 1, runs, 800.0) && TimeView("positions", 0, runs, 500.0);
    if (ok && zooms > 0) ReviewCycle(zooms);
    DeleteAllMapTiles();
    CloseDataFile();
    if (!keep) plat::DeleteFile(plat::Utf8ToUtf16(path).c_str());
    return ok ? 0 : 2;
}
