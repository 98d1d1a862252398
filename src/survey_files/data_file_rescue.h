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
    Moved,        // the name names nothing, the file lives on under another name
    FolderGone,   // the name's folder is gone
};

// Compares the open file `open` with the file `path` names.
DataFileNameState LookAtDataFileName(plat::FileHandle open, const char16_t* path);

// With DataFileState.DataFileLock held, after the name was found lost as
// `what`: copies the whole open file into a new file next to the lost name
// (where its folder is gone or refuses, in the default data folder, else in
// the temporary folder), closes the old descriptor and makes the new file the
// data file (DataFilePath, DataFileBaseName). 1 saved (error bit
// kDataFileNameLost); 0 no new file could be made: the open file stays the
// data file (its records are reachable only through it until the next look
// saves them), RescuePending is set and kDataFileRescueFailed is raised once.
int RescueDataFileLocked(DataFileNameState what);

// The window thread's look at the open data file's name; rescues it when the
// name is lost. 1 when the name had been lost (rescued or pending), 0 when all is well.
int WatchDataFileName();

// The operator's text for the error bits kDataFileNameLost and
// kDataFileRescueFailed: what became of which file and where its records
// are, lines ending in CR LF. Nothing when neither bit is in `error`.
void DescribeDataFileNameLoss(int32_t error, Text16& out);
