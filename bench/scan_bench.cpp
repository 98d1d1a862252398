// The scan of the largest survey a data file can be opened with (28799 fixes
// at 1 Hz, one short of the limit; nine two-sensor consoles at about 10 Hz:
// about 3.3 million records, 89 MB) before it is appended to. Writes the file with the survey generator, then
// times the scan (whole-record blocks, the extent, the count of positions and
// of the tiles the replay would draw into) several times with the file in the
// page cache, and checks its count and extent against what the generator
// wrote.
//
//   scan_bench [runs] [file]     (default 5 runs, a file in a temporary folder, removed after)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "log_screen/panel_objects.h"
#include "map/data_file_scan.h"
#include "map/map_pens.h"
#include "map/map_tiles.h"
#include "platform/files.h"
#include "platform/text.h"
#include "platform/window.h"
#include "shell/start_logging.h"
#include "survey_files/data_file.h"
#include "survey_files/settings_derived.h"
#include "survey_files/survey_model.h"
#include "survey_generator.h"

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const bool keep = argc > 2;
    const std::string path = keep ? argv[2] : "/tmp/ostrima-scan-bench.osd";

    bench::SurveyShape shape;
    bench::GeneratedSurvey made;
    const auto w0 = std::chrono::steady_clock::now();
    if (!bench::WriteSurveyFile(path, shape, &made)) return 1;
    const double writeSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - w0).count();
    std::printf("survey: %d fixes, %d lines, %lld records, %.1f MB, written in %.2f s\n", shape.Fixes, made.Lines,
                static_cast<long long>(made.Records), made.Bytes / 1e6, writeSeconds);

    if (!bench::OpenSurveyOnMap(path, shape)) return 1;

    std::vector<double> ms;
    DataFileScan scan;
    for (int i = 0; i < runs; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        ScanDataFileExtent(scan);
        const bool fits = DataExtentFitsDrawableTiles(scan.MinX, scan.MinY, scan.MaxX, scan.MaxY);
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
        if (!fits) std::printf("the extent does not fit the map at size 40\n");
    }
    std::sort(ms.begin(), ms.end());
    const bool right = scan.Positions == made.Positions && scan.Records == made.Records && scan.MinX == made.MinX &&
                       scan.MaxX == made.MaxX && scan.MinY == made.MinY && scan.MaxY == made.MaxY;
    std::printf("scan: %lld records, %d positions (%s), best %.1f ms, median %.1f ms, worst %.1f ms over %d runs"
                " (target under 300 ms)\n",
                static_cast<long long>(scan.Records), scan.Positions, right ? "as written" : "WRONG", ms.front(),
                ms[ms.size() / 2], ms.back(), runs);
    std::printf("       %.0f MB/s\n", made.Bytes / 1e6 / (ms[ms.size() / 2] / 1000.0));
    // The tiles its replay would draw into, per view (replay_bench reports what the replay makes).
    for (const int32_t type : {1, 0}) {
        MapDisplayOptions.DisplayType = type;
        ScanDataFileExtent(scan);
        std::printf("       %s view: %d tiles counted of %d the store may hold%s\n", type != 0 ? "colour-map" : "positions",
                    scan.SwathTiles, MapTileSlotLimit(), scan.SwathOverBudget ? " (too many)" : "");
    }
    CloseDataFile();
    if (!keep) plat::DeleteFile(plat::Utf8ToUtf16(path).c_str());
    return right ? 0 : 2;
}
