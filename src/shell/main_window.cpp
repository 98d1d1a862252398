#include "shell/main_window.h"

#include <iterator>

#include "acquisition/gps_monitor.h"
#include "log_screen/log_layout.h"
#include "log_screen/log_screen.h"
#include "log_screen/log_state.h"
#include "log_screen/panel_objects.h"
#include "log_screen/supervision.h"
#include "map/map_pens.h"
#include "platform/controls.h"
#include "platform/dc.h"
#include "platform/files.h"
#include "platform/keys.h"
#include "platform/message_box.h"
#include "platform/process_end.h"
#include "resources/sounds.h"
#include "shell/option_dialogs.h"
#include "shell/setup_dialogs.h"
#include "shell/start_logging.h"
#include "shell/start_screen.h"
#include "survey_files/data_file.h"
#include "survey_files/settings_file.h"
#include "survey_files/survey_model.h"

namespace {

constexpr const char16_t* kMainClass = u"OSTRIMA-MAIN";

const plat::MessageHandler kMainMessages[] = {
    {plat::kMsgCreate, MainOnCreate},
    {plat::kMsgSize, MainOnSize},
    {plat::kMsgClose, MainOnClose},
    {plat::kMsgDestroy, MainOnDestroy},
    {plat::kMsgCommand, MainOnCommand},
    {plat::kMsgDeadChar, MainOnCommand},
    {plat::kMsgKeyDown, MainOnCommand},
    {plat::kMsgPaint, PaintStartScreen},
};

// The start screen's buttons, top to bottom. Each also runs by its letter,
// upper or lower case.
struct StartButtonRow {
    const char16_t* Text;
    char16_t Letter;
};
constexpr StartButtonRow kStartButtons[kStartButtonCount] = {
    {u"&Logging", u'L'},           // opens the logging screen
    {u"&Survey Setup", u'S'},      // "SURVEYSETUP"
    {u"Sys&tem Setup", u'T'},      // "SYSTEM"
    {u"&Array Geometry", u'A'},    // "ARRAYGEOMETRY"
    {u"&GPS Port Setup", u'G'},    // "GPSINPUT"
    {u"GPS M&onitoring", u'O'},    // opens the GPS monitor (GPS input only)
    {u"&Map Options", u'M'},       // "DISPLAYOPTIONS" (GPS input only)
    {u"&Profiles Options", u'P'},  // "DISPLAYSETUP"
    {u"E&xit", u'X'},              // closes the main window
};

// Start-screen key commands besides a button's letter (which gives its index).
constexpr int kNoKeyCommand = -99;
constexpr int kNextButton = 1009;
constexpr int kPreviousButton = 1010;
constexpr int kPressButton = 1013;

struct NavigationKey {
    uint32_t Code;
    int Command;
};
constexpr NavigationKey kNavigationKeys[] = {
    {plat::kKeyTab, kNextButton},      {plat::kKeyRight, kNextButton},    {plat::kKeyDown, kNextButton},
    {plat::kKeyLeft, kPreviousButton}, {plat::kKeyUp, kPreviousButton},   {plat::kKeyReturn, kPressButton},
};

constexpr int32_t kStartButtonWidth = 170;
constexpr int32_t kStartButtonMinHeight = 36;
constexpr int32_t kStartButtonGap = 3;

// The key command of a key code (upper- and lower-case letters alike).
int StartKeyCommand(plat::WParam code) {
    for (const NavigationKey& k : kNavigationKeys) {
        if (code == k.Code) return k.Command;
    }
    for (int i = 0; i < kStartButtonCount; ++i) {
        const char16_t letter = kStartButtons[i].Letter;
        if (code == letter || code == static_cast<plat::WParam>(letter + 32)) return i;
    }
    return kNoKeyCommand;
}

// The keyboard highlight (the default-button look) moves by one, wrapping.
void MoveStartHighlight(int step) {
    int32_t& index = ScreenButtons.StartButtonIndex;
    plat::SetButtonStyle(ScreenButtons.StartButtons[static_cast<size_t>(index)], plat::kButtonPush, true);
    index = (index + step + kStartButtonCount) % kStartButtonCount;
    plat::SetButtonStyle(ScreenButtons.StartButtons[static_cast<size_t>(index)], plat::kButtonDefaultPush, true);
}

void RunStartButton(plat::Hwnd hwnd, int button) {
    switch (button) {
        case kStartLogging:
            StartLogging();
            return;
        case kStartSurveySetup:
            RunSurveySetupDialog(hwnd);
            break;
        case kStartSystemSetup:
            RunSystemSetupDialog(hwnd);
            break;
        case kStartArrayGeometry:
            RunArrayGeometryDialog(hwnd);
            break;
        case kStartGpsPortSetup:
            RunGpsInputDialog(hwnd);
            break;
        case kStartGpsMonitoring:
            StartGpsMonitoring();
            return;
        case kStartMapOptions:
            if (GpsPortSetup.InputMode < 1) {
                plat::MessageBox(hwnd, u"Option avaiable only when GPS is enabled", u"INFORMATION",
                                 plat::MessageButtons::Ok, plat::MessageIcon::None);
            } else {
                RunDisplayOptionsDialog(hwnd);
            }
            plat::InvalidateRect(hwnd, nullptr, true);
            plat::SetFocus(hwnd);
            return;
        case kStartProfilesOptions:
            RunDisplaySetupDialog(hwnd);
            plat::InvalidateRect(hwnd, nullptr, true);
            plat::SetFocus(hwnd);
            return;
        case kStartExit:
            plat::SendMessage(hwnd, plat::kMsgClose, 0, 0);
            return;
        default:
            return;
    }
    // The settings summary shows what the dialog changed.
    plat::InvalidateRect(hwnd, nullptr, true);
}

// The fonts of every painter, in "Microsoft Sans Serif".
void CreateFonts() {
    constexpr const char16_t* face = u"Microsoft Sans Serif";
    GdiObjects.HeadingFont = plat::CreateFont(20, 200, face);
    GdiObjects.TitleFont = plat::CreateFont(30, 600, face);
    GdiObjects.TextFont = plat::CreateFont(14, 400, face);
    GdiObjects.BoldFont = plat::CreateFont(14, 700, face);
    GdiObjects.CondensedFont = plat::CreateCondensedFont(12, 400);
}

// The character height of the window's own font: every layout counts in lines of it.
void MeasureDefaultText(plat::Hwnd hwnd) {
    const plat::Hdc dc = plat::GetDC(hwnd);
    plat::TextMetrics tm;
    plat::GetTextMetrics(dc, &tm);
    plat::ReleaseDC(hwnd, dc);
    ScreenLayout.TextHeight = tm.Height;
    ScreenLayout.LineHeight = tm.Height + 2;
}

// Down the right side, as high as nine fit below the top margin, but never
// lower than 36 pixels. "&Logging" starts highlighted. False when a button
// could not be made.
bool CreateStartButtons(plat::Hwnd hwnd) {
    const int32_t left = ScreenLayout.ClientWidth - kStartButtonWidth - 30;
    int32_t height = (ScreenLayout.ClientHeight - 230 - 3 * 8) / kStartButtonCount;
    if (height < kStartButtonMinHeight) height = kStartButtonMinHeight;
    const uint32_t style = plat::kStyleChild | plat::kStyleTabStop | plat::kStyleVisible | plat::kButtonPush;
    for (int i = 0; i < kStartButtonCount; ++i) {
        const plat::Hwnd b = plat::CreateWindow(u"BUTTON", kStartButtons[i].Text, style, left,
                                                30 + i * (height + kStartButtonGap), kStartButtonWidth, height, hwnd,
                                                kStartButtonFirstId + i);
        ScreenButtons.StartButtons[static_cast<size_t>(i)] = b;
        if (b == 0) return false;
    }
    ScreenButtons.StartButtonIndex = 0;
    plat::SetButtonStyle(ScreenButtons.StartButtons[0], plat::kButtonDefaultPush, false);
    return true;
}

// A child the program cannot do without is missing: the main window goes
// (with the children made so far) and no handle of them stays behind.
plat::LResult FailMainCreation() {
    ScreenWindows.MainWindow = 0;
    ScreenWindows.LogScreenWindow = 0;
    ScreenWindows.MonitorGpsWindow = 0;
    ScreenButtons.StartButtons = {};
    return -1;
}

// A signal to end the program (a shutdown, the session or the terminal
// gone, Ctrl+C) takes the close box's way out with nobody to answer: logging
// is left without the question (every box now closes at once, and its No
// would keep the program running), the last look, its rescue and the close
// done, and the window goes. The exit code is 128 + the signal's number, as
// a shell reports a program a signal ended: a script or a session's log
// tells such an end from the operator's own Exit (0), though every record
// was kept.
void EndOnSignal(int signal) {
    if (ScreenWindows.ScreenMode == 1 && LogScreenState.LoggingState.load() != kStateMonitoring) ExitLogging(1);
    if (plat::IsWindow(ScreenWindows.MainWindow)) plat::DestroyWindow(ScreenWindows.MainWindow);
    plat::PostQuitMessage(128 + signal);
}

}  // namespace

int RunOstrima() {
    const int started = StartOstrima();
    if (started != 0) return started;
    return RunUntilQuit();
}

int StartOstrima() {
    plat::StartApplication();
    plat::WatchEndSignals(EndOnSignal);
    plat::PrepareProgramFolders();  // as an installer would have
    res::RegisterSoundResources();
    const int registered = RegisterWindowClasses();
    if (registered != 0) return registered;
    if (CreateMainWindow(plat::kShowNormal) == 0) return kExitNoMainWindow;
    return 0;
}

int RunUntilQuit() {
    // The desktop's connection lost ends the process through exit() from
    // inside the loop: the data file is finished there all the same.
    plat::SetExitHook(StopAcquisitionAtExit);
    const int code = plat::RunMessageLoop();
    // Nothing may run on into the end of the process: a reader waiting in
    // its hand-over, or a data file whose last writes are not on the disk.
    StopAcquisitionAtExit();
    plat::SetExitHook(nullptr);
    return code;
}

int RegisterWindowClasses() {
    plat::WindowClass cls;
    cls.Name = kMainClass;
    cls.Proc = MainWndProc;
    cls.Background = plat::CreateSolidBrush(plat::GetSystemColour(plat::kColourButtonFace));
    cls.Style = plat::kClassHRedraw | plat::kClassVRedraw;
    plat::RegisterWindowClass(cls);
    if (RegisterLogScreenClasses() != 0) return kExitClassNotRegistered;
    if (RegisterMonitorGpsWndClass() != 0) return kExitClassNotRegistered;
    return 0;
}

void PlaceMainWindow(int32_t screenWidth, int32_t screenHeight) {
    int32_t width = screenWidth;
    int32_t height = screenHeight - 38;
    if (width > 1280 || height > 762) {
        width = 1024;
        height = 762;
    }
    if (width < 800 || height < 562) {
        width = 800;
        height = 562;
    }
    int32_t x = (screenWidth - width) / 2;
    int32_t y = (screenHeight - height) / 2 - 38;
    if (y < 0) y = 0;
    if (x < 0) x = 0;
    ScreenLayout.MainWindowX = x;
    ScreenLayout.MainWindowY = y;
    ScreenLayout.MainWindowWidth = width;
    ScreenLayout.MainWindowHeight = height;
    ScreenLayout.ButtonBlockTop = height - 22;
}

plat::Hwnd CreateMainWindow(int showCommand) {
    PlaceMainWindow(plat::GetScreenWidth(), plat::GetScreenHeight());
    const ScreenLayoutRecord& g = ScreenLayout;
    // A fixed frame: caption, system menu and minimise box; no resizing, no maximise box.
    const uint32_t style = plat::kStyleVisible | plat::kStyleCaption | plat::kStyleSysMenu | plat::kStyleMinimizeBox;
    const plat::Hwnd hwnd = plat::CreateWindow(kMainClass, u"Ostrima", style, g.MainWindowX, g.MainWindowY,
                                               g.MainWindowWidth, g.MainWindowHeight, 0, 0);
    ScreenWindows.MainWindow = hwnd;
    if (hwnd == 0) return 0;
    plat::ShowWindow(hwnd, showCommand);
    plat::UpdateWindow(hwnd);
    return hwnd;
}

plat::LResult MainWndProc(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l) {
    return plat::DispatchFromTable(kMainMessages, hwnd, message, w, l);
}

plat::LResult MainOnCreate(plat::Hwnd hwnd, uint32_t, plat::WParam, plat::LParam) {
    // The children's creation (message boxes, the logging screen's layout) finds the main window here.
    ScreenWindows.MainWindow = hwnd;
    plat::Rect client;
    plat::GetClientRect(hwnd, &client);
    ScreenLayout.ClientWidth = client.Right;
    ScreenLayout.ClientHeight = client.Bottom;

    // The last level only; a folder that cannot be made shows when a temporary file is needed.
    plat::CreateFolder(ScreenWindows.TempFolder);
    plat::GetCurrentFolder(ScreenWindows.StartDirectory, std::size(ScreenWindows.StartDirectory));
    TellSettingsResult(hwnd, LoadSaveSettings(0));
    CreateFonts();
    MeasureDefaultText(hwnd);
    if (!CreateStartButtons(hwnd)) return FailMainCreation();

    // The logging screen builds its own children and loads the settings once more.
    ScreenWindows.LogScreenWindow =
        plat::CreateWindow(u"ScreenLogWnd", u"Log", plat::kStyleChild, 0, 0, ScreenLayout.MainWindowWidth,
                           ScreenLayout.MainWindowHeight, hwnd, kLogScreenId);
    if (ScreenWindows.LogScreenWindow == 0) return FailMainCreation();
    ScreenWindows.MonitorGpsWindow =
        plat::CreateWindow(u"MonitorGPSWnd", u"Monitor GPS", plat::kStyleChild, 2, 2, ScreenLayout.MainWindowWidth - 4,
                           ScreenLayout.MainWindowHeight - 4, hwnd, kMonitorGpsWindowId);
    if (ScreenWindows.MonitorGpsWindow == 0) return FailMainCreation();

    LogScreenState.MapShown = GpsPortSetup.InputMode != 0 ? 1 : 0;
    CreateFixedPens();
    CreateMapPens(0);
    CreateColourScalePens();
    CreateProfilePens(0);
    InitConsoleRecordTags();
    return 0;
}

plat::LResult MainOnSize(plat::Hwnd, uint32_t, plat::WParam, plat::LParam) { return 0; }

plat::LResult MainOnClose(plat::Hwnd hwnd, uint32_t, plat::WParam, plat::LParam) {
    // With a data file open, the close box and Alt+F4 leave logging as
    // "E&xit" does: the last look at the file's name, its rescue, the close
    // and what went wrong told, before the window goes. Only records still
    // waiting for a rescue ask first, and "No" keeps the program running.
    if (ScreenWindows.ScreenMode == 1 && LogScreenState.LoggingState.load() != kStateMonitoring) {
        if (ExitLogging(DataFileState.RescuePending == 1 ? 0 : 1) == 0) return 0;
    }
    plat::DestroyWindow(hwnd);
    return 0;
}

plat::LResult MainOnDestroy(plat::Hwnd, uint32_t, plat::WParam, plat::LParam) {
    plat::PostQuitMessage(0);
    return 0;
}

plat::LResult MainOnCommand(plat::Hwnd hwnd, uint32_t, plat::WParam w, plat::LParam) {
    // A screen over the start screen takes its keys back; nothing runs here meanwhile.
    if (plat::IsWindowVisible(ScreenWindows.LogScreenWindow)) {
        plat::SetFocus(ScreenWindows.LogScreenWindow);
        return 0;
    }
    if (plat::IsWindowVisible(ScreenWindows.MonitorGpsWindow)) {
        plat::SetFocus(ScreenWindows.MonitorGpsWindow);
        return 0;
    }
    plat::SetFocus(hwnd);

    // A button's command carries its id in the low word; a key code gives no button here.
    int button = static_cast<int>(plat::LowWord(w)) - kStartButtonFirstId;
    if (ScreenWindows.ScreenMode == 0) {
        const int command = StartKeyCommand(w);
        if (command == kNextButton) {
            MoveStartHighlight(+1);
        } else if (command == kPreviousButton) {
            MoveStartHighlight(-1);
        } else if (command == kPressButton) {
            button = ScreenButtons.StartButtonIndex;
        } else if (command != kNoKeyCommand) {
            button = command;  // a letter: the highlight stays where it is
        }
    }
    if (button >= 0 && button < kStartButtonCount) RunStartButton(hwnd, button);
    return 0;
}
