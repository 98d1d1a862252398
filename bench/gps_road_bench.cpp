// A 20 Hz GPS (GGA, GSA and RMC each epoch) and nine consoles at the full
// 9600-baud line rate on pseudo-terminals while logging. Prints the sentences
// sent against the records in the data file (GGA and GSA as "@" groups, RMC
// as "X" records: nothing may be lost), the console lines against their
// records, the delay from a GGA's line end reaching the port to the start of
// its handler on the window thread (p50, p99, max), and the CPU time of the
// process (the feeding threads included).
//
//   gps_road_bench [seconds]      (default 60)
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/console_reader.h"
#include "acquisition/console_reading.h"
#include "acquisition/gps_fix.h"
#include "acquisition/gps_formats.h"
#include "acquisition/gps_reader.h"
#include "acquisition/serial_setup.h"
#include "platform/files.h"
#include "platform/serial_port.h"
#include "platform/text.h"
#include "platform/tick.h"
#include "platform/window.h"
#include "support/gps_instrument.h"
#include "support/pty_instrument.h"
#include "survey_files/data_file.h"
#include "survey_files/survey_model.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kConsoles = 9;
constexpr int kFirstCom = 30;
constexpr int kGpsCom = 40;
constexpr double kEpochSeconds = 0.05;                    // 20 Hz
constexpr double kStartTime = 10 * 3600.0;                // time of day of the first epoch
constexpr int kMaxEpochs = 200000;
constexpr double kLinesPerSecond = 960.0 / 17.0;          // "$PBAR,nnnn,nnnn" CR LF at 9600 baud

Clock::time_point g_start;
std::array<std::atomic<int64_t>, kMaxEpochs> g_epochSentAt{};  // ns since start
std::vector<int64_t> g_delaysNs;                                // window thread only
std::atomic<uint64_t> g_linesWritten{0};
std::atomic<uint64_t> g_epochsWritten{0};
uint64_t g_consoleHandled = 0;
uint64_t g_gpsHandled = 0;

int64_t NowNs() { return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - g_start).count(); }

plat::LResult BenchLogScreenProc(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l) {
    if (message == kMsgGpsSentence) {
        const int64_t now = NowNs();
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
    return plat::DefaultWindowProc(hwnd, message, w, l);
}

void FeedConsoles(std::array<instruments::PtyInstrument, kConsoles>& ports, std::atomic<bool>& stop) {
    const auto period = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / kLinesPerSecond));
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
        g_epochSentAt[epoch].store(NowNs());  // never later than the GGA's line end
        if (port.Write(lines) == lines.size()) ++g_epochsWritten;
        next += period;
        std::this_thread::sleep_until(next);
    }
}

double Percentile(std::vector<int64_t>& v, double p) {
    if (v.empty()) return 0.0;
    const size_t k = std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size())));
    std::nth_element(v.begin(), v.begin() + static_cast<long>(k), v.end());
    return static_cast<double>(v[k]) / 1e6;
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
    AudioOptions.GpsMaskWarning = 0;

    static std::array<instruments::PtyInstrument, kConsoles> ports;
    static instruments::PtyInstrument gps;
    std::array<plat::ThreadHandle, kConsoles> readers{};
    SystemSetup.ConsoleCount = kConsoles;
    for (int i = 0; i < kConsoles; ++i) {
        if (!ports[i].Open(kFirstCom + i)) {
            std::fprintf(stderr, "pty: %s\n", ports[i].Error().c_str());
            return 1;
        }
        SystemSetup.ConsoleType[i] = 1;
        SystemSetup.ConsolePort[i] = kFirstCom + i - 1;
        if (OpenConsolePort(i, 0) != 1) return 1;
        ReaderThreads.ConsoleReaderState[i] = 1;
        readers[i] = plat::StartThread(ConsoleReaderThread, ConsoleReaderArgument(i));
    }
    if (!gps.Open(kGpsCom)) {
        std::fprintf(stderr, "pty: %s\n", gps.Error().c_str());
        return 1;
    }
    GpsPortSetup.Port = kGpsCom - 1;
    GpsPortSetup.DataFormat = 0;
    SetupGpsSentenceFields();
    if (OpenGpsPort(0) != 1) return 1;
    ReaderThreads.GpsReaderState = 1;
    ReaderThreads.GpsReaderRun = 1;
    const plat::ThreadHandle gpsReader = plat::StartThread(GpsReaderThread, nullptr);
    plat::test::RunEventsUntil(
        [](void*) {
            for (int i = 0; i < kConsoles; ++i) {
                if (ReaderThreads.ConsoleReaderState[i] != 2) return false;
            }
            return ReaderThreads.GpsReaderState == 2;
        },
        nullptr, 5000);

    const std::clock_t cpuStart = std::clock();
    const auto wallStart = Clock::now();
    std::atomic<bool> stop{false};
    std::thread consoleFeeder(FeedConsoles, std::ref(ports), std::ref(stop));
    std::thread gpsFeeder(FeedGps, std::ref(gps), std::ref(stop));
    plat::SetTimer(ScreenWindows.LogScreenWindow, 1, static_cast<uint32_t>(seconds * 1000.0));
    plat::RunMessageLoop();
    plat::KillTimer(ScreenWindows.LogScreenWindow, 1);
    stop = true;
    consoleFeeder.join();
    gpsFeeder.join();
    plat::test::RunEventsUntil(
        [](void*) { return g_consoleHandled >= g_linesWritten.load() && g_gpsHandled >= 2 * g_epochsWritten.load(); },
        nullptr, 5000);
    plat::test::RunEventsFor(200);  // the last groups are written after their hand-over
    const double wall = std::chrono::duration<double>(Clock::now() - wallStart).count();
    const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;

    ReaderThreads.GpsReaderRun = 0;
    plat::CloseSerialPort(SerialPorts.GpsPortHandle.exchange(plat::kInvalidSerial));
    plat::JoinThreadServing(gpsReader);
    gps.Close();
    for (int i = 0; i < kConsoles; ++i) {
        plat::CloseSerialPort(SerialPorts.ConsolePortHandle[i].exchange(plat::kInvalidSerial));
        plat::JoinThreadServing(readers[i]);
        ports[i].Close();
    }
    CloseDataFile();
    const std::string file = [&] {
        std::string bytes;
        if (FILE* f = std::fopen(path.c_str(), "rb")) {
            char buf[65536];
            size_t n = 0;
            while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
            std::fclose(f);
        }
        return bytes;
    }();
    std::filesystem::remove_all(folder);
    plat::test::ResetWindows();

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
                kLinesPerSecond, wall);
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
                Percentile(g_delaysNs, 0.50), Percentile(g_delaysNs, 0.99), Percentile(g_delaysNs, 1.0),
                g_delaysNs.size());
    std::printf("  process CPU          %.2f s = %.1f %% of one core\n", cpu, 100.0 * cpu / wall);
    std::printf("  %s\n", complete ? "nothing lost" : "RECORDS MISSING");
    return complete ? 0 : 2;
}
