#include "log_screen/log_screen.h"


#include "acquisition/console_reader.h"
#include "acquisition/console_reading.h"
#include "acquisition/gps_fix.h"
#include "acquisition/gps_reader.h"
#include "log_screen/log_layout.h"
#include "log_screen/log_state.h"
#include "log_screen/numbers_window.h"
#include "map/colour_bar.h"
#include "log_screen/profile_windows.h"
#include "log_screen/status_panel.h"
#include "log_screen/supervision.h"
#include "survey_files/data_file_rescue.h"
#include "map/map_view_commands.h"
#include "platform/controls.h"
#include "platform/dc.h"
#include "survey_files/settings_file.h"
#include "survey_files/survey_model.h"

namespace {

constexpr const char16_t* kLogScreenClass = u"ScreenLogWnd";

const plat::MessageHandler kLogScreenMessages[] = {
    {plat::kMsgCreate, LogScreenOnCreate},
    {plat::kMsgSize, LogScreenOnSize},
    {plat::kMsgCommand, LogScreenOnCommand},
    {plat::kMsgDeadChar, LogScreenOnCommand},
    {plat::kMsgKeyDown, LogScreenOnCommand},
    {plat::kMsgPaint, PaintStatusPanel},
    {plat::kMsgTimer, LogScreenOnTimer},
    {kMsgMapOverflow, LogScreenOnCommand},
    {kMsgGpsSentence, OnGpsSentence},
    {kMsgConsoleReading + 0, OnConsoleReading1},
    {kMsgConsoleReading + 1, OnConsoleReading2},
    {kMsgConsoleReading + 2, OnConsoleReading3},
    {kMsgConsoleReading + 3, OnConsoleReading4},
    {kMsgConsoleReading + 4, OnConsoleReading5},
    {kMsgConsoleReading + 5, OnConsoleReading6},
    {kMsgConsoleReading + 6, OnConsoleReading7},
    {kMsgConsoleReading + 7, OnConsoleReading8},
    {kMsgConsoleReading + 8, OnConsoleReading9},
    // The GPS watchdog's ring and red cells: the GPS thread may not draw.
    {kMsgGpsConnectionBreak, OnGpsConnectionBreak},
};

// Button texts in index order.
constexpr const char16_t* kMonitoringTexts[4] = {u"&File", u"&Readings Scale", u"E&xit", u"&Menu"};
constexpr const char16_t* kStandByTexts[4] = {u"&Go", u"&QLine", u"E&xit", u"&Menu"};
constexpr const char16_t* kMapButtonTexts[kMapButtonCount] = {
    u"&Left", u"&Right", u"U&p", u"&Down", u"Zoom&+", u"Zoom&-", u"&Fit All", u"Enter Rev&iew", u"&Exit Review",
};

plat::Hwnd MakeChild(plat::Hwnd parent, const char16_t* cls, const char16_t* text, uint32_t style, int32_t x,
                     int32_t y, int32_t width, int32_t height, int32_t id) {
    return plat::CreateWindow(cls, text, plat::kStyleChild | style, x, y, width < 0 ? 0 : width,
                              height < 0 ? 0 : height, parent, id);
}

plat::Hwnd MakeButton(plat::Hwnd parent, const char16_t* text, bool visible, int32_t x, int32_t y, int32_t width,
                      int32_t height, int32_t id) {
    const uint32_t style = plat::kStyleTabStop | plat::kButtonPush | (visible ? plat::kStyleVisible : 0u);
    return MakeChild(parent, u"BUTTON", text, style, x, y, width, height, id);
}

// The inputs that come from the main window; measured here when it gave none
// (a logging screen made on its own, as the tests do).
void TakeMainWindowMetrics(plat::Hwnd hwnd) {
    if (ScreenLayout.ClientWidth <= 0 || ScreenLayout.ClientHeight <= 0) {
        plat::Rect client;
        plat::GetClientRect(hwnd, &client);
        ScreenLayout.ClientWidth = client.Right;
        ScreenLayout.ClientHeight = client.Bottom;
    }
    if (ScreenLayout.LineHeight <= 0) {
        const plat::Hdc dc = plat::GetDC(hwnd);
        plat::TextMetrics tm;
        plat::GetTextMetrics(dc, &tm);
        plat::ReleaseDC(hwnd, dc);
        ScreenLayout.TextHeight = tm.Height;
        ScreenLayout.LineHeight = tm.Height + 2;
    }
}

bool CreateSurveyWindows(plat::Hwnd hwnd) {
    const ScreenLayoutRecord& g = ScreenLayout;
    const uint32_t bordered = plat::kStyleBorder;
    const uint32_t shown = plat::kStyleVisible | plat::kStyleBorder;
    for (int i = 0; i < kCurveWindowSlots; ++i) {
        ScreenWindows.CurveWindows[i] =
            MakeChild(hwnd, u"CurveWnd", u"", bordered, g.WorkAreaLeft, (g.CurveWindowHeight + g.WindowGap) * i + kMargin,
                      g.WorkAreaWidth, g.CurveWindowHeight, kCurveWindowFirstId + i);
        if (ScreenWindows.CurveWindows[i] == 0) return false;
    }
    for (int i = 0; i < kCurveWindowSlots; ++i) {
        ScreenWindows.DecayWindows[i] =
            MakeChild(hwnd, u"DecayWnd", u"", shown, g.DecayWindowsLeft + (g.DecayWindowWidth + g.WindowGap) * i,
                      g.DecayWindowsTop, g.DecayWindowWidth, g.DecayWindowHeight, kDecayWindowFirstId + i);
        if (ScreenWindows.DecayWindows[i] == 0) return false;
    }
    ScreenWindows.NumbersWindow = MakeChild(hwnd, u"NumbersWnd", u"", shown, g.NumbersWindowLeft, g.NumbersWindowTop,
                                            g.NumbersColumnWidth, g.NumbersWindowHeight, kNumbersWindowId);
    ScreenWindows.MapWindow = MakeChild(hwnd, u"MapWnd", u"", shown, kMargin, kMargin, g.MapWindowWidth,
                                        g.MapWindowHeight, kMapWindowId);
    ScreenWindows.ColorBarWindow =
        MakeChild(hwnd, u"ColorBarWnd", u"Colour Scale Bar", bordered, 30, 32, 112, 296, kColorBarWindowId);
    return ScreenWindows.NumbersWindow != 0 && ScreenWindows.MapWindow != 0 && ScreenWindows.ColorBarWindow != 0;
}

void CreateButtons(plat::Hwnd hwnd) {
    const ScreenLayoutRecord& g = ScreenLayout;
    const int32_t x = StateButtonBlockLeft();
    const int32_t b = kStateButtonWidth;
    const int32_t top = g.ButtonBlockTop;
    const int32_t below = top + g.ButtonHeight + g.ButtonGap;
    // A 2 x 2 block: Exit and Menu above, Readings Scale / QLine and File / Go below.
    const plat::Point place[4] = {{x + b + 2, below}, {x, below}, {x, top}, {x + b + 2, top}};
    for (int i = 0; i < 4; ++i) {
        ScreenButtons.MonitoringButtons[i] = MakeButton(hwnd, kMonitoringTexts[i], true, place[i].X, place[i].Y, b,
                                                        g.ButtonHeight, kStateButtonFirstId + i);
        ScreenButtons.StandByButtons[i] = MakeButton(hwnd, kStandByTexts[i], false, place[i].X, place[i].Y, b,
                                                     g.ButtonHeight, kStateButtonFirstId + i);
    }
    ScreenButtons.PauseButton = MakeButton(hwnd, u"P A U S E", false, g.NumbersWindowLeft, top, g.NumbersColumnWidth,
                                           2 * g.ButtonHeight, kStateButtonFirstId);

    for (int i = kMapLeft; i <= kMapDown; ++i) {
        ScreenButtons.MapButtons[i] =
            MakeButton(hwnd, kMapButtonTexts[i], true, g.MapButtonsLeft + (g.MapButtonWidth + g.MapButtonGap) * i,
                       g.MapButtonTop, g.MapButtonWidth, g.MapButtonHeight, kMapButtonFirstId + i);
    }
    const int32_t stacked = StackedMapButtonHeight();
    for (int i = kMapZoomIn; i <= kMapFitAll; ++i) {
        ScreenButtons.MapButtons[i] = MakeButton(hwnd, kMapButtonTexts[i], false, x, top + (i - kMapZoomIn) * (stacked + 2),
                                                 2 * b + 2, stacked, kMapButtonFirstId + i);
    }
    // Enter Review and Exit Review share one place; only one is ever shown.
    const int32_t reviewX = ReviewButtonLeft();
    for (int i = kMapEnterReview; i <= kMapExitReview; ++i) {
        ScreenButtons.MapButtons[i] = MakeButton(hwnd, kMapButtonTexts[i], true, reviewX, g.MapButtonTop,
                                                 g.ReviewButtonWidth, g.MapButtonHeight, kMapButtonFirstId + i);
    }

    plat::SetButtonStyle(ScreenButtons.MonitoringButtons[0], plat::kButtonDefaultPush, false);
    plat::SetButtonStyle(ScreenButtons.StandByButtons[0], plat::kButtonDefaultPush, false);
    plat::SetButtonStyle(ScreenButtons.PauseButton, plat::kButtonDefaultPush, false);
    ScreenButtons.LogButtonIndex = 0;
}

}  // namespace

int RegisterLogScreenClasses() {
    plat::WindowClass cls;
    cls.Name = kLogScreenClass;
    cls.Proc = ScreenLogWndProc;
    cls.Background = plat::CreateSolidBrush(plat::GetSystemColour(plat::kColourButtonFace));
    cls.Style = plat::kClassHRedraw | plat::kClassVRedraw;
    if (!plat::RegisterWindowClass(cls)) {
        plat::DeleteObject(cls.Background);
        return 1;
    }
    int (*const children[])() = {RegisterDecayWndClass,   RegisterCurveWndClass, RegisterNumbersWndClass,
                                 RegisterSpeedWndClass,   RegisterMapWndClass,   RegisterColorBarWndClass};
    for (auto registerClass : children) {
        if (registerClass() != 0) return 2;
    }
    return 0;
}

plat::LResult ScreenLogWndProc(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l) {
    return plat::DispatchFromTable(kLogScreenMessages, hwnd, message, w, l);
}

plat::LResult LogScreenOnCreate(plat::Hwnd hwnd, uint32_t, plat::WParam, plat::LParam) {
    SetLongCopyStep(StepBusyIndicator);  // a rescue copy that takes a while shows it is under way
    for (auto& tops : ProfileTrace.BarTop) tops = {-1, -1};
    TakeMainWindowMetrics(hwnd);
    ComputeConsoleGeometry(kCreationNumbersWidth);
    ComputeFixedGeometry();
    LayoutNumbersWindow();
    TellSettingsResult(hwnd, LoadSaveSettings(0));

    bool made = CreateSurveyWindows(hwnd);
    if (made) {
        CreateButtons(hwnd);
        ScreenWindows.SpeedWindow = MakeChild(hwnd, u"SpeedWnd", u"", plat::kStyleVisible | plat::kStyleBorder,
                                              ScreenLayout.SpeedWindowLeft, ScreenLayout.SpeedWindowTop,
                                              ScreenLayout.SpeedBarLength, ScreenLayout.SpeedWindowHeight, kSpeedWindowId);
        made = ScreenWindows.SpeedWindow != 0;
    }
    if (made) return 0;
    // The logging screen goes with its children: no handle of them may stay behind.
    ScreenWindows.CurveWindows = {};
    ScreenWindows.DecayWindows = {};
    ScreenWindows.NumbersWindow = ScreenWindows.MapWindow = ScreenWindows.ColorBarWindow = ScreenWindows.SpeedWindow = 0;
    ScreenButtons.MonitoringButtons = {};
    ScreenButtons.StandByButtons = {};
    ScreenButtons.PauseButton = 0;
    ScreenButtons.MapButtons = {};
    return -1;
}

plat::LResult LogScreenOnSize(plat::Hwnd hwnd, uint32_t, plat::WParam, plat::LParam) {
    plat::Rect client;
    plat::GetClientRect(hwnd, &client);
    return 0;
}
