// The survey data file: default name, creation, and the writers of its records.
//
// Every record or record group reaches the file through WriteDataRecords: one
// write under DataFileState.DataFileLock, at the end of the file (the file is
// opened for appending, so positional readers never move where records land).
// A failed or short write is cut back to the last whole record and leaves an
// error for the window thread to tell the operator; every failure after the
// last report is reported again, so a disk that stays full is never silent. The window thread
// alone opens, closes and reopens the file; the GPS reader thread writes its
// sentence groups and its connection-break event through the same lock.
#pragma once
#include <cstddef>
#include <cstdint>

// Error bits gathered in DataFileState.WriteError until they are reported.
constexpr int32_t kDataFileWriteFailed = 1;   // a write failed or was short; the file was cut back
constexpr int32_t kDataFileReopenFailed = 2;  // the file could not be opened again; nothing more is written
constexpr int32_t kDataFileNameLost = 4;      // the name stopped naming the open file; its records went to a new file
constexpr int32_t kDataFileRescueFailed = 8;  // the same, but no new file could be made yet; the open file is kept
constexpr int32_t kDataFileFlushFailed = 16;  // putting the file on the disk (flush or close) failed;
                                              //   DataFileState.FlushError says why
constexpr int32_t kDataFileShortened = 32;    // another program made the file shorter than what was written
constexpr int32_t kDataFileNameUnseen = 64;   // the name could not be looked at for a while
constexpr int32_t kDataFileNameLostFound = 128;  // the name is lost, its rescue left to the pause (not told itself)
constexpr int32_t kDataFileShortenedFound = 256;  // found shorter, its size watched until it holds still: the
                                                  //   program's own pause while logging (not told itself)
constexpr int32_t kDataFileNotTold = kDataFileNameLostFound | kDataFileShortenedFound;

// Fills DataFileState.ConsoleRecordTag with the tag bytes of consoles 1 to 9.
void InitConsoleRecordTags();

// Proposes the name of a new data file, "YYMMDD_nnn" (no extension), the first
// number with no .osd file (.pxy without consoles; the extension in any case)
// in the data folder; "YYMMDD_999.osd" when all are taken. Creates the data folder's last
// component when it is missing and makes it the current folder. Creates no file.
void MakeDefaultDataFileName(char16_t* name, size_t capacity);

// DataFileState.DataFileBaseName := the name in `path` after its folder, up to
// its first '.', narrowed.
void SetDataFileBaseName(const char16_t* path);

// Runs the "Create Data File" chooser and opens the chosen file.
// 0: a new file, its header written, open at its end, Stand By.
// 1: an existing file of this program, open and unchanged, for the append check.
// -1: cancelled, could not be opened or written, or a foreign file (then open
//     and unchanged, for the caller to reject and close).
// The caller tests DataFileState.DataFileHandle first: invalid means no file is open.
int CreateDataFile(int ownerWindow);

// Header records 1 to 6 in one write; record 1 "OSTRMA  W" when appended is 0,
// else "rSTRMA  W". The writers below return 1 written, 0 no file open, -1 failed.
int WriteDataFileHeader(int appended);
// Line records L, B, A, Z from SurveyParameters and one reading of the local clock, in one write.
int WriteSessionRecords();
// "*": the tick, then the local time.
int WriteTimeMarkRecord();
// "S" with SurveyParameters.CurrentStation and the local time.
int WriteStationRecord();
// "X" event or "C" comment with the text's first 11 characters and the tick now.
int WriteEventRecord(const char16_t* text, char code);
// Whether a GPS sentence stamped at `tick` may go into the data file: not
// older than the start of recording (DataFileState.RecordStartTick, compared
// across the tick's wrap; a start tick of 0, before the first Go has taken
// it, holds nothing back), and not while Go settles before "$STARTED"
// (DataFileState.RecordStarting). The GPS handler judges its fixes by the
// same rule.
bool IsRecordedGpsTick(uint32_t tick);
// A GPS sentence as one "X" record (first == 'X') or as a group with its "!"
// record, in one write. Nothing for a sentence IsRecordedGpsTick refuses.
int WriteGpsSentenceRecords(const char* sentence, uint32_t tick, char first, char continuation);

// The writers of the threads that are not the window thread (the GPS reader,
// the GPS simulator): as WriteGpsSentenceRecords and WriteEventRecord, but
// only while logging (LogScreenState.LoggingState 1) and for a tick
// IsRecordedGpsTick lets through, both judged under the lock the write is
// made in. Go and Pause change the state before they write "$STARTED" or
// "PAUSED", so nothing lands before the one or after the other.
int WriteGpsSentenceRecordsWhileLogging(const char* sentence, uint32_t tick, char first, char continuation);
int WriteEventRecordWhileLogging(const char16_t* text, char code);

// Writes `n` bytes (whole records) at the end of the open data file in one
// write under the lock. 1 written, or held while a file found shorter is
// still being written by another program (data_file_shortened.h); 0 no file
// open, or one made shorter whose end no record may follow
// (DataFileState.EndRefused): nothing written; -1 failed: the file is cut
// back to its size before the write and the error is kept.
int WriteDataRecords(const char* bytes, size_t n);
// The write itself, the lock held and the size already looked at.
int AppendDataRecordsLocked(const char* bytes, size_t n);

// Writes a section start (header with `appended`, line records, time mark),
// then closes the file, saves the settings and opens the file again at its
// end. 1 done; 0 a write or the reopening failed (the error is kept; the
// handle is invalid when the file could not be opened again).
int WriteSectionAndReopen(int appended);

// Flushes and closes the data file; the handle becomes invalid. An owed
// rescue copy is taken first: the new file is the one closed; and a file
// found shorter is given a moment to hold still and be judged. The flush of
// the whole file comes before the lock; under it only the flush of what was
// written since, and the close.
void CloseDataFile();
// Flushes the open file, opens DataFileState.DataFilePath again beside it,
// and, in one short hold of the lock, flushes what was written since, closes
// the old descriptor and puts the new one in its place at the end, so a
// concurrent write lands wholly before or after. The name is
// kept only while it still names the open file; otherwise the open file is
// saved whole under a new name and goes on as the data file (see
// data_file_rescue.h); with `copyLater` the new file is made and the copy
// into it started, not waited for (MakeRescueFile). An owed copy is taken
// first. 1 open; 0 the file could not be opened again (handle invalid, error
// kept).
int ReopenDataFile(bool copyLater = false);

// The error bits of the failures since the last call (0 when none), taken
// for the operator to be told; DataFileState.WriteErrorShown keeps every bit
// reported for this data file.
int32_t TakeDataFileWriteError();
