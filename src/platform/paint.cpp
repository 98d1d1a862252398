// The paint model: invalid regions, deferred and synchronous paints, and the
// canvas widget that shows a window's backing image and turns Qt input into
// messages.
#include <QCloseEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QTimer>
#include <vector>

#include "platform/gdi_internal.h"
#include "platform/qt_internal.h"
#include "platform/window.h"
#include "platform/window_internal.h"

namespace plat {
namespace detail {

CanvasWidget::CanvasWidget(Hwnd hwnd, QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags), Handle(hwnd) {
    // The system moves the focus itself; clicks and Tab never do.
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false);
}

void CanvasWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    WindowRecord* rec = Find(Handle);
    if (rec == nullptr) {
        p.fillRect(rect(), Qt::white);
        return;
    }
    ++rec->ScreenPaints;
    if (BorderWidth > 0) {
        // Only the frame: the image covers the rest, and a frame of drawing
        // repaints the busy windows fifty times a second.
        const int b = BorderWidth, w = width(), h = height();
        p.fillRect(0, 0, w, b, Qt::black);
        p.fillRect(0, h - b, w, b, Qt::black);
        p.fillRect(0, b, b, h - 2 * b, Qt::black);
        p.fillRect(w - b, b, b, h - 2 * b, Qt::black);
    }
    p.drawImage(BorderWidth, BorderWidth, rec->Image);
}

void CanvasWidget::keyPressEvent(QKeyEvent* e) {
    if (Handle != 0 && DeliverKeyPress(KeyDestination(Handle), e)) {
        e->accept();
        return;
    }
    QWidget::keyPressEvent(e);
}

void CanvasWidget::keyReleaseEvent(QKeyEvent* e) {
    if (Handle != 0 && DeliverKeyRelease(KeyDestination(Handle), e)) {
        e->accept();
        return;
    }
    QWidget::keyReleaseEvent(e);
}

namespace {
LParam MousePoint(const CanvasWidget* w, const QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    return MakeLParam(p.x() - w->BorderWidth, p.y() - w->BorderWidth);
}
}  // namespace

void CanvasWidget::mousePressEvent(QMouseEvent* e) {
    if (Handle == 0) return;
    if (e->button() == Qt::LeftButton) CallProc(Handle, kMsgLButtonDown, 1, MousePoint(this, e));
    if (e->button() == Qt::RightButton) CallProc(Handle, kMsgRButtonDown, 2, MousePoint(this, e));
}

void CanvasWidget::mouseReleaseEvent(QMouseEvent* e) {
    if (Handle == 0) return;
    if (e->button() == Qt::LeftButton) CallProc(Handle, kMsgLButtonUp, 0, MousePoint(this, e));
    if (e->button() == Qt::RightButton) CallProc(Handle, kMsgRButtonUp, 0, MousePoint(this, e));
}

void CanvasWidget::mouseMoveEvent(QMouseEvent* e) {
    if (Handle != 0) CallProc(Handle, kMsgMouseMove, 0, MousePoint(this, e));
}

void CanvasWidget::mouseDoubleClickEvent(QMouseEvent* e) {
    if (Handle != 0 && e->button() == Qt::LeftButton) CallProc(Handle, kMsgLButtonDoubleClick, 1, MousePoint(this, e));
}

void CanvasWidget::closeEvent(QCloseEvent* e) {
    // The procedure decides: the default handling destroys the window.
    e->ignore();
    if (Handle != 0) CallProc(Handle, kMsgClose, 0, 0);
}

void CanvasWidget::focusInEvent(QFocusEvent* e) {
    QWidget::focusInEvent(e);
    if (Handle != 0) NoteFocusFromQt(Handle);
}

bool CanvasWidget::focusNextPrevChild(bool next) {
    WindowRecord* rec = Find(Handle);
    if (rec != nullptr && rec->TabMovesFocus) return QWidget::focusNextPrevChild(next);
    return false;  // Tab reaches the procedure as a key
}

namespace {
// The windows drawn into since the last frame, and the frame's timer. A
// reader's line draws into several windows and nine consoles send hundreds
// of lines a second; putting each drawing on screen by itself would repaint
// and flush the screen for every line. The images change at once (a test or
// a block transfer reads them at once); only the trip to the screen waits
// for the frame.
std::vector<Hwnd> g_screenDirty;
QTimer* g_frameTimer = nullptr;

void StartFrame() {
    if (g_frameTimer == nullptr) {
        QObject* owner = Courier();
        if (owner == nullptr) return;
        g_frameTimer = new QTimer(owner);
        g_frameTimer->setSingleShot(true);
        g_frameTimer->setTimerType(Qt::PreciseTimer);
        QObject::connect(g_frameTimer, &QTimer::timeout, owner, [] { FlushScreenUpdates(); });
    }
    if (!g_frameTimer->isActive()) g_frameTimer->start(static_cast<int>(kScreenFrameMs));
}
}  // namespace

void RequestScreenUpdate(Hwnd hwnd, const QRect& clientRect) {
    WindowRecord* rec = Find(hwnd);
    if (rec == nullptr || rec->Widget == nullptr) return;
    if (rec->Kind != ControlKind::Canvas) {
        rec->Widget->update();
        return;
    }
    const QRect area = clientRect & QRect(0, 0, rec->ClientWidth, rec->ClientHeight);
    if (area.isEmpty()) return;
    if (rec->ScreenDirty.isEmpty()) g_screenDirty.push_back(hwnd);
    rec->ScreenDirty |= area;
    StartFrame();
}

void FlushScreenUpdates() {
    std::vector<Hwnd> windows;
    windows.swap(g_screenDirty);
    for (Hwnd h : windows) {
        WindowRecord* rec = Find(h);
        if (rec == nullptr || rec->ScreenDirty.isEmpty()) continue;
        const QRect area = rec->ScreenDirty;
        rec->ScreenDirty = QRect();
        if (rec->Widget == nullptr) continue;
        const int b = static_cast<CanvasWidget*>(rec->Widget)->BorderWidth;
        // Qt repaints every window updated here in one pass and one flush.
        rec->Widget->update(area.translated(b, b));
    }
}

void ForgetScreenUpdates() {
    g_screenDirty.clear();
    if (g_frameTimer != nullptr) g_frameTimer->stop();
}

void ResizeBackingImage(WindowRecord* rec) {
    QImage next(std::max(1, rec->ClientWidth), std::max(1, rec->ClientHeight), QImage::Format_RGB32);
    next.fill(ToRgb(rec->Background != 0 ? BrushColour(rec->Background) : 0xFFFFFF));
    {
        QPainter p(&next);
        p.drawImage(0, 0, rec->Image);
    }
    rec->Image = next;
    rec->Invalid &= QRegion(0, 0, rec->ClientWidth, rec->ClientHeight);
}

void InvalidateTree(Hwnd hwnd) {
    WindowRecord* rec = Find(hwnd);
    if (rec == nullptr || !rec->Visible) return;
    if (rec->Kind == ControlKind::Canvas) {
        InvalidateRect(hwnd, nullptr, true);
    } else if (rec->Widget != nullptr) {
        rec->Widget->update();
    }
    const std::vector<Hwnd> children = rec->Children;
    for (Hwnd c : children) InvalidateTree(c);
}

}  // namespace detail

using namespace detail;

namespace {
struct InvalidateJob {
    Hwnd Window;
    const Rect* Area;
    bool Erase;
    bool Result;
};
void InvalidateOnWindowThread(void* p) {
    auto* job = static_cast<InvalidateJob*>(p);
    job->Result = InvalidateRect(job->Window, job->Area, job->Erase);
}
struct UpdateJob {
    Hwnd Window;
    bool Result;
};
void UpdateOnWindowThread(void* p) {
    auto* job = static_cast<UpdateJob*>(p);
    job->Result = UpdateWindow(job->Window);
}
}  // namespace

bool InvalidateRect(Hwnd hwnd, const Rect* rect, bool erase) {
    if (!OnWindowThread()) {
        InvalidateJob job{hwnd, rect, erase, false};
        return RunOnWindowThread(&InvalidateOnWindowThread, &job) && job.Result;
    }
    WindowRecord* rec = Find(hwnd);
    if (rec == nullptr) return false;
    if (rec->Kind != ControlKind::Canvas) {
        if (rec->Widget != nullptr) rec->Widget->update();
        return true;
    }
    const QRect client(0, 0, rec->ClientWidth, rec->ClientHeight);
    QRect area = client;
    if (rect != nullptr) {
        const int l = std::min(rect->Left, rect->Right), r = std::max(rect->Left, rect->Right);
        const int t = std::min(rect->Top, rect->Bottom), b = std::max(rect->Top, rect->Bottom);
        area = BoxOf(l, t, r, b) & client;
    }
    if (area.isEmpty()) return true;
    rec->Invalid += area;
    if (erase) rec->EraseNeeded = true;
    PostDeferredPaint(hwnd);
    return true;
}

bool ValidateRect(Hwnd hwnd, const Rect* rect) {
    WindowRecord* rec = Find(hwnd);
    if (rec == nullptr) return false;
    if (rect == nullptr) {
        rec->Invalid = QRegion();
        rec->EraseNeeded = false;
    } else {
        rec->Invalid -= BoxOf(rect->Left, rect->Top, rect->Right, rect->Bottom);
        if (rec->Invalid.isEmpty()) rec->EraseNeeded = false;
    }
    return true;
}

bool UpdateWindow(Hwnd hwnd) {
    if (!OnWindowThread()) {
        UpdateJob job{hwnd, false};
        return RunOnWindowThread(&UpdateOnWindowThread, &job) && job.Result;
    }
    WindowRecord* rec = Find(hwnd);
    if (rec == nullptr) return false;
    if (rec->Kind != ControlKind::Canvas || rec->Invalid.isEmpty() || !IsWindowVisible(hwnd)) return true;
    const uint32_t before = rec->BeginPaintCount;
    CallProc(hwnd, kMsgPaint, 0, 0);
    rec = Find(hwnd);
    // A handler that never began a paint would be asked again and again.
    if (rec != nullptr && rec->BeginPaintCount == before) {
        rec->Invalid = QRegion();
        rec->EraseNeeded = false;
    }
    return true;
}

bool PaintWindowNow(Hwnd hwnd) {
    if (!OnWindowThread()) return false;
    if (!UpdateWindow(hwnd)) return false;
    WindowRecord* rec = Find(hwnd);
    if (rec == nullptr) return false;
    // repaint() paints at once, without a pass through the event loop; the
    // window's part of the next frame is then on screen already.
    if (rec->Widget != nullptr && rec->Widget->isVisible()) {
        rec->ScreenDirty = QRect();
        rec->Widget->repaint();
    }
    return true;
}

bool GetUpdateRect(Hwnd hwnd, Rect* out) {
    WindowRecord* rec = Find(hwnd);
    if (rec == nullptr || rec->Invalid.isEmpty()) return false;
    if (out != nullptr) {
        const QRect b = rec->Invalid.boundingRect();
        *out = Rect{b.left(), b.top(), b.left() + b.width(), b.top() + b.height()};
    }
    return true;
}

namespace test {

uint32_t ScreenPaintCount(Hwnd hwnd) {
    WindowRecord* rec = Find(hwnd);
    return rec != nullptr ? rec->ScreenPaints : 0;
}

}  // namespace test
}  // namespace plat
