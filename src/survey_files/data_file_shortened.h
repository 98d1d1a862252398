// The data file made shorter by another program while it is open.
//
// A restore or sync tool that puts an older copy back over the file opens it
// with truncation and then writes the copy out at its own pace: for a while
// the file is shorter than what the program wrote, and growing. A cut or a
// record of the program's made then lands inside the other program's
// writes, and its next write goes over it: one record half of each, which
// may pass every check. So a file found shorter is left alone until its
// size has held still. Records that come meanwhile are held in memory, in
// order, and go in right after its end is judged as an append judges it (a
// torn write cut away, an end no record may follow refusing every later
// write): none is lost, and none lands inside the other program's copy.
// While logging, the look that finds the file shorter also brings the
// program's own pause (kDataFileShortenedFound), so what is held stays small
// however long the other program takes; the box comes with the judgement,
// and what it says of the loss and of the cut holds as of then.
#pragma once
#include <cstddef>
#include <cstdint>

#include "survey_files/text_helpers.h"

// A shorter file is judged once its size has not changed for this long (two
// looks at least this far apart found the same size).
constexpr uint32_t kSizeHeldStillMs = 1000;

// The open file's size against what the program wrote into it, the data
// file lock held; every write asks it first (one fstat). Found shorter, the
// file's size is watched (kDataFileShortenedFound raised); once it has held
// still its end is judged, the held records go in after it and it is told as
// kDataFileShortened. What is gone is not made up: the file is opened for
// appending, so later records land at its new end, never after a gap.
void LookAtDataFileSizeLocked();

// While a file found shorter is not judged yet (any thread; no lock).
bool DataFileSizeUnsettled();

// Keeps `n` bytes of whole records meanwhile, the lock held, to be written
// after the judged end. 1 held; 0 no room left to hold them (counted and
// told with the judgement).
int HoldDataRecordsLocked(const char* bytes, size_t n);

// Window thread, before the data file is closed (the lock not held): a file
// whose size has not held still yet is looked at a few times more for a
// moment (the readers served meanwhile) and judged once its size holds;
// still being written after that, it is closed as it is and the held records
// are told as not written.
void SettleDataFileBeforeClose();

// Held records dropped and nothing watched (a new data file; the test
// reset), the lock held.
void ForgetHeldRecordsLocked();

// The operator's text for kDataFileShortened, lines ending in CR LF (the
// lock taken: not to be called with it held).
void DescribeShortenedDataFile(Text16& out);
