// Qt key events to key messages with virtual-key codes, and the test hooks
// that press keys, click controls and read window images.
#include "platform/keys.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <cstring>

#include "platform/list_box.h"
#include "platform/qt_internal.h"
#include "platform/window_internal.h"

namespace plat {
namespace detail {
namespace {

// Keys without a code of their own in the table below.
struct KeyRow {
    int QtKey;
    uint32_t Code;
};

// Named keys, and shifted symbols of the US layout reported by their key.
constexpr KeyRow kKeyTable[] = {
    {Qt::Key_Tab, kKeyTab},           {Qt::Key_Backtab, kKeyTab},         {Qt::Key_Return, kKeyReturn},
    {Qt::Key_Enter, kKeyReturn},      {Qt::Key_Escape, kKeyEscape},       {Qt::Key_Space, kKeySpace},
    {Qt::Key_Backspace, kKeyBack},    {Qt::Key_Left, kKeyLeft},           {Qt::Key_Up, kKeyUp},
    {Qt::Key_Right, kKeyRight},       {Qt::Key_Down, kKeyDown},           {Qt::Key_PageUp, kKeyPageUp},
    {Qt::Key_PageDown, kKeyPageDown}, {Qt::Key_End, kKeyEnd},             {Qt::Key_Home, kKeyHome},
    {Qt::Key_Insert, kKeyInsert},     {Qt::Key_Delete, kKeyDelete},       {Qt::Key_Shift, kKeyShift},
    {Qt::Key_Control, kKeyControl},   {Qt::Key_Alt, kKeyAlt},             {Qt::Key_Pause, kKeyPause},
    {Qt::Key_CapsLock, kKeyCapsLock},
    {Qt::Key_Exclam, '1'},            {Qt::Key_At, '2'},                  {Qt::Key_NumberSign, '3'},
    {Qt::Key_Dollar, '4'},            {Qt::Key_Percent, '5'},             {Qt::Key_AsciiCircum, '6'},
    {Qt::Key_Ampersand, '7'},         {Qt::Key_Asterisk, '8'},            {Qt::Key_ParenLeft, '9'},
    {Qt::Key_ParenRight, '0'},
    {Qt::Key_Semicolon, kKeySemicolon}, {Qt::Key_Colon, kKeySemicolon},   {Qt::Key_Equal, kKeyEquals},
    {Qt::Key_Plus, kKeyEquals},       {Qt::Key_Comma, kKeyComma},         {Qt::Key_Less, kKeyComma},
    {Qt::Key_Minus, kKeyMinus},       {Qt::Key_Underscore, kKeyMinus},    {Qt::Key_Period, kKeyPeriod},
    {Qt::Key_Greater, kKeyPeriod},    {Qt::Key_Slash, kKeySlash},         {Qt::Key_Question, kKeySlash},
    {Qt::Key_QuoteLeft, kKeyBackquote}, {Qt::Key_AsciiTilde, kKeyBackquote}, {Qt::Key_BracketLeft, kKeyOpenBracket},
    {Qt::Key_BraceLeft, kKeyOpenBracket}, {Qt::Key_Backslash, kKeyBackslash}, {Qt::Key_Bar, kKeyBackslash},
    {Qt::Key_BracketRight, kKeyCloseBracket}, {Qt::Key_BraceRight, kKeyCloseBracket},
    {Qt::Key_Apostrophe, kKeyQuote},  {Qt::Key_QuoteDbl, kKeyQuote},
};

// Keypad keys with Num Lock on.
constexpr KeyRow kKeypadTable[] = {
    {Qt::Key_Asterisk, kKeyMultiply}, {Qt::Key_Plus, kKeyAdd},      {Qt::Key_Comma, kKeySeparator},
    {Qt::Key_Minus, kKeySubtract},    {Qt::Key_Period, kKeyDecimal}, {Qt::Key_Slash, kKeyDivide},
    {Qt::Key_Enter, kKeyReturn},      {Qt::Key_Return, kKeyReturn},
};

// The accent a dead key would put on the next letter.
char16_t DeadKeyAccent(int key) {
    switch (key) {
        case Qt::Key_Dead_Grave: return u'`';
        case Qt::Key_Dead_Acute: return u'\u00B4';
        case Qt::Key_Dead_Circumflex: return u'^';
        case Qt::Key_Dead_Tilde: return u'~';
        case Qt::Key_Dead_Diaeresis: return u'\u00A8';
        case Qt::Key_Dead_Cedilla: return u'\u00B8';
        default: return 0;
    }
}

Hwnd g_injectTarget = 0;  // a test's chosen window for the key being injected

LParam KeyFlags(const QKeyEvent* e, bool release) {
    LParam l = 1;
    if (e->isAutoRepeat() || release) l |= (LParam{1} << 30);
    if (release) l |= (LParam{1} << 31);
    return l;
}

}  // namespace

Hwnd TopLevelOf(Hwnd h) {
    for (WindowRecord* rec = Find(h); rec != nullptr; rec = Find(rec->Parent))
        if (rec->TopLevel) return rec->Handle;
    return 0;
}

// Keys belong to the window of the same top-level window that has the focus,
// whichever of its canvases Qt handed them to.
Hwnd KeyDestination(Hwnd receiver) {
    if (WindowRecord* rec = Find(g_injectTarget); rec != nullptr && rec->Kind == ControlKind::Canvas) return g_injectTarget;
    const Hwnd focus = GetFocus();
    WindowRecord* rec = Find(focus);
    if (rec != nullptr && rec->Kind == ControlKind::Canvas && TopLevelOf(focus) == TopLevelOf(receiver)) return focus;
    return receiver;  // a key a control passed on goes to the window holding it
}

}  // namespace detail

using namespace detail;

uint32_t VirtualKeyOf(const QKeyEvent* e) {
    const int k = e->key();
    if (e->modifiers() & Qt::KeypadModifier) {
        if (k >= Qt::Key_0 && k <= Qt::Key_9) return kKeyNumpad0 + static_cast<uint32_t>(k - Qt::Key_0);
        for (const KeyRow& r : kKeypadTable)
            if (r.QtKey == k) return r.Code;
    }
    if (k >= Qt::Key_A && k <= Qt::Key_Z) return 'A' + static_cast<uint32_t>(k - Qt::Key_A);
    if (k >= Qt::Key_0 && k <= Qt::Key_9) return '0' + static_cast<uint32_t>(k - Qt::Key_0);
    if (k >= Qt::Key_F1 && k <= Qt::Key_F12) return kKeyF1 + static_cast<uint32_t>(k - Qt::Key_F1);
    for (const KeyRow& r : kKeyTable)
        if (r.QtKey == k) return r.Code;
    return 0;
}

bool DeliverKeyPress(Hwnd target, const QKeyEvent* e) {
    if (!IsWindow(target)) return false;
    if (const char16_t accent = DeadKeyAccent(e->key())) {
        CallProc(target, kMsgDeadChar, accent, 1);
        return true;
    }
    const bool alt = (e->modifiers() & Qt::AltModifier) != 0;
    const uint32_t code = VirtualKeyOf(e);
    if (code != 0) CallProc(target, alt ? kMsgSysKeyDown : kMsgKeyDown, code, KeyFlags(e, false));
    // Only printable characters follow as character messages: Tab, Enter, Esc
    // and Backspace arrive once, as their key.
    const QString text = e->text();
    bool printable = false;
    for (QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) continue;
        printable = true;
        if (!IsWindow(target)) break;
        CallProc(target, alt ? kMsgSysChar : kMsgChar, c.unicode(), KeyFlags(e, false));
    }
    return code != 0 || printable;
}

bool DeliverKeyRelease(Hwnd target, const QKeyEvent* e) {
    if (!IsWindow(target) || e->isAutoRepeat()) return false;
    const uint32_t code = VirtualKeyOf(e);
    if (code == 0) return false;
    const bool alt = (e->modifiers() & Qt::AltModifier) != 0;
    CallProc(target, alt ? kMsgSysKeyUp : kMsgKeyUp, code, KeyFlags(e, true));
    return true;
}

namespace test {
namespace {

struct QtKey {
    int Key = 0;
    Qt::KeyboardModifiers Modifiers = Qt::NoModifier;
    QString Text;
};

constexpr char kShiftedDigits[] = ")!@#$%^&*(";

QtKey QtKeyFor(uint32_t vk, bool shift, bool ctrl) {
    QtKey k;
    if (shift) k.Modifiers |= Qt::ShiftModifier;
    if (ctrl) k.Modifiers |= Qt::ControlModifier;
    if (vk >= 'A' && vk <= 'Z') {
        k.Key = Qt::Key_A + static_cast<int>(vk - 'A');
        const char c = static_cast<char>(ctrl ? vk - 64 : (shift ? vk : vk + 32));
        k.Text = QString(QLatin1Char(c));
    } else if (vk >= '0' && vk <= '9') {
        if (shift) {
            const char c = kShiftedDigits[vk - '0'];
            k.Key = c;  // Qt's codes of printable ASCII keys are the characters
            k.Text = QString(QLatin1Char(c));
        } else {
            k.Key = Qt::Key_0 + static_cast<int>(vk - '0');
            k.Text = QString(QLatin1Char(static_cast<char>(vk)));
        }
    } else if (vk >= kKeyNumpad0 && vk <= kKeyNumpad0 + 9) {
        k.Key = Qt::Key_0 + static_cast<int>(vk - kKeyNumpad0);
        k.Modifiers |= Qt::KeypadModifier;
        k.Text = QString(QLatin1Char(static_cast<char>('0' + vk - kKeyNumpad0)));
    } else if (vk >= kKeyMultiply && vk <= kKeyDivide) {
        static const int keys[] = {Qt::Key_Asterisk, Qt::Key_Plus, Qt::Key_Comma, Qt::Key_Minus, Qt::Key_Period, Qt::Key_Slash};
        static const char texts[] = "*+,-./";
        k.Key = keys[vk - kKeyMultiply];
        k.Modifiers |= Qt::KeypadModifier;
        k.Text = QString(QLatin1Char(texts[vk - kKeyMultiply]));
    } else if (vk >= kKeyF1 && vk <= kKeyF1 + 11) {
        k.Key = Qt::Key_F1 + static_cast<int>(vk - kKeyF1);
    } else {
        switch (vk) {
            case kKeyTab: k.Key = shift ? Qt::Key_Backtab : Qt::Key_Tab; k.Text = QStringLiteral("\t"); break;
            case kKeyReturn: k.Key = Qt::Key_Return; k.Text = QStringLiteral("\r"); break;
            case kKeyEscape: k.Key = Qt::Key_Escape; k.Text = QString(QChar(27)); break;
            case kKeySpace: k.Key = Qt::Key_Space; k.Text = QStringLiteral(" "); break;
            case kKeyBack: k.Key = Qt::Key_Backspace; k.Text = QString(QChar(8)); break;
            default:
                for (const KeyRow& r : kKeyTable) {
                    if (r.Code == vk) {
                        k.Key = r.QtKey;
                        if (r.QtKey >= 0x20 && r.QtKey < 0x7F) k.Text = QString(QLatin1Char(static_cast<char>(r.QtKey)));
                        break;
                    }
                }
        }
    }
    return k;
}

QWidget* KeyTarget(Hwnd target) {
    if (target == 0) target = GetFocus();
    return WidgetOfWindow(target);
}

bool SendQtKey(QWidget* w, const QtKey& k) {
    if (w == nullptr || k.Key == 0) return false;
    QKeyEvent press(QEvent::KeyPress, k.Key, k.Modifiers, k.Text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, k.Key, k.Modifiers, k.Text);
    QApplication::sendEvent(w, &release);
    return true;
}

}  // namespace

bool InjectKey(Hwnd target, uint32_t virtualKey, bool shift, bool ctrl, bool alt) {
    QtKey k = QtKeyFor(virtualKey, shift, ctrl);
    if (alt) k.Modifiers |= Qt::AltModifier;
    g_injectTarget = target;
    const bool sent = SendQtKey(KeyTarget(target), k);
    g_injectTarget = 0;
    return sent;
}

bool InjectChar(Hwnd target, char16_t c) {
    QtKey k;
    if (c >= u'a' && c <= u'z') {
        k = QtKeyFor(c - 32, false, false);
    } else if (c >= u'A' && c <= u'Z') {
        k = QtKeyFor(c, true, false);
    } else if (c >= u'0' && c <= u'9') {
        k = QtKeyFor(c, false, false);
    } else {
        k.Key = c;  // Qt's key codes for printable Latin-1 are the characters
        k.Text = QString(QChar(c));
        if (c == u' ') k.Key = Qt::Key_Space;
    }
    g_injectTarget = target;
    const bool sent = SendQtKey(KeyTarget(target), k);
    g_injectTarget = 0;
    return sent;
}

bool ClickControl(Hwnd control) {
    auto* b = qobject_cast<QAbstractButton*>(WidgetOfWindow(control));
    if (b == nullptr || !b->isEnabled()) return false;
    b->click();
    return true;
}

bool ChooseComboItem(Hwnd combo, int32_t index) {
    auto* c = qobject_cast<QComboBox*>(WidgetOfWindow(combo));
    if (c == nullptr || index < 0 || index >= c->count() || !c->isEnabled()) return false;
    c->setCurrentIndex(index);
    emit c->activated(index);
    return true;
}

bool ChooseListItem(Hwnd list, int32_t index) {
    auto* l = dynamic_cast<ListBoxWidget*>(WidgetOfWindow(list));
    return l != nullptr && l->ChooseAsUser(index);
}

bool TypeIntoEdit(Hwnd edit, const char16_t* text) {
    QWidget* w = WidgetOfWindow(edit);
    if (auto* e = qobject_cast<QLineEdit*>(w)) {
        if (e->isReadOnly()) return false;
        e->selectAll();
        e->insert(ToQString(text));  // keeps the character cap, as typing does
        return true;
    }
    if (auto* m = qobject_cast<QPlainTextEdit*>(w)) {
        if (m->isReadOnly()) return false;
        m->setPlainText(ToQString(text));
        return true;
    }
    return false;
}

bool ClickWindow(Hwnd hwnd, int32_t x, int32_t y) {
    WindowRecord* rec = Find(hwnd);
    if (rec == nullptr || rec->Widget == nullptr) return false;
    const QPointF p(x + rec->ClientLeft * (rec->TopLevel ? 0 : 1), y + rec->ClientTop * (rec->TopLevel ? 0 : 1));
    QMouseEvent down(QEvent::MouseButtonPress, p, rec->Widget->mapToGlobal(p), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(rec->Widget, &down);
    if (Find(hwnd) == nullptr) return true;
    QMouseEvent up(QEvent::MouseButtonRelease, p, rec->Widget->mapToGlobal(p), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(rec->Widget, &up);
    return true;
}

namespace {
QImage ClientImage(Hwnd hwnd) {
    WindowRecord* rec = Find(hwnd);
    if (rec == nullptr) return QImage();
    if (rec->Kind == ControlKind::Canvas) return rec->Image;
    if (rec->Widget == nullptr) return QImage();
    return rec->Widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}
}  // namespace

uint32_t WindowPixel(Hwnd hwnd, int32_t x, int32_t y) {
    const QImage img = ClientImage(hwnd);
    if (img.isNull() || !img.rect().contains(x, y)) return 0xFFFFFFFF;
    return FromRgb(img.pixel(x, y));
}

uint32_t WindowPixelRgb(Hwnd hwnd, int32_t x, int32_t y) {
    const QImage img = ClientImage(hwnd);
    if (img.isNull() || !img.rect().contains(x, y)) return 0xFFFFFFFF;
    return img.pixel(x, y) & 0xFFFFFFu;
}

bool ReadWindowImage(Hwnd hwnd, uint32_t* out, size_t capacity, int32_t* width, int32_t* height) {
    const QImage img = ClientImage(hwnd);
    if (img.isNull()) return false;
    if (width != nullptr) *width = img.width();
    if (height != nullptr) *height = img.height();
    const size_t need = static_cast<size_t>(img.width()) * static_cast<size_t>(img.height());
    if (out == nullptr || capacity < need) return false;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) out[static_cast<size_t>(y) * img.width() + x] = FromRgb(img.pixel(x, y));
    return true;
}

}  // namespace test

QWidget* WidgetOfWindow(Hwnd hwnd) {
    WindowRecord* rec = Find(hwnd);
    return rec != nullptr ? rec->Widget : nullptr;
}

Hwnd WindowOfWidget(const QWidget* widget) {
    for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        const QVariant v = w->property(kHandleProperty);
        if (v.isValid() && Find(v.toInt()) != nullptr) return v.toInt();
    }
    return 0;
}

}  // namespace plat
