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

// Qt reads the patterns from the last parentheses of a filter, separated by
// blanks. The program's labels carry their own pattern text ("(*.ASC,*.TXT)")
// that Qt would misread, so the label's own parenthesised tail is replaced by
// the real patterns.
QString QtNameFilter(const char16_t* filterText, const char16_t* filterPatterns) {
    QString label = FromUtf16(filterText).trimmed();
    const qsizetype open = label.lastIndexOf(u'(');
    if (open > 0 && label.endsWith(u')')) label = label.left(open).trimmed();
    QString patterns = FromUtf16(filterPatterns);
    patterns.replace(u';', u' ');
    patterns = patterns.simplified();
    if (patterns.isEmpty()) patterns = QStringLiteral("*");
    return label + QStringLiteral(" (") + patterns + u')';
}

// The non-native Qt dialog: no overwrite question, filters without regard to case.
bool RunFileDialog(bool save, const char16_t* filterText, const char16_t* filterPatterns,
                   const char16_t* initialFolder, const char16_t* title, const char16_t* defaultExtension,
                   char16_t* path, size_t capacity) {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return false;
    QFileDialog dialog(nullptr, title != nullptr ? FromUtf16(title)
                                                 : (save ? QStringLiteral("Save") : QStringLiteral("Open")));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
    dialog.setNameFilter(QtNameFilter(filterText, filterPatterns));
    if (defaultExtension != nullptr) dialog.setDefaultSuffix(FromUtf16(defaultExtension));
    char folder[4096];
    if (initialFolder != nullptr && MapPath(initialFolder, folder, sizeof folder)) {
        dialog.setDirectory(QString::fromUtf8(folder));
    }
    if (save) dialog.selectFile(FromUtf16(path));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    return CopyOut(dialog.selectedFiles().first().toStdU16String(), path, capacity);
}

bool ChooseFile(bool save, const char16_t* filterText, const char16_t* filterPatterns,
                const char16_t* initialFolder, const char16_t* title, const char16_t* defaultExtension,
                char16_t* path, size_t capacity) {
    if (path == nullptr || capacity == 0) return false;
    char what[128] = "";
    Utf16ToUtf8(title != nullptr ? title : (filterText != nullptr ? filterText : u""), what, sizeof what);
    ModalAnswer answer;
    if (TakeModalAnswer(save ? ModalKind::SaveFile : ModalKind::OpenFile, what, &answer)) {
        if (answer.Result != 1) return false;
        return CopyOut(save ? WithDefaultExtension(answer.Text, defaultExtension) : answer.Text, path, capacity);
    }
    return RunFileDialog(save, filterText, filterPatterns, initialFolder, title, defaultExtension, path,
                         capacity);
}

}  // namespace

// The owner only names who asked: the choosers are application-modal.
bool ChooseSaveFile(int /*ownerWindow*/, const char16_t* filterText, const char16_t* filterPattern,
                    const char16_t* initialFolder, const char16_t* title, const char16_t* defaultExtension,
                    char16_t* path, size_t capacity) {
    return ChooseFile(true, filterText, filterPattern, initialFolder, title, defaultExtension, path, capacity);
}

bool ChooseOpenFile(int /*ownerWindow*/, const char16_t* filterText, const char16_t* filterPatterns,
                    const char16_t* initialFolder, const char16_t* title, const char16_t* defaultExtension,
                    char16_t* path, size_t capacity) {
    return ChooseFile(false, filterText, filterPatterns, initialFolder, title, defaultExtension, path, capacity);
}

}  // namespace plat
