#include "bench_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "acquisition/console_reader.h"
#include "acquisition/serial_setup.h"
#include "log_screen/curve_grid.h"
#include "log_screen/log_layout.h"
#include "log_screen/log_screen.h"
#include "log_screen/panel_objects.h"
#include "log_screen/status_panel.h"
#include "platform/dc.h"
#include "platform/files.h"
#include "platform/serial_port.h"
#include "platform/text.h"
#include "platform/tick.h"
#include "shell/start_logging.h"
#include "survey_files/data_file.h"
#include "survey_files/settings_derived.h"
#include "survey_files/survey_model.h"

namespace bench {

namespace {

Clock::time_point g_start = Clock::now();
Clock::time_point g_wallStart;
std::clock_t g_cpuStart = 0;
double g_threadCpuStart = 0.0;
std::string g_folder;
std::string g_path;
std::array<plat::ThreadHandle, kConsoles> g_readers{};

}  // namespace

int64_t NowNs() { return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - g_start).count(); }

bool StartBench(plat::WindowProc proc) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    g_start = Clock::now();
    char folder[] = "/tmp/ostrima-bench-XXXXXX";
    if (mkdtemp(folder) == nullptr) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        return false;
    }
    g_folder = folder;
    g_path = g_folder + "/bench.osd";
    // No settings file of the user's is read or written: the folder holds none.
    setenv("XDG_CONFIG_HOME", g_folder.c_str(), 1);
    setenv("XDG_CACHE_HOME", g_folder.c_str(), 1);
    if (!plat::StartApplication()) {
        std::fprintf(stderr, "cannot start the application\n");
        return false;
    }
    ResetSurveyModel();

    // The main window's part: its fonts, pens and brushes and its client area.
    constexpr const char16_t* face = u"Microsoft Sans Serif";
    GdiObjects.HeadingFont = plat::CreateFont(20, 200, face);
    GdiObjects.TitleFont = plat::CreateFont(30, 600, face);
    GdiObjects.TextFont = plat::CreateFont(14, 400, face);
    GdiObjects.BoldFont = plat::CreateFont(14, 700, face);
    CreateFixedPens();
    CreateColourScalePens();
    CreateProfilePens(0);
    plat::WindowClass main;
    main.Name = u"BenchMain";
    main.Proc = plat::DefaultWindowProc;
    plat::RegisterWindowClass(main);
    ScreenWindows.MainWindow = plat::CreateWindow(u"BenchMain", u"Ostrima", plat::kStyleCaption, 0, 0, 1024, 762, 0, 0);
    plat::Rect client;
    plat::GetClientRect(ScreenWindows.MainWindow, &client);
    ScreenLayout.ClientWidth = client.Right;
    ScreenLayout.ClientHeight = client.Bottom;
    ScreenLayout.MainWindowWidth = 1024;
    ScreenLayout.MainWindowHeight = 762;

    // The logging screen's classes; the benchmark's own procedure stands in
    // for "ScreenLogWnd" and passes it everything but what it times.
    if (RegisterLogScreenClasses() != 0) {
        std::fprintf(stderr, "cannot register the logging screen's classes\n");
        return false;
    }
    plat::WindowClass cls;
    cls.Name = u"BenchLogScreen";
    cls.Proc = proc;
    cls.Background = GdiObjects.PanelBrush;
    plat::RegisterWindowClass(cls);
    ScreenWindows.LogScreenWindow =
        plat::CreateWindow(u"BenchLogScreen", u"", plat::kStyleChild, 0, 0, 1024, 762, ScreenWindows.MainWindow, kLogScreenId);
    if (ScreenWindows.LogScreenWindow == 0) {
        std::fprintf(stderr, "cannot create the logging screen\n");
        return false;
    }
    InitConsoleRecordTags();

    const std::u16string path16 = plat::Utf8ToUtf16(g_path);
    DataFileState.DataFileHandle = plat::OpenFile(path16.c_str(), plat::FileOpen::OpenOrCreateReadWrite, true);
    if (DataFileState.DataFileHandle == plat::kInvalidFile) {
        std::fprintf(stderr, "cannot create %s\n", g_path.c_str());
        return false;
    }
    LogScreenState.LoggingState = 1;
    SurveyProgress.LoggingStartTick = plat::GetTickCount();
    AudioOptions.Ticks = 0;
    AudioOptions.GpsMaskWarning = 0;
    return true;
}

void ShowLogScreen() {
    LogScreenState.MapShown = 0;
    ComputeSensorLayout();
    LayoutLogScreen();
    LayoutStatusPanel(ScreenWindows.LogScreenWindow);
    DeriveScalePixels();
    ComputeCurveGrid();
    ComputeDecayGrid();
    plat::ShowWindow(ScreenWindows.MainWindow, plat::kShow);
    plat::ShowWindow(ScreenWindows.LogScreenWindow, plat::kShow);
    plat::test::RunEventsFor(100);  // the first paints
}

bool StartConsoles(std::array<instruments::PtyInstrument, kConsoles>& ports) {
    SystemSetup.ConsoleCount = kConsoles;
    for (int i = 0; i < kConsoles; ++i) {
        const auto k = static_cast<size_t>(i);
        if (!ports[k].Open(kFirstConsoleCom + i)) {
            std::fprintf(stderr, "pty: %s\n", ports[k].Error().c_str());
            return false;
        }
        SystemSetup.ConsoleType[k] = 1;
        SystemSetup.ConsolePort[k] = kFirstConsoleCom + i - 1;
        if (OpenConsolePort(i, 0) != 1) {
            std::fprintf(stderr, "cannot open COM%d\n", kFirstConsoleCom + i);
            return false;
        }
        ReaderThreads.ConsoleReaderState[k] = 1;
        g_readers[k] = plat::StartThread(ConsoleReaderThread, ConsoleReaderArgument(i));
    }
    return true;
}

void WaitForReaders(bool gps) {
    static bool withGps = false;
    withGps = gps;
    plat::test::RunEventsUntil(
        [](void*) {
            for (const auto& state : ReaderThreads.ConsoleReaderState) {
                if (state != 2) return false;
            }
            return !withGps || ReaderThreads.GpsReaderState == 2;
        },
        nullptr, 5000);
}

void RunFor(double seconds) {
    plat::SetTimer(ScreenWindows.LogScreenWindow, 1, static_cast<uint32_t>(seconds * 1000.0));
    plat::RunMessageLoop();
    plat::KillTimer(ScreenWindows.LogScreenWindow, 1);
}

std::string StopBench(std::array<instruments::PtyInstrument, kConsoles>& ports, plat::ThreadHandle gpsReader,
                      instruments::PtyInstrument* gps) {
    if (gpsReader != 0) {
        ReaderThreads.GpsReaderRun = 0;
        plat::CloseSerialPort(SerialPorts.GpsPortHandle.exchange(plat::kInvalidSerial));
        plat::JoinThreadServing(gpsReader);
    }
    if (gps != nullptr) gps->Close();
    for (size_t i = 0; i < ports.size(); ++i) {
        plat::CloseSerialPort(SerialPorts.ConsolePortHandle[i].exchange(plat::kInvalidSerial));
        if (g_readers[i] != 0) plat::JoinThreadServing(g_readers[i]);
        g_readers[i] = 0;
        ports[i].Close();
    }
    CloseDataFile();
    std::string bytes;
    if (FILE* f = std::fopen(g_path.c_str(), "rb")) {
        char buf[65536];
        size_t n = 0;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
        std::fclose(f);
    }
    std::filesystem::remove_all(g_folder);
    plat::test::ResetWindows();
    return bytes;
}

double Percentile(std::vector<int64_t>& v, double p) {
    if (v.empty()) return 0.0;
    const size_t k = std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size())));
    std::nth_element(v.begin(), v.begin() + static_cast<long>(k), v.end());
    return static_cast<double>(v[k]) / 1e6;
}

double ThisThreadCpu() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

void StartCpuClock() {
    g_threadCpuStart = ThisThreadCpu();
    g_cpuStart = std::clock();
    g_wallStart = Clock::now();
}

double CpuSeconds() { return static_cast<double>(std::clock() - g_cpuStart) / CLOCKS_PER_SEC; }

double WindowThreadCpuSeconds() { return ThisThreadCpu() - g_threadCpuStart; }

double WallSeconds() { return std::chrono::duration<double>(Clock::now() - g_wallStart).count(); }

}  // namespace bench
