// Nine consoles on pseudo-terminals at the full 9600-baud line rate while
// logging. Prints the lines written against the records in the data file
// (they must be equal), the delay from a line's LF reaching the port to its
// record being written (p50, p99, max), and the CPU time of the process
// (the feeding thread included).
//
//   console_road_bench [seconds]      (default 60)
#include <array>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/console_reader.h"
#include "acquisition/console_reading.h"
#include "bench_support.h"
#include "log_screen/log_screen.h"
#include "survey_files/data_records.h"
#include "survey_files/survey_model.h"

namespace {

using bench::Clock;
using bench::kConsoles;

constexpr int kSeqSlots = 10000;  // the first reading carries the line's number

std::array<std::array<std::atomic<int64_t>, kSeqSlots>, kConsoles> g_sentAt{};  // ns, per line
std::vector<int64_t> g_delaysNs;                                                // window thread only
std::atomic<uint64_t> g_linesWritten{0};
uint64_t g_handled = 0;

// The logging screen's part that matters here: the nine console handlers,
// each timed from the line's LF to the end of its handler (record written).
plat::LResult BenchLogScreenProc(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l) {
    if (message == plat::kMsgTimer) {  // the run is over
        plat::PostQuitMessage(0);
        return 0;
    }
    if (message < kMsgConsoleReading || message > kMsgConsoleReading + 8) {
        return ScreenLogWndProc(hwnd, message, w, l);
    }
    const int console = static_cast<int>(message - kMsgConsoleReading);
    const char* line = ConsoleLines.ConsoleLine[console];
    double first = -1.0;
    ReadReadingField(line, std::strlen(line), 1, &first);
    const int seq = static_cast<int>(first);
    OnConsoleReading(console);
    if (seq >= 0 && seq < kSeqSlots) g_delaysNs.push_back(bench::NowNs() - g_sentAt[console][seq].load());
    ++g_handled;
    return 0;
}

void Feed(std::array<instruments::PtyInstrument, kConsoles>& ports, std::atomic<bool>& stop) {
    const auto period = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(1.0 / bench::kConsoleLinesPerSecond));
    auto next = Clock::now();
    for (int seq = 0; !stop.load(); seq = (seq + 1) % kSeqSlots) {
        for (int i = 0; i < kConsoles; ++i) {
            const std::string line = instruments::ConsoleLine(seq, 100 + i);
            // The LF is at the port once the write returns; stamp just before
            // it, so the stamp is never later than the byte.
            g_sentAt[i][seq].store(bench::NowNs());
            if (ports[i].Write(line) == line.size()) ++g_linesWritten;
        }
        next += period;
        std::this_thread::sleep_until(next);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 60.0;
    static std::array<instruments::PtyInstrument, kConsoles> ports;
    if (!bench::StartBench(BenchLogScreenProc) || !bench::StartConsoles(ports)) return 1;
    bench::ShowLogScreen();
    bench::WaitForReaders(false);

    bench::StartCpuClock();
    std::atomic<bool> stop{false};
    std::thread feeder(Feed, std::ref(ports), std::ref(stop));
    bench::RunFor(seconds);  // the program's own message loop, which waits for work instead of polling
    stop = true;
    feeder.join();
    plat::test::RunEventsUntil([](void*) { return g_handled >= g_linesWritten.load(); }, nullptr, 5000);
    const double wall = bench::WallSeconds();
    const double cpu = bench::CpuSeconds();
    const double windowCpu = bench::WindowThreadCpuSeconds();
    const std::string file = bench::StopBench(ports, 0, nullptr);

    const uint64_t records = file.size() / kDataRecordLength;
    std::printf("console road: %d consoles at %.1f lines/s each for %.1f s\n", kConsoles,
                bench::kConsoleLinesPerSecond, wall);
    std::printf("  lines written    %llu\n", static_cast<unsigned long long>(g_linesWritten.load()));
    std::printf("  records in file  %llu  (%s)\n", static_cast<unsigned long long>(records),
                records == g_linesWritten.load() ? "equal" : "NOT EQUAL");
    std::printf("  delay LF -> record  p50 %.2f ms  p99 %.2f ms  max %.2f ms  (%zu lines)\n",
                bench::Percentile(g_delaysNs, 0.50), bench::Percentile(g_delaysNs, 0.99),
                bench::Percentile(g_delaysNs, 1.0), g_delaysNs.size());
    std::printf("  process CPU      %.2f s = %.1f %% of one core, %.1f us per line\n", cpu, 100.0 * cpu / wall,
                1e6 * cpu / static_cast<double>(g_handled));
    std::printf("  window thread    %.2f s = %.1f %% of one core, %.1f us per line\n", windowCpu,
                100.0 * windowCpu / wall, 1e6 * windowCpu / static_cast<double>(g_handled));
    return records == g_linesWritten.load() ? 0 : 2;
}
