#include "shell/start_logging.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "acquisition/console_reader.h"
#include "acquisition/gps_fix.h"
#include "acquisition/gps_monitor.h"
#include "acquisition/gps_formats.h"
#include "acquisition/gps_reader.h"
#include "acquisition/serial_setup.h"
#include "acquisition/simulators.h"
#include "log_screen/curve_grid.h"
#include "log_screen/log_layout.h"
#include "map/live_track.h"
#include "map/map_tiles.h"
#include "log_screen/status_panel.h"
#include "log_screen/supervision.h"
#include "platform/message_box.h"
#include "platform/serial_port.h"
#include "platform/tick.h"
#include "platform/window.h"
#include "survey_files/settings_derived.h"
#include "survey_files/survey_model.h"
#include "survey_files/text_helpers.h"

namespace {

bool GpsInput() { return GpsPortSetup.InputMode > 0; }

// The whole tile table is in use and every tile goes: the map starts afresh.
void ResetMapForLogging() {
    LogScreenState.MapShown = GpsPortSetup.InputMode != 0 ? 1 : 0;
    if (GpsPortSetup.InputMode == 0) MapDisplayOptions.DisplayType = 0;  // no colour map without positions
    MapTiles.UsedMinCol = 0;
    MapTiles.UsedMaxCol = 1999;
    MapTiles.UsedMinRow = 0;
    MapTiles.UsedMaxRow = 1999;
    MapTiles.MinDrawableTile = 3;
    MapTiles.MaxDrawableTile = 1996;
    MapDisplayOptions.SavedMapSize = MapDisplayOptions.MapSize;
    MapDisplayOptions.SavedMapPixelsPerUnit = MapDisplayOptions.MapPixelsPerUnit;
    MapView.MapInitialised = 0;
    LogScreenState.ReviewMode = 0;
    DeleteAllMapTiles();
}

void ShowPortConflict(const char* text) {
    char16_t wide[96];
    NarrowToWide(text, wide, std::size(wide));
    plat::MessageBox(ScreenWindows.MainWindow, wide, u"Serial Port", plat::MessageButtons::Ok, plat::MessageIcon::None);
}

void ClosePort(std::atomic<plat::SerialHandle>& handle) {
    const plat::SerialHandle h = handle.exchange(plat::kInvalidSerial);
    if (h != plat::kInvalidSerial) plat::CloseSerialPort(h);
}

plat::ThreadProc ConsoleThreadProc(int console) {
#if defined(OSTRIMA_SIMULATORS)
    if (ReaderThreads.SimulateConsoles != 0) return kConsoleSimulatorThreads[console];
#else
    (void)console;
#endif
    return ConsoleReaderThread;
}

plat::ThreadProc GpsThreadProc() {
#if defined(OSTRIMA_SIMULATORS)
    if (ReaderThreads.SimulateGps != 0) return GpsSimulatorThread;
#endif
    return GpsReaderThread;
}

void StartReaderThreads() {
    if (ReaderThreads.SimulateConsoles != 0) ReaderThreads.ConsoleSimulatorRun = 1;
    for (int i = 0; i < ShownConsoleCount(); ++i) {
        ReaderThreads.ConsoleThreadHandle[static_cast<size_t>(i)] =
            plat::StartThread(ConsoleThreadProc(i), ConsoleReaderArgument(i));
    }
    if (!GpsInput()) return;
    InitMapScales();
    ResetFirstFix();
    MapView.MapInitialised = 0;
    ReaderThreads.GpsSimulatorRun = 1;
    ReaderThreads.GpsReaderRun = 1;
    ReaderThreads.GpsThreadHandle = plat::StartThread(GpsThreadProc(), nullptr);
}

}  // namespace

void ComputeSensorLayout() {
    DeriveConsoleCounts();
    SensorLayout = SensorLayoutRecord{};
    const ArrayGeometryRecord& a = ArrayGeometry;
    // Positions in metres from the first sensor: the console separation runs
    // from the last sensor of one console to the first of the next.
    double p[kMaxSensorSlots] = {};
    int k = 0;
    for (int i = 0; i < ShownConsoleCount(); ++i) {
        const auto c = static_cast<size_t>(i);
        SensorLayout.ConsoleFirstSensor[c] = k;
        p[k] = k == 0 ? 0.0 : p[k - 1] + a.ConsoleSeparation;
        ++k;
        if (SystemSetup.ConsoleSensorCount[c] == 2) {
            p[k] = p[k - 1] + a.UnitSeparation;
            ++k;
        }
    }
    SensorLayout.TotalSensors = k;
    ArrayGeometry.MinSeparation = a.UnitSeparation > a.ConsoleSeparation ? a.ConsoleSeparation : a.UnitSeparation;

    // Each band is MinSeparation wide from its sensor; an array without width
    // (one sensor, or separations of 0) puts every sensor at the left end.
    const double width = a.ArrayWidth;
    const double swath = width + a.MinSeparation;
    for (int s = 0; s < k; ++s) {
        SensorLayout.SensorBandStart[s] = swath > 0.0 ? p[s] / swath : 0.0;
        SensorLayout.SensorBandEnd[s] = swath > 0.0 ? (p[s] + a.MinSeparation) / swath : 1.0;
        SensorLayout.SensorCrossPosition[s] = width > 0.0 ? p[s] / width : 0.0;
    }
    if (k > 0) {
        SensorLayout.SensorCrossPosition[k - 1] = 1.0;
        SensorLayout.SensorBandEnd[k - 1] = 1.0;
    }
}

int CheckPortAssignments() {
    int conflicts = 0;
    char text[96];
    const int consoles = ShownConsoleCount();
    for (int i = 0; i < consoles; ++i) {
        const int port = SystemSetup.ConsolePort[static_cast<size_t>(i)];
        if (GpsInput() && port == GpsPortSetup.Port) {
            std::snprintf(text, sizeof text, "Com%d Assigned to Instrument %d and GPS", GpsPortSetup.Port + 1, i + 1);
            ShowPortConflict(text);
            ++conflicts;
        }
        for (int j = i + 1; j < consoles; ++j) {
            if (SystemSetup.ConsolePort[static_cast<size_t>(j)] != port) continue;
            std::snprintf(text, sizeof text, "Com%d Assigned to Instrument %d and Instrument %d", port + 1, i + 1, j + 1);
            ShowPortConflict(text);
            ++conflicts;
        }
    }
    return conflicts;
}

int OpenAcquisitionPorts() {
    int failures = 0;
    if (ReaderThreads.SimulateConsoles == 0) {
        for (int i = 0; i < ShownConsoleCount(); ++i) {
            auto& state = ReaderThreads.ConsoleReaderState[static_cast<size_t>(i)];
            if (state.load() == 0) {
                if (OpenConsolePort(i, 1) == 1) {
                    state = 1;
                } else {
                    ++failures;
                }
            }
            plat::WaitMilliseconds(100);  // lets the console settle after its port opened
        }
    }
    // GPS-only modes read a port too: open it now, so a wrong port is told at once.
    if (GpsInput() && ReaderThreads.SimulateGps == 0) {
        if (OpenGpsPort(1) == 1) {
            ReaderThreads.GpsReaderState = 1;
        } else {
            ++failures;
        }
    }
    return failures;
}

void CloseAcquisitionPorts() {
    for (int i = 0; i < kMaxConsoles; ++i) {
        auto& state = ReaderThreads.ConsoleReaderState[static_cast<size_t>(i)];
        if (state.load() != 1) continue;
        ClosePort(SerialPorts.ConsolePortHandle[static_cast<size_t>(i)]);
        state = 0;
    }
    if (ReaderThreads.GpsReaderState.load() == 1) {
        ClosePort(SerialPorts.GpsPortHandle);
        ReaderThreads.GpsReaderState = 0;
    }
}

int StartLogging() {
    ResetMapForLogging();
    ComputeSensorLayout();
    ProfileDisplayOptions.Visible = {1, 1};
    LogScreenState.LoggingState = kStateMonitoring;

    LayoutLogScreen();
    ComputeGridSpacing();
    LayoutStatusPanel(ScreenWindows.LogScreenWindow);
    SetupGpsSentenceFields();

    DeriveScalePixels();
    ComputeCurveGrid();
    ComputeDecayGrid();

    for (int i = 0; i < kMaxConsoles; ++i) {
        ConsoleLines.ReadingValid[static_cast<size_t>(i)] = 0;
        ConsoleLines.ConsoleBreakLogged[static_cast<size_t>(i)] = 0;
        ConsoleLines.ConsoleConnBreak[static_cast<size_t>(i)] = 0;
    }

    if (ReaderThreads.SimulateConsoles == 0 && CheckPortAssignments() > 0) return 0;
    if (OpenAcquisitionPorts() > 0) {
        CloseAcquisitionPorts();
        return 0;
    }
    StartReaderThreads();

    // No console counts as silent at once; this overrides a tick a reader stamped already.
    const uint32_t now = plat::GetTickCount();
    for (int i = 0; i < ShownConsoleCount(); ++i) {
        ConsoleLines.ConsoleLineTick[static_cast<size_t>(i)] = now;
        ConsoleLines.ConsoleLineWaitMs[static_cast<size_t>(i)] = 0;
    }
    plat::SetTimer(ScreenWindows.LogScreenWindow, kSupervisionTimerId, ConsoleLines.ConsoleTimeoutMs);

    for (plat::Hwnd b : ScreenButtons.StartButtons) {
        if (b != 0) plat::ShowWindow(b, plat::kShowHide);
    }
    // With GPS input a data file waits for the first valid fix.
    const plat::Hwnd file = ScreenButtons.MonitoringButtons[0];
    if (file != 0) plat::EnableWindow(file, GpsPortSetup.InputMode == 0);

    if (ScreenWindows.MainWindow != 0) plat::InvalidateRect(ScreenWindows.MainWindow, nullptr, true);
    ScreenWindows.ScreenMode = 1;
    LogScreenState.UiIdle = 1;
    if (ScreenWindows.LogScreenWindow != 0) {
        plat::ShowWindow(ScreenWindows.LogScreenWindow, plat::kShow);
        plat::SetFocus(ScreenWindows.LogScreenWindow);
    }
    return 1;
}

void StartGpsMonitoring() {
    const plat::Hwnd main = ScreenWindows.MainWindow;
    if (!GpsInput()) {
        plat::MessageBox(main, u"Option avaiable only when GPS is enabled", u"INFORMATION", plat::MessageButtons::Ok,
                         plat::MessageIcon::None);
        if (main != 0) {
            plat::InvalidateRect(main, nullptr, true);
            plat::SetFocus(main);
        }
        return;
    }
    // A monitor never shares its port with a reader that has not ended.
    if (ReaderThreads.GpsThreadHandle != 0) return;
    plat::ThreadProc reader = GpsMonitorReaderThread;
#if defined(OSTRIMA_SIMULATORS)
    if (ReaderThreads.SimulateGps != 0) {
        ReaderThreads.GpsSimulatorRun = 1;
        reader = GpsSimulatorThread;
    }
#endif
    if (reader == GpsMonitorReaderThread) {
        if (OpenGpsPort(1) != 1) return;
        // What waited in the port from before ends mid-line: the list starts with a whole one.
        plat::PurgeSerialPort(SerialPorts.GpsPortHandle.load());
    }
    ResetGpsMonitor();
    ScreenWindows.ScreenMode = 2;
    const plat::Hwnd monitor = ScreenWindows.MonitorGpsWindow;
    void* argument = nullptr;
#if defined(OSTRIMA_SIMULATORS)
    if (reader == GpsSimulatorThread) argument = const_cast<int*>(&kGpsSimulatorFeedsMonitor);
#endif
    ReaderThreads.GpsThreadHandle = plat::StartThread(reader, argument);
    plat::SetFocus(monitor);
    plat::ShowWindow(monitor, plat::kShow);
    if (main != 0) plat::InvalidateRect(main, nullptr, true);
    plat::SetFocus(monitor);
}
