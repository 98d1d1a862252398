// The helper of scripts/time-open-survey, which opens a large survey in the
// real program as an operator would (instruments on pseudo-terminals, keys
// typed into the windows, the file chooser) and times the path to Stand By.
//
//   open_driver prepare DIR DISPLAYTYPE [FIXES [MAPSIZE]]
//       Writes the settings file under $XDG_CONFIG_HOME (nine two-sensor
//       consoles on COM1, COM3..COM10, GPS GGA/GSA on COM2, the data folder
//       DIR, MAPSIZE (default 40), DISPLAYTYPE 0 positions or 1 colour map) and the
//       survey DIR/survey.osd (FIXES, default the generator's 28799) laid out
//       where the instruments' GPS walks, in its UTM zone, so that the file
//       passes the append check and fits the map. Prints the instruments'
//       options on stdout.
//
//   open_driver settle PID QUIET_MS [COMMAND...]
//       Runs COMMAND (the key press that starts the work, e.g. xdotool), then
//       watches the program's window thread (the process's first thread,
//       /proc/PID/task/PID/schedstat: nanoseconds on a CPU and waiting for
//       one) every 2 ms until it has been busy (on a CPU or waiting for one)
//       less than a quarter of a QUIET_MS window, counted once it has been
//       busy 5 ms after the key (the key reaches it through the X server).
//       Prints
//       the wall time from the command to the start of that quiet window and
//       the window thread's CPU time in it:
//           settle: wall 1234.5 ms, window thread CPU 1180.2 ms
//       The program keeps handling console lines and fixes while it waits
//       (a few per cent of a core), so "quiet" is not "idle"; the end found
//       may be early by up to a tenth of QUIET_MS.
//
//   open_driver until PID CHECK [COMMAND...]
//       Runs COMMAND, then the shell command CHECK every 2 ms or so until it
//       succeeds (e.g. xdotool finding a window); prints the wall time and
//       the window thread's CPU time from COMMAND to then:
//           until: wall 45.1 ms, window thread CPU 40.2 ms
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "platform/files.h"
#include "platform/text.h"
#include "survey_files/settings_file.h"
#include "survey_files/survey_model.h"
#include "survey_files/utm.h"
#include "survey_generator.h"

namespace {

// Where tools/instruments' GPS starts walking (its default origin).
constexpr double kInstrumentLatitude = 48.1173;
constexpr double kInstrumentLongitude = 11.5167;
// COM numbers of the nine consoles; the GPS is on COM2.
constexpr int kConsolePorts[9] = {1, 3, 4, 5, 6, 7, 8, 9, 10};

int Prepare(const std::string& dir, int displayType, int fixes, int mapSize) {
    int zone = 0;
    double northing = 0.0, easting = 0.0;
    if (!GeodeticToUtm(kInstrumentLatitude, kInstrumentLongitude, &zone, &northing, &easting, 0)) return 1;
    bench::SurveyShape shape;
    if (fixes > 0) shape.Fixes = fixes;
    shape.OriginX = easting;
    shape.OriginY = northing;
    shape.UtmZone = zone;
    bench::GeneratedSurvey made;
    const std::string survey = dir + "/survey.osd";
    if (!bench::WriteSurveyFile(survey, shape, &made)) return 1;

    // The generator left the model as the file describes it; the settings follow it.
    for (int i = 0; i < 9; ++i) SystemSetup.ConsolePort[static_cast<size_t>(i)] = kConsolePorts[i] - 1;
    GpsPortSetup.Port = 1;
    MapDisplayOptions.DisplayType = displayType;
    MapDisplayOptions.MapSize = mapSize > 0 ? mapSize : 40;
    const std::u16string folder = plat::Utf8ToUtf16(dir + "/");
    if (folder.size() >= std::size(ProgramSettings.DataFolder)) return 1;
    std::copy(folder.begin(), folder.end(), ProgramSettings.DataFolder);
    ProgramSettings.DataFolder[folder.size()] = 0;
    if (!plat::PrepareProgramFolders() || !LoadSaveSettings(1)) {
        std::fprintf(stderr, "cannot write the settings file\n");
        return 1;
    }
    std::fprintf(stderr, "survey %s: %d fixes, %lld records, %.1f MB, zone %d\n", survey.c_str(), shape.Fixes,
                 static_cast<long long>(made.Records), made.Bytes / 1e6, zone);
    std::printf("--consoles 9 --types 2,2,2,2,2,2,2,2,2 --ports 1,3,4,5,6,7,8,9,10 --gps-port 2 --gps-format 0\n");
    return 0;
}

// The window thread's time on a CPU and its time waiting for one
// (runnable, on a run queue), in nanoseconds; false once the program is gone.
// On a loaded machine a busy thread spends much of its time waiting for a
// CPU: both count as busy.
bool WindowThreadTimes(const std::string& pid, long long* running, long long* waiting) {
    std::ifstream in("/proc/" + pid + "/task/" + pid + "/schedstat");
    return static_cast<bool>(in >> *running >> *waiting);
}

// Busy time after the key that shows the window thread is at work on it.
constexpr long long kStartedNs = 5000000;

using Clock = std::chrono::steady_clock;

// The window thread's times and the clock, then `command` run (a key typed):
// where Until and Settle count from. False when the program is gone or the
// command failed.
bool StartTimed(const std::string& pid, const std::vector<std::string>& command, long long* run0, long long* wait0,
                Clock::time_point* t0) {
    std::string line;
    for (const std::string& word : command) line += "'" + word + "' ";
    if (!WindowThreadTimes(pid, run0, wait0)) return false;
    *t0 = Clock::now();
    return line.empty() || std::system(line.c_str()) == 0;
}

// Runs `command`, then `until` every few milliseconds until it succeeds (a
// window has appeared); prints the wall time and the window thread's CPU time
// from the command to then.
int Until(const std::string& pid, const std::string& until, const std::vector<std::string>& command) {
    long long run0 = 0, wait0 = 0;
    Clock::time_point t0;
    if (!StartTimed(pid, command, &run0, &wait0, &t0)) return 1;
    const std::string quietly = until + " >/dev/null 2>&1";
    for (;;) {
        const bool done = std::system(quietly.c_str()) == 0;
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        long long running = 0, waiting = 0;
        if (!WindowThreadTimes(pid, &running, &waiting) || ms > 120000.0) return 1;
        if (done) {
            std::printf("until: wall %.1f ms, window thread CPU %.1f ms\n", ms, (running - run0) / 1e6);
            return 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

int Settle(const std::string& pid, double quietMs, const std::vector<std::string>& command) {
    struct Sample {
        double Ms;
        long long Running, Busy;  // ns on a CPU; ns on a CPU or waiting for one
    };
    std::vector<Sample> samples;
    long long run0 = 0, wait0 = 0;
    Clock::time_point t0;
    if (!StartTimed(pid, command, &run0, &wait0, &t0)) return 1;
    for (;;) {
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        long long running = 0, waiting = 0;
        if (!WindowThreadTimes(pid, &running, &waiting) || ms > 120000.0) return 1;
        samples.push_back({ms, running, running + waiting});
        // The key reaches the program through the X server: nothing counts as
        // quiet before the window thread has started on it.
        if (samples.back().Busy - (run0 + wait0) < kStartedNs) {
            samples.erase(samples.begin(), samples.end() - 1);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            continue;
        }
        // The earliest sample from which the last QUIET_MS stayed quiet.
        size_t from = samples.size() - 1;
        while (from > 0 && ms - samples[from - 1].Ms <= quietMs) --from;
        if (ms - samples[from].Ms >= quietMs * 0.95 && samples[from].Ms > 0.0 &&
            (samples.back().Busy - samples[from].Busy) / 1e6 < quietMs / 10) {
            std::printf("settle: wall %.1f ms, window thread CPU %.1f ms\n", samples[from].Ms,
                        (samples[from].Running - run0) / 1e6);
            return 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::string what = argc > 1 ? argv[1] : "";
    if (what == "prepare" && argc >= 4) {
        return Prepare(argv[2], std::atoi(argv[3]), argc > 4 ? std::atoi(argv[4]) : 0, argc > 5 ? std::atoi(argv[5]) : 0);
    }
    if (what == "until" && argc >= 4) return Until(argv[2], argv[3], std::vector<std::string>(argv + 4, argv + argc));
    if (what == "settle" && argc >= 4) return Settle(argv[2], std::atof(argv[3]), std::vector<std::string>(argv + 4, argv + argc));
    std::fprintf(stderr, "usage: open_driver prepare DIR DISPLAYTYPE [FIXES [MAPSIZE]] | settle PID QUIET_MS [COMMAND...]"
                         " | until PID CHECK [COMMAND...]\n");
    return 2;
}
