// Internal records of the window layer, shared by its source files.
#pragma once
#include <QImage>
#include <QObject>
#include <QRegion>
#include <QWidget>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/dc.h"
#include "platform/window.h"

class QTimer;

namespace plat::detail {

enum class ControlKind { Canvas, Button, Combo, ListBox, Edit, Static };

struct ClassRecord {
    std::u16string Name;
    WindowProc Proc = nullptr;
    Hbrush Background = 0;
    uint32_t Style = 0;
    ControlKind Kind = ControlKind::Canvas;
    bool BuiltIn = false;
};

struct WindowRecord {
    Hwnd Handle = 0;
    Hwnd Parent = 0;
    int32_t Id = 0;
    uint32_t Style = 0;
    ControlKind Kind = ControlKind::Canvas;
    WindowProc Proc = nullptr;
    Hbrush Background = 0;
    QWidget* Widget = nullptr;
    bool Visible = false;      // shown by the window's own state (ancestors aside)
    bool TopLevel = false;
    bool Destroying = false;
    bool TabMovesFocus = false;
    // Geometry as set: child = parent-client coordinates, top-level = screen, outer frame.
    int32_t X = 0, Y = 0, Width = 0, Height = 0;
    // The client area inside the outer frame.
    int32_t ClientLeft = 0, ClientTop = 0, ClientWidth = 0, ClientHeight = 0;
    QImage Image;              // backing image of the client area (canvas windows, owner-drawn buttons)
    QRegion Invalid;
    QRect ScreenDirty;         // drawn into the image, not yet put on screen (client coordinates)
    uint32_t ScreenPaints = 0; // times the image was put on screen (test hook)
    bool EraseNeeded = false;
    bool PaintPosted = false;
    uint32_t BeginPaintCount = 0;  // tells whether a paint handler validated
    std::u16string Text;
    LParam UserData = 0;
    std::vector<Hwnd> Children;  // creation order
    std::map<uintptr_t, QTimer*> Timers;
    uint32_t ButtonType = 0;     // buttons: the style's type bits, changed by kMsgButtonSetStyle
    int32_t EditLimit = 30000;
    Hfont Font = 0;
};

// Window table (window thread; IsWindow from any thread).
WindowRecord* Find(Hwnd hwnd);
std::vector<Hwnd> AllWindows();
ClassRecord* FindClass(const char16_t* name);

// Calls a window's procedure directly (window thread); 0 for an invalid window.
LResult CallProc(Hwnd hwnd, uint32_t message, WParam w, LParam l);

// The internal object on the window thread that receives posted work.
QObject* Courier();
void PostDeferredPaint(Hwnd hwnd);
void FlushDeferredDeletes();
void EndModalLoopsOf(Hwnd hwnd);
// The program ends: the layer's own modal loops, innermost first, each
// window closed as its close box closes it (a dialog as Cancel), a loop its
// window did not end then ended with -1. Returns how many were running.
int CloseEveryModalLoop();
// ReleaseWaitingSenders; with `alsoServed` the senders whose handler is
// running go too: exit() called below a handler means it never returns.
void ReleaseSenders(bool alsoServed);
void KillAllTimers(WindowRecord* rec);
void ResetHandover();
void NoteFocusFromQt(Hwnd hwnd);
// The window whose procedure gets a key that Qt gave to `receiver`.
Hwnd KeyDestination(Hwnd receiver);

// Paint helpers.
void InvalidateTree(Hwnd hwnd);
void ResizeBackingImage(WindowRecord* rec);
// Marks a part of a canvas window's image as drawn: it goes on screen with the
// next display frame, together with every other window drawn meanwhile.
// Controls are asked to update at once (Qt merges those in its own loop).
void RequestScreenUpdate(Hwnd hwnd, const QRect& clientRect);
// Puts every window's drawing of the frame on screen now (the frame timer).
void FlushScreenUpdates();
// Drops the pending frame (tests start afresh).
void ForgetScreenUpdates();
// kScreenFrameMs (window.h): 20 ms is 50 frames a second, above the 25 a
// moving profile needs, and it lets the lines of nine consoles share one
// trip to the screen.

// GDI helpers.
void InitStockObjects();
QRgb ToRgb(ColourRef c);
ColourRef FromRgb(QRgb c);
Hdc CreateWindowDC(Hwnd hwnd, const QRegion* clip);
void ForgetWindowDCs(Hwnd hwnd);
void FillRegionWithBrush(Hdc dc, const QRegion& region, Hbrush brush);

// Controls.
void RegisterBuiltInClasses();
void RegisterBuiltInClass(const char16_t* name, WindowProc proc, ControlKind kind);
QWidget* CreateControlWidget(WindowRecord* rec, QWidget* parent);
void ControlSetText(WindowRecord* rec, const std::u16string& text);

// The widget of canvas windows.
class CanvasWidget : public QWidget {
public:
    CanvasWidget(Hwnd hwnd, QWidget* parent, Qt::WindowFlags flags);
    Hwnd Handle;
    int32_t BorderWidth = 0;

protected:
    void paintEvent(QPaintEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    bool focusNextPrevChild(bool next) override;
};

// The property that ties a control widget to its handle.
constexpr const char* kHandleProperty = "ostrimaHwnd";

}  // namespace plat::detail
