#include "acquisition/gps_monitor.h"

#include <cstring>
#include <iterator>

#include "platform/controls.h"
#include "platform/dc.h"
#include "platform/dialog.h"
#include "platform/keys.h"
#include "platform/message_box.h"
#include "platform/serial_port.h"
#include "platform/tick.h"
#include "resources/monitor_templates.h"
#include "survey_files/survey_model.h"
#include "survey_files/text_helpers.h"

namespace {

constexpr const char16_t* kMonitorGpsClass = u"MonitorGPSWnd";
constexpr uint8_t kLf = 0x0A;
constexpr uint8_t kDollar = 0x24;

const plat::MessageHandler kMonitorGpsMessages[] = {
    {plat::kMsgCreate, MonitorGpsOnCreate},
    {plat::kMsgPaint, PaintMonitorGpsWindow},
    {plat::kMsgCommand, MonitorGpsOnCommand},
    {plat::kMsgChar, MonitorGpsOnCommand},
    {plat::kMsgKeyDown, MonitorGpsOnCommand},
    {plat::kMsgSize, MonitorGpsOnSize},
};

enum MonitorButton { kGo = 0, kPause = 1, kSend = 2, kExit = 3, kNoButton = -1, kTabKey = -2 };

// The letters of the buttons; a key-down carries the upper-case code, a
// character either case.
struct MonitorKey {
    char Letter;
    int Button;
};
constexpr MonitorKey kMonitorKeys[] = {{'G', kGo}, {'P', kPause}, {'S', kSend}, {'X', kExit}};

constexpr const char16_t* kMonitorButtonTexts[4] = {u"&Go", u"&Pause", u"&Send", u"E&xit"};
constexpr const char16_t* kDefaultCommand = u"$PASHS,NME,SAT,A,ON";

// Where "Enter Command Text" is drawn, left of the edit; set on creation,
// before any reader runs.
plat::Rect g_labelArea{};

// The key-down a character may still follow (upper-case letter code, 0 none):
// a key press acts on its key-down and its character is then passed over.
uint32_t g_pendingCharOf = 0;

plat::Hwnd Button(int b) { return ScreenButtons.MonitorButtons[static_cast<size_t>(b)]; }

void Show(plat::Hwnd h, bool shown) {
    if (h == 0) return;
    plat::ShowWindow(h, shown ? plat::kShow : plat::kShowHide);
    plat::EnableWindow(h, shown);
}

void Highlight(int index) {
    int32_t& current = ScreenButtons.MonitorButtonIndex;
    if (Button(current) != 0) plat::SetButtonStyle(Button(current), plat::kButtonPush, true);
    current = index;
    if (Button(current) != 0) plat::SetButtonStyle(Button(current), plat::kButtonDefaultPush, true);
}

// Go and Pause share one place: only the one that acts now is shown.
void ShowRunning(bool running) {
    Show(Button(kGo), !running);
    Show(Button(kPause), running);
    ScreenButtons.MonitorRunning = running ? 1 : 0;
    const int hidden = running ? kGo : kPause;
    if (ScreenButtons.MonitorButtonIndex == hidden) Highlight(running ? kPause : kGo);
}

void MoveMonitorHighlight() {
    int index = ScreenButtons.MonitorButtonIndex;
    if (index == kGo) index = kPause;
    index = (index + 1) % 4;
    if (index == kGo && ScreenButtons.MonitorRunning == 1) index = kPause;
    if (index == kPause && ScreenButtons.MonitorRunning == 0) index = kSend;
    Highlight(index);
}

void PurgeGpsPort() { plat::PurgeSerialPort(SerialPorts.GpsPortHandle.load()); }

void GoMonitor() {
    PurgeGpsPort();  // what came while paused is not listed
    ReaderThreads.GpsMonitorHold = 0;
    ShowRunning(true);
}

void PauseMonitor() {
    ReaderThreads.GpsMonitorHold = 1;
    PurgeGpsPort();
    ShowRunning(false);
}

void SendGpsCommand(plat::Hwnd hwnd) {
    char16_t* command = GpsSentenceBuffer.GpsCommandText;
    plat::GetWindowText(ScreenWindows.MonitorCommandEdit, command, static_cast<int32_t>(std::size(GpsSentenceBuffer.GpsCommandText)));
    if (plat::RunDialog(hwnd, res::kGetGpsMessageDialog, GetGpsMessageDlgProc, 0) != 1) return;
    plat::SetWindowText(ScreenWindows.MonitorCommandEdit, command);

    char bytes[kGpsCommandMaxChars + 3];
    const int n = BuildGpsCommandBytes(command, bytes, sizeof bytes);
    if (n < 0) {
        plat::MessageBox(hwnd, u"The command is longer than 27 characters.\r\nNothing was sent.", u"GPS Message",
                         plat::MessageButtons::Ok, plat::MessageIcon::Warning);
        return;
    }
    // The reader stays out of the port while it is emptied and written.
    if (ReaderThreads.GpsMonitorHold.load() == 0) {
        ReaderThreads.GpsMonitorHold = 1;
        plat::WaitMilliseconds(2);
    }
    PurgeGpsPort();
    plat::WaitMilliseconds(2);
    plat::WriteSerialPort(SerialPorts.GpsPortHandle.load(), bytes, n);
    // A send resumes a paused monitor.
    ShowRunning(true);
    ReaderThreads.GpsMonitorHold = 0;
}

void RunMonitorButton(plat::Hwnd hwnd, int b) {
    switch (b) {
        case kGo:
            GoMonitor();
            break;
        case kPause:
            PauseMonitor();
            break;
        case kSend:
            SendGpsCommand(hwnd);
            break;
        case kExit:
            ExitGpsMonitor();
            return;
        default:
            return;
    }
    plat::SetFocus(hwnd);
}

// The button a key names: Tab, Enter or a letter (code in either case).
int MonitorKeyButton(uint32_t code) {
    if (code == plat::kKeyTab) return kTabKey;
    if (code == plat::kKeyReturn) return ScreenButtons.MonitorButtonIndex;
    for (const MonitorKey& k : kMonitorKeys) {
        if (code == static_cast<uint32_t>(k.Letter) || code == static_cast<uint32_t>(k.Letter + 32)) return k.Button;
    }
    return kNoButton;
}

void CopyText(char16_t* out, size_t capacity, const char16_t* text) {
    size_t i = 0;
    for (; i + 1 < capacity && text[i] != 0; ++i) out[i] = text[i];
    out[i] = 0;
}

}  // namespace

int RegisterMonitorGpsWndClass() {
    plat::WindowClass cls;
    cls.Name = kMonitorGpsClass;
    cls.Proc = MonitorGpsWndProc;
    cls.Background = plat::CreateSolidBrush(plat::GetSystemColour(plat::kColourButtonFace));
    if (!plat::RegisterWindowClass(cls)) {
        plat::DeleteObject(cls.Background);
        return 1;
    }
    return 0;
}

plat::LResult MonitorGpsWndProc(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam l) {
    return plat::DispatchFromTable(kMonitorGpsMessages, hwnd, message, w, l);
}

plat::LResult MonitorGpsOnCreate(plat::Hwnd hwnd, uint32_t, plat::WParam, plat::LParam) {
    const int32_t w = ScreenLayout.ClientWidth;
    const int32_t h = ScreenLayout.ClientHeight;
    const uint32_t child = plat::kStyleChild | plat::kStyleVisible;
    for (int i = 0; i < 4; ++i) {
        // Go stands where Pause stands; only one of the two is shown.
        const int32_t x = w / 2 - 180 + (i == kGo ? 0 : (i - 1) * 120);
        const uint32_t shown = i == kGo ? 0 : plat::kStyleVisible;
        ScreenButtons.MonitorButtons[static_cast<size_t>(i)] =
            plat::CreateWindow(u"BUTTON", kMonitorButtonTexts[i], plat::kStyleChild | shown | plat::kButtonCenter, x,
                               h - 70, 116, 28, hwnd, kMonitorButtonFirstId + i);
    }
    ScreenWindows.MonitorListBox =
        plat::CreateWindow(u"LISTBOX", u"", child | plat::kStyleVScroll | plat::kStyleBorder | plat::kListExtendedSelection,
                           10, 10, w - 30, h - 140, hwnd, kMonitorListId);
    ScreenWindows.MonitorCommandEdit = plat::CreateWindow(
        u"EDIT", kDefaultCommand, child | plat::kStyleBorder | plat::kEditAutoHScroll, 190, h - 122, w - 210, 28, hwnd,
        kMonitorEditId);
    g_labelArea = plat::Rect{0, h - 122, 190, h - 94};
    ScreenButtons.MonitorButtonIndex = kPause;
    ResetGpsMonitor();
    return 0;
}

plat::LResult PaintMonitorGpsWindow(plat::Hwnd hwnd, uint32_t, plat::WParam, plat::LParam) {
    // Take the line first: the reader waits until this paint has listed it.
    if (GpsSentenceBuffer.GpsLineReady.load() == 1 && GpsPortSetup.InputMode > 0) {
        const plat::Hwnd list = ScreenWindows.MonitorListBox;
        const int32_t index = plat::ListAddString(list, GpsSentenceBuffer.GpsMonitorText);
        if (index >= 0) plat::ListSetTopIndex(list, index);
        GpsSentenceBuffer.GpsLineReady = 0;
        plat::UpdateWindow(list);
    }
    plat::PaintInfo paint;
    const plat::Hdc dc = plat::BeginPaint(hwnd, &paint);
    const plat::Hgdi oldFont = plat::SelectObject(dc, GdiObjects.HeadingFont);
    const int oldMode = plat::SetBackgroundMode(dc, plat::kTransparent);
    plat::TextOut(dc, 10, ScreenLayout.ClientHeight - 120, u"Enter Command Text");
    plat::SetBackgroundMode(dc, oldMode);
    if (oldFont != 0) plat::SelectObject(dc, oldFont);
    plat::EndPaint(hwnd, &paint);
    // The keys come here, unless a dialog or box over the monitor has them.
    const plat::Hwnd focus = plat::GetFocus();
    if (focus == 0 || focus == ScreenWindows.MainWindow) plat::SetFocus(hwnd);
    return 0;
}

plat::LResult MonitorGpsOnCommand(plat::Hwnd hwnd, uint32_t message, plat::WParam w, plat::LParam) {
    if (ScreenWindows.ScreenMode != 2) return 0;
    plat::SetFocus(hwnd);
    int b = kNoButton;
    if (message == plat::kMsgCommand) {
        b = static_cast<int>(plat::LowWord(w)) - kMonitorButtonFirstId;
        if (b < kGo || b > kExit) return 0;
    } else {
        const auto code = static_cast<uint32_t>(w);
        if (message == plat::kMsgKeyDown) {
            g_pendingCharOf = code;
        } else {
            // The character of a key press whose key-down acted already.
            const uint32_t upper = code >= 'a' && code <= 'z' ? code - 32 : code;
            const bool echo = g_pendingCharOf != 0 && upper == g_pendingCharOf;
            g_pendingCharOf = 0;
            if (echo) return 0;
        }
        b = MonitorKeyButton(code);
    }
    if (b == kTabKey) {
        MoveMonitorHighlight();
        return 0;
    }
    RunMonitorButton(hwnd, b);
    return 0;
}

plat::LResult MonitorGpsOnSize(plat::Hwnd hwnd, uint32_t, plat::WParam, plat::LParam) {
    if (ScreenWindows.ScreenMode == 2) plat::SetFocus(hwnd);
    return 0;
}

void ResetGpsMonitor() {
    ReaderThreads.GpsMonitorHold = 0;
    GpsSentenceBuffer.GpsLineReady = 0;  // a line left from before is not listed
    g_pendingCharOf = 0;
    ShowRunning(true);
    Highlight(kPause);
}

void ExitGpsMonitor() {
    ScreenWindows.ScreenMode = 0;
    ReaderThreads.GpsMonitorHold = 0;
    ReaderThreads.GpsSimulatorRun = 0;
    const plat::SerialHandle port = SerialPorts.GpsPortHandle.exchange(plat::kInvalidSerial);
    if (port != plat::kInvalidSerial) plat::CloseSerialPort(port);
    // The reader may be handing over its last line: that is served here, and
    // no second reader can meet it on the port.
    if (ReaderThreads.GpsThreadHandle != 0) plat::JoinThreadServing(ReaderThreads.GpsThreadHandle);
    ReaderThreads.GpsThreadHandle = 0;
    if (ScreenWindows.MonitorGpsWindow != 0) plat::ShowWindow(ScreenWindows.MonitorGpsWindow, plat::kShowHide);
    const plat::Hwnd main = ScreenWindows.MainWindow;
    if (main != 0) {
        plat::SetFocus(main);
        plat::InvalidateRect(main, nullptr, true);
        plat::UpdateWindow(main);
    }
}

bool GpsMonitorFrameByte(GpsMonitorFrame& f, uint8_t byte, char* line, size_t capacity) {
    if (byte == kDollar) {
        f.Bytes[0] = '$';
        f.Length = 1;
        return false;
    }
    if (byte != kLf) {
        if (f.Length > kGpsMonitorFrameRestartAt) f.Length = 0;
        f.Bytes[static_cast<size_t>(f.Length++)] = static_cast<char>(byte);
        return false;
    }
    if (f.Length == 0 || capacity == 0) return false;
    // A CR before the LF ends the line; a receiver that ends its lines with
    // LF alone loses nothing (its last byte is often the checksum's).
    size_t n = static_cast<size_t>(f.Length);
    if (f.Bytes[n - 1] == '\r') --n;
    if (n > capacity - 1) n = capacity - 1;
    std::memcpy(line, f.Bytes.data(), n);
    line[n] = 0;
    f.Length = 0;
    return true;
}

void ShowGpsMonitorText(const char16_t* text) {
    CopyText(GpsSentenceBuffer.GpsMonitorText, std::size(GpsSentenceBuffer.GpsMonitorText), text);
    GpsSentenceBuffer.GpsLineReady = 1;
    const plat::Hwnd monitor = ScreenWindows.MonitorGpsWindow;
    // The paint runs to take the line into the list; of the monitor's own
    // drawing only the label is drawn again. Erasing and drawing the whole
    // window for each of a hundred lines a second kept the window thread busy.
    plat::InvalidateRect(monitor, &g_labelArea, true);
    plat::UpdateWindow(monitor);
}

void ShowGpsMonitorLine(const char* line) {
    char16_t wide[kGpsSentenceChars];
    NarrowToWideUnsigned(line, wide, std::size(wide));
    ShowGpsMonitorText(wide);
}

int BuildGpsCommandBytes(const char16_t* text, char* out, size_t capacity) {
    size_t n = 0;
    while (text[n] != 0) ++n;
    if (n > static_cast<size_t>(kGpsCommandMaxChars) || n + 2 > capacity) return -1;
    for (size_t i = 0; i < n; ++i) out[i] = static_cast<char>(text[i] & 0xFF);
    out[n] = '\r';
    out[n + 1] = '\n';
    return static_cast<int>(n + 2);
}

uint32_t GpsMonitorReaderThread(void*) {
    GpsMonitorFrame frame;
    char line[kGpsSentenceChars];
    uint32_t lastLine = plat::GetTickCount();
    for (;;) {
        const plat::SerialHandle port = SerialPorts.GpsPortHandle.load();
        if (port == plat::kInvalidSerial) break;
        if (ReaderThreads.GpsMonitorHold.load() == 1) {
            // Paused or sending: nothing is read, and a line begun before
            // is not finished with bytes from after.
            frame.Length = 0;
            plat::SleepMilliseconds(10);
            continue;
        }
        uint8_t byte = 0;
        // The silence counts from the line's end, not from the end of its
        // hand-over, however long the window took.
        if (plat::ReadSerialByte(port, &byte) == 1 && GpsMonitorFrameByte(frame, byte, line, sizeof line)) {
            lastLine = plat::GetTickCount();
            std::memcpy(GpsSentenceBuffer.GpsLastSentence, line, sizeof line);
            ShowGpsMonitorLine(line);
        }
        if (plat::TickDiff(lastLine, plat::GetTickCount()) > kGpsMonitorSilenceMs) {
            lastLine = plat::GetTickCount();
            frame.Length = 0;
            ShowGpsMonitorText(u"NO DATA");
        }
    }
    return 0;
}

plat::LResult GetGpsMessageDlgProc(plat::Hwnd dialog, uint32_t message, plat::WParam w, plat::LParam) {
    if (message == plat::kMsgInitDialog) {
        plat::SendDialogItemMessage(dialog, res::kGpsMessageEditId, plat::kMsgEditLimitText, 99, 0);
        plat::SetDialogItemText(dialog, res::kGpsMessageEditId, GpsSentenceBuffer.GpsCommandText);
        return 1;
    }
    if (message != plat::kMsgCommand) return 0;
    switch (plat::LowWord(w)) {
        case plat::kIdOk:
            plat::GetDialogItemText(dialog, res::kGpsMessageEditId, GpsSentenceBuffer.GpsCommandText,
                                    static_cast<int32_t>(std::size(GpsSentenceBuffer.GpsCommandText)));
            plat::EndDialog(dialog, 1);
            return 1;
        case plat::kIdCancel:
            plat::EndDialog(dialog, 0);
            return 1;
        default:
            return 1;
    }
}
