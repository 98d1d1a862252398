#include "log_screen/supervision.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "acquisition/console_reading.h"
#include "log_screen/log_layout.h"
#include "log_screen/log_state.h"
#include "log_screen/profile_redraw.h"
#include "map/background_files.h"
#include "platform/message_box.h"
#include "platform/serial_port.h"
#include "platform/sound.h"
#include "platform/tick.h"
#include "platform/window.h"
#include "survey_files/data_file.h"
#include "survey_files/data_file_rescue.h"
#include "survey_files/survey_model.h"
#include "survey_files/text_helpers.h"

namespace {

void ClosePort(std::atomic<plat::SerialHandle>& handle) {
    const plat::SerialHandle h = handle.exchange(plat::kInvalidSerial);
    if (h != plat::kInvalidSerial) plat::CloseSerialPort(h);
}

void ResetSurveyCounters() {
    SurveyProgressRecord& p = SurveyProgress;
    p.LineTimeHours = p.LineTimeMinutes = p.LineTimeSeconds = 0;
    p.TotalTimeHours = p.TotalTimeMinutes = p.TotalTimeSeconds = 0;
    p.GpsPositionCount = 0;
    p.StationCount = 0;
    p.RecordCount = 0;
    p.LineCount = 0;
    p.LineLength = 0.0;
    p.TotalLength = 0.0;
    p.LineTimeBaseMs = p.TotalTimeBaseMs = 0;
    p.LoggingStartTick = 0;
    p.LineTimeMs = p.TotalTimeMs = 0;
    DataFileState.DataFileBaseName[0] = 0;
}

// "No": Stand By stays, the profiles are drawn again from the file.
void KeepLogging() {
    LogScreenState.LoggingState = kStateStandBy;
    RepaintLogScreen();
    for (int i = 0; i < ShownConsoleCount(); ++i) {
        const plat::Hwnd curve = ScreenWindows.CurveWindows[static_cast<size_t>(i)];
        if (curve == 0) continue;
        plat::InvalidateRect(curve, nullptr, true);
        plat::UpdateWindow(curve);
        RedrawProfileFromFile(curve, i);
    }
    if (ScreenWindows.LogScreenWindow != 0) plat::SetFocus(ScreenWindows.LogScreenWindow);
}

}  // namespace

void SuperviseConsoles() {
    // A console whose line waits in its hand-over is not silent: the window
    // thread (or the disk under it) was busy. Its line is taken first, and
    // the silence counted from when it was taken.
    plat::ServePendingSends();
    const uint32_t now = plat::GetTickCount();
    const bool logging = LogScreenState.LoggingState.load() == kStateLogging;
    bool rang = false;
    for (int i = 0; i < ShownConsoleCount(); ++i) {
        const auto c = static_cast<size_t>(i);
        // Unsigned differences: right across the tick's wrap. A wait longer
        // than the time since the line is a previous line's: the reader has
        // taken a new one since it was let go.
        const uint32_t sinceLine = now - ConsoleLines.ConsoleLineTick[c].load();
        const uint32_t waited = std::min(ConsoleLines.ConsoleLineWaitMs[c], sinceLine);
        if (sinceLine - waited <= ConsoleLines.ConsoleTimeoutMs) continue;
        if (logging) {
            ConsoleLines.ConsoleConnBreak[c] = 1;
            ConsoleLines.ReadingValid[c] = 0;
            // Once per break: the console's next line clears the flag.
            if (ConsoleLines.ConsoleBreakLogged[c].exchange(1) == 0) {
                char text[32];
                std::snprintf(text, sizeof text, "%1dCONN BRK %1d", i + 1, i + 1);
                char16_t wide[32];
                NarrowToWide(text, wide, sizeof wide / sizeof wide[0]);
                WriteEventRecord(wide, 'X');
            }
        }
        ShowNoConnection(i);
        if (AudioOptions.DisconnectionAlarm == 1 && !rang) {
            plat::PlaySound("SOUND_RING");
            rang = true;
        }
    }
}

plat::LResult LogScreenOnTimer(plat::Hwnd hwnd, uint32_t, plat::WParam, plat::LParam) {
    // Not while a command runs: File and the append check work on the open
    // file; the command's end reports, and the next tick looks.
    if (LogScreenState.UiIdle == 1) {
        // While logging, a lost name pauses first: "PAUSED" goes into the
        // file that is then copied, where the loss was seen, and nothing
        // arriving during the copy is expected in it. The pause's reopening
        // makes the new file and starts the copy, which runs while the box
        // tells it; a copy still under way after the box is taken here once
        // it has ended, the screen going on meanwhile.
        const bool logging = LogScreenState.LoggingState.load() == kStateLogging;
        const bool owed = RescueCopyOwed();
        WatchDataFileName(logging ? NameLossAction::LeaveToPause : NameLossAction::Background);
        if (owed && !RescueCopyOwed() && LogScreenState.LoggingState.load() != kStateMonitoring) ShowLoggingStatus(0);
    }
    SuperviseConsoles();
    if (LogScreenState.UiIdle == 1) ReportDataFileErrors(hwnd);
    return 1;
}

void StopReaders() {
    ReaderThreads.ConsoleSimulatorRun = 0;
    ReaderThreads.GpsSimulatorRun = 0;
    ReaderThreads.GpsReaderRun = 0;
    ClosePort(SerialPorts.GpsPortHandle);
    for (auto& port : SerialPorts.ConsolePortHandle) ClosePort(port);

    if (ReaderThreads.GpsThreadHandle != 0) plat::JoinThreadServing(ReaderThreads.GpsThreadHandle);
    ReaderThreads.GpsThreadHandle = 0;
    for (auto& thread : ReaderThreads.ConsoleThreadHandle) {
        if (thread != 0) plat::JoinThreadServing(thread);
        thread = 0;
    }
    // The GPS watchdog may have reopened its port before it saw the run flag.
    ClosePort(SerialPorts.GpsPortHandle);
    ReaderThreads.GpsReaderState = 0;
    for (auto& state : ReaderThreads.ConsoleReaderState) state = 0;
}

void StopAcquisitionAtExit() {
    if (ScreenWindows.LogScreenWindow != 0) plat::KillTimer(ScreenWindows.LogScreenWindow, kSupervisionTimerId);
    plat::ReleaseWaitingSenders();
    StopReaders();
    plat::ResumeSenders();
    WatchDataFileName();  // the last resort: no box can tell it now, but the records are kept
    CloseDataFile();
}

int FinishDataFile(plat::Hwnd owner) {
    if (ScreenWindows.LogScreenWindow != 0) plat::KillTimer(ScreenWindows.LogScreenWindow, kSupervisionTimerId);
    if (DataFileState.DataFileHandle == plat::kInvalidFile) return 1;
    // Nothing more is recorded: a rescue's copy serves the readers meanwhile.
    if (LogScreenState.LoggingState.load() == kStateLogging) LogScreenState.LoggingState = kStateStandBy;
    WatchDataFileName();  // what was written since the last look must not go with the closing
    CloseDataFile();
    DataFileStateRecord& d = DataFileState;
    const bool rescueLost = d.RescuePending == 1;
    if (rescueLost) {
        d.WriteError.fetch_or(kDataFileRescueFailed);  // told again: now they are gone
        d.RescuePending = 0;
    }
    const bool flushed = (d.WriteError.load() & kDataFileFlushFailed) == 0;
    TellDataFileErrorsOnLeaving(owner);
    return !rescueLost && flushed ? 1 : 0;
}

int ExitLogging(int confirmed) {
    DataFileState.RecordStartTick = 0;
    ConsoleLines.ReadingValid = {};
    for (auto& tops : ProfileTrace.BarTop) tops = {-1, -1};

    const bool fileOpen = LogScreenState.LoggingState.load() != kStateMonitoring;
    if (fileOpen && confirmed != 1) {
        // Records that have no file yet go with the closing: the question says so.
        char16_t question[16 * kDataFolderChars];
        Text16 text{question, std::size(question)};
        question[0] = 0;
        if (DataFileState.RescuePending == 1) {
            DescribePendingRescue(text);
            text.AppendAscii(RescueWaitsForRoom() ? "Leaving logging now loses the rest.\r\n"
                                                  : "Leaving logging now loses them.\r\n");
        }
        text.AppendAscii("Exit Logging?");
        const int answer = plat::MessageBox(ScreenWindows.LogScreenWindow, question, u"Confirm Exit",
                                            plat::MessageButtons::YesNo, plat::MessageIcon::Question);
        if (answer != plat::kIdYes) {
            KeepLogging();
            return 0;
        }
    }

    FinishDataFile(ScreenWindows.LogScreenWindow);
    StopReaders();
    ResetSurveyCounters();
    LogScreenState.LoggingState = kStateMonitoring;

    if (ScreenWindows.LogScreenWindow != 0) plat::ShowWindow(ScreenWindows.LogScreenWindow, plat::kShowHide);
    if (ScreenWindows.MainWindow != 0) {
        plat::InvalidateRect(ScreenWindows.MainWindow, nullptr, true);
        plat::UpdateWindow(ScreenWindows.MainWindow);
    }
    return 1;
}

void ReturnToStartScreen() {
    RemoveAllBackgroundFiles();
    if (LogScreenState.ReviewMode == 1) {
        LogScreenState.ReviewMode = 0;
        MapDisplayOptions.MapSize = MapDisplayOptions.SavedMapSize;
        MapDisplayOptions.MapPixelsPerUnit = MapDisplayOptions.SavedMapPixelsPerUnit;
        MapDisplayOptions.DisplayType = MapDisplayOptions.SavedDisplayType;
        const plat::Hwnd exitReview = ScreenButtons.MapButtons[kMapExitReview];
        const plat::Hwnd enterReview = ScreenButtons.MapButtons[kMapEnterReview];
        if (exitReview != 0) plat::ShowWindow(exitReview, plat::kShowHide);
        if (enterReview != 0) plat::ShowWindow(enterReview, plat::kShow);
        for (plat::Hwnd b : ScreenButtons.StandByButtons) {
            if (b != 0) plat::EnableWindow(b, true);
        }
    }
    ShowLogButtonSet(LogButtonSet::Monitoring);
    MakeDefaultLogButton(LogButtonSet::Monitoring, 0);
    if (ScreenWindows.LogScreenWindow != 0) plat::InvalidateRect(ScreenWindows.LogScreenWindow, nullptr, true);
    for (plat::Hwnd b : ScreenButtons.StartButtons) {
        if (b != 0) plat::ShowWindow(b, plat::kShow);
    }
    ScreenWindows.ScreenMode = 0;
    if (ScreenWindows.MainWindow != 0) {
        plat::InvalidateRect(ScreenWindows.MainWindow, nullptr, true);
        plat::UpdateWindow(ScreenWindows.MainWindow);
        plat::SetFocus(ScreenWindows.MainWindow);  // the start screen's keys
    }
    LogScreenState.UiIdle = 1;
}
