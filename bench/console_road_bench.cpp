// Nine consoles on pseudo-terminals at the full 9600-baud line rate while
// logging. Prints the lines written against the records in the data file
// (they must be equal), the delay from a line's LF reaching the port to its
// record being written (p50, p99, max), and the CPU time of the process
// (the feeding thread included).
//
//   console_road_bench [seconds]      (default 60)
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/console_reader.h"
#include "acquisition/console_reading.h"
#include "acquisition/serial_setup.h"
#include "platform/files.h"
#include "platform/serial_port.h"
#include "platform/text.h"
#include "platform/tick.h"
#include "platform/window.h"
#include "support/pty_instrument.h"
#include "survey_files/data_file.h"
#include "survey_files/survey_model.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kConsoles = 9;
constexpr int kFirstCom = 30;
constexpr int kSeqSlots = 10000;                 // the first reading carries the line's number
constexpr double kLineBytes = 17.0;              // "$PBAR,nnnn,nnnn" CR LF
constexpr double kLinesPerSecond = 960.0 / kLineBytes;  // 9600 baud, 10 bits a byte

std::array<std::array<std::atomic<int64_t>, kSeqSlots>, kConsoles> g_sentAt{};  // ns since start, per line
Clock::time_point g_start;
std::vector<int64_t> g_delaysNs;                // window thread only
std::atomic<uint64_t> g_linesWritten{0};
uint64_t g_handled = 0;

int64_t NowNs() { return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - g_start).count(); }

// The logging screen's part that matters here: the nine console handlers,
// each timed from the line's LF to the end of its handler (record written).
plat::LResult BenchLogScreenProc(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l) {
    if (message == plat::kMsgTimer) {  // the run is over
        plat::KillTimer(hwnd, w);
        plat::PostQuitMessage(0);
        return 0;
    }
    if (message < kMsgConsoleReading || message > kMsgConsoleReading + 8) {
        return plat::DefaultWindowProc(hwnd, message, w, l);
    }
    const int console = static_cast<int>(message - kMsgConsoleReading);
    char field[kNumericFieldChars];
    int seq = -1;
    if (GetNumericField(ConsoleLines.ConsoleLine[console], 1, ',', field) == 1) seq = std::atoi(field);
    OnConsoleReading(console);
    if (seq >= 0 && seq < kSeqSlots) g_delaysNs.push_back(NowNs() - g_sentAt[console][seq].load());
    ++g_handled;
    return 0;
}

void Feed(std::array<instruments::PtyInstrument, kConsoles>& ports, std::atomic<bool>& stop) {
    const auto period = std::chrono::duration<double>(1.0 / kLinesPerSecond);
    auto next = Clock::now();
    for (int seq = 0; !stop.load(); seq = (seq + 1) % kSeqSlots) {
        for (int i = 0; i < kConsoles; ++i) {
            const std::string line = instruments::ConsoleLine(seq, 100 + i);
            // The LF is at the port once the write returns; stamp just before
            // it, so the stamp is never later than the byte.
            g_sentAt[i][seq].store(NowNs());
            if (ports[i].Write(line) == line.size()) ++g_linesWritten;
        }
        next += std::chrono::duration_cast<Clock::duration>(period);
        std::this_thread::sleep_until(next);
    }
}

double Percentile(std::vector<int64_t>& v, double p) {
    if (v.empty()) return 0.0;
    const size_t k = std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size())));
    std::nth_element(v.begin(), v.begin() + static_cast<long>(k), v.end());
    return static_cast<double>(v[k]) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 60.0;
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    g_start = Clock::now();
    if (!plat::StartApplication()) {
        std::fprintf(stderr, "cannot start the application\n");
        return 1;
    }
    ResetSurveyModel();
    plat::WindowClass cls;
    cls.Name = u"BenchLogScreen";
    cls.Proc = BenchLogScreenProc;
    plat::RegisterWindowClass(cls);
    ScreenWindows.LogScreenWindow = plat::CreateWindow(u"BenchLogScreen", u"", 0, 0, 0, 200, 100, 0, 0);
    InitConsoleRecordTags();

    char folder[] = "/tmp/ostrima-bench-XXXXXX";
    if (mkdtemp(folder) == nullptr) return 1;
    const std::string path = std::string(folder) + "/bench.osd";
    const std::u16string path16 = plat::Utf8ToUtf16(path);
    DataFileState.DataFileHandle = plat::OpenFile(path16.c_str(), plat::FileOpen::OpenOrCreateReadWrite, true);
    if (DataFileState.DataFileHandle == plat::kInvalidFile) {
        std::fprintf(stderr, "cannot create %s\n", path.c_str());
        return 1;
    }
    LogScreenState.LoggingState = 1;
    SurveyProgress.LoggingStartTick = plat::GetTickCount();
    AudioOptions.Ticks = 0;

    static std::array<instruments::PtyInstrument, kConsoles> ports;
    std::array<plat::ThreadHandle, kConsoles> readers{};
    SystemSetup.ConsoleCount = kConsoles;
    for (int i = 0; i < kConsoles; ++i) {
        if (!ports[i].Open(kFirstCom + i)) {
            std::fprintf(stderr, "pty: %s\n", ports[i].Error().c_str());
            return 1;
        }
        SystemSetup.ConsoleType[i] = 1;
        SystemSetup.ConsolePort[i] = kFirstCom + i - 1;
        if (OpenConsolePort(i, 0) != 1) {
            std::fprintf(stderr, "cannot open COM%d\n", kFirstCom + i);
            return 1;
        }
        ReaderThreads.ConsoleReaderState[i] = 1;
        readers[i] = plat::StartThread(ConsoleReaderThread, ConsoleReaderArgument(i));
    }
    plat::test::RunEventsUntil(
        [](void*) {
            for (int i = 0; i < kConsoles; ++i) {
                if (ReaderThreads.ConsoleReaderState[i] != 2) return false;
            }
            return true;
        },
        nullptr, 5000);

    const std::clock_t cpuStart = std::clock();
    const auto wallStart = Clock::now();
    std::atomic<bool> stop{false};
    std::thread feeder(Feed, std::ref(ports), std::ref(stop));
    // The program's own message loop, which waits for work instead of polling.
    plat::SetTimer(ScreenWindows.LogScreenWindow, 1, static_cast<uint32_t>(seconds * 1000.0));
    plat::RunMessageLoop();
    stop = true;
    feeder.join();
    plat::test::RunEventsUntil([](void*) { return g_handled >= g_linesWritten.load(); }, nullptr, 5000);
    const double wall = std::chrono::duration<double>(Clock::now() - wallStart).count();
    const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;

    for (int i = 0; i < kConsoles; ++i) {
        plat::CloseSerialPort(SerialPorts.ConsolePortHandle[i].exchange(plat::kInvalidSerial));
        plat::JoinThreadServing(readers[i]);
        ports[i].Close();
    }
    const int64_t size = plat::FileSize(DataFileState.DataFileHandle);
    CloseDataFile();
    std::filesystem::remove_all(folder);
    plat::test::ResetWindows();

    const uint64_t records = static_cast<uint64_t>(size) / kDataRecordLength;
    std::printf("console road: %d consoles at %.1f lines/s each for %.1f s\n", kConsoles, kLinesPerSecond, wall);
    std::printf("  lines written    %llu\n", static_cast<unsigned long long>(g_linesWritten.load()));
    std::printf("  records in file  %llu  (%s)\n", static_cast<unsigned long long>(records),
                records == g_linesWritten.load() ? "equal" : "NOT EQUAL");
    std::printf("  delay LF -> record  p50 %.2f ms  p99 %.2f ms  max %.2f ms  (%zu lines)\n",
                Percentile(g_delaysNs, 0.50), Percentile(g_delaysNs, 0.99), Percentile(g_delaysNs, 1.0),
                g_delaysNs.size());
    std::printf("  process CPU      %.2f s = %.1f %% of one core\n", cpu, 100.0 * cpu / wall);
    return records == g_linesWritten.load() ? 0 : 2;
}
