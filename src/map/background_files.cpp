// Loading and removing background files: the load dialog, the two choosers
// and the naming of the temp file, the load sequence, the remove dialog and
// the removal.
#include "map/background_files.h"

#include <cstdio>
#include <cstring>

#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/file_chooser.h"
#include "platform/message_box.h"
#include "resources/background_templates.h"
#include "survey_files/settings_file.h"
#include "survey_files/survey_model.h"
#include "survey_files/text_helpers.h"

namespace {

constexpr size_t kPathChars = kDataFolderChars + 1;

// ASCII chooser: one entry.
constexpr const char16_t* kAsciiFilterText = u"ASCII Files (*.ASC,*.TXT,*.DAT,*.XYZ)";
constexpr const char16_t* kAsciiFilterPatterns = u"*.TXT;*.ASC;*.DAT;*.XYZ";
// Data chooser: this program's data files first; the related programs' files
// go by other extensions, and the recognition reads the file's first record,
// so every file may be offered.
constexpr const char16_t* kDataFilterText = u"Zorplot, Wendtrack, Multi)";
constexpr const char16_t* kDataFilterPatterns = u"*.OSD;*.PXY;*.*";

constexpr const char16_t* kFileTypes[] = {u"Brevant Zorplot/Wendtrack/Multi Data File",
                                          u"Column Delimited ASCII Text File"};
constexpr const char16_t* kDisplayStyles[] = {
    u"Display Positions as Separate Dots", u"Display Positions Joined by Thin Line",
    u"Display Positions Joined by Medium Line", u"Display Positions Joined by Thick Line"};
constexpr const char16_t* kCoordinateTypes[] = {u"Geodetic", u"UTM meters", u"UTM feet", u"UTM US Feet"};
constexpr const char16_t* kDelimiterNames[] = {u"  Space", u", Comma", u"  Tab", u"; Semicolon"};
constexpr const char16_t* kDataHint = u"(files OSD, PXY and the Zorplot, Wendtrack, Multi data files, V2.0 & later)";
constexpr const char16_t* kAsciiHint = u"(files ASC, TXT, DAT, and XYZ)";
constexpr int kColumns = 24;

size_t Length16(const char16_t* s) {
    size_t n = 0;
    while (s[n] != u'\0') ++n;
    return n;
}

void Info(plat::Hwnd owner, const char16_t* text) {
    plat::MessageBox(owner, text, u"INFORMATION", plat::MessageButtons::Ok, plat::MessageIcon::Information);
}

void CloseHandle(plat::FileHandle& h) {
    if (h != plat::kInvalidFile) plat::CloseFile(h);
    h = plat::kInvalidFile;
}

// Full path of a temp name in the temp folder; false when it does not fit.
bool TempPathOf(const char16_t* tempName, char16_t* out) {
    const size_t folder = Length16(ScreenWindows.TempFolder);
    const size_t name = Length16(tempName);
    if (folder + name + 1 > kPathChars) return false;
    std::memcpy(out, ScreenWindows.TempFolder, folder * sizeof(char16_t));
    std::memcpy(out + folder, tempName, (name + 1) * sizeof(char16_t));
    return true;
}

void DeleteTempFileOf(int slot) {
    char16_t path[kPathChars];
    if (BackgroundFiles.BackgroundTempNames[slot][0] != u'\0' &&
        TempPathOf(BackgroundFiles.BackgroundTempNames[slot], path)) {
        plat::DeleteFile(path);
    }
}

void EmptySlot(int slot) {
    BackgroundFiles.BackgroundFileNames[slot][0] = u'\0';
    BackgroundFiles.BackgroundTempNames[slot][0] = u'\0';
    BackgroundFiles.BackgroundDisplayTypes[slot] = 0;
}

// True when a loaded file's temp name ends in "$NN" of `suffix`.
bool SuffixInUse(int suffix) {
    for (int i = 0; i < BackgroundFiles.BackgroundFileCount && i < kMaxBackgroundFiles; ++i) {
        const char16_t* name = BackgroundFiles.BackgroundTempNames[i];
        const size_t n = Length16(name);
        if (n >= 3 && name[n - 3] == u'$' && name[n - 2] == u'0' + suffix / 10 && name[n - 1] == u'0' + suffix % 10)
            return true;
    }
    return false;
}

// Places a dialog over its parent (the screen when it has none): centred
// across, its top a tenth of the height difference below the parent's top.
void PlaceOverParent(plat::Hwnd dialog) {
    plat::Rect parent{0, 0, plat::GetScreenWidth(), plat::GetScreenHeight()};
    const plat::Hwnd owner = plat::GetParent(dialog);
    if (owner != 0) plat::GetWindowRect(owner, &parent);
    plat::Rect self;
    plat::GetWindowRect(dialog, &self);
    const int32_t w = self.Right - self.Left, h = self.Bottom - self.Top;
    plat::SetWindowPosition(dialog, parent.Left + (parent.Right - parent.Left - w) / 2,
                            parent.Top + (parent.Bottom - parent.Top - h) / 10);
}

void FillCombo(plat::Hwnd dialog, int32_t id, const char16_t* const* items, int count, int32_t selection) {
    const plat::Hwnd combo = plat::GetDialogItem(dialog, id);
    plat::ComboClear(combo);
    for (int i = 0; i < count; ++i) plat::ComboAddString(combo, items[i]);
    plat::ComboSetSelection(combo, selection >= 0 && selection < count ? selection : 0);
}

int32_t Selection(plat::Hwnd dialog, int32_t id) {
    const int32_t s = plat::ComboGetSelection(plat::GetDialogItem(dialog, id));
    return s < 0 ? 0 : s;
}

// The ASCII-only controls follow the file type shown.
void ShowFileType(plat::Hwnd dialog) {
    const bool ascii = Selection(dialog, res::kIdBackgroundFileType) == 1;
    for (int32_t id = res::kIdBackgroundCoordinates; id <= res::kIdBackgroundDelimiter; ++id)
        plat::EnableWindow(plat::GetDialogItem(dialog, id), ascii);
    plat::SetDialogItemText(dialog, res::kIdBackgroundHint, ascii ? kAsciiHint : kDataHint);
    plat::ShowWindow(plat::GetDialogItem(dialog, res::kIdBackgroundDatum), ascii ? plat::kShow : plat::kShowHide);
}

bool IsCancelKey(plat::WParam key) { return key == 0x43 || key == 0x63; }

plat::LResult BackgroundFileLoadDlgProc(plat::Hwnd dialog, uint32_t message, plat::WParam w, plat::LParam) {
    switch (message) {
        case plat::kMsgInitDialog: {
            PlaceOverParent(dialog);
            char16_t count[16];
            char text[16];
            std::snprintf(text, sizeof text, "%d", BackgroundFiles.BackgroundFileCount);
            NarrowToWide(text, count, 16);
            plat::SetDialogItemText(dialog, res::kIdBackgroundCount, count);
            const BackgroundFileOptionsRecord& o = BackgroundFileOptions;
            FillCombo(dialog, res::kIdBackgroundFileType, kFileTypes, 2, o.FileType);
            FillCombo(dialog, res::kIdBackgroundStyle, kDisplayStyles, 4, o.DisplayStyle);
            FillCombo(dialog, res::kIdBackgroundCoordinates, kCoordinateTypes, 4, o.CoordinatesType);
            const char16_t* columns[kColumns];
            static char16_t columnNames[kColumns][12];
            for (int i = 0; i < kColumns; ++i) {
                std::snprintf(text, sizeof text, "Column %d", i + 1);
                NarrowToWide(text, columnNames[i], 12);
                columns[i] = columnNames[i];
            }
            FillCombo(dialog, res::kIdBackgroundEasting, columns, kColumns, o.EastingColumn);
            FillCombo(dialog, res::kIdBackgroundNorthing, columns, kColumns, o.NorthingColumn);
            FillCombo(dialog, res::kIdBackgroundDelimiter, kDelimiterNames, 4, o.ColumnDelimiter);
            ShowFileType(dialog);
            return 1;
        }
        case plat::kMsgCommand: {
            const int32_t id = static_cast<int32_t>(w & 0xFFFF);
            const uint16_t code = static_cast<uint16_t>((w >> 16) & 0xFFFF);
            if (id == res::kIdBackgroundFileType && code == plat::kComboSelChange) {
                ShowFileType(dialog);
            } else if (id == res::kIdBackgroundOk) {
                BackgroundFileOptions.FileType = Selection(dialog, res::kIdBackgroundFileType);
                BackgroundFileOptions.DisplayStyle = Selection(dialog, res::kIdBackgroundStyle);
                BackgroundFileOptions.CoordinatesType = Selection(dialog, res::kIdBackgroundCoordinates);
                BackgroundFileOptions.EastingColumn = Selection(dialog, res::kIdBackgroundEasting);
                BackgroundFileOptions.NorthingColumn = Selection(dialog, res::kIdBackgroundNorthing);
                BackgroundFileOptions.ColumnDelimiter = Selection(dialog, res::kIdBackgroundDelimiter);
                TellSettingsResult(dialog, LoadSaveSettings(1));
                plat::EndDialog(dialog, 1);
            } else if (id == res::kIdBackgroundCancel) {
                plat::EndDialog(dialog, 0);
            }
            return 1;
        }
        case plat::kMsgKeyDown:
        case plat::kMsgChar:
            if (IsCancelKey(w)) plat::EndDialog(dialog, 0);
            return 1;
        default:
            return 0;
    }
}

plat::LResult BackgroundFileRemoveDlgProc(plat::Hwnd dialog, uint32_t message, plat::WParam w, plat::LParam) {
    const int count = BackgroundFiles.BackgroundFileCount;
    switch (message) {
        case plat::kMsgInitDialog:
            PlaceOverParent(dialog);
            BackgroundFiles.RemoveFlags = {};
            for (int i = 0; i < kMaxBackgroundFiles; ++i) {
                const int show = i < count ? plat::kShow : plat::kShowHide;
                plat::ShowWindow(plat::GetDialogItem(dialog, res::kIdBackgroundRemoveCheck + i), show);
                plat::ShowWindow(plat::GetDialogItem(dialog, res::kIdBackgroundRemoveName + i), show);
                if (i < count)
                    plat::SetDialogItemText(dialog, res::kIdBackgroundRemoveName + i,
                                            BackgroundFiles.BackgroundFileNames[i]);
            }
            return 1;
        case plat::kMsgCommand: {
            const int32_t id = static_cast<int32_t>(w & 0xFFFF);
            if (id == res::kIdBackgroundSelectAll) {
                for (int i = 0; i < count; ++i)
                    plat::SetCheckState(plat::GetDialogItem(dialog, res::kIdBackgroundRemoveCheck + i), plat::kChecked);
            } else if (id == res::kIdBackgroundOk) {
                bool any = false;
                for (int i = 0; i < count; ++i) {
                    const plat::Hwnd box = plat::GetDialogItem(dialog, res::kIdBackgroundRemoveCheck + i);
                    BackgroundFiles.RemoveFlags[i] = plat::CheckState(box) == plat::kChecked ? 1 : 0;
                    any = any || BackgroundFiles.RemoveFlags[i] == 1;
                }
                plat::EndDialog(dialog, any ? 1 : 0);
            } else if (id == res::kIdBackgroundCancel) {
                plat::EndDialog(dialog, 0);
            }
            return 1;
        }
        case plat::kMsgKeyDown:
        case plat::kMsgChar:
            if (IsCancelKey(w)) plat::EndDialog(dialog, 0);
            return 1;
        default:
            return 0;
    }
}

// The chooser common to both kinds.
int OpenBackgroundFile(plat::Hwnd owner, bool dataFile) {
    BackgroundFiles.BackgroundSourceFile = plat::kInvalidFile;
    char16_t path[kPathChars] = u"";
    if (!plat::ChooseOpenFile(owner, dataFile ? kDataFilterText : kAsciiFilterText,
                              dataFile ? kDataFilterPatterns : kAsciiFilterPatterns, nullptr, nullptr, nullptr, path,
                              kPathChars)) {
        return -1;
    }
    // Read only and not locked: the survey's own data file, which the logger
    // holds locked while it appends, loads like any other data file. A file
    // that cannot be opened is not refused here: it converts to nothing, and
    // the drawing tells the operator to check its structure.
    BackgroundFiles.BackgroundSourceFile = plat::OpenFile(path, plat::FileOpen::ExistingReadOnly);
    if (dataFile && BackgroundFiles.BackgroundSourceFile != plat::kInvalidFile) {
        const int format = DetectBackgroundFileFormat();
        if (format < 0) {
            CloseHandle(BackgroundFiles.BackgroundSourceFile);
            return 0;
        }
        BackgroundFiles.BackgroundSourceFormat = format;
    }
    if (!NameBackgroundTempFile(path, BackgroundFiles.BackgroundFileCount)) {
        CloseHandle(BackgroundFiles.BackgroundSourceFile);
        Info(owner, u"The file name is too long to load as a background file.");
        return -1;
    }
    return 1;
}

}  // namespace

int OpenAsciiBackgroundFile(plat::Hwnd owner) { return OpenBackgroundFile(owner, false); }
int OpenDataBackgroundFile(plat::Hwnd owner) { return OpenBackgroundFile(owner, true); }

bool NameBackgroundTempFile(const char16_t* chosenPath, int32_t slot) {
    if (chosenPath == nullptr || slot < 0 || slot >= kMaxBackgroundFiles) return false;
    const char16_t* bare = chosenPath;
    for (const char16_t* p = chosenPath; *p != u'\0'; ++p) {
        if (plat::IsPathSeparator(*p)) bare = p + 1;
    }
    const size_t n = Length16(bare);
    if (n == 0 || n > kBackgroundNameChars - 1) return false;
    // NAME.EXT becomes NAMEEXT. : the last four characters shift left by one
    // over the dot and a dot ends the name. A name shorter than four keeps
    // its characters and gains the dot.
    char16_t temp[kBackgroundNameChars + 8];
    size_t t = 0;
    if (n >= 4) {
        for (size_t i = 0; i < n - 4; ++i) temp[t++] = bare[i];
        for (size_t i = n - 3; i < n; ++i) temp[t++] = bare[i];
    } else {
        for (size_t i = 0; i < n; ++i) temp[t++] = bare[i];
    }
    temp[t++] = u'.';
    int suffix = 0;
    while (suffix < 99 && SuffixInUse(suffix)) ++suffix;
    temp[t++] = u'$';
    temp[t++] = static_cast<char16_t>(u'0' + suffix / 10);
    temp[t++] = static_cast<char16_t>(u'0' + suffix % 10);
    temp[t] = u'\0';
    if (t > kBackgroundNameChars - 1) return false;
    char16_t path[kPathChars];
    if (!TempPathOf(temp, path)) return false;
    std::memcpy(BackgroundFiles.BackgroundTempPath, path, sizeof path);
    std::memcpy(BackgroundFiles.BackgroundFileNames[slot], bare, (n + 1) * sizeof(char16_t));
    std::memcpy(BackgroundFiles.BackgroundTempNames[slot], temp, (t + 1) * sizeof(char16_t));
    return true;
}

void CreateBackgroundTempFile() {
    plat::FileHandle h =
        plat::OpenFile(BackgroundFiles.BackgroundTempPath, plat::FileOpen::OpenOrCreateReadWrite, false, true);
    // An older, longer file of the same name must not leave its tail behind.
    if (h != plat::kInvalidFile && !plat::TruncateFile(h, 0)) CloseHandle(h);
    BackgroundFiles.BackgroundTempFile = h;
}

int EnterBackgroundFiles(plat::Hwnd owner, void (*afterConversion)()) {
    if (LogScreenState.MapShown != 1) {
        Info(owner, u"Option avaiable only when map is visible");
        return kBackgroundStopped;
    }
    if (GpsPortSetup.InputMode == 1 && GpsFix.PositionValid == 0) {
        Info(owner, u"Valid GPS position must be received to use this option.");
        return kBackgroundStopped;
    }
    if (BackgroundFiles.BackgroundFileCount >= kMaxBackgroundFiles) {
        Info(owner, u"Maximum 10 background files already loaded.");
        return kBackgroundStopped;
    }
    if (plat::RunDialog(owner, res::kBackgroundFileLoadTemplate, BackgroundFileLoadDlgProc, 0) != 1)
        return kBackgroundStopped;
    if (BackgroundFileOptions.EastingColumn == BackgroundFileOptions.NorthingColumn) {
        Info(owner, BackgroundFileOptions.CoordinatesType != 0
                        ? u"Same column selected for UTM coordinates. Please correct."
                        : u"Same column selected for Longitude and Latitude. Please correct.");
        return kBackgroundStopped;
    }
    const bool ascii = BackgroundFileOptions.FileType == 1;
    const int chosen = ascii ? OpenAsciiBackgroundFile(owner) : OpenDataBackgroundFile(owner);
    if (chosen < 0) return kBackgroundChooserCancelled;
    if (chosen == 0) {
        Info(owner, u"Format not supported");
        return kBackgroundStopped;
    }
    const int slot = BackgroundFiles.BackgroundFileCount;
    CreateBackgroundTempFile();
    if (ascii) ConvertAsciiBackgroundFile();
    else ConvertDataBackgroundFile();
    if (afterConversion != nullptr) afterConversion();
    ChooseBackgroundPen(BackgroundFileOptions.DisplayStyle);
    const int kept = BackgroundFileOptions.DisplayStyle == 0 ? DrawNewBackgroundPoints() : DrawNewBackgroundTrack();
    CloseHandle(BackgroundFiles.BackgroundTempFile);
    if (kept < 1) {
        // A dropped file leaves nothing behind in the temp folder.
        DeleteTempFileOf(slot);
        EmptySlot(slot);
        return kBackgroundDropped;
    }
    BackgroundFiles.BackgroundDisplayTypes[slot] = BackgroundFileOptions.DisplayStyle;
    ++BackgroundFiles.BackgroundFileCount;
    return kBackgroundKept;
}

int RemoveBackgroundFiles(plat::Hwnd owner) {
    if (BackgroundFiles.BackgroundFileCount <= 0) {
        Info(owner, u"No background files to remove");
        return 0;
    }
    if (plat::RunDialog(owner, res::kBackgroundFileRemoveTemplate, BackgroundFileRemoveDlgProc, 0) != 1) return 0;
    const int count = BackgroundFiles.BackgroundFileCount;
    int kept = 0;
    for (int i = 0; i < count; ++i) {
        if (BackgroundFiles.RemoveFlags[i] == 1) {
            DeleteTempFileOf(i);
            EmptySlot(i);
            continue;
        }
        if (kept != i) {
            std::memcpy(BackgroundFiles.BackgroundFileNames[kept], BackgroundFiles.BackgroundFileNames[i],
                        sizeof BackgroundFiles.BackgroundFileNames[i]);
            std::memcpy(BackgroundFiles.BackgroundTempNames[kept], BackgroundFiles.BackgroundTempNames[i],
                        sizeof BackgroundFiles.BackgroundTempNames[i]);
            BackgroundFiles.BackgroundDisplayTypes[kept] = BackgroundFiles.BackgroundDisplayTypes[i];
        }
        ++kept;
    }
    for (int i = kept; i < kMaxBackgroundFiles; ++i) EmptySlot(i);
    BackgroundFiles.BackgroundFileCount = kept;
    BackgroundFiles.RemoveFlags = {};
    return count - kept;
}

void RemoveAllBackgroundFiles() {
    CloseHandle(BackgroundFiles.BackgroundSourceFile);
    CloseHandle(BackgroundFiles.BackgroundTempFile);
    for (int i = 0; i < BackgroundFiles.BackgroundFileCount && i < kMaxBackgroundFiles; ++i) DeleteTempFileOf(i);
    for (int i = 0; i < kMaxBackgroundFiles; ++i) EmptySlot(i);
    BackgroundFiles.RemoveFlags = {};
    BackgroundFiles.BackgroundFileCount = 0;
}
