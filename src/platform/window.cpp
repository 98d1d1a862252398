// Classes, window creation and destruction, geometry, text and focus.
#include "platform/window.h"

#include <QApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "platform/controls.h"
#include "platform/keys.h"
#include "platform/process_end.h"
#include "platform/qt_internal.h"
#include "platform/text.h"
#include "platform/window_internal.h"

namespace plat {
namespace detail {
namespace {

std::mutex g_tableMutex;  // guards the table's structure for IsWindow from other threads
std::unordered_map<Hwnd, std::unique_ptr<WindowRecord>> g_windows;
std::vector<std::unique_ptr<ClassRecord>> g_classes;
Hwnd g_nextHandle = 0;
Hwnd g_focus = 0;
bool g_settingFocus = false;

bool SameName(const std::u16string& a, const char16_t* b) {
    size_t i = 0;
    for (; i < a.size() && b[i] != 0; ++i) {
        char16_t x = a[i], y = b[i];
        if (x >= u'a' && x <= u'z') x = static_cast<char16_t>(x - 32);
        if (y >= u'a' && y <= u'z') y = static_cast<char16_t>(y - 32);
        if (x != y) return false;
    }
    return i == a.size() && b[i] == 0;
}

bool IsDescendant(Hwnd window, Hwnd ancestor) {
    for (Hwnd h = window; h != 0;) {
        if (h == ancestor) return true;
        WindowRecord* r = Find(h);
        if (r == nullptr) return false;
        h = r->Parent;
    }
    return false;
}

// Where the client area lies inside the outer rectangle.
void ComputeClient(WindowRecord* rec) {
    int32_t inset = 0, top = 0;
    if (rec->TopLevel) {
        if ((rec->Style & kStyleCaption) == kStyleCaption) {
            inset = kFrameWidth;
            top = kCaptionHeight;
        } else if ((rec->Style & (kStyleBorder | kStyleThickFrame)) != 0) {
            inset = kFrameWidth;
        }
    } else if (rec->Kind == ControlKind::Canvas && (rec->Style & kStyleBorder) != 0) {
        inset = 1;
    }
    rec->ClientLeft = inset;
    rec->ClientTop = inset + top;
    rec->ClientWidth = std::max(0, rec->Width - 2 * inset);
    rec->ClientHeight = std::max(0, rec->Height - 2 * inset - top);
}

void ApplyGeometry(WindowRecord* rec) {
    QWidget* w = rec->Widget;
    if (w == nullptr) return;
    if (rec->TopLevel) {
        w->setGeometry(rec->X + rec->ClientLeft, rec->Y + rec->ClientTop, std::max(1, rec->ClientWidth),
                       std::max(1, rec->ClientHeight));
        if ((rec->Style & kStyleThickFrame) == 0) w->setFixedSize(std::max(1, rec->ClientWidth), std::max(1, rec->ClientHeight));
        return;
    }
    // A top-level window's widget is its client area; a bordered child's
    // widget includes its border, so its children sit inside that.
    int32_t px = 0, py = 0;
    if (WindowRecord* parent = Find(rec->Parent); parent != nullptr && !parent->TopLevel) {
        px = parent->ClientLeft;
        py = parent->ClientTop;
    }
    int32_t height = rec->Height;
    if (rec->Kind == ControlKind::Combo) height = std::min(height, w->sizeHint().height());
    w->setGeometry(px + rec->X, py + rec->Y, std::max(0, rec->Width), std::max(0, height));
}

Qt::WindowFlags TopLevelFlags(uint32_t style, bool owned) {
    Qt::WindowFlags f = owned ? Qt::Dialog : Qt::Window;
    if ((style & kStyleCaption) != kStyleCaption) return f | Qt::FramelessWindowHint;
    f |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (style & kStyleSysMenu) f |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (!owned && (style & kStyleMinimizeBox)) f |= Qt::WindowMinimizeButtonHint;
    if (!owned && (style & kStyleMaximizeBox)) f |= Qt::WindowMaximizeButtonHint;
    return f;
}

void RemoveRecord(Hwnd hwnd) {
    std::unique_ptr<WindowRecord> dead;
    {
        std::lock_guard<std::mutex> g(g_tableMutex);
        auto it = g_windows.find(hwnd);
        if (it == g_windows.end()) return;
        dead = std::move(it->second);
        g_windows.erase(it);
    }
    if (WindowRecord* parent = Find(dead->Parent)) {
        auto& c = parent->Children;
        c.erase(std::remove(c.begin(), c.end(), hwnd), c.end());
    }
}

}  // namespace

WindowRecord* Find(Hwnd hwnd) {
    if (hwnd == 0) return nullptr;
    std::lock_guard<std::mutex> g(g_tableMutex);
    auto it = g_windows.find(hwnd);
    return it == g_windows.end() ? nullptr : it->second.get();
}

std::vector<Hwnd> AllWindows() {
    std::lock_guard<std::mutex> g(g_tableMutex);
    std::vector<Hwnd> out;
    out.reserve(g_windows.size());
    for (auto& kv : g_windows) out.push_back(kv.first);
    std::sort(out.begin(), out.end());
    return out;
}

ClassRecord* FindClass(const char16_t* name) {
    if (name == nullptr) return nullptr;
    for (auto& c : g_classes)
        if (SameName(c->Name, name)) return c.get();
    return nullptr;
}

LResult CallProc(Hwnd hwnd, uint32_t message, WParam w, LParam l) {
    WindowRecord* rec = Find(hwnd);
    if (rec == nullptr || rec->Proc == nullptr) return 0;
    WindowProc proc = rec->Proc;  // the record may go away inside the call
    return proc(hwnd, message, w, l);
}

void NoteFocusFromQt(Hwnd hwnd) {
    if (g_settingFocus || hwnd == g_focus || Find(hwnd) == nullptr) return;
    const Hwnd old = g_focus;
    g_focus = hwnd;
    if (Find(old) != nullptr) CallProc(old, kMsgKillFocus, static_cast<WParam>(hwnd), 0);
    CallProc(hwnd, kMsgSetFocus, static_cast<WParam>(old), 0);
}

void RegisterBuiltInClass(const char16_t* name, WindowProc proc, ControlKind kind) {
    auto c = std::make_unique<ClassRecord>();
    c->Name = name;
    c->Proc = proc;
    c->Kind = kind;
    c->BuiltIn = true;
    g_classes.push_back(std::move(c));
}

void ResetClassesAndFocus() {
    g_classes.erase(std::remove_if(g_classes.begin(), g_classes.end(),
                                   [](const std::unique_ptr<ClassRecord>& c) { return !c->BuiltIn; }),
                    g_classes.end());
    g_focus = 0;
}

}  // namespace detail

using namespace detail;

// ---------------------------------------------------------------------------
// Classes

bool RegisterWindowClass(const WindowClass& cls) {
    if (cls.Name == nullptr || cls.Name[0] == 0 || cls.Proc == nullptr) return false;
    if (FindClass(cls.Name) != nullptr) return false;
    auto c = std::make_unique<ClassRecord>();
    c->Name = cls.Name;
    c->Proc = cls.Proc;
    c->Background = cls.Background;
    c->Style = cls.Style;
    g_classes.push_back(std::move(c));
    return true;
}

bool UnregisterWindowClass(const char16_t* name) {
    for (auto it = g_classes.begin(); it != g_classes.end(); ++it) {
        if (SameName((*it)->Name, name) && !(*it)->BuiltIn) {
            g_classes.erase(it);
            return true;
        }
    }
    return false;
}

// ---------------------------------------------------------------------------
// Creation and destruction

Hwnd CreateWindow(const char16_t* className, const char16_t* text, uint32_t style, int32_t x, int32_t y,
                  int32_t width, int32_t height, Hwnd parent, int32_t id, LParam createParam) {
    if (!ApplicationStarted() || !OnWindowThread()) return 0;
    ClassRecord* cls = FindClass(className);
    if (cls == nullptr) return 0;
    WindowRecord* parentRec = Find(parent);
    if (parent != 0 && parentRec == nullptr) return 0;
    if ((style & kStyleChild) && parentRec == nullptr) return 0;

    auto owned = std::make_unique<WindowRecord>();
    WindowRecord* rec = owned.get();
    rec->Handle = ++g_nextHandle;
    rec->Parent = parent;
    rec->Id = id;
    rec->Style = style;
    rec->Kind = cls->Kind;
    rec->Proc = cls->Proc;
    rec->Background = cls->Background;
    rec->TopLevel = (style & kStyleChild) == 0;
    rec->X = x;
    rec->Y = y;
    rec->Width = std::max(0, width);
    rec->Height = std::max(0, height);
    rec->Text = text != nullptr ? std::u16string(text) : std::u16string();
    rec->ButtonType = style & 0xF;
    ComputeClient(rec);
    const Hwnd hwnd = rec->Handle;

    QWidget* parentWidget = parentRec != nullptr ? parentRec->Widget : nullptr;
    if (rec->Kind == ControlKind::Canvas) {
        Qt::WindowFlags flags = rec->TopLevel ? TopLevelFlags(style, parentWidget != nullptr) : Qt::Widget;
        auto* w = new CanvasWidget(hwnd, parentWidget, flags);
        w->BorderWidth = rec->TopLevel ? 0 : rec->ClientLeft;
        rec->Widget = w;
        if (rec->TopLevel) w->setWindowTitle(ToQString(rec->Text.c_str()));
        rec->Image = QImage(std::max(1, rec->ClientWidth), std::max(1, rec->ClientHeight), QImage::Format_RGB32);
        rec->Image.fill(ToRgb(rec->Background != 0 ? BrushColour(rec->Background) : 0xFFFFFF));
    } else {
        if (parentWidget == nullptr) return 0;  // controls are always children
        rec->TopLevel = false;
        rec->Widget = CreateControlWidget(rec, parentWidget);
    }
    rec->Widget->setProperty(kHandleProperty, QVariant::fromValue<int>(hwnd));
    rec->Widget->setVisible(false);
    {
        std::lock_guard<std::mutex> g(g_tableMutex);
        g_windows.emplace(hwnd, std::move(owned));
    }
    if (parentRec != nullptr) parentRec->Children.push_back(hwnd);
    ApplyGeometry(rec);
    if (style & kStyleDisabled) rec->Widget->setEnabled(false);

    if (CallProc(hwnd, kMsgCreate, 0, createParam) == -1) {
        DestroyWindow(hwnd);
        return 0;
    }
    rec = Find(hwnd);
    if (rec == nullptr) return 0;  // destroyed by its own creation
    CallProc(hwnd, kMsgSize, 0, MakeLParam(rec->ClientWidth, rec->ClientHeight));
    if (Find(hwnd) == nullptr) return 0;
    if (style & kStyleVisible) ShowWindow(hwnd, kShow);
    return Find(hwnd) != nullptr ? hwnd : 0;
}

bool DestroyWindow(Hwnd hwnd) {
    WindowRecord* rec = Find(hwnd);
    if (rec == nullptr || rec->Destroying) return false;
    rec->Destroying = true;
    // Children first, the most recent first.
    std::vector<Hwnd> children = rec->Children;
    for (auto it = children.rbegin(); it != children.rend(); ++it) DestroyWindow(*it);
    CallProc(hwnd, kMsgDestroy, 0, 0);
    rec = Find(hwnd);
    if (rec == nullptr) return true;
    if (g_focus != 0 && IsDescendant(g_focus, hwnd)) g_focus = 0;
    KillAllTimers(rec);
    EndModalLoopsOf(hwnd);
    ForgetWindowDCs(hwnd);
    if (QWidget* w = rec->Widget) {
        w->setProperty(kHandleProperty, QVariant());
        if (auto* canvas = dynamic_cast<CanvasWidget*>(w)) canvas->Handle = 0;
        w->hide();
        w->deleteLater();
        rec->Widget = nullptr;
    }
    RemoveRecord(hwnd);
    return true;
}

bool IsWindow(Hwnd hwnd) {
    if (hwnd == 0) return false;
    std::lock_guard<std::mutex> g(g_tableMutex);
    return g_windows.count(hwnd) != 0;
}

// ---------------------------------------------------------------------------
// Visibility, geometry, state

bool ShowWindow(Hwnd hwnd, int command) {
    WindowRecord* rec = Find(hwnd);
    if (rec == nullptr) return false;
    const bool was = rec->Visible;
    const bool show = command != kShowHide;
    rec->Visible = show;
    if (rec->Widget != nullptr) {
        if (!show) {
            rec->Widget->hide();
        } else if (rec->TopLevel && command == kShowMinimized) {
            rec->Widget->showMinimized();
        } else {
            rec->Widget->show();
        }
    }
    if (show && g_focus != 0 && IsDescendant(g_focus, hwnd)) {
        // Qt gives no focus to hidden widgets: hand it over now that it can.
        if (WindowRecord* f = Find(g_focus); f != nullptr && f->Widget != nullptr) {
            g_settingFocus = true;
            f->Widget->setFocus(Qt::OtherFocusReason);
            g_settingFocus = false;
        }
    }
    if (was != show) CallProc(hwnd, kMsgShowWindow, show ? 1 : 0, 0);
    if (show && !was) InvalidateTree(hwnd);
    return was;
}

bool IsWindowVisible(Hwnd hwnd) {
    WindowRecord* rec = Find(hwnd);
    if (rec == nullptr) return false;
    for (; rec != nullptr; rec = Find(rec->Parent)) {
        if (!rec->Visible) return false;
        if (rec->TopLevel) return true;
    }
    return true;
}

bool MoveWindow(Hwnd hwnd, int32_t x, int32_t y, int32_t width, int32_t height, bool repaint) {
    WindowRecord* rec = Find(hwnd);
    if (rec == nullptr) return false;
    const int32_t oldCw = rec->ClientWidth, oldCh = rec->ClientHeight;
    const bool moved = x != rec->X || y != rec->Y;
    rec->X = x;
    rec->Y = y;
    rec->Width = std::max(0, width);
    rec->Height = std::max(0, height);
    ComputeClient(rec);
    ApplyGeometry(rec);
    // Children keep their place relative to this window's client area.
    const bool resized = oldCw != rec->ClientWidth || oldCh != rec->ClientHeight;
    if (resized && rec->Kind == ControlKind::Canvas) ResizeBackingImage(rec);
    if (moved) CallProc(hwnd, kMsgMove, 0, MakeLParam(x, y));
    if (resized) {
        rec = Find(hwnd);
        if (rec == nullptr) return true;
        CallProc(hwnd, kMsgSize, 0, MakeLParam(rec->ClientWidth, rec->ClientHeight));
    }
    if ((resized || repaint) && Find(hwnd) != nullptr) InvalidateRect(hwnd, nullptr, true);
    return true;
}

bool SetWindowPosition(Hwnd hwnd, int32_t x, int32_t y) {
    WindowRecord* rec = Find(hwnd);
    if (rec == nullptr) return false;
    return MoveWindow(hwnd, x, y, rec->Width, rec->Height, true);
}

bool EnableWindow(Hwnd hwnd, bool enable) {
    WindowRecord* rec = Find(hwnd);
    if (rec == nullptr) return false;
    const bool wasDisabled = (rec->Style & kStyleDisabled) != 0;
    if (enable) rec->Style &= ~kStyleDisabled; else rec->Style |= kStyleDisabled;
    if (rec->Widget != nullptr) rec->Widget->setEnabled(enable);
    if (wasDisabled == enable) CallProc(hwnd, kMsgEnable, enable ? 1 : 0, 0);
    return wasDisabled;
}

bool IsWindowEnabled(Hwnd hwnd) {
    WindowRecord* rec = Find(hwnd);
    return rec != nullptr && (rec->Style & kStyleDisabled) == 0;
}

Hwnd GetParent(Hwnd hwnd) {
    WindowRecord* rec = Find(hwnd);
    return rec != nullptr ? rec->Parent : 0;
}

Hwnd GetDialogItem(Hwnd parent, int32_t id) {
    WindowRecord* rec = Find(parent);
    if (rec == nullptr) return 0;
    for (Hwnd c : rec->Children) {
        WindowRecord* child = Find(c);
        if (child != nullptr && child->Id == id) return c;
    }
    return 0;
}

int32_t GetControlId(Hwnd hwnd) {
    WindowRecord* rec = Find(hwnd);
    return rec != nullptr ? rec->Id : 0;
}

uint32_t GetWindowStyle(Hwnd hwnd) {
    WindowRecord* rec = Find(hwnd);
    if (rec == nullptr) return 0;
    uint32_t s = rec->Style;
    if (rec->Visible) s |= kStyleVisible; else s &= ~kStyleVisible;
    if (rec->Kind == ControlKind::Button) s = (s & ~kButtonTypeMask) | rec->ButtonType;
    return s;
}

bool GetClientRect(Hwnd hwnd, Rect* out) {
    WindowRecord* rec = Find(hwnd);
    if (rec == nullptr || out == nullptr) return false;
    *out = Rect{0, 0, rec->ClientWidth, rec->ClientHeight};
    return true;
}

bool ClientToScreen(Hwnd hwnd, Point* p) {
    WindowRecord* rec = Find(hwnd);
    if (rec == nullptr || p == nullptr) return false;
    for (; rec != nullptr; rec = Find(rec->Parent)) {
        if (rec->TopLevel) {
            if (rec->Widget != nullptr) {
                const QPoint origin = rec->Widget->geometry().topLeft();
                p->X += origin.x();
                p->Y += origin.y();
            } else {
                p->X += rec->X + rec->ClientLeft;
                p->Y += rec->Y + rec->ClientTop;
            }
            return true;
        }
        p->X += rec->X + rec->ClientLeft;
        p->Y += rec->Y + rec->ClientTop;
    }
    return true;
}

bool ScreenToClient(Hwnd hwnd, Point* p) {
    if (p == nullptr) return false;
    Point origin;
    if (!ClientToScreen(hwnd, &origin)) return false;
    p->X -= origin.X;
    p->Y -= origin.Y;
    return true;
}

bool GetWindowRect(Hwnd hwnd, Rect* out) {
    WindowRecord* rec = Find(hwnd);
    if (rec == nullptr || out == nullptr) return false;
    Point client;
    ClientToScreen(hwnd, &client);
    out->Left = client.X - rec->ClientLeft;
    out->Top = client.Y - rec->ClientTop;
    out->Right = out->Left + rec->Width;
    out->Bottom = out->Top + rec->Height;
    return true;
}

// ---------------------------------------------------------------------------
// Text

bool SetWindowText(Hwnd hwnd, const char16_t* text) {
    if (!IsWindow(hwnd)) return false;
    return SendMessage(hwnd, kMsgSetText, 0, reinterpret_cast<LParam>(text != nullptr ? text : u"")) != 0;
}

int32_t GetWindowText(Hwnd hwnd, char16_t* out, int32_t capacity) {
    if (out == nullptr || capacity <= 0) return 0;
    out[0] = 0;
    if (!IsWindow(hwnd)) return 0;
    return static_cast<int32_t>(SendMessage(hwnd, kMsgGetText, static_cast<WParam>(capacity), reinterpret_cast<LParam>(out)));
}

int32_t GetWindowTextLength(Hwnd hwnd) {
    if (!IsWindow(hwnd)) return 0;
    return static_cast<int32_t>(SendMessage(hwnd, kMsgGetTextLength, 0, 0));
}

// ---------------------------------------------------------------------------
// Focus

Hwnd SetFocus(Hwnd hwnd) {
    if (hwnd != 0 && Find(hwnd) == nullptr) return 0;
    const Hwnd old = g_focus;
    if (hwnd == old) return old;
    g_focus = hwnd;
    if (Find(old) != nullptr) CallProc(old, kMsgKillFocus, static_cast<WParam>(hwnd), 0);
    if (WindowRecord* rec = Find(hwnd)) {
        if (rec->Widget != nullptr) {
            g_settingFocus = true;
            rec->Widget->setFocus(Qt::OtherFocusReason);
            g_settingFocus = false;
        }
        CallProc(hwnd, kMsgSetFocus, static_cast<WParam>(old), 0);
    }
    return old;
}

Hwnd GetFocus() { return Find(g_focus) != nullptr ? g_focus : 0; }

LParam SetWindowUserData(Hwnd hwnd, LParam value) {
    WindowRecord* rec = Find(hwnd);
    if (rec == nullptr) return 0;
    const LParam old = rec->UserData;
    rec->UserData = value;
    return old;
}

LParam GetWindowUserData(Hwnd hwnd) {
    WindowRecord* rec = Find(hwnd);
    return rec != nullptr ? rec->UserData : 0;
}

void SetTabMovesFocus(Hwnd hwnd, bool on) {
    if (WindowRecord* rec = Find(hwnd)) rec->TabMovesFocus = on;
}

// ---------------------------------------------------------------------------
// Default handling and tables

LResult DefaultWindowProc(Hwnd hwnd, uint32_t message, WParam w, LParam l) {
    WindowRecord* rec = Find(hwnd);
    if (rec == nullptr) return 0;
    switch (message) {
        case kMsgClose:
            DestroyWindow(hwnd);
            return 0;
        case kMsgPaint: {
            PaintInfo info;
            BeginPaint(hwnd, &info);
            EndPaint(hwnd, &info);
            return 0;
        }
        case kMsgEraseBackground: {
            if (rec->Background == 0 || w == 0) return 0;
            FillRegionWithBrush(static_cast<Hdc>(w), QRegion(0, 0, rec->ClientWidth, rec->ClientHeight), rec->Background);
            return 1;
        }
        case kMsgSetText: {
            const auto* text = reinterpret_cast<const char16_t*>(l);
            rec->Text = text != nullptr ? std::u16string(text) : std::u16string();
            if (rec->Kind != ControlKind::Canvas) {
                ControlSetText(rec, rec->Text);
            } else if (rec->TopLevel && rec->Widget != nullptr) {
                rec->Widget->setWindowTitle(ToQString(rec->Text.c_str()));
            }
            return 1;
        }
        case kMsgGetText: {
            auto* out = reinterpret_cast<char16_t*>(l);
            if (out == nullptr || w == 0) return 0;
            const size_t n = std::min(rec->Text.size(), static_cast<size_t>(w) - 1);
            std::copy_n(rec->Text.data(), n, out);
            out[n] = 0;
            return static_cast<LResult>(n);
        }
        case kMsgGetTextLength:
            return static_cast<LResult>(rec->Text.size());
        case kMsgSysKeyDown:
            if (w == kKeyF1 + 3 && rec->TopLevel) PostMessage(hwnd, kMsgClose, 0, 0);
            return 0;
        case kMsgSetFont:
            rec->Font = static_cast<Hfont>(w);
            return 0;
        case kMsgGetFont:
            return static_cast<LResult>(rec->Font);
        default:
            return 0;
    }
}

LResult DispatchFromTable(const MessageHandler* table, size_t count, Hwnd hwnd, uint32_t message, WParam w,
                          LParam l) {
    for (size_t i = 0; i < count; ++i)
        if (table[i].Message == message && table[i].Handler != nullptr) return table[i].Handler(hwnd, message, w, l);
    return DefaultWindowProc(hwnd, message, w, l);
}

// ---------------------------------------------------------------------------
// Screen and system colours

namespace {
std::atomic<int32_t> g_screenWidth{0}, g_screenHeight{0};
}

int32_t GetScreenWidth() {
    if (int32_t w = g_screenWidth.load()) return w;
    if (QScreen* s = QGuiApplication::primaryScreen()) return s->geometry().width();
    return 1024;
}

int32_t GetScreenHeight() {
    if (int32_t h = g_screenHeight.load()) return h;
    if (QScreen* s = QGuiApplication::primaryScreen()) return s->geometry().height();
    return 768;
}

ColourRef GetSystemColour(int index) {
    switch (index) {
        case kColourWindow: return 0xFFFFFF;
        case kColourWindowText: return 0x000000;
        case kColourButtonFace: return 0xF0F0F0;
        case kColourButtonShadow: return 0xA0A0A0;
        case kColourGrayText: return 0x6D6D6D;
        case kColourButtonText: return 0x000000;
        case kColourButtonHighlight: return 0xFFFFFF;
        case kColour3dDarkShadow: return 0x696969;
        case kColour3dLight: return 0xE3E3E3;
        default: return 0x000000;
    }
}

namespace test {

void SetScreenSize(int32_t width, int32_t height) {
    g_screenWidth = width;
    g_screenHeight = height;
}

int32_t LiveWindowCount() {
    std::lock_guard<std::mutex> g(g_tableMutex);
    return static_cast<int32_t>(g_windows.size());
}

void ResetWindows() {
    if (!ApplicationStarted()) return;
    std::vector<Hwnd> all = AllWindows();
    for (Hwnd h : all) {
        WindowRecord* rec = Find(h);
        if (rec != nullptr && (rec->TopLevel || Find(rec->Parent) == nullptr)) DestroyWindow(h);
    }
    for (Hwnd h : AllWindows()) DestroyWindow(h);
    ResetClassesAndFocus();
    ResetHandover();
    StopWatchingEndSignals();
    ForgetScreenUpdates();
    SetScreenSize(0, 0);
    FlushDeferredDeletes();
}

}  // namespace test
}  // namespace plat
