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

constexpr uint32_t kMomentMs = 300;       // a wait for the copy longer than this shows the busy indicator
constexpr uint32_t kStepEveryMs = 100;    // and moves it this often
void (*g_longCopyStep)() = nullptr;

// The bytes of `from` in [at, end) appended to `to` through `block`; true
// when all went out.
bool CopyBlocks(plat::FileHandle from, plat::FileHandle to, int64_t at, int64_t end, char* block, size_t size) {
    while (at < end) {
        const auto want = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(size), end - at));
        const int64_t got = plat::ReadFileAt(from, block, want, at);
        if (got <= 0) return false;
        if (plat::WriteFile(to, block, static_cast<size_t>(got)) != got) return false;
        at += got;
    }
    return true;
}

// The copy of the open data file into the rescue file, on a thread of its
// own: it needs no window, so it runs from the moment the loss is seen, while
// the box that tells it waits for the operator and while the screen goes on.
// The window thread sets the job up and starts it, and reads the results
// only once the thread has ended; the thread touches nothing else. Neither
// file is closed while it runs (CopyIntoRescueFile waits for it first).
struct RescueCopyJob {
    plat::FileHandle From = plat::kInvalidFile;  // the open data file, read by position
    plat::FileHandle To = plat::kInvalidFile;    // the rescue file, appended to
    plat::ThreadHandle Thread = 0;               // 0: none running (or none could be started)
    bool Started = false;                        // set up and not yet waited for
    bool Copied = false;                         // result: every byte up to CopiedSize went out and was flushed
    int64_t CopiedSize = 0;                      // result: the bytes of From copied; the rest is the tail
    std::array<char, 256 * 1024> Block{};        // the thread's buffer
};
RescueCopyJob g_copy;

// Copies until it catches up with the open file (records written meanwhile
// too, should the operator write any), then puts it all on the disk: only
// the tail written after that is left for the change of file under the lock.
uint32_t RunRescueCopy(void* argument) {
    RescueCopyJob& job = *static_cast<RescueCopyJob*>(argument);
    int64_t at = 0;
    for (;;) {
        const int64_t size = plat::FileSize(job.From);
        if (size < at) return 0;  // made shorter meanwhile, or not to be looked at: the copy failed
        if (size == at) break;
        if (!CopyBlocks(job.From, job.To, at, size, job.Block.data(), job.Block.size())) return 0;
        at = size;
    }
    job.CopiedSize = at;
    job.Copied = plat::FlushFile(job.To);
    return 0;
}

void StartRescueCopy() {
    g_copy.From = DataFileState.DataFileHandle;
    g_copy.To = DataFileState.RescueFileHandle;
    g_copy.Copied = false;
    g_copy.CopiedSize = 0;
    g_copy.Started = true;
    g_copy.Thread = plat::StartThread(RunRescueCopy, &g_copy);
}

bool RescueCopyThreadEnded() { return g_copy.Thread == 0 || plat::ThreadFinished(g_copy.Thread); }

// Window thread: until the copy thread has ended, the readers' hand-overs are
// served (their lines are not held, their consoles not silent for the
// supervision) and, once it takes more than a moment, the busy indicator
// moves. A thread that could not be started leaves the copy to be made here.
void WaitForRescueCopy() {
    if (!g_copy.Started) return;
    g_copy.Started = false;
    if (g_copy.Thread == 0) {
        RunRescueCopy(&g_copy);
        return;
    }
    const uint32_t start = plat::GetTickCount();
    uint32_t stepped = start;
    while (!plat::ThreadFinished(g_copy.Thread)) {
        plat::ServePendingSends();
        const uint32_t now = plat::GetTickCount();
        if (g_longCopyStep != nullptr && now - start > kMomentMs && now - stepped >= kStepEveryMs) {
            g_longCopyStep();
            stepped = now;
        }
        plat::SleepMilliseconds(1);  // a sender waits at most this long
    }
    plat::JoinThread(g_copy.Thread);
    g_copy.Thread = 0;
}

// The copy thread's work taken: once it has ended, what was written since
// (the tail) is copied and put on the disk with the lock taken, which the
// caller then holds for the change of file. True when every byte went out.
bool FinishRescueCopy(std::unique_lock<std::mutex>& lock) {
    WaitForRescueCopy();
    if (!g_copy.Copied) return false;
    static std::array<char, 64 * 1024> tail;  // window thread only
    lock.lock();
    const int64_t size = plat::FileSize(g_copy.From);
    return size >= g_copy.CopiedSize &&
           CopyBlocks(g_copy.From, g_copy.To, g_copy.CopiedSize, size, tail.data(), tail.size()) &&
           plat::FlushFile(g_copy.To);
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
void RescueFolderAt(size_t i, char16_t* folder, const char16_t* lost) {
    if (i == 0) {
        FolderOf(lost, folder, kDataFolderChars + 1);
    } else {
        CopyPath(i == 1 ? kDefaultSettings.DataFolder : ScreenWindows.TempFolder, folder);
    }
}

// Whether two folders are one as the disk sees them: the same folder
// reached (through links too), or, where neither can be looked at, the same
// on-disk path but for a final separator.
bool SameFolder(const char16_t* a, const char16_t* b) {
    plat::FileIdentity x, y;
    if (plat::IdentifyNamedFile(a, &x) && plat::IdentifyNamedFile(b, &y)) {
        return x.Device == y.Device && x.Inode == y.Inode;
    }
    char p[4 * kDataFolderChars + 64], q[sizeof p];
    if (!plat::MapPath(a, p, sizeof p) || !plat::MapPath(b, q, sizeof q)) return false;
    std::string_view u(p), v(q);
    while (u.size() > 1 && u.back() == '/') u.remove_suffix(1);
    while (v.size() > 1 && v.back() == '/') v.remove_suffix(1);
    return u == v;
}

// For a file that another took the name of: that file is left alone, and
// holds of these records at most what was copied from them.
void AppendReplacementNote(Text16& out, int32_t what) {
    if (what == static_cast<int32_t>(DataFileNameState::Replaced)) {
        out.AppendAscii("\r\n(the file that took its name holds only what was copied from it)");
    }
}

// The rescue file made in the first of the folders from `first` on that
// takes one (RescueFileHandle, RescueFilePath, RescueFolder). False when none did.
bool MakeRescueFileFrom(size_t first) {
    DataFileStateRecord& d = DataFileState;
    char16_t folder[kDataFolderChars + 1];
    for (size_t i = first; i < kRescueFolders; ++i) {
        RescueFolderAt(i, folder, d.DataFilePath);
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

bool RescueCopyEnded() { return RescueCopyOwed() && RescueCopyThreadEnded(); }

void EndRescueCopyThread() {
    if (g_copy.Thread != 0) plat::JoinThread(g_copy.Thread);  // it never sends: nothing to serve
    g_copy.Thread = 0;
    g_copy.Started = false;
}

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
    if (MakeRescueFileFrom(what == DataFileNameState::FolderGone ? 1 : 0)) {
        StartRescueCopy();
        return true;
    }
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
    while (!FinishRescueCopy(lock)) {
        // A disk full or failing here: the file made goes, the next folder is
        // tried, and its copy waited for.
        if (lock.owns_lock()) lock.unlock();
        plat::CloseFile(d.RescueFileHandle);
        plat::DeleteFile(d.RescueFilePath);
        d.RescueFileHandle = plat::kInvalidFile;
        if (!MakeRescueFileFrom(static_cast<size_t>(d.RescueFolder) + 1)) {
            NoteRescuePending();
            return 0;
        }
        StartRescueCopy();
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

}  // namespace

void LookAtDataFileSizeLocked() {
    DataFileStateRecord& d = DataFileState;
    const int64_t size = plat::FileSize(d.DataFileHandle);
    if (size < 0 || size >= d.WrittenSize) return;
    d.ShortenedBytes = d.WrittenSize - size;
    d.WrittenSize = size;
    KeepShortenedFileWhole(size);
    // Raised last: the thread that takes the bit for the box (the window
    // thread; a reader may have found the loss) then sees what it says.
    d.WriteError.fetch_or(kDataFileShortened);
}

namespace {

void LookAtDataFileSize() {
    std::lock_guard<std::mutex> guard(DataFileState.DataFileLock);
    LookAtDataFileSizeLocked();
}

// A name that cannot be looked at is told once it has lasted.
void CountUnseenLook(int error) {
    DataFileStateRecord& d = DataFileState;
    d.NameLookError = error;
    if (++d.UnseenLooks == kUnseenLooksTold) d.WriteError.fetch_or(kDataFileNameUnseen);
}

}  // namespace

int WatchDataFileName(NameLossAction action) {
    // A copy under way: the look is at the new file, once the copy is taken.
    if (RescueCopyOwed()) {
        if (action == NameLossAction::Rescue || RescueCopyEnded()) CopyIntoRescueFile();
        if (RescueCopyOwed() || DataFileState.RescuePending == 1) return 1;
    }
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
    } else if (action == NameLossAction::Background) {
        MakeRescueFile(state);
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
        // Closed with no name left: nothing of it is kept, whatever it held.
        out.AppendAscii("No new file could be made for its records:\r\n");
        if (what == static_cast<int32_t>(DataFileNameState::Moved)) {
            out.AppendAscii("they are only in the file under its new name.\r\n");
        } else {
            out.AppendAscii(d.OpenedExisting == 1 ? "every record in it is gone, those it held before File too"
                                                  : "every record written to it since File is gone");
            AppendReplacementNote(out, what);
            out.AppendAscii(".\r\n");
        }
    } else {
        out.AppendAscii("No new file could be made for its records yet;\r\n"
                        "leaving logging before one is made loses them.\r\n");
    }
}

void DescribePendingRescue(Text16& out) {
    const DataFileStateRecord& d = DataFileState;
    const int32_t what = d.NameLoss;
    if (what == static_cast<int32_t>(DataFileNameState::Moved)) {
        out.AppendAscii("The records written since the data file\r\n");
        AppendOnDiskPath(out, d.LostDataFilePath);
        out.AppendAscii("\r\nwas lost are in no file yet");
    } else if (d.OpenedExisting == 1) {
        out.AppendAscii("The records of the data file\r\n");
        AppendOnDiskPath(out, d.LostDataFilePath);
        out.AppendAscii("\r\nare in no file now, those it held before File too");
    } else {
        out.AppendAscii("The records written to the data file\r\n");
        AppendOnDiskPath(out, d.LostDataFilePath);
        out.AppendAscii("\r\nsince File are in no file now");
    }
    AppendReplacementNote(out, what);
    out.AppendAscii(":\r\na new file could be made in\r\n");
    // Each folder once, however it is written: the data folder is often the
    // default one.
    char16_t folders[kRescueFolders][kDataFolderChars + 1];
    size_t count = 0;
    const bool folderGone = what == static_cast<int32_t>(DataFileNameState::FolderGone);
    for (size_t i = folderGone ? 1 : 0; i < kRescueFolders; ++i) {
        RescueFolderAt(i, folders[count], d.LostDataFilePath);
        if (folders[count][0] == 0) CopyPath(u".", folders[count]);
        bool seen = false;
        for (size_t k = 0; k < count && !seen; ++k) seen = SameFolder(folders[k], folders[count]);
        if (!seen) ++count;
    }
    for (size_t i = 0; i < count; ++i) {
        AppendOnDiskPath(out, folders[i]);
        out.AppendAscii(i + 2 < count ? ",\r\n" : i + 2 == count ? " or\r\n" : "\r\n");
    }
    out.AppendAscii(count > 1 ? "once one of them can take it.\r\n" : "once it can take it.\r\n");
}
