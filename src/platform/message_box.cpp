#include "platform/message_box.h"

#include <QApplication>
#include <QDialog>
#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <QString>

#include <cstdio>
#include <mutex>

#include "platform/modal_script.h"
#include "platform/process_end.h"
#include "platform/qt_internal.h"
#include "platform/text.h"

namespace plat {
namespace {

std::mutex g_mutex;
std::vector<test::RecordedMessageBox> g_recorded;

struct ButtonSet {
    MessageButtons Buttons;
    int Ids[3];          // 0 = unused
    int CloseAnswer;     // what closing the box (Esc, close box) answers
};

constexpr ButtonSet kButtonSets[] = {
    {MessageButtons::Ok, {kIdOk, 0, 0}, kIdOk},
    {MessageButtons::OkCancel, {kIdOk, kIdCancel, 0}, kIdCancel},
    {MessageButtons::YesNo, {kIdYes, kIdNo, 0}, kIdNo},
    {MessageButtons::YesNoCancel, {kIdYes, kIdNo, kIdCancel}, kIdCancel},
    {MessageButtons::RetryCancel, {kIdRetry, kIdCancel, 0}, kIdCancel},
};

const ButtonSet& SetOf(MessageButtons b) {
    for (const ButtonSet& s : kButtonSets) {
        if (s.Buttons == b) return s;
    }
    return kButtonSets[0];
}

bool Offers(const ButtonSet& s, int id) { return id == s.Ids[0] || id == s.Ids[1] || id == s.Ids[2]; }

QMessageBox::StandardButton QtButton(int id) {
    switch (id) {
        case kIdOk: return QMessageBox::Ok;
        case kIdCancel: return QMessageBox::Cancel;
        case kIdAbort: return QMessageBox::Abort;
        case kIdRetry: return QMessageBox::Retry;
        case kIdIgnore: return QMessageBox::Ignore;
        case kIdYes: return QMessageBox::Yes;
        case kIdNo: return QMessageBox::No;
    }
    return QMessageBox::NoButton;
}

QMessageBox::Icon QtIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::None: return QMessageBox::NoIcon;
        case MessageIcon::Information: return QMessageBox::Information;
        case MessageIcon::Warning: return QMessageBox::Warning;
        case MessageIcon::Error: return QMessageBox::Critical;
        case MessageIcon::Question: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

// CR LF (and a lone CR or LF) become the line breaks of plain text.
QString LinesOf(const char16_t* text) {
    QString s = text != nullptr ? QString::fromUtf16(text) : QString();
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(u'\r', u'\n');
    return s;
}

int RunQtBox(Hwnd owner, const char16_t* text, const char16_t* title, const ButtonSet& set, MessageIcon icon) {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        char line[512];
        Utf16ToUtf8(text != nullptr ? text : u"", line, sizeof line);
        std::fprintf(stderr, "message box without a desktop: %s\n", line);
        return set.CloseAnswer;
    }
    QWidget* parent = owner != 0 ? WidgetOfWindow(owner) : nullptr;
    QMessageBox box(QtIcon(icon), title != nullptr ? QString::fromUtf16(title) : QString(), LinesOf(text),
                    QMessageBox::NoButton, parent != nullptr ? parent->window() : nullptr);
    box.setTextFormat(Qt::PlainText);
    QAbstractButton* escape = nullptr;
    for (int id : set.Ids) {
        if (id == 0) continue;
        QAbstractButton* b = box.addButton(QtButton(id));
        if (id == set.CloseAnswer) escape = b;
    }
    box.setDefaultButton(QtButton(set.Ids[0]));
    box.setEscapeButton(escape);
    // exec() runs a nested event loop, so queued hand-overs are still served.
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    for (int id : set.Ids) {
        if (id != 0 && clicked == box.button(QtButton(id))) return id;
    }
    return set.CloseAnswer;
}

// The box's text for a session's log, CR LF one line break.
void TellOnStandardError(const char* title, const char16_t* text) {
    char line[1024];
    Utf16ToUtf8(text != nullptr ? text : u"", line, sizeof line);
    char* end = line;
    for (const char* p = line; *p != 0; ++p) {
        if (*p != '\r') *end++ = *p;
    }
    *end = 0;
    std::fprintf(stderr, "%s: %s\n", title, line);
}

}  // namespace

int MessageBox(Hwnd ownerWindow, const char16_t* text, const char16_t* title, MessageButtons buttons,
               MessageIcon icon) {
    const ButtonSet& set = SetOf(buttons);
    int result = 0;
    ModalAnswer answer;
    // Names the box in a test failure: "title: text", both cut short.
    char titleUtf8[48] = "", textUtf8[112] = "", what[168];
    Utf16ToUtf8(title != nullptr ? title : u"", titleUtf8, sizeof titleUtf8);
    Utf16ToUtf8(text != nullptr ? text : u"", textUtf8, sizeof textUtf8);
    std::snprintf(what, sizeof what, "%s: %s", titleUtf8, textUtf8);
    if (ProgramEnding()) {
        TellOnStandardError(titleUtf8, text);  // nobody answers while the program ends
        result = set.CloseAnswer;
    } else if (TakeModalAnswer(ModalKind::MessageBox, what, &answer)) {
        result = answer.Result;
        if (answer.Act) {
            const int acted = answer.Act(0);
            if (acted >= 0) result = acted;
        }
        if (!Offers(set, result)) {
            // Cancel stands for closing the box; anything else the box cannot answer.
            if (result != kIdCancel) {
                char message[240];
                std::snprintf(message, sizeof message, "scripted button %d is not offered by the box \"%s\"", result,
                              what);
                ReportModalScriptFailure(message);
            }
            result = set.CloseAnswer;
        }
    } else {
        result = RunQtBox(ownerWindow, text, title, set, icon);
    }
    std::lock_guard<std::mutex> guard(g_mutex);
    g_recorded.push_back({title != nullptr ? std::u16string(title) : std::u16string(),
                          text != nullptr ? std::u16string(text) : std::u16string(), buttons, icon, ownerWindow,
                          result});
    return result;
}

namespace test {
std::vector<RecordedMessageBox> RecordedMessageBoxes() {
    std::lock_guard<std::mutex> guard(g_mutex);
    return g_recorded;
}
void ClearRecordedMessageBoxes() {
    std::lock_guard<std::mutex> guard(g_mutex);
    g_recorded.clear();
}
bool DismissActiveModal() {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return false;
    if (QWidget* popup = QApplication::activePopupWidget()) {
        popup->close();
        return true;
    }
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) return false;
    if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        dialog->reject();
    } else {
        modal->close();
    }
    return true;
}
}  // namespace test
}  // namespace plat
