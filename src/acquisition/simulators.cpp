#include "acquisition/simulators.h"

#if defined(OSTRIMA_SIMULATORS)
#include <cstdio>
#include <cstring>

#include "acquisition/console_reader.h"
#include "acquisition/gps_fix.h"
#include "acquisition/gps_formats.h"
#include "acquisition/gps_monitor.h"
#include "acquisition/gps_reader.h"
#include "platform/tick.h"
#include "survey_files/data_file.h"
#include "survey_files/survey_model.h"

namespace {

// Readings of each simulated console: base .. base + span, per sensor.
struct SimulatedRange {
    int FirstBase, FirstSpan, SecondBase, SecondSpan;
};
constexpr SimulatedRange kRanges[kMaxConsoles] = {
    {60, 60, 40, 50},        // console 1: 60..120, 40..90
    {30, 30, 55, 30},        // console 2: 30..60, 55..85
    {35, 45, 45, 45},        // console 3: 35..80, 45..90
    {65, 20, 10, 50},        // console 4: 65..85, 10..60
    {75, 30, 65, 40},        // console 5: 75..105, 65..105
    {1100, 700, 1200, 2400}, // consoles 6 to 9: 1100..1800, 1200..3600
    {1100, 700, 1200, 2400},
    {1100, 700, 1200, 2400},
    {1100, 700, 1200, 2400},
};

// The classic generator's values 0..32767, one generator per thread.
int NextRandom(uint32_t& state) {
    state = state * 1103515245u + 12345u;
    return static_cast<int>((state >> 16) & 0x7FFF);
}

// Sleeps `ms` in short steps, ending early once `run` is no longer 1.
void SleepWhileRunning(const std::atomic<int32_t>& run, uint32_t ms) {
    for (uint32_t slept = 0; slept < ms && run.load() == 1; slept += 10) plat::SleepMilliseconds(10);
}

uint32_t ConsoleSimulator(int console) {
    const auto i = static_cast<size_t>(console);
    ConsoleLines.ConsoleMinLineLength[i] = ConsoleMinLineLength(SystemSetup.ConsoleType[i]);
    const SimulatedRange& r = kRanges[i];
    uint32_t random = 1u + static_cast<uint32_t>(console);
    while (ReaderThreads.ConsoleSimulatorRun.load() == 1) {
        const int first = r.FirstBase + NextRandom(random) * r.FirstSpan / 32767;
        const int second = r.SecondBase + NextRandom(random) * r.SecondSpan / 32767;
        char line[kConsoleLineChars];
        std::snprintf(line, sizeof line, "$PBAR,%4d,%4d", first, second);
        ConsoleLines.ConsoleLineTick[i] = plat::GetTickCount();
        std::memcpy(ConsoleLines.ConsoleLine[i], line, sizeof line);
        ConsoleLines.ConsoleBreakLogged[i] = 0;
        ConsoleLines.ConsoleConnBreak[i] = 0;
        plat::SendMessage(ScreenWindows.LogScreenWindow, kMsgConsoleReading + static_cast<uint32_t>(console), 0, 0);
        SleepWhileRunning(ReaderThreads.ConsoleSimulatorRun, 80);
    }
    return 0;
}

// One simulated sentence: listed by the GPS monitor when it feeds the
// monitor, else selected and recorded as the reader does with an accepted one.
void SimulateGpsSentence(const char* sentence, bool monitor) {
    const uint32_t tick = plat::GetTickCount();
    StoreGpsSentence(sentence, tick);
    if (monitor) {
        if (ReaderThreads.GpsMonitorHold.load() == 0) ShowGpsMonitorLine(sentence);
        return;
    }
    GpsSentenceBuffer.GpsLineReady = 1;
    const char* keyword = GpsSentenceFormat.GpsSentenceType;
    const GpsFormatRow* row = GpsFormatRowOf(GpsSentenceFormat.DataFormat);
    if (keyword[0] != 0 && std::strstr(sentence, keyword) != nullptr) {
        plat::SendMessage(ScreenWindows.LogScreenWindow, kMsgGpsSentence, 0, 0);
    } else if (row != nullptr && row->TakesGsa && std::strstr(sentence, "GSA") != nullptr) {
        plat::SendMessage(ScreenWindows.LogScreenWindow, kMsgGpsSentence, 0, 0);
    } else {
        WriteGpsSentenceRecordsWhileLogging(sentence, tick, 'X', '#');
    }
}

}  // namespace

// The GLL sentence reports a valid position (status "A"), so that the GLL
// format gives fixes from the simulator as well.
const char* const kSimulatedGpsSentences[9] = {
    "$GPGGA,173524,4336.5940,N,07936.6403,W,8,11,2.0,142.5,M,-35.4,M,,*70",
    "$GPGSA,A,3,01,07,08,11,13,17,27,28,30,,,,3.6,2.0,3.0*30",
    "$GPGLL,4336.5973,N,07936.6482,W,152346,A,S*49",
    "$GPBOD,325.5,T,336.3,M,TOUR5,TOUR4*42",
    "$GPBWC,152346,3512.7660,N,07630.8760,W,163.1,T,173.9,M,523.479,N,TOUR5,S*4E",
    "$GPVTG,0.0,T,10.8,M,0.0,N,0.0,K*77",
    "$GPXTE,V,V,9.99,L,N,S*18",
    "$GPRMC,152348,V,4336.5973,N,07936.6482,W,0.0,0.0,310520,10.8,W,S*22",
    "$GPRMB,V,9.99,L,TOUR4,TOUR5,3512.7660,N,07630.8760,W,523.479,163.1,,V,S*68",
};

uint32_t ConsoleSimulatorThread1(void*) { return ConsoleSimulator(0); }
uint32_t ConsoleSimulatorThread2(void*) { return ConsoleSimulator(1); }
uint32_t ConsoleSimulatorThread3(void*) { return ConsoleSimulator(2); }
uint32_t ConsoleSimulatorThread4(void*) { return ConsoleSimulator(3); }
uint32_t ConsoleSimulatorThread5(void*) { return ConsoleSimulator(4); }
uint32_t ConsoleSimulatorThread6(void*) { return ConsoleSimulator(5); }
uint32_t ConsoleSimulatorThread7(void*) { return ConsoleSimulator(6); }
uint32_t ConsoleSimulatorThread8(void*) { return ConsoleSimulator(7); }
uint32_t ConsoleSimulatorThread9(void*) { return ConsoleSimulator(8); }

const plat::ThreadProc kConsoleSimulatorThreads[9] = {
    ConsoleSimulatorThread1, ConsoleSimulatorThread2, ConsoleSimulatorThread3,
    ConsoleSimulatorThread4, ConsoleSimulatorThread5, ConsoleSimulatorThread6,
    ConsoleSimulatorThread7, ConsoleSimulatorThread8, ConsoleSimulatorThread9,
};

const int kGpsSimulatorFeedsMonitor = 1;

uint32_t GpsSimulatorThread(void* argument) {
    const bool monitor = argument == &kGpsSimulatorFeedsMonitor;
    plat::WaitMilliseconds(5);
    uint32_t burst = plat::GetTickCount();
    while (ReaderThreads.GpsSimulatorRun.load() == 1) {
        const uint32_t now = plat::GetTickCount();
        if (plat::TickDiff(burst, now) < 1000) {
            plat::SleepMilliseconds(1);  // a short nap rather than a spinning wait
            continue;
        }
        burst = now;
        for (const char* sentence : kSimulatedGpsSentences) SimulateGpsSentence(sentence, monitor);
        SleepWhileRunning(ReaderThreads.GpsSimulatorRun, 850);
    }
    return 0;
}

void UseSimulators() {
    ReaderThreads.SimulateConsoles = 1;
    ReaderThreads.SimulateGps = 1;
}

#endif  // OSTRIMA_SIMULATORS
