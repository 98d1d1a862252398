// Drawing background files from their temp files. The walk over the records
// (which points can be drawn, where a joined line breaks, how many points
// could not be placed, whether the file is kept) is done here; the pixels go
// to PaintBackgroundMarker / PaintBackgroundLine.
#include <cstdio>

#include "map/background_files.h"
#include "map/background_points.h"
#include "map/map_draw.h"
#include "map/map_tiles.h"
#include "platform/message_box.h"
#include "survey_files/block_reader.h"
#include "survey_files/survey_model.h"
#include "survey_files/text_helpers.h"

namespace {

struct WalkResult {
    bool ReadFailed = false;
    int32_t FailedRecord = 0;    // 1-based record whose read failed
    int32_t Drawn = 0;           // drawable points
    int32_t Invalid = 0;         // points outside the drawable tiles
};

// Walks `count` records of `file` (all when count < 0). Style 0 gives
// markers only; 1..3 markers joined by lines, a break record or a point
// outside the drawable tiles ending the joined line.
WalkResult WalkBackgroundFile(plat::FileHandle file, int32_t count, int32_t style) {
    static BlockReader reader;  // 64 KiB: kept off the stack
    StartBlockReader(reader, file);
    WalkResult result;
    bool joined = false;
    int32_t prevX = 0, prevY = 0;
    char record[BackgroundFilesRecord::BackgroundTempRecordLength];
    for (int32_t r = 1; count < 0 || r <= count; ++r) {
        if (!ReadBlockRecord(reader, record, sizeof record)) {
            if (count >= 0) {
                result.ReadFailed = true;
                // While no point is drawn yet, the error names record 1.
                result.FailedRecord = result.Drawn == 0 ? 1 : r;
            }
            break;
        }
        double x = 0, y = 0;
        ParseBackgroundRecord(record, &x, &y);
        if (x < 0.0) {  // break
            joined = false;
            continue;
        }
        int32_t px = 0, py = 0;
        if (!BackgroundPointDrawable(x, y, &px, &py)) {
            ++result.Invalid;
            joined = false;
            continue;
        }
        ++result.Drawn;
        // A point on the pixel just drawn adds nothing (its marker is the
        // same, a line to it has no length): dense files repeat pixels.
        if (result.Drawn == 1 || px != prevX || py != prevY) {
            PaintBackgroundMarker(px, py, style);
            if (style > 0 && joined) PaintBackgroundLine(prevX, prevY, px, py, style);
        }
        prevX = px, prevY = py;
        joined = true;
    }
    return result;
}

void Box(const char* text, const char16_t* title, plat::MessageIcon icon) {
    char16_t wide[256];
    NarrowToWide(text, wide, 256);
    plat::MessageBox(0, wide, title, plat::MessageButtons::Ok, icon);
}

void CloseTempFile() {
    if (BackgroundFiles.BackgroundTempFile != plat::kInvalidFile) plat::CloseFile(BackgroundFiles.BackgroundTempFile);
    BackgroundFiles.BackgroundTempFile = plat::kInvalidFile;
}

// The first drawing of the file being loaded, judged for the operator.
int DrawNewBackgroundFile(int32_t style) {
    const int32_t count = BackgroundFiles.BackgroundRecordCount;
    if (count <= 0) {
        Box("Check background file structure.", u"FILE ERROR", plat::MessageIcon::Warning);
        CloseTempFile();
        return -1;
    }
    const WalkResult walk = WalkBackgroundFile(BackgroundFiles.BackgroundTempFile, count, style);
    if (walk.ReadFailed) {
        const int slot = BackgroundFiles.BackgroundFileCount;
        char name[kBackgroundNameChars * 3];
        WideToNarrow(slot < kMaxBackgroundFiles ? BackgroundFiles.BackgroundFileNames[slot] : u"", name, sizeof name);
        char text[300];
        std::snprintf(text, sizeof text, " %s%d\r\n %s\r\n %s", "Unexpected error B$", walk.FailedRecord,
                      "processing file:", name);
        Box(text, u"WARNING", plat::MessageIcon::None);
        CloseTempFile();
        return -1;
    }
    // Markers: only a file whose every record is an invalid point is dropped
    // (break records keep it); lines: a file without one drawable point.
    const bool allInvalid = style == 0 ? walk.Invalid == count : walk.Drawn == 0;
    if (allInvalid) {
        Box("All points in background file are invalid\r\n", u"STOP", plat::MessageIcon::Warning);
        CloseTempFile();
        return -1;
    }
    if (walk.Invalid > 0) {
        char text[160];
        std::snprintf(text, sizeof text, "%s %d\r\n%s %d\r\n", "Number of points in background file:", count,
                      "Number of invalid points:", walk.Invalid);
        Box(text, u"WARNING", plat::MessageIcon::Warning);
    }
    CloseTempFile();
    return 1;
}

}  // namespace

int DrawNewBackgroundPoints() { return DrawNewBackgroundFile(0); }

int DrawNewBackgroundTrack() {
    const int style = BackgroundFileOptions.DisplayStyle;
    return DrawNewBackgroundFile(style >= 1 && style <= 3 ? style : 1);
}

void RedrawAllBackgroundFiles() {
    for (int i = 0; i < BackgroundFiles.BackgroundFileCount && i < kMaxBackgroundFiles; ++i) {
        char16_t path[kDataFolderChars + 1];
        size_t n = 0;
        for (const char16_t* p = ScreenWindows.TempFolder; *p != u'\0' && n < kDataFolderChars; ++p) path[n++] = *p;
        for (const char16_t* p = BackgroundFiles.BackgroundTempNames[i]; *p != u'\0' && n < kDataFolderChars; ++p)
            path[n++] = *p;
        path[n] = u'\0';
        const plat::FileHandle file = plat::OpenFile(path, plat::FileOpen::ExistingReadOnly);
        if (file == plat::kInvalidFile) continue;  // a temp file that cannot be opened draws nothing
        WalkBackgroundFile(file, -1, BackgroundFiles.BackgroundDisplayTypes[i]);
        plat::CloseFile(file);
    }
}

// The tiles' part of the drawing: a marker (radius 1, the style's pen and
// the background brush) into the base tiles that hold it, and a line with the
// style's pen into every base tile it crosses.
void ChooseBackgroundPen(int32_t style) {
    GdiObjectsRecord& g = GdiObjects;
    g.BackgroundPen = style == 3 ? g.BackgroundPenThick : style == 2 ? g.BackgroundPenMedium : g.BackgroundPenThin;
}

void PaintBackgroundMarker(int32_t x, int32_t y, int32_t style) {
    ChooseBackgroundPen(style);
    DrawDotAcrossTiles(kBaseLayer, x, y, kBackgroundMarkerRadius, GdiObjects.BackgroundPen, GdiObjects.BackgroundBrush);
}

void PaintBackgroundLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t style) {
    ChooseBackgroundPen(style);
    DrawSegmentAcrossTiles(kBaseLayer, x1, y1, x2, y2, GdiObjects.BackgroundPen);
}
