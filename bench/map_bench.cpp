// The live map's cost per fix and its memory. A survey of 18 sensors (nine
// two-sensor consoles, a swath of 17 m) is walked in lines up and down over
// 300 m x 300 m, the lines one swath apart, in 28800 fixes (about 0.19 m a
// fix: a 5 Hz receiver at a brisk walk). Each fix goes through
// AddPositionToMap while logging in the colour-map view: its swath records
// are written to a data file, its quadrilateral is drawn from ten colour
// samples per sensor, and the map window is composed from four tiles.
// Prints, per map size, the time per fix (p50, p99, max) on the clock and
// in CPU time of the thread (what the fix itself cost, whatever else the
// machine was doing; page faults included), the tiles made, and the peak
// resident memory of the process.
//
//   map_bench [map size ...]     (default: 40, 5, then 1)
//
// At map sizes 5 and 1 the swath is 4 and 17 tiles wide, so the store's
// budget ends the drawing after a while (the overflow): those runs time the
// fixes up to their first refused tile.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "log_screen/panel_objects.h"
#include "map/live_track.h"
#include "map/map_pens.h"
#include "map/map_tiles.h"
#include "platform/dc.h"
#include "platform/files.h"
#include "platform/text.h"
#include "platform/window.h"
#include "shell/start_logging.h"
#include "survey_files/settings_derived.h"
#include "survey_files/survey_model.h"

namespace {

using Clock = std::chrono::steady_clock;

double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

constexpr int kFixes = 28800;
constexpr double kSide = 300.0;
constexpr int32_t kMapWindowSide = 569;  // the tile is 567 pixels

long PeakRssKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size())))];
}

// The position of fix i: up the first line, down the next, one swath apart.
void Walk(int i, double swath, double* x, double* y) {
    const double path = kSide * (kSide / swath);
    const double s = path * i / kFixes;
    const int line = static_cast<int>(s / kSide);
    const double along = s - line * kSide;
    *x = line * swath;
    *y = line % 2 == 0 ? along : kSide - along;
}

void FillSamples(int fix) {
    ReadingSamplesRecord& rs = ReadingSamples;
    rs.ClosedHalf = fix % 2;
    rs.ClosedHalfValid = 1;
    for (int s = 0; s < SensorLayout.TotalSensors; ++s) {
        rs.ClosedSampleCount[static_cast<size_t>(s)] = 10;
        for (int k = 0; k < 10; ++k) rs.SampleColour[s][rs.ClosedHalf][k] = (fix + 3 * s + k) % 50;
    }
}

void RunMapSize(int mapSize, plat::Hwnd map) {
    MapDisplayOptions.MapSize = mapSize;
    MapView = MapViewRecord{};
    LogScreenState.MapOverflowState = 0;
    DeleteAllMapTiles();
    ComputeGridSpacing();
    InitMapScales();
    const double swath = ArrayGeometry.MapSwathLeft + ArrayGeometry.MapSwathRight;
    std::vector<double> ms, cpu;
    ms.reserve(kFixes);
    cpu.reserve(kFixes);
    double px = 0, py = 0;
    AddPositionToMap(map, 1, 0.0, 0.0, 0.0);
    int fix = 0;
    for (; fix < kFixes; ++fix) {
        double x, y;
        Walk(fix, swath, &x, &y);
        const double d = std::hypot(x - px, y - py);
        px = x, py = y;
        FillSamples(fix);
        const auto t0 = Clock::now();
        const double c0 = ThreadCpuMs();
        AddPositionToMap(map, 1, y, x, d);
        cpu.push_back(ThreadCpuMs() - c0);
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        if (MapTiles.TileRefused != 0) break;
    }
    std::printf("map size %3d: %5d fixes%s, per fix p50 %.3f ms  p99 %.3f ms  max %.3f ms; CPU p50 %.3f ms  p99 %.3f ms"
                "  max %.3f ms; %d tiles (limit %d); peak RSS %ld MB\n",
                mapSize, static_cast<int>(ms.size()), fix < kFixes ? " (then the budget ended the map)" : "",
                Percentile(ms, 0.5), Percentile(ms, 0.99), Percentile(ms, 1.0), Percentile(cpu, 0.5),
                Percentile(cpu, 0.99), Percentile(cpu, 1.0), MapTileCount(), MapTileSlotLimit(), PeakRssKb() / 1024);
}

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("map_bench_" + std::to_string(Clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(dir);
    setenv("HOME", dir.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    setenv("XDG_CACHE_HOME", (dir / "cache").c_str(), 1);
    if (!plat::StartApplication()) {
        std::fprintf(stderr, "no desktop application\n");
        return 1;
    }
    ResetSurveyModel();
    plat::WindowClass cls;
    cls.Name = u"MapBenchWnd";
    cls.Proc = plat::DefaultWindowProc;
    cls.Background = plat::GetStockObject(plat::kWhiteBrush);
    plat::RegisterWindowClass(cls);
    const plat::Hwnd map = plat::CreateWindow(u"MapBenchWnd", u"", plat::kStyleVisible, 0, 0, kMapWindowSide,
                                              kMapWindowSide, 0, 0);
    ScreenWindows.MapWindow = map;
    ScreenWindows.LogScreenWindow = plat::CreateWindow(u"MapBenchWnd", u"", 0, 0, 0, 10, 10, 0, 0);
    CreateFixedPens();
    CreateColourScalePens();
    CreateMapPens(0);
    SystemSetup.ConsoleCount = 9;
    for (auto& t : SystemSetup.ConsoleType) t = 1;
    DeriveConsoleCounts();
    DeriveArrayGeometry();
    ComputeSensorLayout();
    MapTiles.TileWidth = MapTiles.TileHeight = kMapWindowSide - 2;
    MapTiles.TileLastX = MapTiles.TileLastY = kMapWindowSide - 3;
    MapDisplayOptions.DisplayType = 1;
    LogScreenState.MapShown = 1;
    LogScreenState.LoggingState = 1;
    const std::u16string file = plat::Utf8ToUtf16((dir / "bench.osd").string());
    DataFileState.DataFileHandle = plat::OpenFile(file.c_str(), plat::FileOpen::OpenOrCreateReadWrite, true);

    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(std::max(1, std::atoi(argv[i])));
    if (sizes.empty()) sizes = {40, 5, 1};
    std::printf("%d sensors, swath %.1f m, %d fixes over %.0f m x %.0f m, tile %d px\n", SensorLayout.TotalSensors,
                ArrayGeometry.MapSwathLeft + ArrayGeometry.MapSwathRight, kFixes, kSide, kSide, MapTiles.TileWidth);
    for (int size : sizes) RunMapSize(size, map);
    std::printf("data file %lld bytes of swath records\n",
                static_cast<long long>(std::filesystem::file_size(dir / "bench.osd")));
    plat::CloseFile(DataFileState.DataFileHandle);
    DataFileState.DataFileHandle = plat::kInvalidFile;
    DeleteAllMapTiles();
    std::filesystem::remove_all(dir);
    return 0;
}
