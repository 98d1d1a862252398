#include "log_screen/log_state.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "acquisition/console_reading.h"
#include "log_screen/line_dialogs.h"
#include "log_screen/log_layout.h"
#include "log_screen/option_commands.h"
#include "log_screen/profile_windows.h"
#include "log_screen/supervision.h"
#include "map/data_file_replay.h"
#include "map/data_file_scan.h"
#include "map/map_view_commands.h"
#include "platform/controls.h"
#include "platform/dc.h"
#include "platform/files.h"
#include "platform/keys.h"
#include "platform/menu.h"
#include "platform/message_box.h"
#include "platform/sound.h"
#include "platform/tick.h"
#include "resources/log_menus.h"
#include "survey_files/append_check.h"
#include "survey_files/data_file.h"
#include "survey_files/data_file_rescue.h"
#include "survey_files/data_file_shortened.h"
#include "survey_files/settings_file.h"
#include "survey_files/survey_model.h"
#include "survey_files/text_helpers.h"

namespace {

// A pause the program made itself whose reason is not told yet: the box that
// tells it says so. A Go after it makes it history.
bool g_pauseUntold = false;

constexpr int kNoButton = -1;
constexpr int kNoCommand = 0;
constexpr int kFileOrGo = 0, kReadingsOrQLine = 1, kExitButton = 2, kMenuButton = 3;
constexpr int kCommandReadingsScale = 105;

// In which states a key acts.
enum class KeyScope { Any, MonitoringOnly, StandByOnly };

// A letter key of the logging screen: either a button of the set shown or a
// command code. Both the upper-case code and the lower-case code (which a key
// press reports for keypad and function keys: 0x70 is F1) are taken.
struct LogKey {
    uint32_t Letter;
    int Button;
    int Command;
    KeyScope Scope;
};

constexpr LogKey kLogKeys[] = {
    {'A', kNoButton, 113, KeyScope::Any},           // Audio Options
    {'B', kNoButton, 106, KeyScope::Any},           // Scale Speed Bar
    {'C', kNoButton, 103, KeyScope::StandByOnly},   // Comment
    {'D', kNoButton, 111, KeyScope::Any},           // Map Display Options
    {'F', kFileOrGo, kNoCommand, KeyScope::MonitoringOnly},  // File
    {'G', kFileOrGo, kNoCommand, KeyScope::StandByOnly},     // Go
    {'H', kNoButton, 108, KeyScope::Any},           // Hide Menu
    {'L', kNoButton, 101, KeyScope::StandByOnly},   // New Line
    {'M', kMenuButton, kNoCommand, KeyScope::Any},  // Menu
    {'N', kNoButton, 102, KeyScope::StandByOnly},   // New Station
    {'P', kNoButton, 107, KeyScope::Any},           // Profile Display Options
    {'Q', kReadingsOrQLine, kNoCommand, KeyScope::StandByOnly},  // QLine
    {'R', kNoButton, 105, KeyScope::Any},           // Readings Scale
    {'S', kNoButton, 110, KeyScope::Any},           // Map Size
    {'T', kNoButton, 109, KeyScope::Any},           // Toggle View
    {'U', kNoButton, 104, KeyScope::Any},           // no action
    {'W', kNoButton, 112, KeyScope::Any},           // GPS Warning Mask
    {'X', kExitButton, kNoCommand, KeyScope::Any},  // Exit
};

// The pause key setting: 0 any message, 1 Enter, 2 Space, 3 "P" (or 0x70).
constexpr int kPauseAnyKey = 0, kPauseEnter = 1, kPauseSpace = 2, kPauseP = 3;

const std::array<plat::Hwnd, 4>& ButtonsOf(LogButtonSet set) {
    return set == LogButtonSet::Monitoring ? ScreenButtons.MonitoringButtons : ScreenButtons.StandByButtons;
}

LogButtonSet SetShownIn(int state) { return state == kStateMonitoring ? LogButtonSet::Monitoring : LogButtonSet::StandBy; }

void Show(plat::Hwnd hwnd, bool shown) {
    if (hwnd != 0) plat::ShowWindow(hwnd, shown ? plat::kShow : plat::kShowHide);
}

void EndCommand(plat::Hwnd hwnd) {
    LogScreenState.UiIdle = 1;
    plat::SetFocus(hwnd);
}

int Box(plat::Hwnd owner, const char16_t* text, const char16_t* title, plat::MessageButtons buttons,
        plat::MessageIcon icon) {
    return plat::MessageBox(owner, text, title, buttons, icon);
}

// ---------------------------------------------------------------------------
// Decoding

void MoveLogHighlight(int state) {
    const auto& buttons = ButtonsOf(SetShownIn(state));
    const int from = std::clamp(ScreenButtons.LogButtonIndex, 0, 3);
    const int to = (from + 1) % 4;
    if (buttons[from] != 0) plat::SetButtonStyle(buttons[from], plat::kButtonPush, true);
    if (buttons[to] != 0) plat::SetButtonStyle(buttons[to], plat::kButtonDefaultPush, true);
    ScreenButtons.LogButtonIndex = to;
}

bool ButtonUsable(int state, int button) {
    const plat::Hwnd b = ButtonsOf(SetShownIn(state))[static_cast<size_t>(button)];
    return b != 0 && plat::IsWindowEnabled(b);
}

// A key outside Logging: Tab, Enter or a letter of the key table.
void DecodeLogKey(uint32_t code, int state, int* button, int* command) {
    if (code == plat::kKeyTab) {
        MoveLogHighlight(state);
        return;
    }
    int b = kNoButton;
    int c = kNoCommand;
    if (code == plat::kKeyReturn) {
        b = std::clamp(ScreenButtons.LogButtonIndex, 0, 3);
    } else {
        for (const LogKey& k : kLogKeys) {
            if (code != k.Letter && code != k.Letter + 32) continue;
            if (k.Scope == KeyScope::MonitoringOnly && state != kStateMonitoring) return;
            if (k.Scope == KeyScope::StandByOnly && state != kStateStandBy) return;
            b = k.Button;
            c = k.Command;
            break;
        }
    }
    if (b != kNoButton && ButtonUsable(state, b)) *button = b;
    if (c >= 100 && c <= 113) *command = c;
}

bool PauseKeyMatches(uint32_t message, plat::WParam w) {
    if (SystemSetup.PauseKey == kPauseAnyKey) return true;
    if (message != plat::kMsgKeyDown && message != plat::kMsgDeadChar) return false;
    switch (SystemSetup.PauseKey) {
        case kPauseEnter: return w == plat::kKeyReturn;
        case kPauseSpace: return w == plat::kKeySpace;
        case kPauseP: return w == 'P' || w == 'p';
        default: return false;
    }
}

// ---------------------------------------------------------------------------
// File: a new data file, or an existing one of this program to append to.

// A new section at the end of an accepted existing file. True when the
// screen may go to Stand By; otherwise the file is closed. Every refusal
// (the check, the scan: the survey does not fit the map) comes before the
// section is written, so a refused file is left as it was; the section's
// records hold no swath record, so the scan finds the same before them.
bool AppendToDataFile(plat::Hwnd hwnd) {
    // A file of the neighbouring zone moves the run into its zone; an append
    // abandoned after the check moves it back.
    const AppendZoneState before = KeepAppendZoneState();
    if (CheckDataFileForAppend(hwnd) != 0) {
        CloseDataFile();
        return false;
    }
    const bool gps = GpsPortSetup.InputMode == 1;
    if (gps) {
        ShowPleaseWait();
        const int fits = ScanDataFileGpsPositions(hwnd);
        RepaintLogScreen();
        if (fits == 0) {
            RestoreAppendZoneState(before);
            CloseDataFile();
            return false;
        }
    }
    if (WriteSectionAndReopen(1) != 1) {
        RestoreAppendZoneState(before);
        CloseDataFile();  // the error is kept for the operator
        return false;
    }
    if (gps) {
        ShowPleaseWait();
        ReplayDataFileToMap();
        EnableMapViewButtons(true);
    }
    return true;
}

bool WriteErrorPending() { return DataFileState.WriteError.load() != 0; }

void ChooseDataFile(plat::Hwnd hwnd) {
    LogScreenState.UiIdle = 0;
    DataFileState.DataFileBaseName[0] = 0;  // set again once a name is chosen
    // No pause after the chooser: the screen is repainted only when the
    // command ends, and a wait here would only hold back the operator and
    // every console line.
    const int result = CreateDataFile(hwnd);

    bool standBy = false;
    if (DataFileState.DataFileHandle == plat::kInvalidFile) {
        // Cancelled, or chosen but not usable.
        LogScreenState.LoggingState = kStateMonitoring;
        if (DataFileState.DataFileBaseName[0] != 0 && !WriteErrorPending()) {
            char text[kDataFolderChars + 64];
            std::snprintf(text, sizeof text, "The data file %s cannot be created or opened.",
                          DataFileState.DataFileBaseName);
            char16_t wide[std::size(text)];
            NarrowToWideUnsigned(text, wide, std::size(wide));
            Box(hwnd, wide, u"FILE ERROR", plat::MessageButtons::Ok, plat::MessageIcon::Error);
        }
    } else if (result == -1) {
        Box(hwnd, u"File not from Ostrima program", u"INFORMATION", plat::MessageButtons::Ok,
            plat::MessageIcon::Information);
        CloseDataFile();
        LogScreenState.LoggingState = kStateMonitoring;
    } else if (result == 0) {
        standBy = true;
    } else {
        standBy = AppendToDataFile(hwnd);
    }

    if (standBy) {
        LogScreenState.LoggingState = kStateStandBy;
        if (LogScreenState.MapShown == 1) EnableMapViewButtons(true);
        ShowLogButtonSet(LogButtonSet::StandBy);
        MakeDefaultLogButton(LogButtonSet::StandBy, 0);
        ShowLoggingStatus(0);
        ShowLoggingStatus(2);
    } else {
        LogScreenState.LoggingState = kStateMonitoring;
    }
    RepaintLogScreen();
    EndCommand(hwnd);
}

// ---------------------------------------------------------------------------
// QLine: the next line at once, without the dialog.

}  // namespace

double NextLineNumber() {
    return ReadTypedNumber(SurveyParameters.LineName) + SurveyParameters.LineIncrement;
}

namespace {

void QuickLine(plat::Hwnd hwnd) {
    LogScreenState.UiIdle = 0;
    const double next = NextLineNumber();
    char text[64];
    std::snprintf(text, sizeof text, "New Line: %.2f", next);
    char16_t wide[64];
    NarrowToWide(text, wide, std::size(wide));
    if (Box(hwnd, wide, u"Quick Line", plat::MessageButtons::YesNo, plat::MessageIcon::None) != plat::kIdYes) {
        RedrawCurveWindows();
        EndCommand(hwnd);
        return;
    }
    ++SurveyProgress.LineCount;
    SurveyProgress.LineTimeBaseMs = 0;
    SurveyProgress.StationCount = 0;
    SurveyProgress.LineLength = 0.0;
    // The line's first console-1 reading sits on its start station.
    SurveyProgress.StationStarted = 0;
    std::snprintf(text, sizeof text, "%.2f", next);
    text[kLineNameChars] = 0;
    NarrowToWide(text, SurveyParameters.LineName, std::size(SurveyParameters.LineName));
    if (SurveyParameters.LineSequence == 1) {  // One Way: every line starts at the same end
        SurveyParameters.CurrentStation = SurveyParameters.StartStation;
    } else {  // Alternate: back along the line just walked
        SurveyParameters.StartStation = SurveyParameters.CurrentStation;
        SurveyParameters.StationIncrement = -SurveyParameters.StationIncrement;
        SurveyParameters.LineDirection = 3 - SurveyParameters.LineDirection;
    }
    WriteSessionRecords();
    WriteTimeMarkRecord();
    TellSettingsResult(hwnd, LoadSaveSettings(1));
    RepaintLogScreen();
    ShowPleaseWait();
    RedrawCurveWindows();
    EndCommand(hwnd);
}

// ---------------------------------------------------------------------------
// Menu and commands

// What ran, for the tests of the key and menu decoding.
std::array<int, 32> g_runCommands{};
int g_runCommandCount = 0;

void RunLogCommand(plat::Hwnd hwnd, int command) {
    if (command >= 101 && command <= 129 && g_runCommandCount < static_cast<int>(g_runCommands.size())) {
        g_runCommands[static_cast<size_t>(g_runCommandCount++)] = command;
    }
    if (command >= 101 && command <= 103) {
        RunLineStationCommand(hwnd, command);
    } else if (command >= 104 && command <= 129) {
        RunOptionCommand(hwnd, command);
    } else {
        return;
    }
    EndCommand(hwnd);
}

void ShowLogMenu(plat::Hwnd hwnd, int state) {
    LogScreenState.UiIdle = 0;
    const res::MenuTable& menu = state == kStateMonitoring ? res::kMonitoringMenu : res::kStandByMenu;
    const int item = plat::TrackPopupMenu(hwnd, menu, ScreenLayout.MainWindowX + 190, ScreenLayout.MainWindowY + 120);
    plat::SetFocus(hwnd);
    // The chosen item arrives as the menu's command would.
    if (item != 0) plat::SendMessage(hwnd, plat::kMsgCommand, plat::MakeWParam(static_cast<uint16_t>(item), 0), 0);
    EndCommand(hwnd);
}

void ExitButton(plat::Hwnd hwnd) {
    LogScreenState.UiIdle = 0;
    if (ExitLogging(0) == 1) {
        ReturnToStartScreen();
        return;
    }
    RedrawCurveWindows();
    EndCommand(hwnd);
}

void RunLogButton(plat::Hwnd hwnd, int button, int state) {
    if (state == kStateLogging) {
        if (button == kFileOrGo) PauseLogging(hwnd);
        return;
    }
    switch (button) {
        case kFileOrGo:
            if (state == kStateMonitoring) {
                ChooseDataFile(hwnd);
            } else {
                StartRecording(hwnd);
            }
            break;
        case kReadingsOrQLine:
            if (SystemSetup.ConsoleCount < 1) break;
            if (state == kStateMonitoring) {
                RunLogCommand(hwnd, kCommandReadingsScale);
            } else {
                QuickLine(hwnd);
            }
            break;
        case kExitButton: ExitButton(hwnd); break;
        case kMenuButton: ShowLogMenu(hwnd, state); break;
        default: break;
    }
}

plat::Hbrush ButtonFaceBrush(bool* temporary) {
    *temporary = GdiObjects.PanelBrush == 0;
    return *temporary ? plat::CreateSolidBrush(plat::GetSystemColour(plat::kColourButtonFace)) : GdiObjects.PanelBrush;
}

void DrawCentred(plat::Hdc dc, const plat::Rect& box, int32_t y, const char16_t* text) {
    plat::Size size;
    plat::GetTextExtent(dc, text, -1, &size);
    plat::TextOut(dc, box.Left + (box.Right - box.Left - size.Cx) / 2, y, text);
}

}  // namespace

// ---------------------------------------------------------------------------

plat::LResult LogScreenOnCommand(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam) {
    plat::SetFocus(hwnd);
    const bool shown = ScreenWindows.ScreenMode == 1;
    const int state = LogScreenState.LoggingState.load();
    int button = kNoButton;
    int command = kNoCommand;

    if (message == plat::kMsgCommand) {
        const int id = plat::LowWord(w);
        if (id >= kStateButtonFirstId && id < kStateButtonFirstId + 4) button = id - kStateButtonFirstId;
        if (shown && res::LogMenuCommand(id) != 0) command = res::LogMenuCommand(id);
        if (id >= kMapButtonFirstId && id < kMapButtonFirstId + kMapButtonCount) command = id - 349;
    }
    const bool key = message == plat::kMsgKeyDown || message == plat::kMsgDeadChar;
    if (shown && state != kStateLogging && key) DecodeLogKey(static_cast<uint32_t>(w), state, &button, &command);
    if (shown && state == kStateLogging) {
        if (PauseKeyMatches(message, w)) button = kFileOrGo;
        // The track has left the map: logging cannot go on until the map is larger.
        if (LogScreenState.MapOverflowState == 1) button = kFileOrGo;
    }

    if (button >= 0 && button <= 3) RunLogButton(hwnd, button, state);
    if (command >= 101 && command <= 129) RunLogCommand(hwnd, command);
    ReportDataFileErrors(hwnd);
    return 0;
}

void ShowLogButtonSet(LogButtonSet set) {
    for (plat::Hwnd b : ScreenButtons.MonitoringButtons) Show(b, set == LogButtonSet::Monitoring);
    for (plat::Hwnd b : ScreenButtons.StandByButtons) Show(b, set == LogButtonSet::StandBy);
    Show(ScreenButtons.PauseButton, set == LogButtonSet::Pause);
}

void MakeDefaultLogButton(LogButtonSet set, int index) {
    const auto& buttons = ButtonsOf(set);
    for (int i = 0; i < 4; ++i) {
        if (buttons[i] == 0) continue;
        plat::SetButtonStyle(buttons[i], i == index ? plat::kButtonDefaultPush : plat::kButtonPush, true);
    }
    ScreenButtons.LogButtonIndex = index;
}

void EnableMapViewButtons(bool enable) {
    for (int i : {kMapLeft, kMapRight, kMapUp, kMapDown, kMapEnterReview}) {
        const plat::Hwnd b = ScreenButtons.MapButtons[static_cast<size_t>(i)];
        if (b != 0) plat::EnableWindow(b, enable);
    }
}

void ShowPauseHint(int mode) {
    const plat::Hwnd hwnd = ScreenWindows.LogScreenWindow;
    if (hwnd == 0 || (mode != 1 && mode != -1)) return;
    const ScreenLayoutRecord& g = ScreenLayout;
    const plat::Rect box{g.NumbersWindowLeft, g.SpeedWindowTop + 2 * g.TextHeight,
                         g.NumbersWindowLeft + g.NumbersColumnWidth, g.ClientHeight - 3};
    const plat::Hdc dc = plat::GetDC(hwnd);
    if (mode == -1) {
        const plat::Hbrush face = plat::CreateSolidBrush(plat::GetSystemColour(plat::kColourButtonFace));
        plat::FillRect(dc, box, face);
        plat::DeleteObject(face);
    } else {
        static constexpr const char16_t* kSecondLine[4] = {u"press any key to pause", u"press <ENTER> to pause",
                                                           u"press <Space Bar> to pause", u"press key <P> pause"};
        plat::SetBackgroundMode(dc, plat::kTransparent);
        if (GdiObjects.TextFont != 0) plat::SelectObject(dc, GdiObjects.TextFont);
        DrawCentred(dc, box, box.Top + g.TextHeight, u"Click on PAUSE button or");
        const int key = SystemSetup.PauseKey;
        if (key >= 0 && key <= 3) DrawCentred(dc, box, box.Top + 2 * g.TextHeight, kSecondLine[key]);
    }
    plat::ReleaseDC(hwnd, dc);
}

void ShowLoggingStatus(int what) {
    const plat::Hwnd hwnd = ScreenWindows.LogScreenWindow;
    if (hwnd == 0 || what < 0 || what > 3) return;
    const plat::Hdc dc = plat::GetDC(hwnd);
    bool temporary = false;
    const plat::Hbrush face = ButtonFaceBrush(&temporary);
    plat::SetBackgroundMode(dc, plat::kTransparent);
    if (what == 0) {
        const plat::Rect& box = ScreenLayout.FileRect;
        plat::FillRect(dc, box, face);
        if (GdiObjects.TextFont != 0) plat::SelectObject(dc, GdiObjects.TextFont);
        char text[64];
        std::snprintf(text, sizeof text, "File: %.57s", DataFileState.DataFileBaseName);  // cut to the box
        char16_t wide[64];
        NarrowToWideUnsigned(text, wide, std::size(wide));
        plat::Rect room = box;  // a name too long for the box ends in an ellipsis
        plat::DrawText(dc, wide, -1, &room,
                       plat::kDrawTextSingleLine | plat::kDrawTextNoPrefix | plat::kDrawTextEndEllipsis);
    } else {
        static constexpr const char16_t* kStates[4] = {u"", u"Monitoring", u"Stand By", u"Logging"};
        const plat::Rect& box = ScreenLayout.StateRect;
        plat::FillRect(dc, box, face);
        if (GdiObjects.BoldFont != 0) plat::SelectObject(dc, GdiObjects.BoldFont);
        plat::TextOut(dc, box.Left, 0, kStates[what]);
    }
    plat::ReleaseDC(hwnd, dc);
    if (temporary) plat::DeleteObject(face);
}

// Go refused: the ring and the warning `text` ("Cannot start logging." and
// why), and the command ends.
void RefuseGo(plat::Hwnd hwnd, const char16_t* text) {
    LogScreenState.UiIdle = 0;
    plat::PlaySound("SOUND_RING");
    Box(hwnd, text, u"WARNING", plat::MessageButtons::Ok, plat::MessageIcon::Warning);
    EndCommand(hwnd);
}

// Go while the open file's records wait for a rescue: one more look (the
// operator may have freed a folder); still none, logging into a file no name
// reaches is refused, and the operator told why and where a file could be made.
bool RescueStillPending(plat::Hwnd hwnd) {
    if (DataFileState.RescuePending == 0) return false;
    WatchDataFileName();
    if (DataFileState.RescuePending == 0) return true;  // saved now: the box tells where; Go again goes on
    char16_t wide[16 * kDataFolderChars];
    Text16 text{wide, std::size(wide)};
    wide[0] = 0;
    text.AppendAscii("Cannot start logging.\r\n");
    DescribePendingRescue(text);
    text.AppendAscii("Logging would go on into a file no name reaches.");
    RefuseGo(hwnd, wide);
    return true;
}

// Go looks at the file first: one that another program made shorter since
// the last look has its end judged (cut back, or refused) and is told at
// the end of the command before anything of the recording goes in; one
// that another program may still be writing is not logged into at all.
bool FileChangedBeforeGo(plat::Hwnd hwnd) {
    WatchDataFileName();
    if (DataFileSizeUnsettled()) {
        char16_t wide[4 * kDataFolderChars];
        Text16 text{wide, std::size(wide)};
        wide[0] = 0;
        text.AppendAscii("Cannot start logging.\r\nThe data file\r\n");
        AppendOnDiskPath(text, DataFileState.DataFilePath);
        text.AppendAscii("\r\nwas made shorter and is still being written by another program.");
        RefuseGo(hwnd, wide);
        return true;
    }
    if ((DataFileState.WriteError.load() & kDataFileShortened) == 0) return false;
    EndCommand(hwnd);
    return true;
}

void StartRecording(plat::Hwnd hwnd) {
    // Logging goes only into the new file: a copy still under way is waited
    // for and taken first. Records that went elsewhere are told at the end
    // of the command, and Go again goes on.
    if (RescueCopyOwed()) {
        WatchDataFileName();
        ShowLoggingStatus(0);
        if (WriteErrorPending()) return;
    }
    if (RescueStillPending(hwnd) || FileChangedBeforeGo(hwnd)) return;
    if (LogScreenState.MapOverflowState != 0) {
        RefuseGo(hwnd, u"Cannot start logging.\r\nPlease increase the map size\r\nby 20-25%.");
        return;
    }
    g_pauseUntold = false;
    const int sensors = std::clamp<int>(SensorLayout.TotalSensors, 0, kMaxSensorSlots);
    for (int k = 0; k < sensors; ++k) ReadingSamples.SampleCount[static_cast<size_t>(k)] = 0;
    ReadingSamples.ActiveHalf = 0;
    MapView.LeadHistoryState = 0;
    MapView.LeadHistoryIndex = 0;
    LogScreenState.UiIdle = 0;
    for (plat::Hwnd b : ScreenButtons.MapButtons) {
        if (b != 0) plat::EnableWindow(b, false);
    }
    ShowLogButtonSet(LogButtonSet::Pause);
    SurveyProgress.LoggingStartTick = plat::GetTickCount();
    ShowLoggingStatus(3);
    ReadingSamples.ClosedHalfValid = 0;
    ReadingSamples.SamplingOpen = 0;
    ReadingSamples.IntervalStarted = 0;
    DataFileState.RecordStarting = 1;
    LogScreenState.LoggingState = kStateLogging;
    ShowPauseHint(1);
    plat::WaitMilliseconds(50);
    DataFileState.RecordStartTick = plat::GetTickCount();  // GPS sentences stamped earlier are not written
    WriteEventRecord(u"$STARTED", 'X');
    DataFileState.RecordStarting = 0;
    LogScreenState.UiIdle = 1;
}

void PauseLogging(plat::Hwnd hwnd) {
    const uint32_t now = plat::GetTickCount();
    LogScreenState.LoggingState = kStateStandBy;
    ShowPauseHint(-1);
    LogScreenState.UiIdle = 0;
    WriteEventRecord(LogScreenState.MapOverflowState == 1 ? u"PAUSED BMP" : u"PAUSED", 'X');
    Show(ScreenButtons.PauseButton, false);
    ShowLogButtonSet(LogButtonSet::StandBy);
    ShowLoggingStatus(2);
    plat::PaintWindowNow(hwnd);
    // Closing and reopening puts everything written so far on the disk. A
    // name found lost gets its new file here and the copy into it starts,
    // running while the operator is told at the end of the command.
    const int reopened = ReopenDataFile(/*copyLater=*/true);

    // The times go on from the pause at the next Go.
    const uint32_t elapsed = now - SurveyProgress.LoggingStartTick;
    SurveyProgress.LineTimeMs = SurveyProgress.LineTimeBaseMs + elapsed;
    SurveyProgress.TotalTimeMs = SurveyProgress.TotalTimeBaseMs + elapsed;
    SurveyProgress.LineTimeBaseMs = SurveyProgress.LineTimeMs;
    SurveyProgress.TotalTimeBaseMs = SurveyProgress.TotalTimeMs;
    SplitElapsedTime(SurveyProgress.LineTimeMs, &SurveyProgress.LineTimeHours, &SurveyProgress.LineTimeMinutes,
                     &SurveyProgress.LineTimeSeconds);
    SplitElapsedTime(SurveyProgress.TotalTimeMs, &SurveyProgress.TotalTimeHours, &SurveyProgress.TotalTimeMinutes,
                     &SurveyProgress.TotalTimeSeconds);

    if (reopened == 1) {
        Show(ScreenButtons.PauseButton, false);
        if (LogScreenState.MapShown == 1) EnableMapViewButtons(true);
        ShowLogButtonSet(LogButtonSet::StandBy);
        MakeDefaultLogButton(LogButtonSet::StandBy, 0);
        ShowLoggingStatus(2);
    } else {
        FallBackToMonitoring(hwnd);  // the error box follows at the end of the command
    }
    if (LogScreenState.MapOverflowState == 1) {
        LogScreenState.MapOverflowState = 2;
        plat::PlaySound("SOUND_RING");
        Box(hwnd, u"Please select Map Size option\r\nand increase the map size\r\nby 20-25%.", u"WARNING",
            plat::MessageButtons::Ok, plat::MessageIcon::Warning);
    }
    EndCommand(hwnd);
}

namespace {

// A pause the program makes itself (a lost name, a shortened file): the
// lines the readers hold in their hand-overs were read while the screen said
// Logging, so they go in before "PAUSED". Not when the data file itself
// failed: they would only fail in their turn.
void PauseLoggingOnError(plat::Hwnd hwnd, int32_t error) {
    constexpr int32_t kFileFailed = kDataFileWriteFailed | kDataFileReopenFailed | kDataFileFlushFailed;
    if ((error & kFileFailed) == 0) plat::ServePendingSends();
    // A fix handled meanwhile may have paused already (the track left the map).
    if (LogScreenState.LoggingState == kStateLogging) PauseLogging(hwnd);
}

}  // namespace

void FallBackToMonitoring(plat::Hwnd hwnd) {
    CloseDataFile();
    LogScreenState.LoggingState = kStateMonitoring;
    ShowPauseHint(-1);
    EnableMapViewButtons(false);
    ShowLogButtonSet(LogButtonSet::Monitoring);
    MakeDefaultLogButton(LogButtonSet::Monitoring, 0);
    ShowLoggingStatus(1);
    RepaintLogScreen();
    plat::SetFocus(hwnd);
}

namespace {

// The FILE ERROR box for the error bits `error`, `now` saying what the
// screen does meanwhile ("" for nothing).
void ShowDataFileErrors(plat::Hwnd hwnd, int32_t error, const char* now) {
    const char* name = DataFileState.DataFileBaseName;
    char first[kDataFolderChars + 160] = "";
    char second[kDataFolderChars + 64] = "";
    char third[kDataFolderChars + 128] = "";
    if ((error & kDataFileWriteFailed) != 0) {
        std::snprintf(first, sizeof first, "Writing to the data file %s failed: %s.\r\n", name,
                      plat::FileErrorWords(DataFileState.WriteFailError.load()));
    }
    if ((error & kDataFileReopenFailed) != 0) {
        std::snprintf(second, sizeof second, "The data file %s cannot be opened again.\r\n", name);
    }
    if ((error & kDataFileFlushFailed) != 0) {
        std::snprintf(third, sizeof third, "Putting the data file %s on the disk failed: %s.\r\n", name,
                      plat::FileErrorWords(DataFileState.FlushError));
    }
    char text[sizeof first + sizeof second + sizeof third + 64];
    std::snprintf(text, sizeof text, "%s%s%s%s", first, second, third, now);
    char16_t narrowPart[std::size(text)];
    NarrowToWideUnsigned(text, narrowPart, std::size(narrowPart));
    // Full paths, which may hold any character, go in as they are.
    char16_t wide[std::size(text) + 12 * kDataFolderChars];
    Text16 message{wide, std::size(wide)};
    wide[0] = 0;
    DescribeDataFileNameLoss(error, message);
    message.Append(narrowPart);
    // No empty line under the last one when there is nothing to add about now.
    if (message.Length >= 2 && wide[message.Length - 1] == u'\n') wide[message.Length - 2] = 0;
    Box(hwnd, wide, u"FILE ERROR", plat::MessageButtons::Ok, plat::MessageIcon::Error);
}

}  // namespace

void ReportDataFileErrors(plat::Hwnd hwnd) {
    int32_t error = TakeDataFileWriteError();
    if (error == 0) return;
    bool paused = LogScreenState.LoggingState == kStateLogging;
    if (paused) {
        PauseLoggingOnError(hwnd, error);
        error |= TakeDataFileWriteError();
    }
    // A pause with nothing to tell yet (a file found shorter, its size not
    // held still): the box that tells why comes with the judgement.
    if ((error & ~kDataFileNotTold) == 0) {
        g_pauseUntold = g_pauseUntold || paused;
        EndCommand(hwnd);
        return;
    }
    paused = paused || g_pauseUntold;
    g_pauseUntold = false;
    // A file made shorter whose end no record may follow is closed as it is
    // (after the copy a lost name owes it): the operator chooses File.
    const bool refused = DataFileState.EndRefused != 0 && !RescueCopyOwed();
    if ((DataFileState.DataFileHandle == plat::kInvalidFile || refused) &&
        LogScreenState.LoggingState != kStateMonitoring) {
        FallBackToMonitoring(hwnd);
    }
    // The file the records now go to, when its name changed.
    if ((error & kDataFileNameLost) != 0 && LogScreenState.LoggingState != kStateMonitoring && !RescueCopyOwed()) {
        ShowLoggingStatus(0);
    }
    const char* now = ScreenWindows.ScreenMode != 1                     ? ""
                      : LogScreenState.LoggingState == kStateMonitoring ? "No data file is open: choose File to go on."
                      : paused                                          ? "Logging is paused."
                                                                        : "";
    LogScreenState.UiIdle = 0;
    ShowDataFileErrors(hwnd, error, now);
    if (RescueCopyEnded()) {
        // The box named the new file; the copy ran while it was up. Ended,
        // it becomes the data file now; still under way (a large file), the
        // once-a-second look takes it when it has ended, the screen going on
        // meanwhile. Told again only when the records did not go where the
        // box said.
        if (CopyIntoRescueFile() == 1) ShowLoggingStatus(0);
        const int32_t again = TakeDataFileWriteError();
        if (again != 0) ShowDataFileErrors(hwnd, again, now);
        if (DataFileState.EndRefused != 0) FallBackToMonitoring(hwnd);
    }
    EndCommand(hwnd);
}

void TellDataFileErrorsOnLeaving(plat::Hwnd hwnd) {
    const int32_t error = TakeDataFileWriteError();
    if (error != 0) ShowDataFileErrors(hwnd, error, "");
}

void RepaintLogScreen() {
    const plat::Hwnd hwnd = ScreenWindows.LogScreenWindow;
    if (hwnd == 0) return;
    plat::InvalidateRect(hwnd, nullptr, true);
    plat::UpdateWindow(hwnd);
}

namespace log_test {
int RunCommandCount() { return g_runCommandCount; }
int RunCommandAt(int index) {
    return index >= 0 && index < g_runCommandCount ? g_runCommands[static_cast<size_t>(index)] : 0;
}
void ClearRunCommands() { g_runCommandCount = 0; }
}  // namespace log_test
