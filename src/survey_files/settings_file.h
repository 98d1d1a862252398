// The settings file: 79 CR LF lines of 8-bit text, one value per line in a
// fixed order, "2.16" first. Saved through a temporary file renamed over the
// old one, so a failed save never leaves a half-written file.
#pragma once

#include "platform/files.h"

// The fixed path of the settings file (mapped by the platform layer).
inline constexpr const char16_t* kSettingsFilePath = u"C:\\ProgramData\\Brevant\\Ostrima\\OSTRMAWIN.INI";
// Written whole, then renamed over the settings file.
inline constexpr const char16_t* kSettingsTempPath = u"C:\\ProgramData\\Brevant\\Ostrima\\OSTRMAWIN.INI.tmp";
inline constexpr const char* kSettingsVersion = "2.16";

// save 0: load. A file of this version is read into the records (each value
// checked; a bad or missing one takes its built-in default). A missing file,
// or one of another version, is written afresh from the values in memory. A
// file that exists but cannot be read is left alone and memory is unchanged;
// so is anything that is not a settings file: not a regular file (a folder,
// a FIFO, a link to a device), over 1 MiB, or with a line longer than the
// save writes. Nothing here waits on a FIFO or reads a device.
// save 1: write every record to the file. A regular file in its place is
// replaced whatever it holds; anything else there is left alone and nothing
// is written.
// The folder is never created: without it nothing is read or written.
// Returns false when the file could not be read or written; the values in
// memory are usable either way.
bool LoadSaveSettings(int save);

// Lines 2..79 from a file positioned after line 1, deriving values as it goes.
void ReadSettingsFile(plat::FileHandle file);
// Lines 2..79; false when any write failed.
bool WriteSettingsFile(plat::FileHandle file);
