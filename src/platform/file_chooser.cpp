#include "platform/file_chooser.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QString>
#include <cstring>
#include <string>

#include "platform/files.h"
#include "platform/modal_script.h"
#include "platform/text.h"

namespace plat {
namespace {

QString FromUtf16(const char16_t* s) { return s != nullptr ? QString::fromUtf16(s) : QString(); }

// Appends "." and `ext` when the last component of `path` has no extension,
// as the desktop chooser does for a typed name.
std::u16string WithDefaultExtension(std::u16string path, const char16_t* ext) {
    if (ext == nullptr || ext[0] == 0) return path;
    size_t nameStart = 0;
    for (size_t i = 0; i < path.size(); ++i) {
        if (IsPathSeparator(path[i])) nameStart = i + 1;
    }
    if (nameStart == path.size() || path.find(u'.', nameStart) != std::u16string::npos) return path;
    path += u'.';
    path += ext;
    return path;
}

bool CopyOut(const std::u16string& chosen, char16_t* path, size_t capacity) {
    if (chosen.empty() || chosen.size() + 1 > capacity) return false;
    std::memcpy(path, chosen.data(), chosen.size() * sizeof(char16_t));
    path[chosen.size()] = 0;
    return true;
}

// The non-native Qt dialog: no overwrite question, filters without regard to case.
bool RunSaveDialog(const char16_t* filterText, const char16_t* filterPattern, const char16_t* initialFolder,
                   const char16_t* title, const char16_t* defaultExtension, char16_t* path, size_t capacity) {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return false;
    QFileDialog dialog(nullptr, FromUtf16(title));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
    QString filter = FromUtf16(filterText);
    if (!filter.contains(u'(')) filter += QStringLiteral(" (") + FromUtf16(filterPattern) + u')';
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(FromUtf16(defaultExtension));
    char folder[4096];
    if (initialFolder != nullptr && MapPath(initialFolder, folder, sizeof folder)) {
        dialog.setDirectory(QString::fromUtf8(folder));
    }
    dialog.selectFile(FromUtf16(path));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    return CopyOut(dialog.selectedFiles().first().toStdU16String(), path, capacity);
}

}  // namespace

bool ChooseSaveFile(int ownerWindow, const char16_t* filterText, const char16_t* filterPattern,
                    const char16_t* initialFolder, const char16_t* title, const char16_t* defaultExtension,
                    char16_t* path, size_t capacity) {
    (void)ownerWindow;  // the dialog is application-modal; the owner only names who asked
    if (path == nullptr || capacity == 0) return false;
    char what[128] = "";
    if (title != nullptr) Utf16ToUtf8(title, what, sizeof what);
    ModalAnswer answer;
    if (TakeModalAnswer(ModalKind::SaveFile, what, &answer)) {
        if (answer.Result != 1) return false;
        return CopyOut(WithDefaultExtension(answer.Text, defaultExtension), path, capacity);
    }
    return RunSaveDialog(filterText, filterPattern, initialFolder, title, defaultExtension, path, capacity);
}

}  // namespace plat
