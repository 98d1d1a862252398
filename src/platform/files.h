// Files and folders on POSIX descriptors, named by 16-bit paths.
//
// Paths the program writes in the desktop convention are mapped here:
//   "C:\ProgramData\Brevant\Ostrima\..." -> $XDG_CONFIG_HOME/Brevant/Ostrima/...
//   "C:\ProgramData\Brevant\Temp\..."    -> $XDG_CACHE_HOME/Brevant/Temp/...
//   any other drive root "X:\..."       -> $HOME/...
// Backslashes become slashes; every other path is the operator's own. Paths
// are UTF-16 in the program and UTF-8 on disk.
#pragma once
#include <cstddef>
#include <cstdint>

namespace plat {

using FileHandle = int;
constexpr FileHandle kInvalidFile = -1;

enum class FileOpen {
    ExistingReadOnly,      // fails when missing
    ExistingReadWrite,     // fails when missing
    CreateNewReadWrite,    // fails when the file exists (atomic new-or-existing test)
    OpenOrCreateReadWrite, // opens an existing file or creates an empty one
    CreateTruncateWrite,   // creates or empties, write only
};

// Only a regular file opens (also through a link): a folder, a FIFO, a device
// or a socket of that name is refused at once, without waiting for a writer
// or reader at the other end and without opening the device at all.
// `append`: every write lands at the end of the file whatever the position, so
// positional reads on the same descriptor never disturb the writers.
// `exclusive`: no other process may hold the file (advisory lock, not shared).
FileHandle OpenFile(const char16_t* path, FileOpen how, bool append = false, bool exclusive = false);
bool CloseFile(FileHandle h);

// Writes all `n` bytes unless the system refuses; returns the bytes that went
// out (less than n on a failed or short write, -1 when nothing could be written).
int64_t WriteFile(FileHandle h, const void* data, size_t n);
// Sequential read from the current position; 0 at end of file, -1 on error.
int64_t ReadFile(FileHandle h, void* data, size_t n);
// Positional read; never moves the position.
int64_t ReadFileAt(FileHandle h, void* data, size_t n, int64_t offset);

enum class SeekFrom { Start, Current, End };
int64_t SeekFile(FileHandle h, int64_t offset, SeekFrom from);  // new position or -1
int64_t FileSize(FileHandle h);                                   // -1 on error
bool TruncateFile(FileHandle h, int64_t length);
bool FlushFile(FileHandle h);                                     // to the disk

// Which file a descriptor or a name stands for: the device and inode that
// tell one file from another, and how many names (hard links) it has; a file
// deleted while open has none.
struct FileIdentity {
    uint64_t Device = 0;
    uint64_t Inode = 0;
    uint64_t Links = 0;
};
bool IdentifyOpenFile(FileHandle h, FileIdentity* out);          // false on a bad handle
bool IdentifyNamedFile(const char16_t* path, FileIdentity* out); // false when the name names nothing
                                                                 //   or cannot be looked at (LastFileError)
// True when a failed look at a name means the name names nothing ("no such
// file", or a part of its folder is not a folder); false for every other
// reason (permission, an I/O error, a stale network handle), which may pass.
bool IsNoSuchFileError(int error);
// Takes the advisory lock of an open file, not shared, without waiting.
bool LockFileExclusive(FileHandle h);

bool FileExists(const char16_t* path);        // a regular file (or anything) of that name

// What a name stands for, through links. Missing: nothing (or a link to
// nothing), so a file may be made there. Other: a folder, FIFO, device or
// socket, or a name that cannot be looked at.
enum class PathKind { Missing, RegularFile, Other };
PathKind KindOfPath(const char16_t* path);
bool DeleteFile(const char16_t* path);
bool RenameFile(const char16_t* from, const char16_t* to);  // replaces `to` atomically

bool FolderExists(const char16_t* path);
bool CreateFolder(const char16_t* path);      // the last component only; true if it exists
bool SetCurrentFolder(const char16_t* path);
// The current folder with a trailing separator; false when it does not fit.
bool GetCurrentFolder(char16_t* out, size_t capacity);

// Separator test that accepts both conventions, for code that splits paths.
constexpr bool IsPathSeparator(char16_t c) { return c == u'/' || c == u'\\'; }

// The desktop path in the on-disk form, UTF-8; false when it does not fit.
bool MapPath(const char16_t* path, char* out, size_t capacity);

// Creates the settings and temporary folders as an installer would have.
bool PrepareProgramFolders();

// The full on-disk path that `path` leads to once every link is followed, in
// the 16-bit form the calls here take, so a file reached through a link can
// be replaced where it lies and the link kept. A link to a name where nothing
// is yet leads to that name, so the file can be made there through the link
// (where that name's folder is missing too, making it fails and says so).
// False when there is nothing at `path` at all, for a loop, or when the
// result does not fit.
bool FollowLinks(const char16_t* path, char16_t* out, size_t capacity);
// Gives the open file `to` the permission bits of the file `from` names
// (through links), so a file written afresh in place of another keeps who may
// read and write it. True too when nothing is at `from`: nothing to keep.
bool CopyPermissions(const char16_t* from, FileHandle to);
// Like RenameFile, but never replaces: false when `to` exists.
bool RenameFileNoReplace(const char16_t* from, const char16_t* to);

// The system's reason for the last file call on this thread that failed (0
// when none is known). Read it at once, before another call changes it.
int LastFileError();
// Such a reason in plain words, to end an operator's sentence: "the disk is
// full", "writing there is not permitted".
const char* FileErrorWords(int error);
// True when such a reason is want of room (the disk full, a quota used up,
// the file too large for the disk): what went out before it is good.
bool IsNoRoomError(int error);
// The bytes a new file in `folder` ("" for the current folder) may still
// take, as the disk tells it to an unprivileged writer; -1 when it cannot be
// told.
int64_t FreeSpaceOf(const char16_t* folder);

namespace test {

// A full-disk drill for every file the program writes through WriteFile.
// From the call on, writes may put out `bytes` more bytes in all (all files,
// all threads together); the write that reaches the limit puts out what still
// fits and stops short, and every later write puts out nothing, with errno
// ENOSPC ("no space left on device"), as a full disk does, and FreeSpaceOf
// tells no more than the bytes left to put out. 0 fails the very
// next write; a negative value ends the drill and writes go out again. Reads,
// truncation, opening and closing are not affected.
void FailFileWritesAfter(int64_t bytes);

// A write-back drill: the next `count` flushes to the disk fail with EIO ("the
// disk reported an error"), as a stick or share that fails while writing back
// reports it; the data stays written. 0 ends the drill.
void FailFileFlushes(int count);

}  // namespace test

}  // namespace plat
