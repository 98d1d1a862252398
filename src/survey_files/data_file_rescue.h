// The data file's name, watched while the file is open.
//
// Sync tools and many editors replace a file by renaming a copy over it, and
// an operator may delete the file or its whole folder while logging. The
// program goes on writing into the file it opened, which then no name
// reaches: everything written since is lost when the file is closed, and a
// reopening by name would append to whatever took the name's place. So the
// window thread looks once a second (one fstat and one stat, nothing per
// record) and before every reopening; when the name no longer names the open
// file, the open file's whole content (read back through the descriptor
// still open) is saved into a new file that overwrites nothing, and that new
// file goes on as the data file. The whole file, not a tail: the moment of
// the rename cannot be known (a copy may have been taken long before), and
// the new file is then a complete data file the append check, the scan and
// the replay accept.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/files.h"
#include "survey_files/text_helpers.h"

// What the name stands for beside the open file.
enum class DataFileNameState : int32_t {
    Named = 0,    // the name still names the open file (or nothing is open)
    Replaced,     // another file has the name (a copy renamed over it)
    Deleted,      // the file has no name left and the name names nothing
    Moved,        // the name names nothing, the file lives on under another name (its folder's too)
    FolderGone,   // the name's folder is gone, and the file with it
    Unseen,       // the name could not be looked at (permission, I/O error, a stale share): maybe a
                  //   moment's glitch, so nothing is lost yet; looked at again the next second
};

// Compares the open file `open` with the file `path` names. For Unseen, the
// system's reason goes to `error` when given.
DataFileNameState LookAtDataFileName(plat::FileHandle open, const char16_t* path, int* error = nullptr);

// After the name was found lost as `what` (the window thread; the data file
// lock not held): copies the whole open file into a new file next to the lost
// name (where its folder is gone or refuses, in the default data folder, else
// in the temporary folder), closes the old descriptor and makes the new file
// the data file (DataFilePath, DataFileBaseName). The copy runs on a thread
// of its own, without the lock, and is flushed there; the window thread waits
// for it serving the readers' hand-overs and moving the busy indicator once
// it takes more than a moment; only the tail written since, its flush and the
// change of file are made under the lock, so a record written meanwhile is
// copied too. 1 saved (error bit kDataFileNameLost); 0 no new file could be
// made: the open file stays the data file (its records are reachable only
// through it until the next look saves them), RescuePending is set and
// kDataFileRescueFailed is raised once.
int RescueDataFile(DataFileNameState what);

// The same rescue in two steps, for the operator to be told where the records
// go at once: MakeRescueFile creates the new file (exclusively, where
// RescueDataFile would), starts the copy into it and raises
// kDataFileNameLost, the copy owed (RescueCopyOwed; told as "copied into" the
// new file); 0 as RescueDataFile's. The copy needs no window: it goes on while
// a box waits for the operator and while the screen is used; records written
// meanwhile go into the open file and are copied with the tail.
// RescueCopyEnded tells when the copy thread has ended (nothing waits then).
// CopyIntoRescueFile waits for the copy and changes the file as RescueDataFile
// does: 1 saved, into the file made (nothing raised: the operator knows) or,
// that copy having failed and the file made removed, into one in a later
// folder (kDataFileNameLost raised again: the path told is not where they
// are); 0 as RescueDataFile's. Every close and reopen of the data file takes
// an owed copy first.
int MakeRescueFile(DataFileNameState what);
bool RescueCopyOwed();
bool RescueCopyEnded();
int CopyIntoRescueFile();

// Waits for a copy thread without taking its work (the test reset, before it
// closes the files): the thread never sends, so nothing needs serving.
void EndRescueCopyThread();

// What the window thread does while it waits for a copy that has taken more
// than a moment (the logging screen's busy indicator); none by default.
void SetLongCopyStep(void (*step)());

// What the once-a-second look does when it finds the name lost.
enum class NameLossAction {
    Rescue,      // copy into a new file now, an owed copy waited for and taken (the last look before a close)
    Background,  // make the new file and start the copy (MakeRescueFile); an owed copy is taken only once
                 //   it has ended: nothing waits
    LeaveToPause // only raise kDataFileNameLostFound: while logging the pause comes first ("PAUSED" in
                 //   the file copied, nothing arriving during the copy expected in it); its
                 //   reopening makes the new file and starts the copy, which runs while the box tells it
};

// The open file's size against what the program wrote into it, the data
// file lock held: a file another program made shorter is told as
// kDataFileShortened, what is gone is not made up (the file is opened for
// appending: later records land at its new end, never after a gap of
// zeros), and its end is made whole before anything more goes in: a torn
// write cut away, an end no record may follow refusing every later write
// (DataFileState.EndRefused). Every write asks it first (one fstat), so no
// record lands after a partial one between two looks.
void LookAtDataFileSizeLocked();

// The window thread's look at the open data file, once an owed copy is
// taken (as `action` says): its name (rescued when it is lost, as `action`
// says), its size against what the program wrote into it (as
// LookAtDataFileSizeLocked), and a name that cannot be looked at for
// kUnseenLooksTold looks in a row (told once as kDataFileNameUnseen). 1 when the name had been lost
// (rescued, pending or left to the pause), 0 otherwise.
constexpr int kUnseenLooksTold = 10;
int WatchDataFileName(NameLossAction action = NameLossAction::Rescue);

// The operator's text for the error bits kDataFileNameLost,
// kDataFileRescueFailed, kDataFileShortened and kDataFileNameUnseen: what
// became of which file and where its records are, lines ending in CR LF.
// Nothing when none of them is in `error`.
void DescribeDataFileNameLoss(int32_t error, Text16& out);

// While a rescue is pending: which records have no file yet and the folders
// where one could be made, lines ending in CR LF.
void DescribePendingRescue(Text16& out);
