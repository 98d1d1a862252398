// The check of an existing data file of this program before a new section is
// appended to it: its header must describe the array and GPS set-up in force.
#pragma once
#include <cstdint>

#include "platform/files.h"
#include "platform/window.h"

// The file that CreateDataFile opened with result 1 is checked against the
// settings. Its six header records are read in one positional read; a record
// the file is too short for fails its test (the file is refused with that
// record's message, never judged on stale bytes). Separations and antenna
// offsets are compared as the header stores them (three decimals).
// After the header, the file's end: what an interrupted write leaves (part of
// a record, or whole records of a GPS sentence group without its "!" record,
// of a swath block, of line records or of a section header, perhaps with part
// of the next) is cut away with the operator told, so the new section starts
// on a record boundary. Any other end (a record there without its line feed
// in column 26, a line feed inside a record or in the partial piece, a record
// of the last writes holding bytes its writer never puts there, a run cut
// short with records after it) is damage no crash leaves: the file is refused
// unchanged.
// 0: it may be appended to (it stays open). With GPS input and the file in
//    the neighbouring UTM zone (60 and 1 are neighbours), or its northings in
//    the other hemisphere's frame (its first header's first fix lies nearer
//    the run's origin in that frame), every later fix is projected into the
//    file's zone and frame (GpsFix.UtmZoneForced, UtmFrameForced: a northern
//    run appending to a southern file goes on above 10000000 m, a southern
//    run appending to a northern file below 0), the map origin is
//    the run's first fix projected there, the previous fix and the last
//    position pixel start again from that origin, and the first fix
//    (GpsFix.FirstFixX/Y, which a header records with the zone) is projected
//    there too.
// 1: refused: a message was shown (owned by `owner`), the file is closed and
//    the handle invalid. Nothing was moved.
int CheckDataFileForAppend(plat::Hwnd owner);

// The end of the open data file `file`, `size` bytes long, judged as the
// check above judges it, for the file that another program made shorter
// while it was open: nothing shown, no lock taken, nothing changed. Its
// header is what the program wrote; only what is left of it counts.
struct DataFileEndJudgement {
    int64_t CutTo = 0;       // where its whole writes end: `size` when nothing is to be cut
    char Cut[32] = "";       // what a cut takes: "record" (a partial one) or the run torn
    bool Refused = false;    // no whole header left, or an end no write leaves: nothing may follow it
    char Why[96] = "";       // a refusal's reason, one sentence
};
DataFileEndJudgement JudgeDataFileEnd(plat::FileHandle file, int64_t size);

// What an accepted check, and the scan after it, move into the file's zone:
// kept by the caller before the check and put back when the append is
// abandoned after it (the section could not be written, the scan refused
// the file), so the next file is projected and headed in the zone of the run.
struct AppendZoneState {
    int32_t UtmZoneForced = -9;
    int32_t UtmFrameForced = 0;
    double FirstFixX = 0.0, FirstFixY = 0.0;
    double X = 0.0, Y = 0.0, CurX = 0.0, CurY = 0.0, PrevX = 0.0, PrevY = 0.0;
    double SpeedFromX = 0.0, SpeedFromY = 0.0;
    double MapOriginX = 0.0, MapOriginY = 0.0;
    double DataMinX = 0.0, DataMaxX = 0.0, DataMinY = 0.0, DataMaxY = 0.0;
    double PrevFixX = 0.0, PrevFixY = 0.0;
    int32_t LastPositionPixelX = 0, LastPositionPixelY = 0;
};
AppendZoneState KeepAppendZoneState();
void RestoreAppendZoneState(const AppendZoneState& kept);
