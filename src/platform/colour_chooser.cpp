#include "platform/colour_chooser.h"

#include <QApplication>
#include <QColor>
#include <QColorDialog>

#include "platform/modal_script.h"
#include "platform/qt_internal.h"

namespace plat {
namespace {

int RunQtChooser(Hwnd owner, ColourRef initial, ColourRef customColours[16], ColourRef* out) {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return 0;
    const int slotCount = QColorDialog::customCount() < 16 ? QColorDialog::customCount() : 16;
    if (customColours != nullptr) {
        for (int i = 0; i < slotCount; ++i) QColorDialog::setCustomColor(i, ToQColor(customColours[i]));
    }
    QWidget* parent = owner != 0 ? WidgetOfWindow(owner) : nullptr;
    QColorDialog dialog(ToQColor(initial), parent != nullptr ? parent->window() : nullptr);
    dialog.setOption(QColorDialog::DontUseNativeDialog, true);
    const bool chosen = dialog.exec() == QDialog::Accepted;
    if (customColours != nullptr) {
        for (int i = 0; i < slotCount; ++i) customColours[i] = FromQColor(QColorDialog::customColor(i));
    }
    if (!chosen) return 0;
    *out = FromQColor(dialog.selectedColor());
    return 1;
}

}  // namespace

int ChooseColour(Hwnd ownerWindow, ColourRef initial, ColourRef customColours[16], bool anyColour,
                 ColourRef* out) {
    (void)anyColour;    // the Qt chooser always offers every colour
    uint32_t chosen = initial & 0x00FFFFFFu;
    ModalAnswer answer;
    int result = 0;
    if (TakeModalAnswer(ModalKind::Colour, "colour", &answer)) {
        result = answer.Result == 1 ? 1 : 0;
        if (result == 1) chosen = answer.Colour & 0x00FFFFFFu;
    } else {
        result = RunQtChooser(ownerWindow, initial, customColours, &chosen);
    }
    if (out != nullptr) *out = result == 1 ? chosen : initial;
    return result;
}

}  // namespace plat
