// A 20 Hz GPS (GGA, GSA and RMC each epoch) and nine consoles at the full
// 9600-baud line rate on pseudo-terminals while logging. Prints the sentences
// sent against the records in the data file (GGA and GSA as "@" groups, RMC
// as "X" records: nothing may be lost), the console lines against their
// records, the delay from a GGA's line end reaching the port to the start of
// its handler on the window thread (p50, p99, max), and the CPU time of the
// process (the feeding threads included).
//
//   gps_road_bench [seconds]      (default 60)
#include <array>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/console_reader.h"
#include "acquisition/console_reading.h"
#include "acquisition/gps_fix.h"
#include "acquisition/gps_formats.h"
#include "acquisition/gps_reader.h"
#include "acquisition/serial_setup.h"
#include "bench_support.h"
#include "log_screen/log_screen.h"
#include "support/gps_instrument.h"
#include "survey_files/data_records.h"
#include "survey_files/survey_model.h"

namespace {

using bench::Clock;
using bench::kConsoles;

constexpr int kGpsCom = 40;
constexpr double kEpochSeconds = 0.05;      // 20 Hz
constexpr double kStartTime = 10 * 3600.0;  // time of day of the first epoch
constexpr int kMaxEpochs = 200000;

std::array<std::atomic<int64_t>, kMaxEpochs> g_epochSentAt{};  // ns
std::vector<int64_t> g_delaysNs;                                // window thread only
std::atomic<uint64_t> g_linesWritten{0};
std::atomic<uint64_t> g_epochsWritten{0};
uint64_t g_consoleHandled = 0;
uint64_t g_gpsHandled = 0;

plat::LResult BenchLogScreenProc(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l) {
    if (message == kMsgGpsSentence) {
        const int64_t now = bench::NowNs();
        double t = 0.0;
        if (std::strstr(GpsSentenceBuffer.GpsLastSentence, "GGA") != nullptr &&
            DecodeGpsFixTime(GpsSentenceBuffer.GpsLastSentence, &t) == 1) {
            const long epoch = std::lround((t - kStartTime) / kEpochSeconds);
            if (epoch >= 0 && epoch < kMaxEpochs) g_delaysNs.push_back(now - g_epochSentAt[epoch].load());
        }
        ++g_gpsHandled;
        return OnGpsSentence(hwnd, message, w, l);
    }
    if (message >= kMsgConsoleReading && message < kMsgConsoleReading + kConsoles) {
        OnConsoleReading(static_cast<int>(message - kMsgConsoleReading));
        ++g_consoleHandled;
        return 0;
    }
    if (message == plat::kMsgTimer) {
        plat::PostQuitMessage(0);
        return 0;
    }
    return ScreenLogWndProc(hwnd, message, w, l);
}

void FeedConsoles(std::array<instruments::PtyInstrument, kConsoles>& ports, std::atomic<bool>& stop) {
    const auto period = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(1.0 / bench::kConsoleLinesPerSecond));
    auto next = Clock::now();
    for (int seq = 0; !stop.load(); seq = (seq + 1) % 10000) {
        for (int i = 0; i < kConsoles; ++i) {
            const std::string line = instruments::ConsoleLine(seq, 100 + i);
            if (ports[i].Write(line) == line.size()) ++g_linesWritten;
        }
        next += period;
        std::this_thread::sleep_until(next);
    }
}

void FeedGps(instruments::PtyInstrument& port, std::atomic<bool>& stop) {
    instruments::GpsWalkOptions o;
    o.Format = 0;
    o.WithRmc = true;
    o.StartTime = kStartTime;
    instruments::WalkingGps walk(o);
    const auto period = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(kEpochSeconds));
    auto next = Clock::now();
    for (int epoch = 0; !stop.load() && epoch < kMaxEpochs; ++epoch) {
        const std::string lines = walk.NextEpoch(kEpochSeconds);
        g_epochSentAt[epoch].store(bench::NowNs());  // never later than the GGA's line end
        if (port.Write(lines) == lines.size()) ++g_epochsWritten;
        next += period;
        std::this_thread::sleep_until(next);
    }
}

bool IsConsoleTag(uint8_t c) {
    for (const uint8_t tag : DataFileState.ConsoleRecordTag) {
        if (c == tag) return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 60.0;
    static std::array<instruments::PtyInstrument, kConsoles> ports;
    static instruments::PtyInstrument gps;
    if (!bench::StartBench(BenchLogScreenProc) || !bench::StartConsoles(ports)) return 1;
    if (!gps.Open(kGpsCom)) {
        std::fprintf(stderr, "pty: %s\n", gps.Error().c_str());
        return 1;
    }
    GpsPortSetup.Port = kGpsCom - 1;
    GpsPortSetup.DataFormat = 0;
    GpsPortSetup.InputMode = 1;  // the panel's GPS cells are shown and drawn
    SetupGpsSentenceFields();
    if (OpenGpsPort(0) != 1) return 1;
    ReaderThreads.GpsReaderState = 1;
    ReaderThreads.GpsReaderRun = 1;
    const plat::ThreadHandle gpsReader = plat::StartThread(GpsReaderThread, nullptr);
    bench::ShowLogScreen();
    bench::WaitForReaders(true);

    bench::StartCpuClock();
    std::atomic<bool> stop{false};
    std::thread consoleFeeder(FeedConsoles, std::ref(ports), std::ref(stop));
    std::thread gpsFeeder(FeedGps, std::ref(gps), std::ref(stop));
    bench::RunFor(seconds);
    stop = true;
    consoleFeeder.join();
    gpsFeeder.join();
    plat::test::RunEventsUntil(
        [](void*) { return g_consoleHandled >= g_linesWritten.load() && g_gpsHandled >= 2 * g_epochsWritten.load(); },
        nullptr, 5000);
    plat::test::RunEventsFor(200);  // the last groups are written after their hand-over
    const double wall = bench::WallSeconds();
    const double cpu = bench::CpuSeconds();
    const double windowCpu = bench::WindowThreadCpuSeconds();
    const std::string file = bench::StopBench(ports, gpsReader, &gps);

    uint64_t groups = 0, singles = 0, rejected = 0, consoleRecords = 0;
    for (size_t r = 0; r + kDataRecordLength <= file.size(); r += kDataRecordLength) {
        const auto c = static_cast<uint8_t>(file[r]);
        groups += c == '@';
        singles += c == 'X';
        rejected += c == '?';
        consoleRecords += IsConsoleTag(c);
    }
    const uint64_t epochs = g_epochsWritten.load();
    const bool complete = groups == 2 * epochs && singles == epochs && consoleRecords == g_linesWritten.load();
    std::printf("GPS road: 20 Hz GGA+GSA+RMC and %d consoles at %.1f lines/s each for %.1f s\n", kConsoles,
                bench::kConsoleLinesPerSecond, wall);
    std::printf("  GPS sentences sent   %llu  (%llu epochs)\n", static_cast<unsigned long long>(3 * epochs),
                static_cast<unsigned long long>(epochs));
    std::printf("  \"@\" groups in file   %llu  (GGA+GSA sent %llu)\n", static_cast<unsigned long long>(groups),
                static_cast<unsigned long long>(2 * epochs));
    std::printf("  \"X\" records in file  %llu  (RMC sent %llu)\n", static_cast<unsigned long long>(singles),
                static_cast<unsigned long long>(epochs));
    std::printf("  rejected groups      %llu\n", static_cast<unsigned long long>(rejected));
    std::printf("  console lines sent   %llu, records in file %llu\n",
                static_cast<unsigned long long>(g_linesWritten.load()), static_cast<unsigned long long>(consoleRecords));
    std::printf("  GGA line end -> handler  p50 %.2f ms  p99 %.2f ms  max %.2f ms  (%zu sentences)\n",
                bench::Percentile(g_delaysNs, 0.50), bench::Percentile(g_delaysNs, 0.99),
                bench::Percentile(g_delaysNs, 1.0), g_delaysNs.size());
    std::printf("  process CPU          %.2f s = %.1f %% of one core, %.1f us per line or sentence\n", cpu,
                100.0 * cpu / wall, 1e6 * cpu / static_cast<double>(g_consoleHandled + g_gpsHandled));
    std::printf("  window thread        %.2f s = %.1f %% of one core, %.1f us per line or sentence\n", windowCpu,
                100.0 * windowCpu / wall, 1e6 * windowCpu / static_cast<double>(g_consoleHandled + g_gpsHandled));
    std::printf("  %s\n", complete ? "nothing lost" : "RECORDS MISSING");
    return complete ? 0 : 2;
}
