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
// copied too. 1 saved (error bit kDataFileNameLost); 0 no file holds them
// all: the open file stays the data file (its records are reachable only
// through it until a later look saves them), RescuePending is set and
// kDataFileRescueFailed is raised once.
//
// A copy that runs out of room keeps what it copied, cut back to whole
// records (the kept file, KeptRescuePath), and the later folders are tried
// only where the disk tells room for the whole file. While the kept file
// waits, each look copies on into it from where it stopped, or begins a new
// file where a disk tells room for everything; nothing is told until a file
// holds everything (kDataFileNameLost), and nothing is written twice.
int RescueDataFile(DataFileNameState what);

// The same rescue in two steps, for the operator to be told where the records
// go at once: MakeRescueFile creates the new file (exclusively, where
// RescueDataFile would), starts the copy into it and raises
// kDataFileNameLost, the copy owed (RescueCopyOwed; told as "copied into" the
// new file); while a kept file waits for room it starts that look's retry
// instead, and raises nothing; 0 as RescueDataFile's. The copy needs no
// window: it goes on while a box waits for the operator and while the screen
// is used; records written meanwhile go into the open file and are copied
// with the tail. RescueCopyEnded tells when the copy thread has ended
// (nothing waits then). CopyIntoRescueFile waits for the copy and changes the
// file as RescueDataFile does: 1 saved, into the file made (nothing raised:
// the operator knows) or elsewhere, or after a wait for room
// (kDataFileNameLost raised again: the operator was not told that file); 0 as
// RescueDataFile's, kDataFileRescueFailed raised again when a box had said
// the records go into a file. Every close and reopen of the data file takes
// an owed copy first.
int MakeRescueFile(DataFileNameState what);
bool RescueCopyOwed();
bool RescueCopyEnded();
int CopyIntoRescueFile();

// True while the records wait for room with a kept file holding the first of them.
bool RescueWaitsForRoom();
// The data file about to be closed with the records still waiting: the kept
// file is closed where it is and stays, its name and share kept for what is
// told. ForgetKeptRescueFile forgets it (a new data file chosen).
void CloseKeptRescueFile();
void ForgetKeptRescueFile();

// Waits for a copy thread without taking its work (the test reset, before it
// closes the files): the thread never sends, so nothing needs serving.
void EndRescueCopyThread();

// What the window thread does while it waits for a copy that has taken more
// than a moment (the logging screen's busy indicator); none by default.
void SetLongCopyStep(void (*step)());
// Window thread: serves the readers' hand-overs (and, after a moment, moves
// the busy indicator) until `done` says so (null: never) or for about
// `limitMs` of waiting, counted in the waits themselves.
void WaitServingReaders(bool (*done)(), uint32_t limitMs);

// What the once-a-second look does when it finds the name lost.
enum class NameLossAction {
    Rescue,      // copy into a new file now, an owed copy waited for and taken (the last look before a close)
    Background,  // make the new file and start the copy (MakeRescueFile); an owed copy is taken only once
                 //   it has ended: nothing waits
    LeaveToPause // only raise kDataFileNameLostFound: while logging the pause comes first ("PAUSED" in
                 //   the file copied, nothing arriving during the copy expected in it); its
                 //   reopening makes the new file and starts the copy, which runs while the box tells it
};

// The window thread's look at the open data file, once an owed copy is
// taken (as `action` says): its name (rescued when it is lost, as `action`
// says), its size against what the program wrote into it (as
// LookAtDataFileSizeLocked in data_file_shortened.h), and a name that cannot
// be looked at for kUnseenLooksTold looks in a row (told once as
// kDataFileNameUnseen). 1 when the name had been lost (rescued, pending or
// left to the pause), 0 otherwise.
constexpr int kUnseenLooksTold = 10;
int WatchDataFileName(NameLossAction action = NameLossAction::Rescue);

// The operator's text for the error bits kDataFileNameLost,
// kDataFileRescueFailed, kDataFileShortened and kDataFileNameUnseen: what
// became of which file and where its records are, lines ending in CR LF.
// Nothing when none of them is in `error`.
void DescribeDataFileNameLoss(int32_t error, Text16& out);

// While a rescue is pending: which records have no file yet (what a kept
// file holds of them) and the folders where one could be made, lines ending
// in CR LF.
void DescribePendingRescue(Text16& out);

// A path as it lies on the disk, for the operator.
void AppendOnDiskPath(Text16& out, const char16_t* path);
