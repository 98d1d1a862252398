// Walking the records of the survey data file from its first record to its
// end, for the readers of a whole file (the scan and the replay onto the map).
//
// The file is read in blocks of about 64 KiB by position: a walk never moves
// the file position, so records the GPS reader writes meanwhile still land at
// the end, and a walk costs one read call per block, not per record. The end
// is the file's length taken once, under DataFileState.DataFileLock, cut to
// whole 27-byte records: a group being written while the walk starts counts
// wholly or not at all, and a partial record left by a crash is never read.
// Records written after the walk began are not part of it.
//
// Use (window thread):
//
//     DataRecordWalk walk;
//     if (!BeginDataRecordWalk(walk)) return;        // no data file open
//     while (const char* record = NextDataRecord(walk)) {
//         // record[0..25]: the 26 columns; record[26] is a NUL (was the LF)
//     }
//     // walk.Failed: a read failed before the end (the walk stopped there)
//
// A reading record's numbers lie in columns 1-15 and its tick in 16-25: parse
// a copy cut after column 15, so that a long tick never joins the last reading.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/files.h"
#include "survey_files/survey_model.h"

constexpr size_t kDataWalkBlockRecords = 2427;  // 65529 bytes: whole records, just under 64 KiB

struct DataRecordWalk {
    plat::FileHandle File = plat::kInvalidFile;
    int64_t End = 0;          // bytes of whole records the walk covers
    int64_t NextOffset = 0;   // file offset of the next block
    size_t Filled = 0;        // bytes in Block
    size_t Next = 0;          // offset in Block of the next record
    bool Failed = false;      // a read failed or came up short before End
    std::array<char, kDataWalkBlockRecords * kDataRecordLength> Block{};
};

// Starts a walk over the open data file (DataFileState.DataFileHandle) up to
// its length now, cut to whole records. False when no data file is open or
// its length cannot be taken (the walk then yields nothing).
bool BeginDataRecordWalk(DataRecordWalk& walk);
// The same over any file and a given end (cut to whole records); for tests
// and for files the caller opened itself.
void BeginRecordWalk(DataRecordWalk& walk, plat::FileHandle file, int64_t end);

// The next record, NUL-terminated over its LF column, or nullptr at the end
// of the walk or when a read fails (walk.Failed). The record stays valid
// until the next call; it may be changed in place.
const char* NextDataRecord(DataRecordWalk& walk);

// The value of a swath coordinate record ("{a".."{p"): columns 2 to 15 as a
// decimal number, leading blanks skipped, an optional sign, digits with at
// most one point, ended by a blank or the end of the field. False when the
// field holds no such number (nothing usable: the caller must not take 0).
bool ReadSwathCoordinate(const char* record, double* value);
