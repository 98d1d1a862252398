// A console port's bytes through the reader's framing and the line handler's
// parsing: the first byte chooses the console (0..8) and its type (one or
// two sensors), the rest is the wire. Every accepted line must be a "$PBAR"
// line of at most 99 printable characters (a byte no reading holds is kept as
// '?'), its fields must fit their buffers, a reading is read only from a
// field that holds no '?' and reads as the C library reads it, a reading not
// read is left as it was and plotted at no row, its other readings must give
// colour indices and plot rows in range, and its reading record must be 27
// printable bytes after the tag, ending in LF, from which the readings read
// back are the live ones (a line that fits the record) or, where the record
// cut the line, the live ones or none.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "acquisition/console_reader.h"
#include "acquisition/console_reading.h"
#include "log_screen/profile_windows.h"
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

bool Printable(const char* begin, size_t n) {
    for (size_t k = 0; k < n; ++k) {
        const auto c = static_cast<uint8_t>(begin[k]);
        if (c < 0x20 || c > 0x7E) return false;
    }
    return true;
}

void CheckLine(int console, const char* line, int wireLength) {
    const size_t length = std::strlen(line);
    Check(length <= kConsoleLineChars - 1 && std::strncmp(line, "$PBAR", 5) == 0);
    // No byte is lost (a NUL no longer cuts the line) and none is unprintable.
    Check(static_cast<int>(length) == (wireLength - 1 < kConsoleLineChars - 1 ? wireLength - 1 : kConsoleLineChars - 1));
    Check(Printable(line, length));
    const bool marked = std::strchr(line, kReadingDamageMark) != nullptr;
    char field[kNumericFieldChars];
    for (int n = 0; n <= 4; ++n) {
        for (const char delimiter : {',', ' '}) {
            std::memset(field, 'x', sizeof field);
            const int found = GetNumericField(line, n, delimiter, field);
            Check(std::memchr(field, 0, sizeof field) != nullptr);
            Check(found == kFieldDamaged ? marked && field[0] == 0 : found == (field[0] != 0 ? 1 : 0));
            Check(found != 1 || std::strchr(field, kReadingDamageMark) == nullptr);
        }
    }
    double a = 1.5, b = 2.5;
    const int damaged = ParseConsoleReadings(console, line, &a, &b);
    const bool two = SystemSetup.ConsoleType[static_cast<size_t>(console)] == 1;
    Check((damaged & (two ? 0 : kNoSecondReading)) == 0);
    Check(!std::isnan(a) && !std::isnan(b));
    Check((damaged & kNoFirstReading) == 0 || a == 1.5);
    Check((damaged & kNoSecondReading) == 0 || b == 2.5);
    const double live[2] = {a, b};
    for (int n = 1; n <= (two ? 2 : 1); ++n) {
        if ((damaged & n) != 0) continue;
        // A number and blanks alone, read whole by the library (a field of 19
        // characters or more is only partly copied: its digits are not compared).
        Check(GetNumericField(line, n, ',', field) == 1 && std::strspn(field, "+-.0123456789 ") == std::strlen(field));
        char* end = nullptr;
        const double library = std::strtod(field, &end);
        Check(end != field && std::strspn(end, " ") == std::strlen(end));
        Check(std::strlen(field) >= kNumericFieldChars - 1 || std::memcmp(&live[n - 1], &library, sizeof library) == 0);
    }
    for (const double r : {a, b}) {
        const int index = ReadingColourIndex(r);
        Check(index >= 0 && index <= ColourScale.ColourMaxIndex);
    }
    int curve[2] = {0, 0}, decay[2] = {0, 0};
    ReadingsToPixels(console, a, b, curve, decay, damaged);
    for (int s = 0; s < 2; ++s) {
        const bool none = (damaged & (1 << s)) != 0;
        for (const int y : {curve[s], decay[s]}) {
            Check(none ? y == kNoReadingRow : y >= -kMaxPlotRow && y <= kMaxPlotRow);
        }
    }

    const auto i = static_cast<size_t>(console);
    std::memcpy(ConsoleLines.ConsoleLine[i], line, length + 1);
    DataRecord record;
    record.fill('#');
    BuildReadingRecord(console, record);
    Check(record[kDataRecordLength - 1] == '\n');
    Check(Printable(record.data() + 1, kDataRecordLength - 2));
    double fileA = 1.5, fileB = 2.5;
    const int fromFile = ReadRecordReadings(console, record.data(), &fileA, &fileB);
    const bool fits = length <= 18;
    Check(fits ? fromFile == damaged : (fromFile & damaged) == damaged);
    Check((fromFile & kNoFirstReading) != 0 ? fileA == 1.5 : std::memcmp(&fileA, &a, sizeof a) == 0);
    Check((fromFile & kNoSecondReading) != 0 ? fileB == 2.5 : std::memcmp(&fileB, &b, sizeof b) == 0);
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
        const int wireLength = frame.Length;  // up to and including the CR when this is the LF
        const bool accepted = ConsoleFrameByte(frame, data[k]);
        Check(frame.Length >= 0 && frame.Length <= kConsoleFrameRestartAt + 1);
        if (accepted) {
            Check(frame.Length == 0);
            CheckLine(console, frame.Line.data(), wireLength);
        }
    }
    return 0;
}
