// Column-delimited ASCII background files: one point per line, the northing
// (or latitude) and easting (or longitude) in the columns the operator chose.
//
//   / planned grid, lines 1 to 3          comment: skipped
//   5234567.10, 612345.20                 a point
//   b                                     break: the next point starts a new line
#include <array>
#include <charconv>
#include <cstdlib>
#include <cstring>

#include "map/background_files.h"
#include "map/background_points.h"
#include "survey_files/block_reader.h"
#include "survey_files/survey_model.h"

namespace {

constexpr std::array<char, 4> kDelimiters{' ', ',', '\t', ';'};  // ColumnDelimiter 0..3
constexpr size_t kLineChars = 256;       // at most 255 characters of a line are used
constexpr size_t kColumnLineChars = 512;
constexpr size_t kFieldChars = 64;

constexpr double kFootMetres = 0.3048;
constexpr double kUsFootMetres = 0.304800609601219;

// A field that passed GetColumnField's test and holds at least one digit.
bool FieldValue(const char* field, double* value) {
    if (*field == '+') ++field;
    double v = 0;
    const char* end = field + std::strlen(field);
    const auto [stop, error] = std::from_chars(field, end, v, std::chars_format::fixed);
    if (error != std::errc{} || stop == field) return false;
    *value = v;
    return true;
}

// (N, E) of CoordinatesType to X easting, Y northing in the display units.
bool AsciiPointToMap(double n, double e, double* x, double* y) {
    const int units = SystemSetup.DisplayUnits;
    switch (BackgroundFileOptions.CoordinatesType) {
        case 0: {  // WGS84 latitude, longitude
            double easting = 0, northing = 0;
            if (!ProjectBackgroundGeodetic(n, e, &easting, &northing)) return false;
            *x = MetresToDisplayUnits(easting);
            *y = MetresToDisplayUnits(northing);
            return true;
        }
        case 2: {  // UTM feet
            const double f = units == 0 ? kFootMetres : units == 1 ? 1.0 : kFootMetres / kUsFootMetres;
            *x = e * f;
            *y = n * f;
            return true;
        }
        case 3: {  // UTM US survey feet
            if (units == 0) {
                *x = e * kUsFootMetres;
                *y = n * kUsFootMetres;
            } else if (units == 1) {
                *x = e / 0.99999803149994;
                *y = n / 0.99999803149994;
            } else {
                *x = e;
                *y = n;
            }
            return true;
        }
        default:  // UTM metres
            *x = MetresToDisplayUnits(e);
            *y = MetresToDisplayUnits(n);
            return true;
    }
}

}  // namespace

int TrimSpaces(char* text, int mode) {
    if (text == nullptr) return 1;
    if (mode & 2) {
        size_t n = std::strlen(text);
        while (n > 0 && text[n - 1] == ' ') text[--n] = '\0';
    }
    if (mode & 1) {
        size_t lead = 0;
        while (text[lead] == ' ') ++lead;
        if (lead > 0) std::memmove(text, text + lead, std::strlen(text + lead) + 1);
    }
    return 1;
}

int GetColumnField(const char* line, int column, char delimiter, char* out) {
    if (out == nullptr) return 0;
    out[0] = '\0';
    if (line == nullptr || column < 1) return 0;
    char copy[kColumnLineChars];
    const size_t length = strnlen(line, sizeof copy - 1);
    std::memcpy(copy, line, length);
    copy[length] = '\0';
    char* field = copy;
    for (int n = 1; n < column; ++n) {
        char* d = std::strchr(field, delimiter);
        if (d == nullptr) return 0;  // fewer fields
        field = d + 1;
        while (*field == ' ') ++field;
    }
    if (char* d = std::strchr(field, delimiter)) *d = '\0';
    if (field[0] == '\0') return 0;
    const size_t fieldLength = strnlen(field, kFieldChars - 1);
    std::memcpy(out, field, fieldLength);
    out[fieldLength] = '\0';
    TrimSpaces(out, 3);
    if (out[0] == '\0') return 0;
    for (size_t i = 0; out[i] != '\0'; ++i) {
        const char c = out[i];
        const bool sign = i == 0 && (c == '+' || c == '-');
        if (!sign && std::strchr(".0123456789", c) == nullptr) return 0;
    }
    return 1;
}

void ConvertAsciiBackgroundFile() {
    const int d = BackgroundFileOptions.ColumnDelimiter;
    const char delimiter = kDelimiters[d >= 0 && d < 4 ? d : 0];
    StartBackgroundPoints(BackgroundFiles.BackgroundTempFile);
    static BlockReader reader;  // 64 KiB: kept off the stack
    StartBlockReader(reader, BackgroundFiles.BackgroundSourceFile);
    char line[kLineChars];
    char field[kFieldChars];
    while (ReadBlockLine(reader, line, sizeof line) >= 0) {
        if (line[0] == '\0' || line[0] == '/') continue;
        if (line[0] == 'b' || line[0] == 'B') {
            WriteBackgroundBreak();
            continue;
        }
        TrimSpaces(line, 3);
        double n = 0, e = 0, x = 0, y = 0;
        if (GetColumnField(line, BackgroundFileOptions.NorthingColumn + 1, delimiter, field) != 1) continue;
        if (!FieldValue(field, &n)) continue;
        if (GetColumnField(line, BackgroundFileOptions.EastingColumn + 1, delimiter, field) != 1) continue;
        if (!FieldValue(field, &e)) continue;
        if (!AsciiPointToMap(n, e, &x, &y)) continue;
        WriteBackgroundPoint(x, y);
    }
    FinishBackgroundPoints();
    if (BackgroundFiles.BackgroundSourceFile != plat::kInvalidFile)
        plat::CloseFile(BackgroundFiles.BackgroundSourceFile);
    BackgroundFiles.BackgroundSourceFile = plat::kInvalidFile;
}

int ReadBackgroundRecord(plat::FileHandle file, double* x, double* y) {
    char record[BackgroundFilesRecord::BackgroundTempRecordLength];
    size_t got = 0;
    while (got < sizeof record) {
        const int64_t n = plat::ReadFile(file, record + got, sizeof record - got);
        if (n <= 0) return 0;
        got += static_cast<size_t>(n);
    }
    double vx = 0, vy = 0;
    ParseBackgroundRecord(record, &vx, &vy);
    if (x != nullptr) *x = vx;
    if (y != nullptr) *y = vy;
    return 1;
}
