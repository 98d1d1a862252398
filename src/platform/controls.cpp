// The built-in control classes on Qt widgets. Notifications go to the parent's
// procedure only for what a user does (and for edit text changes, as typing).
#include "platform/controls.h"

#include <QCheckBox>
#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <QScrollBar>
#include <algorithm>

#include "platform/list_box.h"
#include "platform/qt_internal.h"
#include "platform/window_internal.h"

namespace plat {
namespace detail {
namespace {

int g_quiet = 0;  // > 0 while the layer itself changes a control

struct Quiet {
    Quiet() { ++g_quiet; }
    ~Quiet() { --g_quiet; }
};

Hwnd HandleOf(const QObject* w) {
    const QVariant v = w->property(kHandleProperty);
    return v.isValid() ? static_cast<Hwnd>(v.toInt()) : 0;
}

void Notify(Hwnd control, uint16_t code) {
    WindowRecord* rec = Find(control);
    if (rec == nullptr) return;
    CallProc(rec->Parent, kMsgCommand, MakeWParam(static_cast<uint16_t>(rec->Id), code), static_cast<LParam>(control));
}

QString LabelText(const std::u16string& text) { return ToQString(text.c_str()); }

// Keeps Qt from turning "&x" labels into keyboard shortcuts: the system reads
// its keys itself.
void SetButtonLabel(QAbstractButton* b, const std::u16string& text) {
    b->setText(LabelText(text));
    b->setShortcut(QKeySequence());
}

// Notes the focus when Qt gives it to a control (a click into an edit).
class FocusWatcher : public QObject {
public:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::FocusIn) {
            if (Hwnd h = HandleOf(o)) NoteFocusFromQt(h);
        }
        return false;
    }
};
FocusWatcher* Watcher() {
    static FocusWatcher* w = new FocusWatcher();
    return w;
}

// Clears the other radio buttons of the group: from the nearest sibling at or
// before `button` that starts a group to the next one that starts a group.
void ClearRadioGroup(Hwnd button) {
    WindowRecord* rec = Find(button);
    if (rec == nullptr) return;
    WindowRecord* parent = Find(rec->Parent);
    if (parent == nullptr) return;
    const auto& sib = parent->Children;
    const auto at = std::find(sib.begin(), sib.end(), button);
    if (at == sib.end()) return;
    size_t first = static_cast<size_t>(at - sib.begin());
    while (first > 0) {
        WindowRecord* r = Find(sib[first]);
        if (r != nullptr && (r->Style & kStyleGroup)) break;
        --first;
    }
    for (size_t i = first; i < sib.size(); ++i) {
        WindowRecord* r = Find(sib[i]);
        if (r == nullptr) continue;
        if (i > first && (r->Style & kStyleGroup)) break;
        if (sib[i] == button || r->Kind != ControlKind::Button) continue;
        if (r->ButtonType != kButtonRadio && r->ButtonType != kButtonAutoRadio) continue;
        if (auto* b = qobject_cast<QAbstractButton*>(r->Widget)) b->setChecked(false);
    }
}

class PushWidget : public QPushButton {
public:
    explicit PushWidget(QWidget* parent) : QPushButton(parent) {}
    Hwnd Handle = 0;

    // The width the style leaves for the text inside the button's frame.
    int TextRoom() const {
        QStyleOptionButton option;
        initStyleOption(&option);
        return style()->subElementRect(QStyle::SE_PushButtonContents, &option, this).width();
    }

protected:
    void paintEvent(QPaintEvent* e) override {
        WindowRecord* rec = Find(Handle);
        if (rec == nullptr || rec->ButtonType != kButtonOwnerDraw) {
            QPushButton::paintEvent(e);
            return;
        }
        if (rec->Image.size() != size()) {
            rec->Image = QImage(std::max(1, width()), std::max(1, height()), QImage::Format_RGB32);
            rec->Image.fill(ToRgb(GetSystemColour(kColourButtonFace)));
        }
        const Hdc dc = CreateImageDC(&rec->Image);
        DrawItemInfo info;
        info.ControlId = rec->Id;
        info.Control = Handle;
        info.Dc = dc;
        info.Item = Rect{0, 0, width(), height()};
        if (isDown()) info.ItemState |= kItemStateSelected;
        if (hasFocus()) info.ItemState |= kItemStateFocus;
        if (!isEnabled()) info.ItemState |= kItemStateDisabled;
        const Hwnd parent = rec->Parent;
        CallProc(parent, kMsgDrawItem, static_cast<WParam>(info.ControlId), reinterpret_cast<LParam>(&info));
        DeleteDC(dc);
        rec = Find(Handle);
        if (rec == nullptr) return;
        QPainter p(this);
        p.drawImage(0, 0, rec->Image);
    }
};

class CheckWidget : public QCheckBox {
public:
    explicit CheckWidget(QWidget* parent, bool automatic) : QCheckBox(parent), automatic_(automatic) {}

protected:
    void nextCheckState() override {
        if (automatic_) QCheckBox::nextCheckState();
    }

private:
    bool automatic_;
};

class RadioWidget : public QRadioButton {
public:
    explicit RadioWidget(QWidget* parent, bool automatic) : QRadioButton(parent), automatic_(automatic) {
        setAutoExclusive(false);
    }

protected:
    void nextCheckState() override {
        if (!automatic_) return;
        setChecked(true);
        ClearRadioGroup(HandleOf(this));
    }

private:
    bool automatic_;
};

QWidget* MakeButton(WindowRecord* rec, QWidget* parent) {
    const Hwnd h = rec->Handle;
    const uint32_t type = rec->ButtonType;
    QAbstractButton* b = nullptr;
    if (type == kButtonGroupBox) {
        auto* g = new QGroupBox(LabelText(rec->Text), parent);
        g->setAttribute(Qt::WA_TransparentForMouseEvents);
        g->lower();
        return g;
    }
    if (type == kButtonCheckBox || type == kButtonAutoCheckBox || type == 5 || type == 6) {
        b = new CheckWidget(parent, type == kButtonAutoCheckBox || type == 6);
    } else if (type == kButtonRadio || type == kButtonAutoRadio) {
        b = new RadioWidget(parent, type == kButtonAutoRadio);
    } else {
        auto* p = new PushWidget(parent);
        p->Handle = h;
        p->setDefault(type == kButtonDefaultPush);
        p->setAutoDefault(false);
        b = p;
    }
    SetButtonLabel(b, rec->Text);
    b->setFocusPolicy(Qt::NoFocus);  // a click never takes the focus from the window
    QObject::connect(b, &QAbstractButton::clicked, b, [h] {
        if (g_quiet == 0) Notify(h, kButtonClicked);
    });
    return b;
}

// The closed box keeps the size its template gives it; the list that drops
// down is as wide as its longest text in the font the list draws with, so no
// choice is shown cut.
class ComboWidget : public QComboBox {
public:
    explicit ComboWidget(QWidget* parent) : QComboBox(parent) {}

    void showPopup() override {
        QComboBox::showPopup();
        QAbstractItemView* list = view();
        QWidget* popup = list->window();
        if (popup == window()) return;
        int needed = list->sizeHintForColumn(0) + 2 * list->frameWidth() + (popup->width() - list->width());
        if (list->verticalScrollBar()->isVisible()) needed += list->verticalScrollBar()->width();
        if (popup->width() >= needed) return;
        QRect area = popup->geometry();
        area.setWidth(needed);
        // Wider than the box, it stays on the screen: it grows to the left at the right edge.
        const QRect screen = popup->screen() != nullptr ? popup->screen()->availableGeometry() : area;
        if (area.right() > screen.right()) area.moveLeft(std::max(screen.left(), screen.right() - area.width() + 1));
        popup->setGeometry(area);
    }
};

QWidget* MakeCombo(WindowRecord* rec, QWidget* parent) {
    const Hwnd h = rec->Handle;
    auto* c = new ComboWidget(parent);
    c->setEditable((rec->Style & 0x3) == kComboDropDown || (rec->Style & 0x3) == kComboSimple);
    c->setFocusPolicy(Qt::StrongFocus);
    // `activated` comes only from a user's choice, never from the program.
    QObject::connect(c, &QComboBox::activated, c, [h](int) {
        if (g_quiet == 0) Notify(h, kComboSelChange);
    });
    return c;
}

QWidget* MakeList(WindowRecord* rec, QWidget* parent) {
    const Hwnd h = rec->Handle;
    auto* l = new ListBoxWidget(parent, (rec->Style & kListExtendedSelection) != 0, (rec->Style & kListSort) != 0);
    l->setVerticalScrollBarPolicy((rec->Style & kStyleVScroll) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    l->setHorizontalScrollBarPolicy((rec->Style & kStyleHScroll) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    if ((rec->Style & kListNotify) != 0) {
        l->OnUserSelection = [h] {
            if (g_quiet == 0) Notify(h, kListSelChange);
        };
    }
    return l;
}

QWidget* MakeEdit(WindowRecord* rec, QWidget* parent) {
    const Hwnd h = rec->Handle;
    const bool readOnly = (rec->Style & kEditReadOnly) != 0;
    if (rec->Style & kEditMultiLine) {
        auto* e = new QPlainTextEdit(parent);
        e->setPlainText(LabelText(rec->Text));
        e->setReadOnly(readOnly);
        QObject::connect(e, &QPlainTextEdit::textChanged, e, [h, e] {
            if (WindowRecord* r = Find(h)) r->Text = FromQString(e->toPlainText());
            Notify(h, kEditChange);
        });
        return e;
    }
    auto* e = new QLineEdit(parent);
    e->setMaxLength(rec->EditLimit);
    e->setText(LabelText(rec->Text));
    e->setReadOnly(readOnly);
    if (readOnly) e->setCursorPosition(0);  // as ControlSetText
    if (rec->Style & kEditCenter) e->setAlignment(Qt::AlignHCenter);
    if (rec->Style & kEditRight) e->setAlignment(Qt::AlignRight);
    QObject::connect(e, &QLineEdit::textChanged, e, [h](const QString& t) {
        if (WindowRecord* r = Find(h)) r->Text = FromQString(t);
        Notify(h, kEditChange);
    });
    return e;
}

QString StaticText(const WindowRecord* rec) {
    QString s = LabelText(rec->Text);
    if (rec->Style & kStaticNoPrefix) return s;
    QString out;
    for (int i = 0; i < s.size(); ++i) {
        if (s[i] == QLatin1Char('&')) {
            if (i + 1 < s.size()) out += s[++i];
            continue;
        }
        out += s[i];
    }
    return out;
}

QWidget* MakeStatic(WindowRecord* rec, QWidget* parent) {
    auto* l = new QLabel(StaticText(rec), parent);
    l->setTextFormat(Qt::PlainText);
    l->setWordWrap(true);
    l->setAlignment(((rec->Style & 3) == kStaticCenter ? Qt::AlignHCenter
                     : (rec->Style & 3) == kStaticRight ? Qt::AlignRight
                                                         : Qt::AlignLeft) | Qt::AlignTop);
    return l;
}

LResult CopyItemText(const QString& text, LParam out) {
    auto* dest = reinterpret_cast<char16_t*>(out);
    if (dest == nullptr) return -1;
    const std::u16string s = FromQString(text).substr(0, 255);
    std::copy(s.begin(), s.end(), dest);
    dest[s.size()] = 0;
    return static_cast<LResult>(s.size());
}

LResult ButtonProc(Hwnd h, uint32_t msg, WParam w, LParam l) {
    WindowRecord* rec = Find(h);
    auto* b = rec != nullptr ? qobject_cast<QAbstractButton*>(rec->Widget) : nullptr;
    switch (msg) {
        case kMsgButtonGetCheck:
            return b != nullptr && b->isChecked() ? kChecked : kUnchecked;
        case kMsgButtonSetCheck:
            if (b != nullptr) {
                Quiet q;
                b->setChecked(w == kChecked);
            }
            return 0;
        case kMsgButtonSetStyle: {
            const uint32_t type = static_cast<uint32_t>(w) & kButtonTypeMask;
            if (auto* p = dynamic_cast<PushWidget*>(b)) {
                if (type == kButtonPush || type == kButtonDefaultPush) {
                    rec->ButtonType = type;
                    p->setDefault(type == kButtonDefaultPush);
                    if (l != 0) p->update();
                }
            }
            return 0;
        }
        case kMsgButtonClick:
            if (b != nullptr && b->isEnabled()) b->click();
            return 0;
        default:
            return DefaultWindowProc(h, msg, w, l);
    }
}

LResult ComboProc(Hwnd h, uint32_t msg, WParam w, LParam l) {
    WindowRecord* rec = Find(h);
    auto* c = rec != nullptr ? qobject_cast<QComboBox*>(rec->Widget) : nullptr;
    if (c == nullptr) return DefaultWindowProc(h, msg, w, l);
    Quiet q;
    switch (msg) {
        case kMsgComboAddString: {
            const auto* text = reinterpret_cast<const char16_t*>(l);
            const int selected = c->currentIndex();
            c->addItem(ToQString(text != nullptr ? text : u""));
            // A new list has no selection until one is set (Qt would pick the first item).
            if (selected < 0) c->setCurrentIndex(-1);
            return c->count() - 1;
        }
        case kMsgComboGetCount:
            return c->count();
        case kMsgComboGetCurSel:
            return c->currentIndex();
        case kMsgComboSetCurSel: {
            const auto i = static_cast<intptr_t>(w);
            if (i < 0 || i >= c->count()) {
                c->setCurrentIndex(-1);
                return -1;
            }
            c->setCurrentIndex(static_cast<int>(i));
            return i;
        }
        case kMsgComboResetContent:
            c->clear();
            return 0;
        case kMsgComboGetItemText:
            if (static_cast<int>(w) < 0 || static_cast<int>(w) >= c->count()) return -1;
            return CopyItemText(c->itemText(static_cast<int>(w)), l);
        case kMsgComboGetItemTextLength:
            if (static_cast<int>(w) < 0 || static_cast<int>(w) >= c->count()) return -1;
            return c->itemText(static_cast<int>(w)).size();
        case kMsgGetText:
            rec->Text = FromQString(c->currentText());
            return DefaultWindowProc(h, msg, w, l);
        case kMsgGetTextLength:
            return c->currentText().size();
        default:
            return DefaultWindowProc(h, msg, w, l);
    }
}

LResult ListProc(Hwnd h, uint32_t msg, WParam w, LParam l) {
    WindowRecord* rec = Find(h);
    auto* list = rec != nullptr ? dynamic_cast<ListBoxWidget*>(rec->Widget) : nullptr;
    if (list == nullptr) return DefaultWindowProc(h, msg, w, l);
    Quiet q;
    const int index = static_cast<int>(static_cast<intptr_t>(w));
    const QString* text = list->Text(index);
    switch (msg) {
        case kMsgListAddString: {
            const auto* added = reinterpret_cast<const char16_t*>(l);
            return list->Add(ToQString(added != nullptr ? added : u""));
        }
        case kMsgListDeleteString:
            if (!list->Delete(index)) return kListError;
            return list->Count();
        case kMsgListResetContent:
            list->Clear();
            return 0;
        case kMsgListSetCurSel:
            if (!list->SetSelection(index)) return index == -1 ? 0 : kListError;
            return index;
        case kMsgListGetCurSel:
            return list->Selection();
        case kMsgListGetText:
            if (text == nullptr) return kListError;
            return CopyItemText(*text, l);
        case kMsgListGetTextLength:
            if (text == nullptr) return kListError;
            return text->size();
        case kMsgListGetCount:
            return list->Count();
        case kMsgListSetTopIndex:
            return list->SetTop(index) ? 0 : kListError;
        case kMsgListGetTopIndex:
            return list->Top();
        default:
            return DefaultWindowProc(h, msg, w, l);
    }
}

LResult EditProc(Hwnd h, uint32_t msg, WParam w, LParam l) {
    WindowRecord* rec = Find(h);
    if (rec == nullptr) return 0;
    switch (msg) {
        case kMsgEditLimitText: {
            const int n = w == 0 ? 30000 : static_cast<int>(std::min<WParam>(w, 0x7FFFFFFE));
            rec->EditLimit = n;
            if (auto* e = qobject_cast<QLineEdit*>(rec->Widget)) e->setMaxLength(n);
            return 0;
        }
        case kMsgEditSetSel:
            if (auto* e = qobject_cast<QLineEdit*>(rec->Widget)) {
                const int from = static_cast<int>(static_cast<intptr_t>(w));
                const int to = static_cast<int>(l);
                if (from == -1) e->deselect();
                else e->setSelection(from, (to < 0 ? e->text().size() : to) - from);
            }
            return 0;
        default:
            return DefaultWindowProc(h, msg, w, l);
    }
}

LResult StaticProc(Hwnd h, uint32_t msg, WParam w, LParam l) { return DefaultWindowProc(h, msg, w, l); }

}  // namespace

void RegisterBuiltInClasses() {
    RegisterBuiltInClass(u"BUTTON", &ButtonProc, ControlKind::Button);
    RegisterBuiltInClass(u"COMBOBOX", &ComboProc, ControlKind::Combo);
    RegisterBuiltInClass(u"LISTBOX", &ListProc, ControlKind::ListBox);
    RegisterBuiltInClass(u"EDIT", &EditProc, ControlKind::Edit);
    RegisterBuiltInClass(u"STATIC", &StaticProc, ControlKind::Static);
}

QWidget* CreateControlWidget(WindowRecord* rec, QWidget* parent) {
    QWidget* w = nullptr;
    switch (rec->Kind) {
        case ControlKind::Button: w = MakeButton(rec, parent); break;
        case ControlKind::Combo: w = MakeCombo(rec, parent); break;
        case ControlKind::ListBox: w = MakeList(rec, parent); break;
        case ControlKind::Edit: w = MakeEdit(rec, parent); break;
        case ControlKind::Static: w = MakeStatic(rec, parent); break;
        case ControlKind::Canvas: break;
    }
    if (w == nullptr) w = new QWidget(parent);
    w->installEventFilter(Watcher());
    return w;
}

void ControlSetText(WindowRecord* rec, const std::u16string& text) {
    QWidget* w = rec->Widget;
    if (w == nullptr) return;
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        SetButtonLabel(b, text);
    } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
        g->setTitle(LabelText(text));
    } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
        e->setText(LabelText(text));  // notifies as typing would
        // A field that only shows a name or number shows its first characters,
        // never just its end; in a field for typing the caret stays at the
        // end, where typing goes on.
        if (e->isReadOnly()) e->setCursorPosition(0);
    } else if (auto* m = qobject_cast<QPlainTextEdit*>(w)) {
        m->setPlainText(LabelText(text));
    } else if (auto* l = qobject_cast<QLabel*>(w)) {
        l->setText(StaticText(rec));
    } else if (auto* c = qobject_cast<QComboBox*>(w)) {
        if (c->isEditable()) {
            Quiet q;
            c->setEditText(LabelText(text));
        }
    }
}

}  // namespace detail

using namespace detail;

// ---------------------------------------------------------------------------
// Helpers

int CheckState(Hwnd button) { return static_cast<int>(SendMessage(button, kMsgButtonGetCheck, 0, 0)); }

void SetCheckState(Hwnd button, int state) { SendMessage(button, kMsgButtonSetCheck, static_cast<WParam>(state), 0); }

bool CheckRadioButton(Hwnd dialog, int32_t first, int32_t last, int32_t check) {
    if (!IsWindow(dialog)) return false;
    for (int32_t id = first; id <= last; ++id) {
        const Hwnd b = GetDialogItem(dialog, id);
        if (b != 0) SetCheckState(b, id == check ? kChecked : kUnchecked);
    }
    return true;
}

void SetButtonStyle(Hwnd button, uint32_t style, bool redraw) {
    SendMessage(button, kMsgButtonSetStyle, style, redraw ? 1 : 0);
}

int32_t ComboAddString(Hwnd combo, const char16_t* text) {
    if (!IsWindow(combo)) return -1;
    return static_cast<int32_t>(SendMessage(combo, kMsgComboAddString, 0, reinterpret_cast<LParam>(text)));
}
int32_t ComboSetSelection(Hwnd combo, int32_t index) {
    if (!IsWindow(combo)) return -1;
    return static_cast<int32_t>(SendMessage(combo, kMsgComboSetCurSel, static_cast<WParam>(static_cast<intptr_t>(index)), 0));
}
int32_t ComboGetSelection(Hwnd combo) {
    if (!IsWindow(combo)) return -1;
    return static_cast<int32_t>(SendMessage(combo, kMsgComboGetCurSel, 0, 0));
}
int32_t ComboCount(Hwnd combo) { return static_cast<int32_t>(SendMessage(combo, kMsgComboGetCount, 0, 0)); }
void ComboClear(Hwnd combo) { SendMessage(combo, kMsgComboResetContent, 0, 0); }

int32_t ListAddString(Hwnd list, const char16_t* text) {
    if (!IsWindow(list)) return -1;
    return static_cast<int32_t>(SendMessage(list, kMsgListAddString, 0, reinterpret_cast<LParam>(text)));
}
int32_t ListSetSelection(Hwnd list, int32_t index) {
    if (!IsWindow(list)) return -1;
    return static_cast<int32_t>(SendMessage(list, kMsgListSetCurSel, static_cast<WParam>(static_cast<intptr_t>(index)), 0));
}
int32_t ListGetSelection(Hwnd list) {
    if (!IsWindow(list)) return -1;
    return static_cast<int32_t>(SendMessage(list, kMsgListGetCurSel, 0, 0));
}
int32_t ListCount(Hwnd list) { return static_cast<int32_t>(SendMessage(list, kMsgListGetCount, 0, 0)); }
void ListClear(Hwnd list) { SendMessage(list, kMsgListResetContent, 0, 0); }

int32_t ListGetText(Hwnd list, int32_t index, char16_t* out, int32_t capacity) {
    if (out == nullptr || capacity <= 0 || !IsWindow(list)) return -1;
    char16_t buffer[256];
    const auto n = static_cast<int32_t>(
        SendMessage(list, kMsgListGetText, static_cast<WParam>(static_cast<intptr_t>(index)), reinterpret_cast<LParam>(buffer)));
    if (n < 0) {
        out[0] = 0;
        return -1;
    }
    const int32_t m = std::min(n, capacity - 1);
    std::copy_n(buffer, m, out);
    out[m] = 0;
    return m;
}

bool ListSetTopIndex(Hwnd list, int32_t index) {
    if (!IsWindow(list)) return false;
    return SendMessage(list, kMsgListSetTopIndex, static_cast<WParam>(static_cast<intptr_t>(index)), 0) == 0;
}

void EditSetLimit(Hwnd edit, int32_t characters) {
    SendMessage(edit, kMsgEditLimitText, static_cast<WParam>(std::max(0, characters)), 0);
}

bool SetDialogItemText(Hwnd parent, int32_t id, const char16_t* text) {
    return SetWindowText(GetDialogItem(parent, id), text);
}

int32_t GetDialogItemText(Hwnd parent, int32_t id, char16_t* out, int32_t capacity) {
    return GetWindowText(GetDialogItem(parent, id), out, capacity);
}

LResult SendDialogItemMessage(Hwnd parent, int32_t id, uint32_t message, WParam w, LParam l) {
    return SendMessage(GetDialogItem(parent, id), message, w, l);
}

namespace test {

bool DropDownWidths(Hwnd combo, const char16_t* style, int32_t* listWidth, int32_t* widestText) {
    WindowRecord* rec = Find(combo);
    auto* c = rec != nullptr ? qobject_cast<QComboBox*>(rec->Widget) : nullptr;
    if (c == nullptr) return false;
    if (style != nullptr) {
        // A style lives as long as the application: a box may still be drawn with it.
        const QString name = QStringLiteral("ostrimaTestStyle") + ToQString(style);
        QStyle* s = QCoreApplication::instance()->findChild<QStyle*>(name, Qt::FindDirectChildrenOnly);
        if (s == nullptr) {
            s = QStyleFactory::create(ToQString(style));
            if (s == nullptr) return false;
            s->setObjectName(name);
            s->setParent(QCoreApplication::instance());
        }
        c->setStyle(s);
    }
    c->showPopup();
    QAbstractItemView* list = c->view();
    const QFontMetrics metrics = list->fontMetrics();
    int widest = 0;
    for (int i = 0; i < c->count(); ++i) widest = std::max(widest, metrics.horizontalAdvance(c->itemText(i)));
    if (listWidth != nullptr) *listWidth = list->isVisible() ? list->viewport()->width() : 0;
    if (widestText != nullptr) *widestText = widest;
    c->hidePopup();
    return true;
}

bool ButtonTextWidths(Hwnd button, int32_t* textWidth, int32_t* roomWidth) {
    WindowRecord* rec = Find(button);
    auto* b = rec != nullptr ? dynamic_cast<PushWidget*>(rec->Widget) : nullptr;
    if (b == nullptr) return false;
    // The mnemonic marker is not drawn; a doubled one draws one ampersand.
    QString shown = b->text();
    shown.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    shown.remove(QLatin1Char('&'));
    shown.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    if (textWidth != nullptr) *textWidth = b->fontMetrics().horizontalAdvance(shown);
    if (roomWidth != nullptr) *roomWidth = b->TextRoom();
    return true;
}

namespace {

// Where an edit draws the start of its text now, as the place at which a
// click would put the caret after the first letter: the same measure for
// every edit showing the same text, so two edits' differences are scrolls.
int TextStartMark(QLineEdit* e) {
    if (e->text().isEmpty()) return 0;
    const int width = e->width();
    const int from = -e->fontMetrics().horizontalAdvance(e->text()) - width;
    for (int x = from; x < 2 * width; ++x) {
        if (e->cursorPositionAt(QPoint(x, e->height() / 2)) >= 1) return x;
    }
    return 2 * width;
}

}  // namespace

bool EditTextView(Hwnd edit, int32_t* scrolled, int32_t* hidden) {
    WindowRecord* rec = Find(edit);
    auto* e = rec != nullptr ? qobject_cast<QLineEdit*>(rec->Widget) : nullptr;
    if (e == nullptr) return false;
    e->grab();  // a paint brings the edit's scroll up to date
    // A twin never scrolled, then scrolled to show its end, as the edit
    // would for a caret there.
    QLineEdit twin(e->parentWidget());
    twin.setFont(e->font());
    twin.setFrame(e->hasFrame());
    twin.setTextMargins(e->textMargins());
    twin.setAlignment(e->alignment());
    twin.setReadOnly(e->isReadOnly());
    twin.setGeometry(e->geometry());
    twin.setText(e->text());
    twin.setCursorPosition(0);
    twin.grab();
    const int start = TextStartMark(&twin);
    twin.setCursorPosition(static_cast<int>(twin.text().size()));
    twin.grab();
    if (scrolled != nullptr) *scrolled = start - TextStartMark(e);
    if (hidden != nullptr) *hidden = start - TextStartMark(&twin);
    return true;
}

}  // namespace test

}  // namespace plat
