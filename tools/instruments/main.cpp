// ostrima-instruments: virtual consoles (and a GPS port) on pseudo-terminals.
//
//   ostrima-instruments [--consoles N] [--types 2,2,1] [--ports 4,1,3]
//                       [--gps-port N] [--gps-format F] [--gps-rate HZ]
//                       [--gps-origin LAT,LON] [--rate HZ] [--seed S]
//                       [--run PROGRAM [ARGS...]]
//
// Opens one pty per console, mapped to the COM ports of the program's default
// settings unless --ports says otherwise, prints the OSTRIMA_COM<n>=<device>
// assignments, and sends each console's "$PBAR" lines at the chosen rate.
// The GPS port carries a receiver walking survey lines, in the chosen data
// format of the program.
// With --run it starts PROGRAM with those variables set and feeds the
// consoles until PROGRAM exits, then exits with PROGRAM's status. Without
// --run it feeds until interrupted.
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "support/gps_instrument.h"
#include "support/pty_instrument.h"
#include "support/walking_survey.h"
#include "survey_files/survey_model.h"

namespace {

volatile std::sig_atomic_t g_stopSignal = 0;

void OnStopSignal(int sig) { g_stopSignal = sig; }

struct Options {
    int Consoles = 0;
    std::vector<int> Sensors;     // per console, 1 or 2
    std::vector<int> Ports;       // per console, COM number
    int GpsPort = 0;              // COM number, 0 = no GPS port
    int GpsFormat = 0;            // the program's GPS data format 0..8
    double GpsRate = 1.0;         // epochs per second
    double GpsLatitude = instruments::GpsWalkOptions{}.OriginLatitude;    // degrees: start of the first line
    double GpsLongitude = instruments::GpsWalkOptions{}.OriginLongitude;
    double Rate = 10.0;           // lines per second per console
    uint32_t Seed = 1;
    char** Run = nullptr;         // PROGRAM and its arguments, null-terminated
};

void Usage(FILE* to) {
    std::fprintf(to,
        "usage: ostrima-instruments [options] [--run PROGRAM [ARGS...]]\n"
        "  --consoles N     consoles in the array, 1..9 (default from the settings: %d)\n"
        "  --types LIST     sensors per console, 1 or 2, comma-separated (default 2 each)\n"
        "  --ports LIST     COM number of each console, comma-separated\n"
        "                   (default from the settings: COM4, COM1, COM3, ...)\n"
        "  --gps-port N     COM number of the GPS port, 0 for none (default 2)\n"
        "  --gps-format F   GPS data format 0..8 as in the GPS port setup: 0 GGA/GSA,\n"
        "                   1 GGA, 2 POS, 3 LLK, 4 LLQ, 5 GLL, 6 GGK, 7 RTS pseudo GGA,\n"
        "                   8 Pseudo GLL (default from the settings: %d)\n"
        "  --gps-rate HZ    GPS epochs per second (default 1)\n"
        "  --gps-origin LAT,LON  degrees where the walk starts, north and east positive\n"
        "                   (default 48.1173,11.5167); its lines run north, then south\n"
        "  --rate HZ        lines per second from each console (default 10)\n"
        "  --seed S         seed of the simulated readings (default 1)\n"
        "  --run PROGRAM    start PROGRAM with the ports set and feed it until it exits\n",
        SystemSetupRecord{}.ConsoleCount, GpsPortSetupRecord{}.DataFormat);
}

bool ParseInt(const char* text, long low, long high, int& out) {
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != 0 || v < low || v > high) return false;
    out = static_cast<int>(v);
    return true;
}

bool ParseList(const char* text, long low, long high, std::vector<int>& out) {
    out.clear();
    std::string all(text);
    size_t start = 0;
    while (start <= all.size()) {
        const size_t comma = all.find(',', start);
        const std::string item = all.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        int v = 0;
        if (!ParseInt(item.c_str(), low, high, v)) return false;
        out.push_back(v);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return !out.empty();
}

bool ParseOptions(int argc, char** argv, Options& o) {
    const SystemSetupRecord system{};
    const GpsPortSetupRecord gps{};
    o.Consoles = system.ConsoleCount;
    o.GpsPort = gps.Port + 1;
    o.GpsFormat = gps.DataFormat;
    bool typesGiven = false, portsGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--help" || a == "-h") {
            Usage(stdout);
            std::exit(0);
        } else if (a == "--run" && hasValue) {
            o.Run = argv + i + 1;
            break;
        } else if (a == "--consoles" && hasValue) {
            if (!ParseInt(argv[++i], 1, kMaxConsoles, o.Consoles)) return false;
        } else if (a == "--types" && hasValue) {
            if (!ParseList(argv[++i], 1, 2, o.Sensors)) return false;
            typesGiven = true;
        } else if (a == "--ports" && hasValue) {
            if (!ParseList(argv[++i], 1, 48, o.Ports)) return false;
            portsGiven = true;
        } else if (a == "--gps-port" && hasValue) {
            if (!ParseInt(argv[++i], 0, 48, o.GpsPort)) return false;
        } else if (a == "--gps-format" && hasValue) {
            if (!ParseInt(argv[++i], 0, 8, o.GpsFormat)) return false;
        } else if (a == "--gps-rate" && hasValue) {
            char* end = nullptr;
            o.GpsRate = std::strtod(argv[++i], &end);
            if (end == argv[i] || *end != 0 || !(o.GpsRate > 0.0) || o.GpsRate > 100.0) return false;
        } else if (a == "--gps-origin" && hasValue) {
            char* end = nullptr;
            o.GpsLatitude = std::strtod(argv[++i], &end);
            if (end == argv[i] || *end != ',' || !(std::fabs(o.GpsLatitude) < 89.0)) return false;
            const char* lon = end + 1;
            o.GpsLongitude = std::strtod(lon, &end);
            if (end == lon || *end != 0 || !(std::fabs(o.GpsLongitude) <= 180.0)) return false;
        } else if (a == "--rate" && hasValue) {
            char* end = nullptr;
            o.Rate = std::strtod(argv[++i], &end);
            if (end == argv[i] || *end != 0 || !(o.Rate > 0.0) || o.Rate > 1000.0) return false;
        } else if (a == "--seed" && hasValue) {
            int seed = 0;
            if (!ParseInt(argv[++i], 0, 2147483647L, seed)) return false;
            o.Seed = static_cast<uint32_t>(seed);
        } else {
            return false;
        }
    }
    if (!typesGiven) {
        o.Sensors.clear();
        for (int c = 0; c < o.Consoles; ++c) o.Sensors.push_back(system.ConsoleType[c] == 1 ? 2 : 1);
    }
    if (!portsGiven) {
        o.Ports.clear();
        for (int c = 0; c < o.Consoles; ++c) o.Ports.push_back(system.ConsolePort[c] + 1);
    }
    if (static_cast<int>(o.Sensors.size()) != o.Consoles) {
        std::fprintf(stderr, "ostrima-instruments: --types needs one entry per console (%d)\n", o.Consoles);
        return false;
    }
    if (static_cast<int>(o.Ports.size()) != o.Consoles) {
        std::fprintf(stderr, "ostrima-instruments: --ports needs one entry per console (%d)\n", o.Consoles);
        return false;
    }
    return true;
}

// Two instruments cannot share a port; the default settings put consoles 1
// and 4 both on COM4, so larger arrays need --ports.
bool PortsAreDistinct(const Options& o) {
    std::vector<int> all = o.Ports;
    if (o.GpsPort != 0) all.push_back(o.GpsPort);
    for (size_t i = 0; i < all.size(); ++i) {
        for (size_t j = i + 1; j < all.size(); ++j) {
            if (all[i] != all[j]) continue;
            std::fprintf(stderr, "ostrima-instruments: COM%d is given twice; choose the ports with --ports%s\n",
                         all[i], o.GpsPort == all[i] ? " or --gps-port" : "");
            return false;
        }
    }
    return true;
}

void OnChildEnded(int) {}

// The stop signals and the child's end are taken only while main() waits in
// sigsuspend: blocked everywhere else, so the feeder thread (which inherits
// the mask) never swallows one and no signal slips in between a test and the
// wait.
void InstallSignalHandlers(sigset_t& waitMask) {
    struct sigaction sa {};
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;
    sa.sa_handler = OnStopSignal;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    sa.sa_handler = OnChildEnded;
    sigaction(SIGCHLD, &sa, nullptr);
    sigset_t block;
    sigemptyset(&block);
    sigaddset(&block, SIGINT);
    sigaddset(&block, SIGTERM);
    sigaddset(&block, SIGHUP);
    sigaddset(&block, SIGCHLD);
    sigprocmask(SIG_BLOCK, &block, &waitMask);
}

// Starts PROGRAM with the signal set-up we found; the OSTRIMA_COM<n>
// variables are already in our environment.
pid_t StartProgram(char** run, const sigset_t& originalMask) {
    const pid_t child = fork();
    if (child == 0) {
        struct sigaction sa {};
        sa.sa_handler = SIG_DFL;
        sigemptyset(&sa.sa_mask);
        sigaction(SIGINT, &sa, nullptr);
        sigaction(SIGTERM, &sa, nullptr);
        sigaction(SIGHUP, &sa, nullptr);
        sigaction(SIGCHLD, &sa, nullptr);
        sigprocmask(SIG_SETMASK, &originalMask, nullptr);
        execvp(run[0], run);
        std::fprintf(stderr, "ostrima-instruments: cannot start %s: %s\n", run[0], std::strerror(errno));
        _exit(127);
    }
    return child;
}

// Waits for PROGRAM to end (or, without one, for a stop signal), passing a
// stop request on to PROGRAM once. Returns the exit status to give.
int WaitForEnd(pid_t child, const sigset_t& waitMask) {
    bool forwarded = false;
    for (;;) {
        if (child > 0) {
            int status = 0;
            const pid_t done = waitpid(child, &status, WNOHANG);
            if (done == child && WIFEXITED(status)) return WEXITSTATUS(status);
            if (done == child && WIFSIGNALED(status)) return 128 + WTERMSIG(status);
            if (done < 0 && errno != EINTR) return 1;
            if (g_stopSignal != 0 && !forwarded) {
                kill(child, SIGTERM);
                forwarded = true;
            }
        } else if (g_stopSignal != 0) {
            return 0;
        }
        sigsuspend(&waitMask);
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!ParseOptions(argc, argv, o)) {
        Usage(stderr);
        return 2;
    }
    if (!PortsAreDistinct(o)) return 2;
    sigset_t waitMask;
    InstallSignalHandlers(waitMask);

    std::vector<std::unique_ptr<instruments::PtyInstrument>> consoles;
    std::vector<std::unique_ptr<instruments::WalkingSurvey>> readings;
    instruments::InstrumentFeeder feeder;
    for (int c = 0; c < o.Consoles; ++c) {
        auto port = std::make_unique<instruments::PtyInstrument>();
        if (!port->Open(o.Ports[c])) {
            std::fprintf(stderr, "ostrima-instruments: console %d: %s\n", c + 1, port->Error().c_str());
            return 1;
        }
        auto survey = std::make_unique<instruments::WalkingSurvey>(o.Seed + static_cast<uint32_t>(c), o.Sensors[c]);
        instruments::WalkingSurvey* source = survey.get();
        feeder.Add(port.get(), [source] { return source->NextLine(); });
        std::printf("OSTRIMA_COM%d=%s\n", o.Ports[c], port->SlavePath().c_str());
        std::fprintf(stderr, "console %d (%d sensor%s) on COM%d\n", c + 1, o.Sensors[c],
                     o.Sensors[c] == 1 ? "" : "s", o.Ports[c]);
        consoles.push_back(std::move(port));
        readings.push_back(std::move(survey));
    }

    // The GPS port: a receiver walking 40 m survey lines 1 m apart at 1 m/s.
    instruments::PtyInstrument gps;
    instruments::GpsWalkOptions walk;
    walk.Format = o.GpsFormat;
    walk.OriginLatitude = o.GpsLatitude;
    walk.OriginLongitude = o.GpsLongitude;
    walk.Quality = 2;  // a differential fix, as survey receivers deliver, so the default mask passes
    instruments::WalkingGps receiver(walk);
    instruments::InstrumentFeeder gpsFeeder;
    if (o.GpsPort != 0) {
        if (!gps.Open(o.GpsPort)) {
            std::fprintf(stderr, "ostrima-instruments: GPS: %s\n", gps.Error().c_str());
            return 1;
        }
        const double epoch = 1.0 / o.GpsRate;
        gpsFeeder.Add(&gps, [&receiver, epoch] { return receiver.NextEpoch(epoch); });
        std::printf("OSTRIMA_COM%d=%s\n", o.GpsPort, gps.SlavePath().c_str());
        std::fprintf(stderr, "GPS on COM%d (format %d, %g epochs per second)\n", o.GpsPort, o.GpsFormat, o.GpsRate);
    }
    std::fflush(stdout);

    if (!feeder.Start(o.Rate)) return 1;
    if (o.GpsPort != 0 && !gpsFeeder.Start(o.GpsRate)) {
        feeder.Stop();
        return 1;
    }
    pid_t child = 0;
    if (o.Run != nullptr) {
        child = StartProgram(o.Run, waitMask);
        if (child < 0) {
            std::fprintf(stderr, "ostrima-instruments: fork: %s\n", std::strerror(errno));
            feeder.Stop();
            gpsFeeder.Stop();
            return 1;
        }
    }
    const int status = WaitForEnd(child, waitMask);
    feeder.Stop();
    gpsFeeder.Stop();
    return status;
}
