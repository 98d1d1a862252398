#include "platform/menu.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPoint>
#include <QString>

#include <cstdio>
#include <mutex>

#include "platform/modal_script.h"
#include "platform/qt_internal.h"

namespace plat {
namespace {

std::mutex g_mutex;
std::vector<test::RecordedPopupMenu> g_recorded;

bool HoldsCommand(const res::MenuTable& menu, int id) {
    for (const res::MenuItem& item : menu.Items) {
        if (item.Text != nullptr && item.Id == id) return true;
    }
    return false;
}

int RunQtMenu(Hwnd owner, const res::MenuTable& menu, int x, int y) {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return 0;
    QWidget* parent = owner != 0 ? WidgetOfWindow(owner) : nullptr;
    QMenu popup(parent != nullptr ? parent->window() : nullptr);
    for (const res::MenuItem& item : menu.Items) {
        if (item.Text == nullptr) {
            popup.addSeparator();
        } else {
            popup.addAction(QString::fromUtf16(item.Text))->setData(item.Id);
        }
    }
    // A nested event loop: queued hand-overs from reader threads keep being served.
    const QAction* chosen = popup.exec(QPoint(x, y));
    return chosen != nullptr ? chosen->data().toInt() : 0;
}

}  // namespace

int TrackPopupMenu(Hwnd ownerWindow, const res::MenuTable& menu, int x, int y) {
    int result = 0;
    ModalAnswer answer;
    char what[32];
    std::snprintf(what, sizeof what, "menu %d", menu.Id);
    if (TakeModalAnswer(ModalKind::PopupMenu, what, &answer)) {
        result = answer.Result;
        if (result != 0 && !HoldsCommand(menu, result)) {
            char message[96];
            std::snprintf(message, sizeof message, "scripted command %d is not an item of menu %d", result, menu.Id);
            ReportModalScriptFailure(message);
            result = 0;
        }
    } else {
        result = RunQtMenu(ownerWindow, menu, x, y);
    }
    std::lock_guard<std::mutex> guard(g_mutex);
    g_recorded.push_back({menu.Id, ownerWindow, x, y, result});
    return result;
}

namespace test {
std::vector<RecordedPopupMenu> RecordedPopupMenus() {
    std::lock_guard<std::mutex> guard(g_mutex);
    return g_recorded;
}
void ClearRecordedPopupMenus() {
    std::lock_guard<std::mutex> guard(g_mutex);
    g_recorded.clear();
}
}  // namespace test
}  // namespace plat
