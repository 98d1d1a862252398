#include "survey_files/data_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string_view>

#include "platform/file_chooser.h"
#include "platform/files.h"
#include "platform/local_time.h"
#include "platform/tick.h"
#include "survey_files/data_file_rescue.h"
#include "survey_files/data_file_shortened.h"
#include "survey_files/data_records.h"
#include "survey_files/settings_file.h"
#include "survey_files/survey_model.h"
#include "survey_files/text_helpers.h"

namespace {

constexpr int kDefaultNameCount = 1000;      // YYMMDD_000 .. YYMMDD_999
constexpr size_t kProbePathChars = kDataFolderChars + 32;

// True when a file "<folder><base>.<ext>" exists with the extension in any case.
bool DefaultNameTaken(const char16_t* folder, const char* base, const char* upperExt) {
    for (int caseMask = 0; caseMask < 8; ++caseMask) {
        char16_t path[kProbePathChars];
        Text16 p{path, kProbePathChars};
        path[0] = 0;
        if (!p.Append(folder)) return false;
        if (p.Length > 0 && !plat::IsPathSeparator(path[p.Length - 1])) p.Append(u'/');
        p.AppendAscii(base);
        p.Append(u'.');
        for (int k = 0; k < 3; ++k) {
            const char c = upperExt[k];
            p.Append(static_cast<char16_t>((caseMask >> k) & 1 ? c - 'A' + 'a' : c));
        }
        if (plat::FileExists(path)) return true;
    }
    return false;
}

// The data folder becomes the chosen path's folder, with its final separator.
void SetDataFolderFromPath(const char16_t* path) {
    const size_t end = PathNameStart(path);
    if (end == 0 || end > kDataFolderChars) return;
    std::memcpy(ProgramSettings.DataFolder, path, end * sizeof(char16_t));
    ProgramSettings.DataFolder[end] = 0;
}

// A failed flush or close is the only word a stick or a share gives of
// records lost in write-back: it is told like a failed write. Window thread.
void NoteFlushFailed() {
    DataFileState.FlushError = plat::LastFileError();
    DataFileState.WriteError.fetch_or(kDataFileFlushFailed);
}

// The open file's records put on the disk before the lock is taken: on a
// slow or busy disk that takes long, and a reader writing meanwhile must not
// wait for it (console lines wait in their hand-over, and with them the
// window thread's readings). Under the lock only what was written since is
// left to flush. Window thread: it alone changes the handle.
void FlushBeforeTheLock() {
    const plat::FileHandle open = DataFileState.DataFileHandle;
    if (open != plat::kInvalidFile && !plat::FlushFile(open)) NoteFlushFailed();
}

// Those below run with DataFileState.DataFileLock held.

// What was written since FlushBeforeTheLock put on the disk, then the close;
// false (told) when either failed.
bool FlushTailAndCloseLocked(plat::FileHandle h) {
    if (!plat::FlushFile(h)) {
        NoteFlushFailed();
        plat::CloseFile(h);
        return false;
    }
    if (!plat::CloseFile(h)) {
        NoteFlushFailed();
        return false;
    }
    return true;
}

void CloseDataFileLocked() {
    if (DataFileState.DataFileHandle == plat::kInvalidFile) return;
    FlushTailAndCloseLocked(DataFileState.DataFileHandle);
    DataFileState.DataFileHandle = plat::kInvalidFile;
}

// Opens the data file for appended writes, not shared with other processes.
plat::FileHandle OpenDataFileLocked(plat::FileOpen how) {
    return plat::OpenFile(DataFileState.DataFilePath, how, /*append=*/true, /*exclusive=*/true);
}

bool IsSameFile(plat::FileHandle a, plat::FileHandle b) {
    plat::FileIdentity x, y;
    return plat::IdentifyOpenFile(a, &x) && plat::IdentifyOpenFile(b, &y) && x.Device == y.Device &&
           x.Inode == y.Inode;
}

int OpenExistingAtEndLocked() {
    const plat::FileHandle h = OpenDataFileLocked(plat::FileOpen::ExistingReadWrite);
    if (h == plat::kInvalidFile) {
        DataFileState.WriteError.fetch_or(kDataFileReopenFailed);
        return 0;
    }
    plat::SeekFile(h, 0, plat::SeekFrom::End);
    DataFileState.DataFileHandle = h;
    DataFileState.WrittenSize = plat::FileSize(h);
    return 1;
}

int CountBrokenConsoles() {
    const int consoles = std::clamp<int>(SystemSetup.ConsoleCount, 0, kMaxConsoles);
    int broken = 0;
    for (int i = 0; i < consoles; ++i) {
        if (ConsoleLines.ConsoleConnBreak[i].load() != 0) ++broken;
    }
    return broken;
}

// A GPS sentence's records into `out` (kGpsGroupBytes): one "X" record
// (first == 'X') or the group with its "!" time record. Returns the bytes.
size_t FormatGpsSentenceRecords(char* out, const char* sentence, uint32_t tick, char first, char continuation) {
    const std::string_view text = sentence != nullptr ? sentence : "";
    if (first == 'X') {
        DataRecord record;
        FormatGpsSingleRecord(record, text);
        std::memcpy(out, record.data(), record.size());
        return record.size();
    }
    return FormatGpsSentenceGroup(out, kGpsGroupBytes, text, first, continuation, CountBrokenConsoles(), tick);
}

void FormatEventRecordAt(DataRecord& record, const char16_t* text, char code, uint32_t tick) {
    char narrow[12];  // 11 characters are written
    WideToNarrow(text != nullptr ? text : u"", narrow, sizeof narrow);
    FormatEventRecord(record, code, narrow, tick);
}

// With DataFileState.DataFileLock held.
int WriteDataRecordsLocked(const char* bytes, size_t n) {
    const plat::FileHandle h = DataFileState.DataFileHandle;
    if (h == plat::kInvalidFile || bytes == nullptr || n == 0) return 0;
    // A file another program made shorter is written into only once its size
    // has held still and its end is judged (a record meanwhile is held for
    // after it); one whose end no record may follow takes nothing more:
    // whatever went after it could not be read back as records.
    LookAtDataFileSizeLocked();
    if (DataFileState.EndRefused != 0) return 0;
    if (DataFileSizeUnsettled()) return HoldDataRecordsLocked(bytes, n);
    return AppendDataRecordsLocked(bytes, n);
}

}  // namespace

int AppendDataRecordsLocked(const char* bytes, size_t n) {
    const plat::FileHandle h = DataFileState.DataFileHandle;
    const int64_t written = plat::WriteFile(h, bytes, n);
    if (written == static_cast<int64_t>(n)) {
        DataFileState.WrittenSize += written;
        return 1;
    }
    DataFileState.WriteFailError = plat::LastFileError();  // before the cut below asks anything more
    // Keep the file to whole records: drop whatever part of this write went
    // out. The file is opened for appending and written only under this lock,
    // so that part is the last `written` bytes.
    if (written > 0) {
        const int64_t size = plat::FileSize(h);
        if (size >= written) plat::TruncateFile(h, size - written);
    }
    DataFileState.WriteError.fetch_or(kDataFileWriteFailed);
    return -1;
}

namespace {

// WriteDataRecords only while logging and for a GPS tick the recording takes.
// Go and Pause change the state on the window thread before they write
// "$STARTED" or "PAUSED" under this lock: judged here, a record of another
// thread lands inside the recording or not at all.
int WriteRecordedDataRecords(const char* bytes, size_t n, uint32_t tick) {
    // Outside Logging nothing goes in: the reader need not wait for the lock
    // the window thread may hold over a file it opens or saves meanwhile. A
    // Go that follows this look comes after the record too.
    if (LogScreenState.LoggingState.load() != kStateLogging) return 0;
    std::lock_guard<std::mutex> guard(DataFileState.DataFileLock);
    if (LogScreenState.LoggingState.load() != kStateLogging || !IsRecordedGpsTick(tick)) return 0;
    return WriteDataRecordsLocked(bytes, n);
}

}  // namespace

void SetDataFileBaseName(const char16_t* path) {
    char16_t name[kDataFolderChars + 1];
    Text16 n{name, std::size(name)};
    name[0] = 0;
    for (const char16_t* p = path + PathNameStart(path); *p != 0 && *p != u'.'; ++p) {
        if (!n.Append(*p)) break;
    }
    WideToNarrow(name, DataFileState.DataFileBaseName, sizeof DataFileState.DataFileBaseName);
}

void InitConsoleRecordTags() {
    DataFileState.ConsoleRecordTag = kConsoleRecordTags;
}

void MakeDefaultDataFileName(char16_t* name, size_t capacity) {
    if (name == nullptr || capacity == 0) return;
    plat::CreateFolder(ProgramSettings.DataFolder);  // last component only; a failure is not reported
    plat::SetCurrentFolder(ProgramSettings.DataFolder);

    const plat::LocalTime t = plat::GetLocalTime();
    char year[16];
    std::snprintf(year, sizeof year, "%04d", t.Year);
    char prefix[40];  // "YYMMDD_"
    std::snprintf(prefix, sizeof prefix, "%.2s%02d%02d_", year + 2, t.Month, t.Day);

    const char* upperExt = SystemSetup.ConsoleCount < 1 ? "PXY" : "OSD";
    char base[64] = "";
    for (int n = 0; n < kDefaultNameCount; ++n) {
        std::snprintf(base, sizeof base, "%s%03d", prefix, n);
        if (!DefaultNameTaken(ProgramSettings.DataFolder, base, upperExt)) break;
        if (n == kDefaultNameCount - 1) {
            // Every number is taken: propose the last one with its extension.
            std::snprintf(base, sizeof base, "%s%03d.%s", prefix, n, SystemSetup.ConsoleCount < 1 ? "pxy" : "osd");
        }
    }
    Text16 out{name, capacity};
    name[0] = 0;
    out.AppendAscii(base);
}

int CreateDataFile(int ownerWindow) {
    char16_t file[kDataFolderChars + 1];
    MakeDefaultDataFileName(file, std::size(file));
    const bool noConsoles = SystemSetup.ConsoleCount < 1;
    if (!plat::ChooseSaveFile(ownerWindow, noConsoles ? u"Ostrima PXY Files (*.PXY)" : u"Ostrima Files (*.OSD)",
                              noConsoles ? u"*.PXY" : u"*.OSD", ProgramSettings.DataFolder, u"Create Data File",
                              u"OSD", file, std::size(file))) {
        return -1;
    }
    SetDataFileBaseName(file);

    int result = 0;
    FlushBeforeTheLock();
    {
        std::lock_guard<std::mutex> guard(DataFileState.DataFileLock);
        CloseDataFileLocked();
        static_assert(sizeof DataFileState.DataFilePath == sizeof file);
        std::memcpy(DataFileState.DataFilePath, file, sizeof file);
        DataFileState.WriteError = 0;
        DataFileState.WriteErrorShown = 0;
        DataFileState.RescuePending = 0;
        ForgetKeptRescueFile();
        DataFileState.EndRefused = 0;
        ForgetHeldRecordsLocked();
        // Creating exclusively first tells new from existing in one step.
        plat::FileHandle h = OpenDataFileLocked(plat::FileOpen::CreateNewReadWrite);
        if (h == plat::kInvalidFile) {
            h = OpenDataFileLocked(plat::FileOpen::ExistingReadWrite);
            result = 1;
        }
        if (h == plat::kInvalidFile) return -1;
        DataFileState.DataFileHandle = h;
        DataFileState.WrittenSize = plat::FileSize(h);
        DataFileState.UnseenLooks = 0;
        DataFileState.OpenedExisting = result == 1 ? 1 : 0;
        if (result == 1) {
            // A file shorter than 6 bytes stays "ours"; the append check refuses it.
            char head[6];
            if (plat::ReadFileAt(h, head, sizeof head, 0) == static_cast<int64_t>(sizeof head) &&
                std::memcmp(head, "OSTRMA", sizeof head) != 0) {
                result = -1;  // foreign: left open and unchanged for the caller to reject
            }
        }
    }
    SetDataFolderFromPath(file);

    if (result == 0) {
        if (WriteSectionAndReopen(0) != 1) {
            CloseDataFile();
            return -1;
        }
        LogScreenState.LoggingState = kStateStandBy;
    }
    return result;
}

int WriteDataRecords(const char* bytes, size_t n) {
    std::lock_guard<std::mutex> guard(DataFileState.DataFileLock);
    return WriteDataRecordsLocked(bytes, n);
}

int WriteDataFileHeader(int appended) {
    HeaderRecords records;
    FormatHeaderRecords(records, appended);
    return WriteDataRecords(records.data(), records.size());
}

int WriteSessionRecords() {
    SessionRecords records;
    FormatSessionRecords(records, plat::GetLocalTime());
    return WriteDataRecords(records.data(), records.size());
}

int WriteTimeMarkRecord() {
    const uint32_t tick = plat::GetTickCount();  // the tick first, then the clock
    const plat::LocalTime t = plat::GetLocalTime();
    DataRecord record;
    FormatTimeMarkRecord(record, t, tick);
    return WriteDataRecords(record.data(), record.size());
}

int WriteStationRecord() {
    DataRecord record;
    FormatStationRecord(record, SurveyParameters.CurrentStation, plat::GetLocalTime());
    return WriteDataRecords(record.data(), record.size());
}

int WriteEventRecord(const char16_t* text, char code) {
    DataRecord record;
    FormatEventRecordAt(record, text, code, plat::GetTickCount());
    return WriteDataRecords(record.data(), record.size());
}

bool IsRecordedGpsTick(uint32_t tick) {
    // Nothing goes in before "$STARTED": while Go settles, the start tick is
    // still the last Go's (or 0), which would let a sentence through.
    if (DataFileState.RecordStarting.load() == 1) return false;
    // Older than the Go: compared across the tick's wrap. A start tick of 0
    // holds nothing back, whatever the tick.
    const uint32_t start = DataFileState.RecordStartTick.load();
    return start == 0 || plat::TickDiff(start, tick) >= 0;
}

int WriteGpsSentenceRecords(const char* sentence, uint32_t tick, char first, char continuation) {
    if (!IsRecordedGpsTick(tick)) return 0;
    char records[kGpsGroupBytes];
    const size_t n = FormatGpsSentenceRecords(records, sentence, tick, first, continuation);
    return WriteDataRecords(records, n);
}

int WriteGpsSentenceRecordsWhileLogging(const char* sentence, uint32_t tick, char first, char continuation) {
    char records[kGpsGroupBytes];
    const size_t n = FormatGpsSentenceRecords(records, sentence, tick, first, continuation);
    return WriteRecordedDataRecords(records, n, tick);
}

int WriteEventRecordWhileLogging(const char16_t* text, char code) {
    const uint32_t tick = plat::GetTickCount();
    DataRecord record;
    FormatEventRecordAt(record, text, code, tick);
    return WriteRecordedDataRecords(record.data(), record.size(), tick);
}

int WriteSectionAndReopen(int appended) {
    const bool written = WriteDataFileHeader(appended) == 1 && WriteSessionRecords() == 1 && WriteTimeMarkRecord() == 1;
    if (!written) {
        CloseDataFile();
        return 0;
    }
    // The settings are saved while the file is still open: the reopening
    // below must find the name still naming it.
    TellSettingsResult(ScreenWindows.LogScreenWindow, LoadSaveSettings(1));
    return ReopenDataFile();
}

void CloseDataFile() {
    CopyIntoRescueFile();  // an owed rescue copy first: the records go into the new file, which is closed
    SettleDataFileBeforeClose();
    CloseKeptRescueFile();  // what fitted of records no folder had room for stays where it went
    FlushBeforeTheLock();
    std::lock_guard<std::mutex> guard(DataFileState.DataFileLock);
    CloseDataFileLocked();
}

namespace {

// `open` closed and `h`, a descriptor on the same file just opened by its
// name, put in its place at the file's end. 1 done; 0 the file could not be
// taken again (handle invalid, error kept).
int TakeReopenedFile(plat::FileHandle open, plat::FileHandle h) {
    std::lock_guard<std::mutex> guard(DataFileState.DataFileLock);
    DataFileState.DataFileHandle = plat::kInvalidFile;
    // Closing gives up the file's lock for the new descriptor to take.
    FlushTailAndCloseLocked(open);
    if (!plat::LockFileExclusive(h)) {
        plat::CloseFile(h);
        DataFileState.WriteError.fetch_or(kDataFileReopenFailed);
        return 0;
    }
    plat::SeekFile(h, 0, plat::SeekFrom::End);
    DataFileState.DataFileHandle = h;
    return 1;
}

}  // namespace

int ReopenDataFile(bool copyLater) {
    CopyIntoRescueFile();  // an owed rescue copy first: it reads the open file until it is taken
    // The window thread alone changes the handle and the path: they are read
    // without the lock, which is held only for the swap.
    const plat::FileHandle open = DataFileState.DataFileHandle;
    if (open == plat::kInvalidFile) {
        std::lock_guard<std::mutex> guard(DataFileState.DataFileLock);
        return OpenExistingAtEndLocked();
    }
    FlushBeforeTheLock();
    // The name is opened beside the open file and kept only when it is that
    // same file: whatever took the name's place is closed unwritten, and the
    // open file's records are saved under a new name instead. Writes made
    // meanwhile go to the open file, whose descriptor is swapped only under
    // the lock, so each lands wholly before or after.
    const plat::FileHandle h = plat::OpenFile(DataFileState.DataFilePath, plat::FileOpen::ExistingReadWrite,
                                              /*append=*/true, /*exclusive=*/false);
    if (IsSameFile(open, h)) return TakeReopenedFile(open, h);
    if (h != plat::kInvalidFile) plat::CloseFile(h);
    const DataFileNameState lost = LookAtDataFileName(open, DataFileState.DataFilePath);
    // A name that cannot be looked at now may be back in a moment: the
    // open file, flushed, goes on; the looks each second tell it if it lasts.
    if (lost == DataFileNameState::Unseen) return 1;
    if (lost == DataFileNameState::Named) {
        // Still named but not to be opened (its rights changed): as
        // before, the file is closed and the operator told.
        CloseDataFile();
        DataFileState.WriteError.fetch_or(kDataFileReopenFailed);
        return 0;
    }
    // Copied without holding the lock over the whole copy.
    if (copyLater) {
        MakeRescueFile(lost);
    } else {
        RescueDataFile(lost);
    }
    return DataFileState.DataFileHandle != plat::kInvalidFile ? 1 : 0;
}

int32_t TakeDataFileWriteError() {
    const int32_t error = DataFileState.WriteError.exchange(0);
    DataFileState.WriteErrorShown.fetch_or(error);
    return error;
}
