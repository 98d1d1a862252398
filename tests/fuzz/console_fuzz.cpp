// A console port's bytes through the reader's framing and the line handler's
// reading: the first byte chooses the console (0..8) and its type (one or
// two sensors), the rest is the wire. Every accepted line must be a "$PBAR"
// line of at most 99 printable characters (a byte no reading holds is kept as
// '?'), its reading record 27 printable bytes after the tag, ending in LF, and
// the readings, read from the record as live and the replay read them, must
// be those a plain reading of its text by commas gives: a field that holds no
// '?' and is a plain number, read as the C library reads it. A reading not
// read is left as it was and plotted at no row; the others give colour
// indices and plot rows in range.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

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

// The text of field n of a record's reading text, split at its commas; the
// text before the first comma is "$P" and, when that holds a number
// character, field 1 with its comma lost. Empty when there is no such field.
std::string CommaField(const std::string& text, int n) {
    size_t from = text.find(',');
    if (from == std::string::npos) return "";
    const bool lostComma = text.find_first_of("+-.0123456789") < from;
    for (int k = lostComma ? 2 : 1; k < n; ++k) {
        from = text.find(',', from + 1);
        if (from == std::string::npos) return "";
    }
    const size_t end = text.find(',', from + 1);
    return text.substr(from + 1, end == std::string::npos ? std::string::npos : end - from - 1);
}

// True, with the C library's value, when `field` is blanks, a plain number (a
// sign or none, digits with at most one point) and blanks.
bool PlainField(const std::string& field, double* value) {
    const size_t start = field.find_first_not_of(' ');
    if (start == std::string::npos) return false;
    const std::string number = field.substr(start, field.find(' ', start) - start);
    if (field.find_first_not_of(' ', start + number.size()) != std::string::npos) return false;
    const size_t digits = number.find_first_of("0123456789");
    const size_t sign = number[0] == '+' || number[0] == '-' ? 1 : 0;
    if (digits == std::string::npos || number.find_first_not_of("0123456789.", sign) != std::string::npos ||
        number.find('.') != number.rfind('.')) {
        return false;
    }
    *value = std::strtod(number.c_str(), nullptr);
    return true;
}

void CheckLine(int console, const char* line, int wireLength) {
    const size_t length = std::strlen(line);
    Check(length <= kConsoleLineChars - 1 && std::strncmp(line, "$PBAR", 5) == 0);
    // No byte is lost (a NUL no longer cuts the line) and none is unprintable.
    Check(static_cast<int>(length) == (wireLength - 1 < kConsoleLineChars - 1 ? wireLength - 1 : kConsoleLineChars - 1));
    Check(Printable(line, length));

    const auto i = static_cast<size_t>(console);
    std::memcpy(ConsoleLines.ConsoleLine[i], line, length + 1);
    DataRecord record;
    record.fill('#');
    BuildReadingRecord(console, record);
    Check(record[kDataRecordLength - 1] == '\n');
    Check(Printable(record.data() + 1, kDataRecordLength - 2));
    double a = 1.5, b = 2.5;
    const int unread = ReadRecordReadings(console, record.data(), &a, &b);
    const bool two = SystemSetup.ConsoleType[i] == 1;
    Check((unread & (two ? 0 : kNoSecondReading)) == 0);

    // The plain reading of the record's text by commas. The whole stretch
    // searched for field 1 is "$P", its comma and the field: damage there
    // spoils it; a lost comma leaves it no value.
    const std::string text(record.data() + 1, 15);
    const double kept[2] = {1.5, 2.5};
    const double read[2] = {a, b};
    for (int n = 1; n <= (two ? 2 : 1); ++n) {
        const std::string field = CommaField(text, n);
        const size_t comma = text.find(',');
        const bool spoiled = n == 1 && (comma == std::string::npos || text.find_first_of("+-.0123456789?") < comma);
        double value = 0.0;
        const bool plain = !spoiled && field.find('?') == std::string::npos && PlainField(field, &value);
        Check(((unread & n) == 0) == plain);
        Check(std::memcmp(&read[n - 1], plain ? &value : &kept[n - 1], sizeof value) == 0);
    }

    for (const double r : {a, b}) {
        const int index = ReadingColourIndex(r);
        Check(index >= 0 && index <= ColourScale.ColourMaxIndex);
    }
    int curve[2] = {0, 0}, decay[2] = {0, 0};
    ReadingsToPixels(console, a, b, curve, decay, unread);
    for (int s = 0; s < 2; ++s) {
        const bool none = (unread & (1 << s)) != 0;
        for (const int y : {curve[s], decay[s]}) {
            Check(none ? y == kNoReadingRow : y >= -kMaxPlotRow && y <= kMaxPlotRow);
        }
    }
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
