// A console port's bytes through the reader's framing and the line handler's
// parsing: the first byte chooses the console (0..8) and its type (one or
// two sensors), the rest is the wire. Every accepted line must be a "$PBAR"
// line of at most 99 characters, its fields must fit their buffers, its
// readings must give colour indices and plot rows in range, and its reading
// record must be 27 bytes ending in LF.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "acquisition/console_reader.h"
#include "acquisition/console_reading.h"
#include "survey_files/data_file.h"
#include "survey_files/data_records.h"
#include "survey_files/settings_derived.h"
#include "survey_files/survey_model.h"

namespace {

// A broken invariant stops the run with the line that names it.
void Fail(int line) {
    std::fprintf(stderr, "invariant broken at %s:%d\n", __FILE__, line);
    std::abort();
}
#define Check(ok) ((ok) ? void() : Fail(__LINE__))

void CheckLine(int console, const char* line) {
    const size_t length = std::strlen(line);
    Check(length <= kConsoleLineChars - 1 && std::strncmp(line, "$PBAR", 5) == 0);
    char field[kNumericFieldChars];
    for (int n = 0; n <= 4; ++n) {
        for (const char delimiter : {',', ' '}) {
            std::memset(field, 'x', sizeof field);
            const int found = GetNumericField(line, n, delimiter, field);
            Check(std::memchr(field, 0, sizeof field) != nullptr);
            Check(found == (field[0] != 0 ? 1 : 0));
        }
    }
    double a = 1.5, b = 2.5;
    ParseConsoleReadings(console, line, &a, &b);
    Check(!std::isnan(a) && !std::isnan(b));
    for (const double r : {a, b}) {
        const int index = ReadingColourIndex(r);
        Check(index >= 0 && index <= ColourScale.ColourMaxIndex);
    }
    int curve[2] = {0, 0}, decay[2] = {0, 0};
    ReadingsToPixels(console, a, b, curve, decay);
    for (const int y : {curve[0], curve[1], decay[0], decay[1]}) Check(y >= -kMaxPlotRow && y <= kMaxPlotRow);

    const auto i = static_cast<size_t>(console);
    std::memcpy(ConsoleLines.ConsoleLine[i], line, length + 1);
    DataRecord record;
    record.fill('#');
    BuildReadingRecord(console, record);
    Check(record[kDataRecordLength - 1] == '\n');
    Check(std::memchr(record.data(), '\n', kDataRecordLength - 1) == nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    ResetSurveyModel();
    InitConsoleRecordTags();
    DeriveScalePixels();
    const int console = (data[0] & 0x0F) % kMaxConsoles;
    const int type = (data[0] >> 4) & 1;
    SystemSetup.ConsoleType[static_cast<size_t>(console)] = type;
    SystemSetup.ConsoleCount = kMaxConsoles;

    ConsoleFrameState frame;
    ResetConsoleFrame(frame, type);
    for (size_t k = 1; k < size; ++k) {
        const bool accepted = ConsoleFrameByte(frame, data[k]);
        Check(frame.Length >= 0 && frame.Length <= kConsoleFrameRestartAt + 1);
        if (accepted) {
            Check(frame.Length == 0);
            CheckLine(console, frame.Line.data());
        }
    }
    return 0;
}
