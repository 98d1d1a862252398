// API-READY
// Windows, messages, the window thread and its hand-over, timers, threads.
//
// The system is written against a message model: a window is a small integer
// handle with a procedure that receives numbered messages; the numbers keep
// their classic values because the system's tables and its user messages
// (kMsgUser + 11 .. + 21) are written in them. Everything here runs on the one
// window thread (the thread that called StartApplication) unless a function
// says it may be called from any thread.
//
// Geometry: a top-level window's rectangle is its outer frame; its client area
// is smaller by a fixed frame (kFrameWidth on each side, kCaptionHeight more at
// the top when it has a caption). A child window with kStyleBorder has a
// one-pixel black border and a client area one pixel inside it on every side.
// Client coordinates start at the client area's top-left corner.
#pragma once
#include <cstddef>
#include <cstdint>

namespace plat {

using Hwnd = int32_t;        // 0 = no window; handles are never reused
using WParam = uintptr_t;
using LParam = intptr_t;
using LResult = intptr_t;
using ColourRef = uint32_t;  // 0x00BBGGRR: red is the low byte
using Hgdi = uint32_t;       // pen, brush, font or bitmap; 0 = none
using Hpen = Hgdi;
using Hbrush = Hgdi;
using Hfont = Hgdi;
using Hbitmap = Hgdi;
using Hdc = int32_t;         // device context; 0 = none

using WindowProc = LResult (*)(Hwnd, uint32_t message, WParam, LParam);

struct Rect {
    int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;  // right and bottom excluded
};
struct Point {
    int32_t X = 0, Y = 0;
};
struct Size {
    int32_t Cx = 0, Cy = 0;
};

constexpr uint16_t LowWord(uintptr_t v) { return static_cast<uint16_t>(v & 0xFFFF); }
constexpr uint16_t HighWord(uintptr_t v) { return static_cast<uint16_t>((v >> 16) & 0xFFFF); }
constexpr WParam MakeWParam(uint16_t low, uint16_t high) { return static_cast<WParam>(low) | (static_cast<WParam>(high) << 16); }
constexpr LParam MakeLParam(int32_t low, int32_t high) {
    return static_cast<LParam>(static_cast<uint32_t>(low & 0xFFFF) | (static_cast<uint32_t>(high & 0xFFFF) << 16));
}
constexpr ColourRef Rgb(uint8_t r, uint8_t g, uint8_t b) {
    return static_cast<ColourRef>(r) | (static_cast<ColourRef>(g) << 8) | (static_cast<ColourRef>(b) << 16);
}

// ---------------------------------------------------------------------------
// Messages (classic numbers)
constexpr uint32_t kMsgNull = 0x0000;
constexpr uint32_t kMsgCreate = 0x0001;       // lParam: the creation parameter given to CreateWindow
constexpr uint32_t kMsgDestroy = 0x0002;
constexpr uint32_t kMsgMove = 0x0003;         // lParam: client x, y
constexpr uint32_t kMsgSize = 0x0005;         // lParam: client width, height
constexpr uint32_t kMsgSetFocus = 0x0007;     // wParam: the window that lost the focus
constexpr uint32_t kMsgKillFocus = 0x0008;    // wParam: the window that takes the focus
constexpr uint32_t kMsgEnable = 0x000A;       // wParam: 1 enabled, 0 disabled
constexpr uint32_t kMsgSetText = 0x000C;      // lParam: const char16_t*
constexpr uint32_t kMsgGetText = 0x000D;      // wParam: capacity incl. terminator, lParam: char16_t*; result: length
constexpr uint32_t kMsgGetTextLength = 0x000E;
constexpr uint32_t kMsgPaint = 0x000F;
constexpr uint32_t kMsgClose = 0x0010;
constexpr uint32_t kMsgQuit = 0x0012;
constexpr uint32_t kMsgEraseBackground = 0x0014;  // wParam: Hdc clipped to the invalid region
constexpr uint32_t kMsgShowWindow = 0x0018;   // wParam: 1 shown, 0 hidden
constexpr uint32_t kMsgDrawItem = 0x002B;     // wParam: control id, lParam: DrawItemInfo*
constexpr uint32_t kMsgSetFont = 0x0030;      // wParam: Hfont, lParam: redraw
constexpr uint32_t kMsgGetFont = 0x0031;
constexpr uint32_t kMsgKeyDown = 0x0100;      // wParam: virtual-key code, lParam: 1 | repeat bit 30
constexpr uint32_t kMsgKeyUp = 0x0101;
constexpr uint32_t kMsgChar = 0x0102;         // wParam: the character (UTF-16 unit) of a printable key
constexpr uint32_t kMsgDeadChar = 0x0103;     // wParam: the accent character of a dead key
constexpr uint32_t kMsgSysKeyDown = 0x0104;   // with Alt held
constexpr uint32_t kMsgSysKeyUp = 0x0105;
constexpr uint32_t kMsgSysChar = 0x0106;
constexpr uint32_t kMsgInitDialog = 0x0110;
constexpr uint32_t kMsgCommand = 0x0111;      // wParam: id | notification << 16, lParam: control handle (0 for keys/menus)
constexpr uint32_t kMsgTimer = 0x0113;        // wParam: timer id
constexpr uint32_t kMsgMouseMove = 0x0200;    // lParam: client x, y
constexpr uint32_t kMsgLButtonDown = 0x0201;
constexpr uint32_t kMsgLButtonUp = 0x0202;
constexpr uint32_t kMsgLButtonDoubleClick = 0x0203;
constexpr uint32_t kMsgRButtonDown = 0x0204;
constexpr uint32_t kMsgRButtonUp = 0x0205;
constexpr uint32_t kMsgUser = 0x0400;

// Window styles
constexpr uint32_t kStylePopup = 0x80000000u;
constexpr uint32_t kStyleChild = 0x40000000u;
constexpr uint32_t kStyleVisible = 0x10000000u;
constexpr uint32_t kStyleDisabled = 0x08000000u;
constexpr uint32_t kStyleCaption = 0x00C00000u;
constexpr uint32_t kStyleBorder = 0x00800000u;
constexpr uint32_t kStyleVScroll = 0x00200000u;
constexpr uint32_t kStyleHScroll = 0x00100000u;
constexpr uint32_t kStyleSysMenu = 0x00080000u;
constexpr uint32_t kStyleThickFrame = 0x00040000u;
constexpr uint32_t kStyleGroup = 0x00020000u;       // starts a radio group (same bit as the minimize box on top-levels)
constexpr uint32_t kStyleMinimizeBox = 0x00020000u;
constexpr uint32_t kStyleTabStop = 0x00010000u;
constexpr uint32_t kStyleMaximizeBox = 0x00010000u;

constexpr int32_t kFrameWidth = 3;      // fixed frame of a top-level window, each side
constexpr int32_t kCaptionHeight = 23;  // caption bar of a top-level window with kStyleCaption

// ShowWindow commands
constexpr int kShowHide = 0;
constexpr int kShowNormal = 1;
constexpr int kShowMinimized = 2;
constexpr int kShowNoActivate = 4;
constexpr int kShow = 5;

// System colour indices (GetSystemColour)
constexpr int kColourWindow = 5;             // 0xFFFFFF
constexpr int kColourWindowText = 8;         // 0x000000
constexpr int kColourButtonFace = 15;        // 0xF0F0F0
constexpr int kColourButtonShadow = 16;      // 0xA0A0A0
constexpr int kColourGrayText = 17;          // 0x6D6D6D
constexpr int kColourButtonText = 18;        // 0x000000
constexpr int kColourButtonHighlight = 20;   // 0xFFFFFF
constexpr int kColour3dDarkShadow = 21;      // 0x696969
constexpr int kColour3dLight = 22;           // 0xE3E3E3

// ---------------------------------------------------------------------------
// Application and message loop

// Creates the desktop application once (later calls do nothing and return
// true), makes this thread the window thread, registers the control classes
// and forces LC_NUMERIC "C".
bool StartApplication();
bool ApplicationStarted();
bool OnWindowThread();  // any thread

// Runs until PostQuitMessage; returns its code. Serves hand-overs, posted
// messages, timers and paints while it waits.
int RunMessageLoop();
// Ends RunMessageLoop with `code` once control returns to it (any thread).
void PostQuitMessage(int code);

// A nested loop for modal windows: runs until EndModalLoop(window, result) or
// until `window` is destroyed (result -1). Serves everything the main loop
// serves. Loops nest; each ends only its own.
int RunModalLoop(Hwnd window);
void EndModalLoop(Hwnd window, int result);

// Processes the events that are pending now, without waiting (window thread).
void ProcessPendingEvents();

// ---------------------------------------------------------------------------
// Classes and windows

struct WindowClass {
    const char16_t* Name = nullptr;  // compared without regard to ASCII case
    WindowProc Proc = nullptr;
    Hbrush Background = 0;            // erases invalid parts before a paint; 0 = no erase
    uint32_t Style = 0;               // kept for the record; sizing always repaints the whole window
};
constexpr uint32_t kClassHRedraw = 0x0002;
constexpr uint32_t kClassVRedraw = 0x0001;

// False when the name is taken (also by a built-in control class) or the
// class is incomplete.
bool RegisterWindowClass(const WindowClass& cls);
bool UnregisterWindowClass(const char16_t* name);  // windows of the class keep their procedure

// Creates a window of a registered class. The procedure receives kMsgCreate
// (lParam = createParam) before this returns, then kMsgSize; a kMsgCreate
// result of -1 destroys the window and gives 0. kStyleChild needs a parent; a
// window without kStyleChild but with a parent is an owned top-level window.
// kStyleVisible shows it after creation. 0 on failure.
Hwnd CreateWindow(const char16_t* className, const char16_t* text, uint32_t style,
                  int32_t x, int32_t y, int32_t width, int32_t height,
                  Hwnd parent, int32_t id, LParam createParam = 0);

// Destroys the window's children first (last created first), then sends it
// kMsgDestroy; the handle is invalid afterwards. False for an invalid handle.
bool DestroyWindow(Hwnd hwnd);
bool IsWindow(Hwnd hwnd);  // any thread

// Returns whether the window was visible before. Showing invalidates the window
// and its visible descendants (with erase); a paint follows from the loop.
bool ShowWindow(Hwnd hwnd, int command);
bool IsWindowVisible(Hwnd hwnd);  // the window and all its ancestors are shown
// Moves and sizes (child: parent-client coordinates; top-level: screen, outer
// frame). A size change sends kMsgSize and invalidates the whole window.
bool MoveWindow(Hwnd hwnd, int32_t x, int32_t y, int32_t width, int32_t height, bool repaint = true);
bool SetWindowPosition(Hwnd hwnd, int32_t x, int32_t y);  // keeps the size
// Returns whether the window was disabled before.
bool EnableWindow(Hwnd hwnd, bool enable);
bool IsWindowEnabled(Hwnd hwnd);

Hwnd GetParent(Hwnd hwnd);
Hwnd GetDialogItem(Hwnd parent, int32_t id);  // the child with that id, 0 when none
int32_t GetControlId(Hwnd hwnd);
uint32_t GetWindowStyle(Hwnd hwnd);
bool GetClientRect(Hwnd hwnd, Rect* out);   // (0, 0, client width, client height)
bool GetWindowRect(Hwnd hwnd, Rect* out);   // outer frame in screen coordinates
bool ClientToScreen(Hwnd hwnd, Point* p);
bool ScreenToClient(Hwnd hwnd, Point* p);

// Sends kMsgSetText / kMsgGetText. GetWindowText copies at most capacity - 1
// characters and a terminator, returns the characters copied.
bool SetWindowText(Hwnd hwnd, const char16_t* text);
int32_t GetWindowText(Hwnd hwnd, char16_t* out, int32_t capacity);
int32_t GetWindowTextLength(Hwnd hwnd);

// Keyboard focus: sends kMsgKillFocus to the old and kMsgSetFocus to the new
// window; returns the previous focus. SetFocus(0) removes the focus.
Hwnd SetFocus(Hwnd hwnd);
Hwnd GetFocus();

// A value the system keeps per window (the classic extra bytes).
LParam SetWindowUserData(Hwnd hwnd, LParam value);  // returns the previous value
LParam GetWindowUserData(Hwnd hwnd);

// Lets Tab move the keyboard focus between the window's controls (dialogs).
// Off by default: Tab reaches the window's procedure as a key.
void SetTabMovesFocus(Hwnd hwnd, bool on);

// ---------------------------------------------------------------------------
// Messages

// The default handling: kMsgClose destroys the window, kMsgPaint validates,
// kMsgEraseBackground fills the invalid region with the class background and
// returns 1, kMsgSetText / kMsgGetText / kMsgGetTextLength keep the window
// text, Alt+F4 closes a top-level window; everything else returns 0.
LResult DefaultWindowProc(Hwnd hwnd, uint32_t message, WParam w, LParam l);

struct MessageHandler {
    uint32_t Message;
    LResult (*Handler)(Hwnd, uint32_t, WParam, LParam);
};
// Calls the first handler of `table` for `message`, else DefaultWindowProc.
LResult DispatchFromTable(const MessageHandler* table, size_t count, Hwnd hwnd, uint32_t message,
                          WParam w, LParam l);
template <size_t N>
LResult DispatchFromTable(const MessageHandler (&table)[N], Hwnd hwnd, uint32_t message, WParam w, LParam l) {
    return DispatchFromTable(table, N, hwnd, message, w, l);
}

// Any thread. On the window thread: calls the procedure at once. From another
// thread: queues the call for the window thread and blocks until the handler
// has returned, giving its result; queued calls are served in arrival order by
// the main loop, by every nested modal loop and by ServePendingSends, never by
// a busy wait. Returns 0 at once for an invalid window, before the application
// started, or while senders are released.
LResult SendMessage(Hwnd hwnd, uint32_t message, WParam w, LParam l);
// Any thread: queues the message and returns; false for an invalid window.
bool PostMessage(Hwnd hwnd, uint32_t message, WParam w, LParam l);

// The stop flag: every waiting sender returns 0 at once, and new cross-thread
// sends return 0 at once until ResumeSenders. Any thread. A sender whose
// handler is running at that moment waits for it to return (the handler may
// be reading the sender's line slot), so a handler must never join the thread
// whose call it is serving.
void ReleaseWaitingSenders();
void ResumeSenders();
bool SendersReleased();
// Window thread: serves the queued cross-thread calls now; returns how many.
int ServePendingSends();

// ---------------------------------------------------------------------------
// Paint model

// Adds `rect` (client coordinates; null = the whole client area) to the
// window's invalid region; `erase` asks for the class background first. A
// paint message follows from the loop. Any thread (marshalled).
bool InvalidateRect(Hwnd hwnd, const Rect* rect, bool erase);
bool ValidateRect(Hwnd hwnd, const Rect* rect);
// When the window is shown and has an invalid region, sends kMsgPaint now.
// Any thread (from another thread it waits until the paint has run).
bool UpdateWindow(Hwnd hwnd);
// Drawing through a device context changes the window's image at once; the
// screen shows it with the next display frame, at most kScreenFrameMs later,
// when the loop runs: all the windows drawn meanwhile go in one repaint.
constexpr uint32_t kScreenFrameMs = 20;
// Puts the window's pending drawing on screen now: a pending paint message is
// sent (as UpdateWindow), then the window's image is shown at once. No event
// is processed and no hand-over is served meanwhile, so it may run inside a
// long job (a waiting text, a busy indicator). Window thread; false for an
// unknown window.
bool PaintWindowNow(Hwnd hwnd);
// The bounding box of the invalid region; false when nothing is invalid.
bool GetUpdateRect(Hwnd hwnd, Rect* out);

// ---------------------------------------------------------------------------
// Timers: kMsgTimer (wParam = id) on the window thread every `ms` milliseconds
// until killed or the window is destroyed. Setting an existing id restarts it.
bool SetTimer(Hwnd hwnd, uintptr_t id, uint32_t ms);
bool KillTimer(Hwnd hwnd, uintptr_t id);

// ---------------------------------------------------------------------------
// Screen and system colours
int32_t GetScreenWidth();
int32_t GetScreenHeight();
ColourRef GetSystemColour(int index);  // fixed values, see the indices above

// ---------------------------------------------------------------------------
// Threads

using ThreadHandle = int32_t;  // 0 = none
using ThreadProc = uint32_t (*)(void* argument);

ThreadHandle StartThread(ThreadProc proc, void* argument);
bool ThreadFinished(ThreadHandle thread);  // true also for an unknown handle
// Blocks until the thread ended; frees the handle. Serves nothing: never call
// it on the window thread for a thread that may send to a window.
bool JoinThread(ThreadHandle thread, uint32_t* exitCode = nullptr);
// Window thread: serves queued sends while it waits for the thread to end.
bool JoinThreadServing(ThreadHandle thread, uint32_t* exitCode = nullptr);
void SleepMilliseconds(uint32_t ms);  // real sleep, for threads other than the window thread

// ---------------------------------------------------------------------------
// Test hooks
namespace test {

// Destroys every window, unregisters the system's classes, kills timers,
// clears the quit request, the stop flag, posted messages and the focus,
// and restores the real screen size. Does nothing before the application started.
void ResetWindows();

// Keys as a real key press delivers them (keydown, char for printable keys,
// keyup): `virtualKey` as in keys.h; letters follow `shift` for the character.
// `target` 0 = the focused window.
bool InjectKey(Hwnd target, uint32_t virtualKey, bool shift = false, bool ctrl = false, bool alt = false);
// Types one character (its key and the character message).
bool InjectChar(Hwnd target, char16_t c);

// A user's click on a button / check box / radio button (sends the command as
// a click would), or a user's choice in a combo or list box.
bool ClickControl(Hwnd control);
bool ChooseComboItem(Hwnd combo, int32_t index);
bool ChooseListItem(Hwnd list, int32_t index);
// A user's typing into an edit (replaces its text, notifies as typing would).
bool TypeIntoEdit(Hwnd edit, const char16_t* text);
// Mouse button down and up at a client point.
bool ClickWindow(Hwnd hwnd, int32_t x, int32_t y);

// The pixel of the window's backing image at a client point (0x00BBGGRR),
// or 0xFFFFFFFF outside. For controls, the pixel of their rendering.
uint32_t WindowPixel(Hwnd hwnd, int32_t x, int32_t y);
// The same pixel as the screen shows it: 0x00RRGGBB.
uint32_t WindowPixelRgb(Hwnd hwnd, int32_t x, int32_t y);
// The client area as 0x00BBGGRR pixels, row by row; false when it does not fit.
bool ReadWindowImage(Hwnd hwnd, uint32_t* out, size_t capacity, int32_t* width, int32_t* height);

// Times the window's image has been put on screen (its widget painted).
uint32_t ScreenPaintCount(Hwnd hwnd);

// Sends the timer message now, as if the timer had expired; false when not set.
bool FireTimer(Hwnd hwnd, uintptr_t id);
bool TimerIsSet(Hwnd hwnd, uintptr_t id);
uint32_t TimerInterval(Hwnd hwnd, uintptr_t id);  // 0 when not set

void SetScreenSize(int32_t width, int32_t height);  // 0, 0 = the real screen again

// Runs the event loop until `done()` is true or `ms` milliseconds passed;
// returns done()'s last value.
bool RunEventsUntil(bool (*done)(void*), void* context, uint32_t ms);
void RunEventsFor(uint32_t ms);
void ProcessEvents();  // pending events, then deferred paints

int32_t LiveWindowCount();
int32_t PendingSendCount();  // queued cross-thread calls (any thread)

}  // namespace test
}  // namespace plat
