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
#include "survey_files/data_file.h"
#include "survey_files/data_file_shortened.h"
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

// The bytes of `from` in [at, end) appended to `to` through `block`. 0 when
// all went out; otherwise the system's reason a write failed (-1 for a read
// that failed or found the file ended).
int CopyBlocks(plat::FileHandle from, plat::FileHandle to, int64_t at, int64_t end, char* block, size_t size) {
    while (at < end) {
        const auto want = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(size), end - at));
        const int64_t got = plat::ReadFileAt(from, block, want, at);
        if (got <= 0) return -1;
        if (plat::WriteFile(to, block, static_cast<size_t>(got)) != got) {
            const int error = plat::LastFileError();
            return error != 0 ? error : -1;
        }
        at += got;
    }
    return 0;
}

// The reason a flush of `file` failed, or 0 when it went out.
int FlushError(plat::FileHandle file) {
    if (plat::FlushFile(file)) return 0;
    const int error = plat::LastFileError();
    return error != 0 ? error : -1;
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
    int64_t StartAt = 0;                         // the bytes of From that To holds already (a kept file
                                                 //   copied on into: nothing is written twice)
    bool Copied = false;                         // result: every byte up to CopiedSize went out and was flushed
    int64_t CopiedSize = 0;                      // result: the bytes of From copied; the rest is the tail
    int Error = 0;                               // result: why it failed (a system reason, -1 a read)
    std::array<char, 256 * 1024> Block{};        // the thread's buffer
};
RescueCopyJob g_copy;

// Copies until it catches up with the open file (records written meanwhile
// too, should the operator write any), then puts it all on the disk: only
// the tail written after that is left for the change of file under the lock.
uint32_t RunRescueCopy(void* argument) {
    RescueCopyJob& job = *static_cast<RescueCopyJob*>(argument);
    int64_t at = job.StartAt;
    for (;;) {
        const int64_t size = plat::FileSize(job.From);
        if (size < at) {  // made shorter meanwhile, or not to be looked at: the copy failed
            job.Error = -1;
            return 0;
        }
        if (size == at) break;
        job.Error = CopyBlocks(job.From, job.To, at, size, job.Block.data(), job.Block.size());
        if (job.Error != 0) return 0;
        at = size;
    }
    job.CopiedSize = at;
    job.Error = FlushError(job.To);
    job.Copied = job.Error == 0;
    return 0;
}

void StartRescueCopy(int64_t startAt) {
    g_copy.From = DataFileState.DataFileHandle;
    g_copy.To = DataFileState.RescueFileHandle;
    g_copy.StartAt = startAt;
    g_copy.Copied = false;
    g_copy.CopiedSize = 0;
    g_copy.Error = 0;
    g_copy.Started = true;
    g_copy.Thread = plat::StartThread(RunRescueCopy, &g_copy);
}

bool RescueCopyThreadEnded() { return g_copy.Thread == 0 || plat::ThreadFinished(g_copy.Thread); }

// Window thread: until the copy thread has ended, the readers' hand-overs are
// served (their lines are not held, their consoles not silent for the
// supervision). A thread that could not be started leaves the copy to be
// made here.
void WaitForRescueCopy() {
    if (!g_copy.Started) return;
    g_copy.Started = false;
    if (g_copy.Thread == 0) {
        RunRescueCopy(&g_copy);
        return;
    }
    WaitServingReaders(RescueCopyThreadEnded, UINT32_MAX);
    plat::JoinThread(g_copy.Thread);
    g_copy.Thread = 0;
}

// The copy thread's work taken: once it has ended, what was written since
// (the tail) is copied and put on the disk with the lock taken, which the
// caller then holds for the change of file. True when every byte went out;
// otherwise g_copy.Error says why.
bool FinishRescueCopy(std::unique_lock<std::mutex>& lock) {
    WaitForRescueCopy();
    if (!g_copy.Copied) return false;
    static std::array<char, 64 * 1024> tail;  // window thread only
    lock.lock();
    const int64_t size = plat::FileSize(g_copy.From);
    if (size < g_copy.CopiedSize) {
        g_copy.Error = -1;
        return false;
    }
    g_copy.Error = CopyBlocks(g_copy.From, g_copy.To, g_copy.CopiedSize, size, tail.data(), tail.size());
    if (g_copy.Error == 0) g_copy.Error = FlushError(g_copy.To);
    return g_copy.Error == 0;
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

// The first folder a rescue may go to: where the operator removed the
// name's folder, not beside the name.
size_t FirstRescueFolder() {
    return DataFileState.NameLoss == static_cast<int32_t>(DataFileNameState::FolderGone) ? 1 : 0;
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

bool KeptRescueOpen() { return DataFileState.KeptRescueHandle != plat::kInvalidFile; }

// The rescue file made in the first of the folders from `first` on that
// takes one (RescueFileHandle, RescueFilePath, RescueFolder). With a kept
// file, only a folder whose disk tells room for the whole open file is
// tried: a copy from the start that would stop short again only writes the
// same bytes once more. False when none did.
bool MakeRescueFileFrom(size_t first) {
    DataFileStateRecord& d = DataFileState;
    const int64_t whole = plat::FileSize(d.DataFileHandle);
    char16_t folder[kDataFolderChars + 1];
    for (size_t i = first; i < kRescueFolders; ++i) {
        RescueFolderAt(i, folder, d.DataFilePath);
        if (KeptRescueOpen() && plat::FreeSpaceOf(folder) < whole) continue;
        d.RescueFileHandle = MakeFileInFolder(folder, d.DataFilePath, d.RescueFilePath, std::size(d.RescueFilePath));
        if (d.RescueFileHandle != plat::kInvalidFile) {
            d.RescueFolder = static_cast<int32_t>(i);
            return true;
        }
    }
    d.RescueFilePath[0] = 0;
    return false;
}

// No file holds the records: they stay reachable through the open
// descriptor, the next look tries again, and the operator is told once, and
// again only when a box had said they go into a file.
void NoteRescuePending() {
    DataFileStateRecord& d = DataFileState;
    if (d.RescuePending == 0 || d.RescueCopyTold == 1) d.WriteError.fetch_or(kDataFileRescueFailed);
    d.RescuePending = 1;
    d.RescueCopyTold = 0;
}

// The kept file no longer kept: removed when it is still open here (another
// file holds more), only forgotten when it is copied on into (the rescue
// file itself now).
void DropKeptRescueFile() {
    DataFileStateRecord& d = DataFileState;
    if (KeptRescueOpen()) {
        plat::CloseFile(d.KeptRescueHandle);
        plat::DeleteFile(d.KeptRescuePath);
    }
    d.KeptRescueHandle = plat::kInvalidFile;
    d.KeptRescuePath[0] = 0;
    d.KeptRescueBytes = 0;
}

// The rescue file whose copy failed. One that ran out of room keeps what it
// copied, cut back to whole records, as the kept file (unless the kept file
// holds more: both begin at the start); a kept file copied on into stays
// kept whatever stopped it. Any other, a failing disk, is removed.
void SetFailedCopyAside(bool continued) {
    DataFileStateRecord& d = DataFileState;
    const plat::FileHandle h = d.RescueFileHandle;
    const int64_t size = plat::FileSize(h);
    const int64_t whole = size > 0 ? size - size % kDataRecordLength : 0;
    const bool cut = whole > 0 && plat::TruncateFile(h, whole);
    const bool keep = continued || (cut && plat::IsNoRoomError(g_copy.Error) && whole > d.KeptRescueBytes);
    d.RescueFileHandle = plat::kInvalidFile;
    d.LostFileBytes = plat::FileSize(d.DataFileHandle);
    if (!keep) {
        plat::CloseFile(h);
        plat::DeleteFile(d.RescueFilePath);
        return;
    }
    plat::FlushFile(h);  // what is on the disk is told at the end by its size, whatever this says
    DropKeptRescueFile();
    d.KeptRescueHandle = h;
    CopyPath(d.RescueFilePath, d.KeptRescuePath);
    d.KeptRescueFolder = d.RescueFolder;
    d.KeptRescueBytes = cut ? whole : std::max<int64_t>(size, 0);
}

// The kept file copied on into from where it stopped: its descriptor
// becomes the rescue file's, and its name and share stay told meanwhile.
void ContinueKeptRescueFile() {
    DataFileStateRecord& d = DataFileState;
    d.RescueFileHandle = d.KeptRescueHandle;
    d.KeptRescueHandle = plat::kInvalidFile;
    CopyPath(d.KeptRescuePath, d.RescueFilePath);
    d.RescueFolder = d.KeptRescueFolder;
    StartRescueCopy(d.KeptRescueBytes);
}

// While a kept file waits for room, once a look: the kept file is copied
// on into when its disk tells room for the rest (or cannot tell); else a new file is begun
// where a disk tells room for the whole; else the kept file takes what fits
// if its disk has room for a record. Nothing is started, and nothing
// written, while no disk has room. False when nothing was started.
bool StartRescueRetry() {
    DataFileStateRecord& d = DataFileState;
    const int64_t rest = plat::FileSize(d.DataFileHandle) - d.KeptRescueBytes;
    char16_t folder[kDataFolderChars + 1];
    FolderOf(d.KeptRescuePath, folder, std::size(folder));
    const int64_t room = plat::FreeSpaceOf(folder);
    if (room < 0 || room >= rest) {
        ContinueKeptRescueFile();
        return true;
    }
    if (MakeRescueFileFrom(FirstRescueFolder())) {
        StartRescueCopy(0);
        return true;
    }
    if (room < static_cast<int64_t>(kDataRecordLength)) return false;
    ContinueKeptRescueFile();
    return true;
}

// After a copy failed: the next folder's copy begun. A kept file copied on
// into waits for the next look instead.
bool StartNextRescueCopy(bool continued) {
    if (continued || !MakeRescueFileFrom(static_cast<size_t>(DataFileState.RescueFolder) + 1)) return false;
    StartRescueCopy(0);
    return true;
}

}  // namespace

void AppendOnDiskPath(Text16& out, const char16_t* path) {
    char native[4 * kDataFolderChars + 64];
    char16_t wide[std::size(native)];
    if (plat::MapPath(path, native, sizeof native) && plat::Utf8ToUtf16(native, wide, std::size(wide))) {
        out.Append(wide);
    } else {
        out.Append(path);
    }
}

void WaitServingReaders(bool (*done)(), uint32_t limitMs) {
    const uint32_t start = plat::GetTickCount();
    uint32_t stepped = start;
    // Counted in sleeps, not by the clock, so a wait is bounded however the clock goes.
    for (uint32_t waited = 0; waited < limitMs && (done == nullptr || !done()); ++waited) {
        plat::ServePendingSends();
        const uint32_t now = plat::GetTickCount();
        if (g_longCopyStep != nullptr && now - start > kMomentMs && now - stepped >= kStepEveryMs) {
            g_longCopyStep();
            stepped = now;
        }
        plat::SleepMilliseconds(1);  // a sender waits at most this long
    }
}

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

enum class RescueStart { None, NewFile, Retry };

// The copy begun for the records of the open file whose name was lost as
// `what`: into a new file (to be told), or, while a kept file waits for room,
// the silent retry; None when no copy could be begun (the rescue is then
// pending).
RescueStart StartRescue(DataFileNameState what) {
    DataFileStateRecord& d = DataFileState;
    if (d.DataFileHandle == plat::kInvalidFile || what == DataFileNameState::Named ||
        what == DataFileNameState::Unseen) {
        return RescueStart::None;
    }
    if (RescueCopyOwed()) return RescueStart::Retry;
    d.NameLoss = static_cast<int32_t>(what);
    if (d.RescuePending == 0) CopyPath(d.DataFilePath, d.LostDataFilePath);
    if (KeptRescueOpen()) return StartRescueRetry() ? RescueStart::Retry : RescueStart::None;
    if (MakeRescueFileFrom(FirstRescueFolder())) {
        StartRescueCopy(0);
        return RescueStart::NewFile;
    }
    NoteRescuePending();
    return RescueStart::None;
}

}  // namespace

int MakeRescueFile(DataFileNameState what) {
    const RescueStart start = StartRescue(what);
    if (start == RescueStart::NewFile) {
        DataFileState.WriteError.fetch_or(kDataFileNameLost);
        DataFileState.RescueCopyTold = 1;
    }
    return start != RescueStart::None ? 1 : 0;
}

int CopyIntoRescueFile() {
    DataFileStateRecord& d = DataFileState;
    if (!RescueCopyOwed()) return 0;
    const int32_t told = d.RescueFolder;
    std::unique_lock<std::mutex> lock(d.DataFileLock, std::defer_lock);
    while (!FinishRescueCopy(lock)) {
        // The disk full or failing here: what fitted is kept (whole records)
        // or the file made goes, and the next folder is tried.
        if (lock.owns_lock()) lock.unlock();
        const bool continued = g_copy.StartAt > 0;
        SetFailedCopyAside(continued);
        if (!StartNextRescueCopy(continued)) {
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
    DropKeptRescueFile();  // what it held is in the new file too
    // Told unless the operator was told this very file; the records went
    // elsewhere, or the copy waited for room.
    if (d.RescueCopyTold == 0 || d.RescueFolder != told) d.WriteError.fetch_or(kDataFileNameLost);
    d.RescueCopyTold = 0;
    return 1;
}

int RescueDataFile(DataFileNameState what) {
    if (StartRescue(what) == RescueStart::None) return 0;
    return CopyIntoRescueFile();
}

void CloseKeptRescueFile() {
    DataFileStateRecord& d = DataFileState;
    if (!KeptRescueOpen()) return;
    d.LostFileBytes = plat::FileSize(d.DataFileHandle);
    plat::CloseFile(d.KeptRescueHandle);  // flushed when it was cut back; nothing was written since
    d.KeptRescueHandle = plat::kInvalidFile;
}

void ForgetKeptRescueFile() {
    DataFileStateRecord& d = DataFileState;
    if (KeptRescueOpen()) plat::CloseFile(d.KeptRescueHandle);
    d.KeptRescueHandle = plat::kInvalidFile;
    DropKeptRescueFile();  // closed here: only forgotten, the file stays
    d.LostFileBytes = 0;
    d.RescueCopyTold = 0;
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

// "<r> records (<n> of <m> bytes)": what a kept file holds of the lost file.
void AppendKeptShare(Text16& out) {
    const DataFileStateRecord& d = DataFileState;
    char text[96];
    std::snprintf(text, sizeof text, "%lld of its %lld records (%lld of %lld bytes)",
                  static_cast<long long>(d.KeptRescueBytes / kDataRecordLength),
                  static_cast<long long>(d.LostFileBytes / kDataRecordLength), static_cast<long long>(d.KeptRescueBytes),
                  static_cast<long long>(d.LostFileBytes));
    out.AppendAscii(text);
}

// The kept file and what it holds: "<path>\r\nholds the first <share>".
void AppendKeptFile(Text16& out) {
    AppendOnDiskPath(out, DataFileState.KeptRescuePath);
    out.AppendAscii("\r\nholds the first ");
    AppendKeptShare(out);
}

}  // namespace

void DescribeDataFileNameLoss(int32_t error, Text16& out) {
    const DataFileStateRecord& d = DataFileState;
    if ((error & kDataFileShortened) != 0) DescribeShortenedDataFile(out);
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
    const bool kept = d.KeptRescuePath[0] != 0;
    if ((error & kDataFileNameLost) != 0 && RescueCopyOwed()) {
        out.AppendAscii("Everything written to it is copied into the new data file\r\n");
        AppendOnDiskPath(out, d.RescueFilePath);
        out.AppendAscii("\r\n");
    } else if ((error & kDataFileNameLost) != 0) {
        out.AppendAscii("Everything written to it is saved in the new data file\r\n");
        AppendOnDiskPath(out, d.DataFilePath);
        out.AppendAscii("\r\n");
    } else if (d.DataFileHandle == plat::kInvalidFile && what == static_cast<int32_t>(DataFileNameState::Moved)) {
        out.AppendAscii("No new file could be made for its records:\r\n"
                        "they are only in the file under its new name.\r\n");
    } else if (d.DataFileHandle == plat::kInvalidFile && kept) {
        // Closed while no folder had room: what fitted stays where it went.
        out.AppendAscii("No folder had room for all its records:\r\n");
        AppendKeptFile(out);
        out.AppendAscii(";\r\nthe rest are gone");
        AppendReplacementNote(out, what);
        out.AppendAscii(".\r\n");
    } else if (d.DataFileHandle == plat::kInvalidFile) {
        // Closed with no name left: nothing of it is kept, whatever it held.
        out.AppendAscii("No new file could be made for its records:\r\n");
        out.AppendAscii(d.OpenedExisting == 1 ? "every record in it is gone, those it held before File too"
                                              : "every record written to it since File is gone");
        AppendReplacementNote(out, what);
        out.AppendAscii(".\r\n");
    } else if (kept) {
        out.AppendAscii("No folder has room for all its records:\r\n");
        AppendKeptFile(out);
        out.AppendAscii(";\r\nthe rest are copied once a folder has room for them.\r\n"
                        "Leaving logging before then loses them.\r\n");
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
    if (d.KeptRescuePath[0] != 0) {
        out.AppendAscii(",\r\nbut for what fitted:\r\n");
        AppendKeptFile(out);
        out.AppendAscii(".\r\nNo folder has room for the rest; room made in\r\n");
    } else {
        out.AppendAscii(":\r\na new file could be made in\r\n");
    }
    // Each folder once, however it is written: the data folder is often the
    // default one.
    char16_t folders[kRescueFolders][kDataFolderChars + 1];
    size_t count = 0;
    for (size_t i = FirstRescueFolder(); i < kRescueFolders; ++i) {
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
    if (d.KeptRescuePath[0] != 0) {
        out.AppendAscii("lets them be copied.\r\n");
    } else {
        out.AppendAscii(count > 1 ? "once one of them can take it.\r\n" : "once it can take it.\r\n");
    }
}

bool RescueWaitsForRoom() { return DataFileState.KeptRescuePath[0] != 0 && DataFileState.RescuePending == 1; }
