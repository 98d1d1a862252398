// Background files: positions the operator lays under the survey on the map
// (an old survey, a planned grid, a boundary). Column-delimited ASCII files
// and the GPS tracks of earlier data files are converted into temporary
// coordinate files of 30-byte records (map/background_points.h) in the temp
// folder; only those are drawn. Up to ten files are kept, in slots 0..9 of
// BackgroundFiles. Everything here runs on the window thread.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/files.h"
#include "platform/window.h"

// --- Entry points of the logging screen's commands ---

// "Enter Background Files": the whole load sequence. Refuses with a message
// when the map is not shown, when GPS input has no valid fix yet, or when ten
// files are loaded; then the load dialog, the column check, the chooser of the
// chosen kind, the temp file, the conversion and the first drawing. The file
// is kept (BackgroundFileCount grows) when the drawing accepts it.
// `afterConversion`, when given, runs between the conversion and the drawing
// (the logging screen repaints itself there).
// Returns kBackgroundKept, kBackgroundDropped (the drawing refused the file),
// kBackgroundStopped (a refusal, a cancelled dialog, an unsupported file: the
// sequence stopped before the conversion) or kBackgroundChooserCancelled.
constexpr int kBackgroundKept = 1;
constexpr int kBackgroundDropped = -1;
constexpr int kBackgroundStopped = 0;
constexpr int kBackgroundChooserCancelled = -2;
int EnterBackgroundFiles(plat::Hwnd owner, void (*afterConversion)() = nullptr);

// "Remove Background Files": "No background files to remove" when none is
// loaded, else the remove dialog; the chosen files' temp files are deleted and
// the rest packed into the first slots in their order. Returns the number of
// files removed (0: nothing changed). The caller then clears the map window,
// rebuilds the base tiles' grid and, when files remain, calls
// RedrawAllBackgroundFiles.
int RemoveBackgroundFiles(plat::Hwnd owner);

// Leaving the logging screen: deletes the temp file of every loaded file and
// empties the tables; no file is loaded afterwards.
void RemoveAllBackgroundFiles();

// --- The steps, by name ---

// The two choosers. They open the chosen file as BackgroundSourceFile (read
// only, not locked; kInvalidFile when it cannot be opened, which the load
// goes on with and the drawing reports as a file without records) and
// name the temp file of the slot being loaded (BackgroundTempPath and the
// slot's two names). -1 cancelled (or refused with a message: a name too long
// to keep), 1 chosen; the data chooser also returns 0 for a file whose kind is
// not recognised (the file is closed again).
int OpenAsciiBackgroundFile(plat::Hwnd owner);
int OpenDataBackgroundFile(plat::Hwnd owner);

// Builds the slot's names from the chosen path: the bare name kept as it is,
// the temp name NAMEEXT.$NN with NN the first suffix no loaded file uses, and
// the full temp path. False (nothing changed) when a name does not fit its
// field or the path its buffer.
bool NameBackgroundTempFile(const char16_t* chosenPath, int32_t slot);

// Creates (or empties) the temp file at BackgroundTempPath for reading and
// writing; BackgroundTempFile is kInvalidFile when it cannot be made.
void CreateBackgroundTempFile();

// Recognises a data file by its first record: -1 not supported, 0 "EM"/"PRO",
// 1 "OS" (this program), 2 "NAV", 3 "ZP". Sets the record length and, for 2
// and 3, the antenna offsets of the third record.
int DetectBackgroundFileFormat();

// Conversions of the open source into the open temp file; both close the
// source and leave the temp file open for the drawing.
void ConvertAsciiBackgroundFile();
void ConvertDataBackgroundFile();

// Field n (from 1) of `line` split at `delimiter` (the blanks after each
// delimiter belong to no field) into `out` (64 characters with the NUL),
// trimmed. 1 when it is a plain decimal number (".0123456789", a sign first),
// 0 when missing, empty or anything else.
int GetColumnField(const char* line, int column, char delimiter, char* out);
// In place: mode 1 leading blanks removed, 2 trailing, 3 both. Returns 1.
int TrimSpaces(char* text, int mode);

// One 30-byte record read from the file's position: 1, or 0 when fewer than
// 30 bytes were left.
int ReadBackgroundRecord(plat::FileHandle file, double* x, double* y);

// --- Drawing ---

// The first drawing of the file being loaded (markers for style 0, markers
// joined by lines for 1..3). They judge the file and tell the operator: no
// record "Check background file structure.", nothing drawable "All points in
// background file are invalid", some points outside the drawable tiles the
// two counts. 1 keep the file, -1 drop it. Both close the temp file.
int DrawNewBackgroundPoints();
int DrawNewBackgroundTrack();
// Draws every kept file again from its temp file, silently (after a rebuild
// of the base tiles).
void RedrawAllBackgroundFiles();

// Where the drawers put their pixels, in the base layer of the tiles: a
// marker at a global map pixel and a line between two, both with the pen of
// display style `style` (0 and 1 thin, 2 medium, 3 thick), which becomes
// GdiObjects.BackgroundPen.
constexpr int32_t kBackgroundMarkerRadius = 1;
void ChooseBackgroundPen(int32_t style);
void PaintBackgroundMarker(int32_t x, int32_t y, int32_t style);
void PaintBackgroundLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t style);
