// Arbitrary settings files through the loader. Whatever the file holds, every
// loaded value must be in its range (the screens index arrays and divide by
// them), and what the program saves must load back to the same file: saved,
// reloaded into fresh records and saved again, the two files are equal.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/files.h"
#include "survey_files/settings_file.h"
#include "survey_files/survey_model.h"

namespace {

std::string g_root;  // the target's own HOME, removed when the run ends
std::string g_path;  // the settings file, by its on-disk path

// A broken invariant stops the run with the line that names it.
void Fail(int line) {
    std::fprintf(stderr, "invariant broken at %s:%d\n", __FILE__, line);
    std::abort();
}
#define Check(ok) ((ok) ? void() : Fail(__LINE__))

std::string ReadAll(const std::string& path) {
    std::string bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
        std::fclose(f);
    }
    return bytes;
}

void WriteAll(const std::string& path, const uint8_t* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    Check(f != nullptr);
    Check(std::fwrite(data, 1, size, f) == size);
    std::fclose(f);
}

void InRange(double v, double lo, double hi) { Check(v >= lo && v <= hi); }

void CheckRanges() {
    const SystemSetupRecord& s = SystemSetup;
    InRange(s.ConsoleCount, 0, kMaxConsoles);
    InRange(s.HeaderCode, 0, 8);
    int sensors = 0;
    for (int i = 0; i < kMaxConsoles; ++i) {
        InRange(s.ConsoleType[i], 0, 1);
        InRange(s.ConsolePort[i], 0, 47);
        if (i < s.ConsoleCount) sensors += s.ConsoleSensorCount[i];
    }
    InRange(s.LeadingPoint, 0, sensors);
    InRange(s.DisplayUnits, 0, 2);
    InRange(s.SpeedUnits, 0, 3);
    InRange(s.PauseKey, 0, 3);
    InRange(s.CoordinatesDisplay, 0, 3);
    for (const int32_t v : {AudioOptions.Ticks, AudioOptions.DisconnectionAlarm, AudioOptions.GpsMaskWarning,
                            ProfileDisplayOptions.Visible[0], ProfileDisplayOptions.Visible[1]}) {
        InRange(v, 0, 1);
    }
    for (const int32_t v : ProfileDisplayOptions.Thickness) InRange(v, 1, 4);
    for (const Colour c : {ProfileDisplayOptions.Color[0], ProfileDisplayOptions.Color[1],
                           MapDisplayOptions.CursorColor, MapDisplayOptions.PositionColor}) {
        InRange(c, 0, 0xFFFFFF);
    }
    Check(ReadingsScale.Maximum > ReadingsScale.Minimum);
    Check(std::isfinite(ReadingsScale.Maximum - ReadingsScale.Minimum));
    Check(std::isfinite(ReadingsScale.CurvePixelsPerUnit) && std::isfinite(ReadingsScale.DecayPixelsPerUnit));
    Check(SpeedBar.Scale > 0.0 && std::isfinite(SpeedBar.Scale));
    const GpsPortSetupRecord& g = GpsPortSetup;
    InRange(g.InputMode, 0, s.ConsoleCount > 0 ? 1 : 6);
    InRange(g.DataFormat, 0, 8);
    InRange(g.Port, 0, 47);
    InRange(g.BaudRate, 0, 5);
    InRange(g.DataBits, 0, 1);
    InRange(g.Parity, 0, 2);
    InRange(g.StopBits, 0, 1);
    InRange(ArrayGeometry.ArrayUnits, 0, 3);
    InRange(SurveyParameters.LineSequence, 0, 1);
    InRange(SurveyParameters.LineDirection, 0, 3);
    const MapDisplayOptionsRecord& m = MapDisplayOptions;
    InRange(m.CursorSize, 0, 5);
    InRange(m.CursorHalfSize, 3, 9);
    InRange(m.PositionSize, 0, 5);
    InRange(m.DisplayType, 0, 1);
    InRange(m.GridType, 0, 1);
    Check(m.GridInterval >= 0.5 && std::isfinite(m.GridInterval));
    InRange(m.LinesAngle, -90.0, 90.0);
    Check(m.MapSize >= 1);
    InRange(m.CursorBand, 0, 6);
    InRange(GpsWarningMask.Warning, 0, 1);
    InRange(GpsWarningMask.MinQuality, 0, 4);
    InRange(GpsWarningMask.MinSatellites, 3, 12);
    const BackgroundFileOptionsRecord& b = BackgroundFileOptions;
    InRange(b.FileType, 0, 1);
    InRange(b.DisplayStyle, 0, 3);
    InRange(b.CoordinatesType, 0, 3);
    InRange(b.EastingColumn, 0, 23);
    InRange(b.NorthingColumn, 0, 23);
    Check(b.EastingColumn != b.NorthingColumn);
    InRange(b.ColumnDelimiter, 0, 3);
    for (const double v : {ArrayGeometry.UnitSeparation, ArrayGeometry.ConsoleSeparation,
                           ArrayGeometry.GpsAntennaOffsetX, ArrayGeometry.GpsAntennaOffsetY,
                           SurveyParameters.LineIncrement, SurveyParameters.StartStation,
                           SurveyParameters.StationIncrement, GpsWarningMask.MaxDilution, ProgramSettings.SpareReal}) {
        Check(std::isfinite(v));
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = std::string(tmp != nullptr && tmp[0] != 0 ? tmp : "/tmp") + "/ostrima-fuzz-settings-XXXXXX";
    Check(mkdtemp(folder.data()) != nullptr);
    g_root = folder;
    const std::string& root = g_root;
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(g_root, ignored);
    });
    setenv("HOME", root.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
    setenv("XDG_CACHE_HOME", (root + "/cache").c_str(), 1);
    Check(plat::PrepareProgramFolders());
    g_path = root + "/config/Brevant/Ostrima/OSTRMAWIN.INI";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ResetSurveyModel();
    WriteAll(g_path, data, size);
    // The file is understood when it and every line fit what the save writes and
    // its first line, up to its LF or the end of the file, holds the version
    // alone (a UTF-8 byte order mark, blanks, tabs and CRs around it allowed; a
    // NUL ends a line's text). An empty file is written afresh. Anything else is kept whole
    // under the first free name, ".1" here, and the values in memory (the
    // built-in ones) take its place.
    const std::string input(reinterpret_cast<const char*>(data), size);
    size_t longest = 0;
    for (size_t from = 0; from <= input.size();) {
        const size_t end = std::min(input.find('\n', from), input.size());
        const bool cr = end > from && input[end - 1] == '\r';  // part of the line end
        longest = std::max(longest, end - from - (cr ? 1 : 0));
        from = end + 1;
    }
    bool understood = input.empty();
    if (!input.empty() && longest <= 317 && size <= 1024 * 1024) {
        std::string first = input.substr(0, input.find('\n'));
        first = first.substr(0, first.find('\0'));
        if (first.compare(0, 3, "\xEF\xBB\xBF") == 0) first.erase(0, 3);
        const size_t b = first.find_first_not_of(" \t\r");
        const size_t e = first.find_last_not_of(" \t\r");
        understood = b != std::string::npos && first.substr(b, e - b + 1) == "2.16";
    }
    const int loaded = LoadSaveSettings(0);
    Check(loaded == (understood ? kSettingsDone : kSettingsKeptAside));
    if (!understood) {
        Check(ReadAll(g_path + ".1") == input);
        std::remove((g_path + ".1").c_str());
    }
    CheckRanges();

    Check(LoadSaveSettings(1));
    const std::string saved = ReadAll(g_path);
    ResetSurveyModel();
    Check(LoadSaveSettings(0));
    CheckRanges();
    Check(LoadSaveSettings(1));
    const std::string again = ReadAll(g_path);
    if (again != saved) {
        size_t at = 0, line = 1, from = 0;
        for (; at < saved.size() && at < again.size() && saved[at] == again[at]; ++at) {
            if (saved[at] == '\n') ++line, from = at + 1;
        }
        const auto lineOf = [from](const std::string& file) { return file.substr(from, file.find('\r', from) - from); };
        std::fprintf(stderr, "line %zu saved \"%s\", saved again \"%s\"\n", line, lineOf(saved).c_str(),
                     lineOf(again).c_str());
        Check(again == saved);
    }
    return 0;
}
