// A GPS port's bytes through the reader's framing, checksum test and sentence
// selection, and every selected sentence through the fix decoding, under the
// format chosen by the first byte (0..8; the display unit and the warning
// mask come from its higher bits). Each closed line must fit the reader's
// buffer without its LF, must become whole 27-byte records in the data file's
// forms, and the fix it leaves must have finite coordinates and counts in
// range.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "acquisition/gps_fix.h"
#include "acquisition/gps_formats.h"
#include "acquisition/gps_reader.h"
#include "platform/sound.h"
#include "resources/sounds.h"
#include "survey_files/data_records.h"
#include "survey_files/survey_model.h"

namespace {

// A broken invariant stops the run with the line that names it.
void Fail(int line) {
    std::fprintf(stderr, "invariant broken at %s:%d\n", __FILE__, line);
    std::abort();
}
#define Check(ok) ((ok) ? void() : Fail(__LINE__))

// Whole records, each ending in its only LF.
void CheckRecords(const char* bytes, size_t n) {
    Check(n % kDataRecordLength == 0);
    for (size_t r = 0; r < n; r += kDataRecordLength) {
        Check(bytes[r + kDataRecordLength - 1] == '\n');
        Check(std::memchr(bytes + r, '\n', kDataRecordLength - 1) == nullptr);
    }
}

void CheckWrittenForms(const char* line, uint32_t tick) {
    const std::string_view text(line);
    DataRecord single;
    FormatGpsSingleRecord(single, text);
    CheckRecords(single.data(), single.size());
    char group[kGpsGroupBytes];
    const size_t n = FormatGpsSentenceGroup(group, sizeof group, text, '@', '#', 3, tick);
    CheckRecords(group, n);
    const size_t sentenceRecords = text.empty() ? 1 : (text.size() + 24) / 25;
    Check(n == (sentenceRecords + 1) * kDataRecordLength);
    Check(group[0] == '@' && group[n - kDataRecordLength] == '!');
}

void CheckFix() {
    Check(GpsFix.FixValid == 0 || GpsFix.FixValid == 1);
    Check(GpsFix.Satellites >= 0 && GpsFix.Satellites <= 9999);
    Check(!std::isnan(GpsFix.Dop));
    if (GpsFix.PositionValid == 1) {
        for (const double v : {GpsFix.X, GpsFix.Y, GpsFix.FirstFixX, GpsFix.FirstFixY, GpsFix.Speed}) {
            Check(std::isfinite(v));
        }
    }
    Check(GpsFix.UtmZoneForced == -9 || (GpsFix.UtmZoneForced >= 1 && GpsFix.UtmZoneForced <= 60));
    // The northing frame is chosen with the zone, by the same first projection.
    Check((GpsFix.UtmZoneForced == -9) == (GpsFix.UtmFrameForced == 0) && std::abs(GpsFix.UtmFrameForced) <= 1);
}

}  // namespace

// The warning mask's sound is only recorded, never played.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    plat::test::SetSoundOutput(false);
    res::RegisterSoundResources();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    ResetSurveyModel();
    plat::test::ClearRecordedSounds();
    GpsPortSetup.DataFormat = data[0] % kGpsFormatCount;
    SystemSetup.DisplayUnits = (data[0] / kGpsFormatCount) % 3;
    SystemSetup.CoordinatesDisplay = (data[0] / 27) % 4;
    GpsWarningMask.Warning = (data[0] / 108) & 1;
    SetupGpsSentenceFields();

    GpsFrameState frame;
    ResetGpsFrame(frame);
    uint32_t lastAccepted = 0;
    for (size_t k = 1; k < size; ++k) {
        const uint32_t now = static_cast<uint32_t>(k) * 10u;
        if (!GpsFrameByte(frame, data[k], now)) {
            Check(frame.Length >= 0 && frame.Length <= kGpsFrameRestartAt + 1);
            continue;
        }
        const char* line = frame.Line.data();
        Check(std::memchr(frame.Line.data(), 0, frame.Line.size()) != nullptr);
        Check(std::strchr(line, '\n') == nullptr && std::strlen(line) <= kGpsFrameRestartAt + 1);
        CheckWrittenForms(line, frame.Tick);
        if (HandleGpsLine(line, frame.Tick, lastAccepted) && IsSelectedGpsSentence(line)) {
            // The hand-over: the window thread's handler with the reader waiting.
            OnGpsSentence(0, kMsgGpsSentence, 0, 0);
            Check(GpsSentenceBuffer.GpsLastSentence[0] == 0);
            CheckFix();
        }
    }
    return 0;
}
