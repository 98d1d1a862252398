// Converting a 40 MB ASCII XYZ background file into its temp file, and its
// first drawing: the walk over the temp records with every marker and line
// drawn into the base tiles (map tiles of 567 pixels, one pixel a metre). For
// comparison, reading lines one byte per call (the settings-file reader) over
// the first 2 MB, scaled to the whole file.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "map/background_files.h"
#include "map/map_pens.h"
#include "map/map_tiles.h"
#include "platform/files.h"
#include "platform/window.h"
#include "survey_files/survey_model.h"
#include "survey_files/text_helpers.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

}  // namespace

int main() {
    char root[] = "/tmp/ostrima-background-bench-XXXXXX";
    if (mkdtemp(root) == nullptr) return 1;
    const std::string cache = std::string(root) + "/cache";
    setenv("XDG_CACHE_HOME", cache.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (std::string(root) + "/config").c_str(), 1);
    if (!plat::PrepareProgramFolders()) return 1;
    ResetSurveyModel();
    if (!plat::StartApplication()) return 1;
    CreateMapPens(0);
    MapTiles.TileWidth = MapTiles.TileHeight = 567;
    MapTiles.TileLastX = MapTiles.TileLastY = 566;
    DeleteAllMapTiles();

    // 40 MB of "easting northing value" lines, a survey grid of 0.25 m steps.
    const std::string source = std::string(root) + "/GRID.XYZ";
    std::FILE* f = std::fopen(source.c_str(), "wb");
    if (f == nullptr) return 1;
    long long bytes = 0, lines = 0;
    while (bytes < 40LL * 1024 * 1024) {
        char line[80];
        const int n = std::snprintf(line, sizeof line, "%.3f %.3f %.2f\n", 612000.0 + (lines % 2000) * 0.25,
                                    5234000.0 + (lines / 2000) * 0.25, 40.0 + (lines % 97) * 0.5);
        std::fwrite(line, 1, static_cast<size_t>(n), f);
        bytes += n;
        ++lines;
    }
    std::fclose(f);

    MapView.MapOriginX = 612000.0;
    MapView.MapOriginY = 5234000.0;
    MapDisplayOptions.MapPixelsPerUnit = 1.0;
    BackgroundFileOptions.ColumnDelimiter = 0;
    BackgroundFileOptions.CoordinatesType = 1;
    BackgroundFileOptions.EastingColumn = 0;
    BackgroundFileOptions.NorthingColumn = 1;
    BackgroundFileOptions.DisplayStyle = 1;

    const std::u16string path(source.begin(), source.end());
    BackgroundFiles.BackgroundSourceFile = plat::OpenFile(path.c_str(), plat::FileOpen::ExistingReadOnly);
    if (!NameBackgroundTempFile(path.c_str(), 0)) return 1;
    const auto start = Clock::now();
    CreateBackgroundTempFile();
    ConvertAsciiBackgroundFile();
    const double convert = Seconds(start);
    const auto walkStart = Clock::now();
    const int kept = DrawNewBackgroundTrack();
    const double walk = Seconds(walkStart);

    // One byte per call over the first 2 MB.
    const plat::FileHandle again = plat::OpenFile(path.c_str(), plat::FileOpen::ExistingReadOnly);
    const auto slowStart = Clock::now();
    char line[256];
    long long slowBytes = 0;
    int n = 0;
    while (slowBytes < 2LL * 1024 * 1024 && (n = ReadTextLine(again, line, sizeof line)) >= 0) slowBytes += n + 1;
    const double slow = Seconds(slowStart) * static_cast<double>(bytes) / static_cast<double>(slowBytes);
    plat::CloseFile(again);

    std::printf("background ASCII file: %.1f MB, %lld lines, %d temp records (kept %d)\n", bytes / 1048576.0, lines,
                BackgroundFiles.BackgroundRecordCount, kept);
    std::printf("conversion (block reads, block writes): %.3f s\n", convert);
    std::printf("first drawing (markers and lines into %d base tiles): %.3f s\n", MapTileCount(), walk);
    std::printf("conversion plus first drawing: %.3f s\n", convert + walk);
    std::printf("one byte per read, scaled to the file: %.1f s\n", slow);
    const std::string cleanup = std::string("rm -rf ") + root;
    return std::system(cleanup.c_str()) == 0 ? 0 : 1;
}
