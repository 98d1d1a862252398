// The settings file: 79 CR LF lines of 8-bit text, one value per line in a
// fixed order, "2.16" first. Saved through a temporary file renamed over the
// old one, so a failed save never leaves a half-written file.
#pragma once

#include "platform/files.h"
#include "platform/window.h"

// The fixed path of the settings file (mapped by the platform layer).
inline constexpr const char16_t* kSettingsFilePath = u"C:\\ProgramData\\Brevant\\Ostrima\\OSTRMAWIN.INI";
// A save is written whole to the file's name followed by this, beside the
// file, then renamed over it.
inline constexpr const char16_t* kSettingsTempSuffix = u".tmp";
inline constexpr const char* kSettingsVersion = "2.16";

// What a load or a save did. A failure is 0, so a result reads as a truth value.
enum SettingsResult : int {
    kSettingsFailed = 0,     // not read (memory unchanged, the file left alone) or not saved (the old file kept)
    kSettingsDone = 1,       // read, written afresh where there was none, or saved
    kSettingsKeptAside = 2,  // a file not understood was renamed aside and the values in memory were
                             // written in its place (or could not be: the reason is kept for the message)
};

// save 0: load. A file of this version is read into the records (each value
// checked; a bad or missing one takes its built-in default). What an editor
// adds or drops is read as the same file: a UTF-8 byte order mark, LF line
// ends, blanks, tabs or a stray CR after a number or the version, no line end
// after the last line. A missing or empty file is written afresh from the
// values in memory. A file that is
// still not understood (another version, over 1 MiB, a line longer than the
// save writes) is renamed aside first, next to it, to the first free name of
// the file's own name followed by ".1", ".2" and so on, so nothing is
// overwritten; then the values in memory are written in its place (one that
// cannot be renamed is left as it is, the reason kept for the message). A file
// that exists but cannot be read is left alone and memory is unchanged; so
// is anything that is not a regular file (a folder, a FIFO, a link to a
// device). Nothing here waits on a FIFO or reads a device.
// save 1: write every record to the file. A regular file in its place is
// replaced whatever it holds; anything else there is left alone and nothing
// is written. A link to a file is followed: its target is replaced the same
// safe way (temporary file beside it, renamed over it) and the link stays; a
// link to a file not made yet is followed the same way and the file made
// where it leads. The file keeps its permissions across a save. No folder is
// ever created: without it nothing is read or written, and a link into a
// missing folder stays as it is.
// The values in memory are usable whatever the result.
int LoadSaveSettings(int save);

// Reads the settings file into the records as a load does, but only a file
// this program understands, and writes, renames or makes nothing: for a tool
// that must not change the operator's file. False when nothing was read.
bool ReadSettingsWithoutWriting();

// Tells the operator in one "WARNING" box owned by `owner` what the result of
// the LoadSaveSettings just made means for them: a failed save, and why; a
// file that was not understood, and the name it is now kept under, or why it
// could not be kept aside; a link to a file that could not be made where it
// leads, and why. A load's trouble is told once: the same again at the next
// load is not. Nothing for the other results: a load that could not read the
// file leaves it as it is and the values in memory stand. Returns `result`.
int TellSettingsResult(plat::Hwnd owner, int result);

// Lines 2..79 from a file positioned after line 1, deriving values as it goes.
void ReadSettingsFile(plat::FileHandle file);
// Lines 2..79; false when any write failed.
bool WriteSettingsFile(plat::FileHandle file);
