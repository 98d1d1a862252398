// API-READY
// For the platform layer's own files only (dialogs, message boxes, menus):
// the Qt objects behind handles and the conversions at the Qt edge.
#pragma once
#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>
#include <string>

#include "platform/dc.h"
#include "platform/window.h"

class QKeyEvent;
class QWidget;

namespace plat {

// The widget of a window or control (its frame, for a bordered child), or null.
QWidget* WidgetOfWindow(Hwnd hwnd);
// The window that owns `widget` or its nearest ancestor that is a window; 0 when none.
Hwnd WindowOfWidget(const QWidget* widget);

QString ToQString(const char16_t* text, int32_t length = -1);
std::u16string FromQString(const QString& text);
QColor ToQColor(ColourRef colour);
ColourRef FromQColor(const QColor& colour);

// The Qt font behind a font handle (the default system font for 0 or an unknown handle).
QFont QFontOf(Hfont font);
// A context that draws into `image` (RGB32), which the caller keeps alive until DeleteDC.
Hdc CreateImageDC(QImage* image);

// Delivers a Qt key press / release to `target`'s procedure as keydown + char
// (or the Alt variants) / keyup. True when the key was translated.
bool DeliverKeyPress(Hwnd target, const QKeyEvent* event);
bool DeliverKeyRelease(Hwnd target, const QKeyEvent* event);
// The virtual-key code of a Qt key event, 0 when it has none.
uint32_t VirtualKeyOf(const QKeyEvent* event);

// Runs `job` on the window thread and waits for it (a direct call there);
// false when senders are released or the application is not running.
bool RunOnWindowThread(void (*job)(void*), void* context);

}  // namespace plat
