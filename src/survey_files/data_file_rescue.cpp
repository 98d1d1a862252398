#include "survey_files/data_file_rescue.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/text.h"
#include "platform/tick.h"
#include "platform/window.h"
#include "survey_files/append_check.h"
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

constexpr uint32_t kMomentMs = 300;       // a copy longer than this shows the busy indicator
constexpr uint32_t kStepEveryMs = 100;    // and moves it this often
void (*g_longCopyStep)() = nullptr;

// The bytes of `from` in [at, end) appended to `to`; true when all went out.
bool CopyBlocks(plat::FileHandle from, plat::FileHandle to, int64_t at, int64_t end, bool serving) {
    // A block takes a few milliseconds even on a slow stick: a reader waits
    // at most that long in its hand-over. Window thread only.
    static std::array<char, 256 * 1024> block;
    const uint32_t start = plat::GetTickCount();
    uint32_t stepped = start;
    while (at < end) {
        const auto want = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(block.size()), end - at));
        const int64_t got = plat::ReadFileAt(from, block.data(), want, at);
        if (got <= 0) return false;
        if (plat::WriteFile(to, block.data(), static_cast<size_t>(got)) != got) return false;
        at += got;
        if (!serving) continue;
        // Lines keep coming while the file is copied: the readers are served
        // (logging is paused by now, nothing of theirs is expected in the
        // file) and their consoles are not silent for the supervision.
        plat::ServePendingSends();
        const uint32_t now = plat::GetTickCount();
        if (g_longCopyStep != nullptr && now - start > kMomentMs && now - stepped >= kStepEveryMs) {
            g_longCopyStep();
            stepped = now;
        }
    }
    return true;
}

// Every byte of the open data file into `to`: most of it without the lock;
// then, the lock held by the caller, what was written meanwhile. True when
// all of it went out.
bool CopyOpenFile(plat::FileHandle to, std::unique_lock<std::mutex>& lock) {
    const plat::FileHandle from = DataFileState.DataFileHandle;
    const int64_t first = plat::FileSize(from);
    if (first < 0 || !CopyBlocks(from, to, 0, first, /*serving=*/true)) return false;
    lock.lock();
    const int64_t size = plat::FileSize(from);
    return size >= first && CopyBlocks(from, to, first, size, /*serving=*/false) && plat::FlushFile(to);
}

// A new, empty file in `folder` named after `lost`, open for appended
// writes; its path in `path`. Invalid when none could be made.
plat::FileHandle MakeFileInFolder(const char16_t* folder, const char16_t* lost, char16_t* path, size_t capacity) {
    if (folder[0] != 0 && !plat::FolderExists(folder)) return plat::kInvalidFile;
    for (int n = 1; n <= kRescueNames; ++n) {
        if (!RescueName(folder, lost, n, path, capacity)) return plat::kInvalidFile;
        // Neither a file that exists nor the lost name itself, free again
        // after a deletion: the operator must see two different names.
        if (plat::KindOfPath(path) != plat::PathKind::Missing || std::u16string_view(path) == lost) continue;
        // Created exclusively: an existing file is never overwritten. A
        // folder that refuses one new file refuses every other name too.
        return plat::OpenFile(path, plat::FileOpen::CreateNewReadWrite, /*append=*/true, /*exclusive=*/true);
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

// The rescue's folders in the order they are tried: next to the lost name
// (its folder "" for a bare name: the current folder), the default data
// folder, the temporary folder.
constexpr size_t kRescueFolders = 3;
void RescueFolderAt(size_t i, char16_t* folder) {
    if (i == 0) {
        FolderOf(DataFileState.DataFilePath, folder, kDataFolderChars + 1);
    } else {
        CopyPath(i == 1 ? kDefaultSettings.DataFolder : ScreenWindows.TempFolder, folder);
    }
}

// The rescue file made in the first of the folders from `first` on that
// takes one (RescueFileHandle, RescueFilePath, RescueFolder). False when none did.
bool MakeRescueFileFrom(size_t first) {
    DataFileStateRecord& d = DataFileState;
    char16_t folder[kDataFolderChars + 1];
    for (size_t i = first; i < kRescueFolders; ++i) {
        RescueFolderAt(i, folder);
        d.RescueFileHandle = MakeFileInFolder(folder, d.DataFilePath, d.RescueFilePath, std::size(d.RescueFilePath));
        if (d.RescueFileHandle != plat::kInvalidFile) {
            d.RescueFolder = static_cast<int32_t>(i);
            return true;
        }
    }
    d.RescueFilePath[0] = 0;
    return false;
}

// No file could take the records: they stay reachable through the open
// descriptor, the next look tries again, and the operator is told once.
void NoteRescuePending() {
    DataFileStateRecord& d = DataFileState;
    if (d.RescuePending == 0) d.WriteError.fetch_or(kDataFileRescueFailed);
    d.RescuePending = 1;
}

}  // namespace

DataFileNameState LookAtDataFileName(plat::FileHandle open, const char16_t* path, int* error) {
    plat::FileIdentity file;
    if (!plat::IdentifyOpenFile(open, &file)) return DataFileNameState::Named;
    plat::FileIdentity named;
    if (plat::IdentifyNamedFile(path, &named)) {
        const bool same = named.Device == file.Device && named.Inode == file.Inode;
        return same ? DataFileNameState::Named : DataFileNameState::Replaced;
    }
    const int why = plat::LastFileError();
    if (!plat::IsNoSuchFileError(why)) {
        if (error != nullptr) *error = why;
        return DataFileNameState::Unseen;
    }
    // A file that still has a name was moved, alone or with its folder.
    if (file.Links > 0) return DataFileNameState::Moved;
    return FolderGone(path) ? DataFileNameState::FolderGone : DataFileNameState::Deleted;
}

void SetLongCopyStep(void (*step)()) { g_longCopyStep = step; }

bool RescueCopyOwed() { return DataFileState.RescueFileHandle != plat::kInvalidFile; }

namespace {

// The new file made for the records of the open file whose name was lost as
// `what`; false when none could be (the rescue is then pending).
bool StartRescue(DataFileNameState what) {
    DataFileStateRecord& d = DataFileState;
    if (d.DataFileHandle == plat::kInvalidFile || what == DataFileNameState::Named ||
        what == DataFileNameState::Unseen) {
        return false;
    }
    if (RescueCopyOwed()) return true;
    d.NameLoss = static_cast<int32_t>(what);
    if (d.RescuePending == 0) CopyPath(d.DataFilePath, d.LostDataFilePath);
    // Where the operator removed the name's folder, not beside the name.
    if (MakeRescueFileFrom(what == DataFileNameState::FolderGone ? 1 : 0)) return true;
    NoteRescuePending();
    return false;
}

}  // namespace

int MakeRescueFile(DataFileNameState what) {
    if (!StartRescue(what)) return 0;
    DataFileState.WriteError.fetch_or(kDataFileNameLost);
    return 1;
}

int CopyIntoRescueFile() {
    DataFileStateRecord& d = DataFileState;
    if (!RescueCopyOwed()) return 0;
    const int32_t told = d.RescueFolder;
    std::unique_lock<std::mutex> lock(d.DataFileLock, std::defer_lock);
    while (!CopyOpenFile(d.RescueFileHandle, lock)) {
        // A disk full or failing here: the file made goes, the next folder is tried.
        if (lock.owns_lock()) lock.unlock();
        plat::CloseFile(d.RescueFileHandle);
        plat::DeleteFile(d.RescueFilePath);
        d.RescueFileHandle = plat::kInvalidFile;
        if (!MakeRescueFileFrom(static_cast<size_t>(d.RescueFolder) + 1)) {
            NoteRescuePending();
            return 0;
        }
    }
    // The lock is held from the last block on: nothing was written since.
    d.RescuePending = 0;
    plat::CloseFile(d.DataFileHandle);  // no name reaches it: its close has nothing to put on a disk
    d.DataFileHandle = d.RescueFileHandle;
    d.RescueFileHandle = plat::kInvalidFile;
    d.WrittenSize = plat::FileSize(d.DataFileHandle);
    CopyPath(d.RescueFilePath, d.DataFilePath);
    SetDataFileBaseName(d.RescueFilePath);
    // The operator was told the file made first; the records went elsewhere.
    if (d.RescueFolder != told) d.WriteError.fetch_or(kDataFileNameLost);
    return 1;
}

int RescueDataFile(DataFileNameState what) {
    if (!StartRescue(what) || CopyIntoRescueFile() == 0) return 0;
    DataFileState.WriteError.fetch_or(kDataFileNameLost);
    return 1;
}

namespace {

// What another program left of the file, `size` bytes, judged as an append
// judges it before anything more goes in (the lock held, so no reader's
// record lands first): a torn write at its end (part of a record, or the
// beginning of a run) is cut away; an end no write leaves (no whole header,
// records out of step) refuses every later write, the file left as it is.
void KeepShortenedFileWhole(int64_t size) {
    DataFileStateRecord& d = DataFileState;
    const DataFileEndJudgement end = JudgeDataFileEnd(d.DataFileHandle, size);
    d.ShortenedCutBytes = 0;
    if (end.Refused) {
        d.EndRefused = 1;
        std::snprintf(d.EndRefusedWhy, sizeof d.EndRefusedWhy, "%s", end.Why);
        return;
    }
    if (end.CutTo == size) return;
    if (!plat::TruncateFile(d.DataFileHandle, end.CutTo)) {
        d.EndRefused = 1;
        std::snprintf(d.EndRefusedWhy, sizeof d.EndRefusedWhy, "The partial %s at its end cannot be cut away.", end.Cut);
        return;
    }
    d.WrittenSize = end.CutTo;  // the program's own cut, not a loss
    d.ShortenedCutBytes = size - end.CutTo;
    std::snprintf(d.ShortenedCut, sizeof d.ShortenedCut, "%s", end.Cut);
}

// A file shorter than what was written into it: told at once, how much is
// gone. The file opened for appending, later records land at its new end,
// so no gap of zeros is left where the lost bytes were; those are not made
// up, and the file is taken as it is now, its end made whole first.
void LookAtDataFileSize() {
    DataFileStateRecord& d = DataFileState;
    std::lock_guard<std::mutex> guard(d.DataFileLock);
    const int64_t size = plat::FileSize(d.DataFileHandle);
    if (size < 0 || size >= d.WrittenSize) return;
    d.ShortenedBytes = d.WrittenSize - size;
    d.WrittenSize = size;
    d.WriteError.fetch_or(kDataFileShortened);
    KeepShortenedFileWhole(size);
}

// A name that cannot be looked at is told once it has lasted.
void CountUnseenLook(int error) {
    DataFileStateRecord& d = DataFileState;
    d.NameLookError = error;
    if (++d.UnseenLooks == kUnseenLooksTold) d.WriteError.fetch_or(kDataFileNameUnseen);
}

}  // namespace

int WatchDataFileName(NameLossAction action) {
    // The window thread alone changes the handle and the path: no lock is
    // needed to look, only to swap the file.
    const plat::FileHandle open = DataFileState.DataFileHandle;
    if (open == plat::kInvalidFile) return 0;
    int error = 0;
    const DataFileNameState state = LookAtDataFileName(open, DataFileState.DataFilePath, &error);
    if (state == DataFileNameState::Unseen) {
        CountUnseenLook(error);
    } else {
        DataFileState.UnseenLooks = 0;
    }
    LookAtDataFileSize();
    if (state == DataFileNameState::Named || state == DataFileNameState::Unseen) return 0;
    if (action == NameLossAction::LeaveToPause) {
        DataFileState.WriteError.fetch_or(kDataFileNameLostFound);
    } else {
        RescueDataFile(state);
    }
    return 1;
}

namespace {

// "<n> byte" or "<n> bytes".
void AppendByteCount(Text16& out, int64_t n) {
    char text[40];
    std::snprintf(text, sizeof text, "%lld byte%s", static_cast<long long>(n), n == 1 ? "" : "s");
    out.AppendAscii(text);
}

}  // namespace

void DescribeDataFileNameLoss(int32_t error, Text16& out) {
    const DataFileStateRecord& d = DataFileState;
    if ((error & kDataFileShortened) != 0) {
        out.AppendAscii("The data file ");
        AppendOnDiskPath(out, d.DataFilePath);
        out.AppendAscii(" was made shorter by another program:\r\n");
        AppendByteCount(out, d.ShortenedBytes);
        out.AppendAscii(d.ShortenedBytes == 1 ? " of its records is gone.\r\n" : " of its records are gone.\r\n");
        if (d.EndRefused != 0) {
            out.AppendAscii("No record can follow what is left:\r\n");
            out.AppendAscii(d.EndRefusedWhy);
            out.AppendAscii("\r\nNothing more is written into it.\r\n");
        } else if (d.ShortenedCutBytes > 0) {
            out.AppendAscii("The partial ");
            out.AppendAscii(d.ShortenedCut);
            out.AppendAscii(" left at its end (");
            AppendByteCount(out, d.ShortenedCutBytes);
            out.AppendAscii(") was cut away.\r\n");
        }
    }
    if ((error & kDataFileNameUnseen) != 0) {
        char text[160];
        std::snprintf(text, sizeof text, " could not be looked at for %d seconds:\r\n%s.\r\n", kUnseenLooksTold,
                      plat::FileErrorWords(d.NameLookError));
        out.AppendAscii("The data file ");
        AppendOnDiskPath(out, d.DataFilePath);
        out.AppendAscii(text);
    }
    if ((error & (kDataFileNameLost | kDataFileRescueFailed)) == 0) return;
    static constexpr const char* kWhat[] = {
        "",
        " was replaced by another file.",
        " was deleted.",
        " was renamed or moved.",
        " was deleted with its folder.",
    };
    const int32_t what = d.NameLoss;
    out.AppendAscii("The data file ");
    AppendOnDiskPath(out, d.LostDataFilePath);
    out.AppendAscii(what >= 1 && what <= 4 ? kWhat[what] : " was lost.");
    out.AppendAscii("\r\n");
    if ((error & kDataFileNameLost) != 0 && RescueCopyOwed()) {
        out.AppendAscii("Everything written to it is copied into the new data file\r\n");
        AppendOnDiskPath(out, d.RescueFilePath);
        out.AppendAscii("\r\n");
    } else if ((error & kDataFileNameLost) != 0) {
        out.AppendAscii("Everything written to it is saved in the new data file\r\n");
        AppendOnDiskPath(out, d.DataFilePath);
        out.AppendAscii("\r\n");
    } else if (d.DataFileHandle == plat::kInvalidFile) {
        out.AppendAscii("No new file could be made for its records;\r\n"
                        "those written since it was lost are gone.\r\n");
    } else {
        out.AppendAscii("No new file could be made for its records yet;\r\n"
                        "leaving logging before one is made loses them.\r\n");
    }
}

void DescribePendingRescue(Text16& out) {
    const DataFileStateRecord& d = DataFileState;
    out.AppendAscii("The records written since the data file\r\n");
    AppendOnDiskPath(out, d.LostDataFilePath);
    out.AppendAscii("\r\nwas lost are in no file yet: a new file could be made in\r\n");
    const bool folderGone = d.NameLoss == static_cast<int32_t>(DataFileNameState::FolderGone);
    char16_t folder[kDataFolderChars + 1];
    if (!folderGone) {
        FolderOf(d.LostDataFilePath, folder, std::size(folder));
        AppendOnDiskPath(out, folder[0] != 0 ? folder : u".");
        out.AppendAscii(",\r\n");
    }
    AppendOnDiskPath(out, kDefaultSettings.DataFolder);
    out.AppendAscii(" or\r\n");
    AppendOnDiskPath(out, ScreenWindows.TempFolder);
    out.AppendAscii("\r\nonce one of them can take it.\r\n");
}
