// ostrima-instruments: virtual consoles (and a GPS port) on pseudo-terminals.
//
//   ostrima-instruments [--consoles N] [--types 2,2,1] [--ports 4,1,3]
//                       [--gps-port N] [--gps-format F] [--gps-rate HZ]
//                       [--gps-origin LAT,LON] [--rate HZ] [--seed S]
//                       [--run PROGRAM [ARGS...]]
//
// Opens one pty per console, mapped to the COM ports of the program's settings
// file (read as the program reads it) unless --ports says otherwise, prints
// the OSTRIMA_COM<n>=<device> assignments, and sends each console's "$PBAR"
// lines at the chosen rate.
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

#include "instrument_options.h"
#include "support/gps_instrument.h"
#include "support/pty_instrument.h"
#include "support/walking_survey.h"

namespace {

volatile std::sig_atomic_t g_stopSignal = 0;

void OnStopSignal(int sig) { g_stopSignal = sig; }

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
    using namespace instruments;
    LoadProgramSettings();
    Options o;
    if (!ParseOptions(argc, argv, o)) {
        Usage(stderr);
        return 2;
    }
    if (o.Help) {
        Usage(stdout);
        return 0;
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
    if (o.GpsOriginGiven) {
        walk.OriginLatitude = o.GpsLatitude;
        walk.OriginLongitude = o.GpsLongitude;
    }
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
