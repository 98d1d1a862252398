#include "survey_files/data_file_rescue.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/text.h"
#include "survey_files/data_file.h"
#include "survey_files/survey_model.h"

namespace {

constexpr int kRescueNames = 999;  // <name>_rescue1 .. <name>_rescue999 in each folder
constexpr ProgramSettingsRecord kDefaultSettings{};

// The folder part of `path`, with its final separator ("" for a bare name).
void FolderOf(const char16_t* path, char16_t* out, size_t capacity) {
    Text16 t{out, capacity};
    out[0] = 0;
    const size_t end = PathNameStart(path);
    for (size_t i = 0; i < end; ++i) {
        if (!t.Append(path[i])) {
            out[0] = 0;
            return;
        }
    }
}

bool FolderGone(const char16_t* path) {
    char16_t folder[kDataFolderChars + 1];
    FolderOf(path, folder, std::size(folder));
    return folder[0] != 0 && !plat::FolderExists(folder);
}

// "<folder><stem>_rescue<n><extension>", the stem and extension those of
// `lost` (the extension from its last '.'); false when it does not fit.
bool RescueName(const char16_t* folder, const char16_t* lost, int n, char16_t* out, size_t capacity) {
    const char16_t* name = lost + PathNameStart(lost);
    const char16_t* dot = nullptr;
    for (const char16_t* p = name; *p != 0; ++p) {
        if (*p == u'.') dot = p;
    }
    if (dot == name) dot = nullptr;  // ".OSD" is a stem, not an extension
    const char16_t* stemEnd = dot != nullptr ? dot : name + std::char_traits<char16_t>::length(name);
    // A saved file lost in its turn is saved as the next number of the same
    // stem, not as "_rescue1_rescue1".
    const char16_t* digits = stemEnd;
    while (digits > name && digits[-1] >= u'0' && digits[-1] <= u'9') --digits;
    constexpr std::u16string_view kMark = u"_rescue";
    if (digits < stemEnd && static_cast<size_t>(digits - name) >= kMark.size() &&
        std::u16string_view(digits - kMark.size(), kMark.size()) == kMark) {
        stemEnd = digits - kMark.size();
    }
    Text16 t{out, capacity};
    out[0] = 0;
    bool fits = t.Append(folder);
    for (const char16_t* p = name; fits && p != stemEnd; ++p) fits = t.Append(*p);
    char number[24];
    std::snprintf(number, sizeof number, "_rescue%d", n);
    fits = fits && t.AppendAscii(number);
    if (dot != nullptr) fits = fits && t.Append(dot);
    return fits;
}

// Every byte of `from` into `to`; true when all of it went out.
bool CopyWholeFile(plat::FileHandle from, plat::FileHandle to) {
    static std::array<char, 64 * 1024> block;  // window thread only, under the data file lock
    const int64_t size = plat::FileSize(from);
    if (size < 0) return false;
    int64_t at = 0;
    while (at < size) {
        const int64_t got = plat::ReadFileAt(from, block.data(), block.size(), at);
        if (got <= 0) return false;
        if (plat::WriteFile(to, block.data(), static_cast<size_t>(got)) != got) return false;
        at += got;
    }
    return plat::FlushFile(to);
}

// A new file in `folder` holding the open file's bytes, open for appended
// writes and locked; its path in `path`. Invalid when none could be made.
plat::FileHandle SaveIntoFolder(const char16_t* folder, const char16_t* lost, char16_t* path, size_t capacity) {
    if (folder[0] != 0 && !plat::FolderExists(folder)) return plat::kInvalidFile;
    for (int n = 1; n <= kRescueNames; ++n) {
        if (!RescueName(folder, lost, n, path, capacity)) return plat::kInvalidFile;
        // Neither a file that exists nor the lost name itself, free again
        // after a deletion: the operator must see two different names.
        if (plat::KindOfPath(path) != plat::PathKind::Missing || std::u16string_view(path) == lost) continue;
        // Created exclusively: an existing file is never overwritten.
        const plat::FileHandle h =
            plat::OpenFile(path, plat::FileOpen::CreateNewReadWrite, /*append=*/true, /*exclusive=*/true);
        // A folder that refuses one new file refuses every other name too,
        // and a disk that is full here is full for them all.
        if (h == plat::kInvalidFile) return plat::kInvalidFile;
        if (CopyWholeFile(DataFileState.DataFileHandle, h)) return h;
        plat::CloseFile(h);
        plat::DeleteFile(path);
        return plat::kInvalidFile;
    }
    return plat::kInvalidFile;
}

void CopyPath(const char16_t* from, char16_t* to) {
    Text16 t{to, kDataFolderChars + 1};
    to[0] = 0;
    t.Append(from);
}

// A path as it lies on the disk, for the operator.
void AppendOnDiskPath(Text16& out, const char16_t* path) {
    char native[4 * kDataFolderChars + 64];
    char16_t wide[std::size(native)];
    if (plat::MapPath(path, native, sizeof native) && plat::Utf8ToUtf16(native, wide, std::size(wide))) {
        out.Append(wide);
    } else {
        out.Append(path);
    }
}

}  // namespace

DataFileNameState LookAtDataFileName(plat::FileHandle open, const char16_t* path) {
    plat::FileIdentity file;
    if (!plat::IdentifyOpenFile(open, &file)) return DataFileNameState::Named;
    plat::FileIdentity named;
    if (plat::IdentifyNamedFile(path, &named)) {
        const bool same = named.Device == file.Device && named.Inode == file.Inode;
        return same ? DataFileNameState::Named : DataFileNameState::Replaced;
    }
    if (FolderGone(path)) return DataFileNameState::FolderGone;
    return file.Links == 0 ? DataFileNameState::Deleted : DataFileNameState::Moved;
}

int RescueDataFileLocked(DataFileNameState what) {
    DataFileStateRecord& d = DataFileState;
    if (d.DataFileHandle == plat::kInvalidFile || what == DataFileNameState::Named) return 0;
    // Next to the lost name (its folder "" for a bare name: the current
    // folder), unless the operator removed that folder; then the default data
    // folder; then the temporary folder.
    char16_t folders[3][kDataFolderChars + 1];
    FolderOf(d.DataFilePath, folders[0], std::size(folders[0]));
    CopyPath(kDefaultSettings.DataFolder, folders[1]);
    CopyPath(ScreenWindows.TempFolder, folders[2]);
    char16_t path[kDataFolderChars + 1];
    plat::FileHandle saved = plat::kInvalidFile;
    for (size_t i = what == DataFileNameState::FolderGone ? 1 : 0; i < std::size(folders); ++i) {
        saved = SaveIntoFolder(folders[i], d.DataFilePath, path, std::size(path));
        if (saved != plat::kInvalidFile) break;
    }
    d.NameLoss = static_cast<int32_t>(what);
    if (saved == plat::kInvalidFile) {
        // The records stay reachable through the open descriptor; the next
        // look tries again, and the operator is told once.
        if (d.RescuePending == 0) {
            CopyPath(d.DataFilePath, d.LostDataFilePath);
            d.WriteError.fetch_or(kDataFileRescueFailed);
        }
        d.RescuePending = 1;
        return 0;
    }
    if (d.RescuePending == 0) CopyPath(d.DataFilePath, d.LostDataFilePath);
    d.RescuePending = 0;
    plat::CloseFile(d.DataFileHandle);
    d.DataFileHandle = saved;
    CopyPath(path, d.DataFilePath);
    SetDataFileBaseName(path);
    d.WriteError.fetch_or(kDataFileNameLost);
    return 1;
}

int WatchDataFileName() {
    // The window thread alone changes the handle and the path: no lock is
    // needed to look, only to swap the file.
    const plat::FileHandle open = DataFileState.DataFileHandle;
    if (open == plat::kInvalidFile) return 0;
    const DataFileNameState state = LookAtDataFileName(open, DataFileState.DataFilePath);
    if (state == DataFileNameState::Named) return 0;
    std::lock_guard<std::mutex> guard(DataFileState.DataFileLock);
    RescueDataFileLocked(state);
    return 1;
}

void DescribeDataFileNameLoss(int32_t error, Text16& out) {
    if ((error & (kDataFileNameLost | kDataFileRescueFailed)) == 0) return;
    static constexpr const char* kWhat[] = {
        "",
        " was replaced by another file.",
        " was deleted.",
        " was renamed or moved.",
        " was deleted with its folder.",
    };
    const int32_t what = DataFileState.NameLoss;
    out.AppendAscii("The data file ");
    AppendOnDiskPath(out, DataFileState.LostDataFilePath);
    out.AppendAscii(what >= 1 && what <= 4 ? kWhat[what] : " was lost.");
    out.AppendAscii("\r\n");
    if ((error & kDataFileNameLost) != 0) {
        out.AppendAscii("Everything written to it is saved in the new data file\r\n");
        AppendOnDiskPath(out, DataFileState.DataFilePath);
        out.AppendAscii("\r\n");
    } else {
        out.AppendAscii("No new file could be made for its records yet;\r\n"
                        "leaving logging before one is made loses them.\r\n");
    }
}
