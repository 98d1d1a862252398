// Data files of this program and of the related survey programs as background
// files: the GPS sentences stored in them give the track.
//
// A data file is a sequence of fixed-length records (27 bytes in this
// program's files, up to 36 in the others'). A GPS sentence is stored as a
// group: "@" and its first 25 characters, "#" and each further chunk, then a
// "!" time record; "?" and '"' hold rejected lines:
//   @$GPGGA,101530.00,5130.250
//   #0,N,00012.5000,W,2,08,1.0
//   #,45.0,M,47.0,M,,*5B
//   !              0 1234567890
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "acquisition/gps_formats.h"
#include "map/background_files.h"
#include "map/background_points.h"
#include "survey_files/block_reader.h"
#include "survey_files/survey_model.h"

namespace {

constexpr int kMaxSourceRecord = 36;          // the longest first record recognised, LF included
constexpr int kOffsetRecordBytes = 16;        // offsets in columns 1-14 need records this long
constexpr size_t kMessageChars = 256;         // a reassembled sentence: 255 characters
constexpr double kFootMetres = 0.3048;
constexpr double kUsFootMetres = 0.304800609601219;

enum class PositionKind { None, Gga, Pos, Llk, Llq, Gll, Ggk, LocalGga, Tagged };

// The sentence fields each kind reads (field 1 is the "$" word); 0 = unused.
struct PositionRow {
    PositionKind Kind;
    const char* Tag;
    int NsField, LatField, EwField, LonField;  // geodetic kinds
    int NorthField, EastField, UnitField;      // grid kinds
};
constexpr PositionRow kPositionRows[] = {
    {PositionKind::Gga, "GGA", 4, 3, 6, 5, 0, 0, 0},       // $GPGGA,time,lat,N,lon,E,quality,...
    {PositionKind::Pos, "POS", 7, 6, 9, 8, 0, 0, 0},       // $PASHR,POS,mode,sats,time,lat,N,lon,E,...
    {PositionKind::Llk, "LLK", 0, 0, 0, 0, 6, 4, 0},       // $GPLLK,time,date,easting,M,northing,M,...
    {PositionKind::Llq, "LLQ", 0, 0, 0, 0, 6, 4, 0},       // $GPLLQ,time,date,easting,M,northing,M,...
    {PositionKind::Gll, "GLL", 3, 2, 5, 4, 0, 0, 0},       // $GPGLL,lat,N,lon,E,time,A
    {PositionKind::Ggk, "GGK", 6, 5, 8, 7, 0, 0, 0},       // $PTNL,GGK,time,date,lat,N,lon,E,...
    {PositionKind::LocalGga, "GGA", 0, 0, 0, 0, 3, 5, 11}, // total station: northing, easting, unit letter
    {PositionKind::Tagged, ">", 0, 0, 0, 0, 0, 0, 0},      // >...37=northing,...38=easting,...
};

const PositionRow* RowOf(PositionKind kind) {
    for (const PositionRow& row : kPositionRows) {
        if (row.Kind == kind) return &row;
    }
    return nullptr;
}

// Header format digit 0..9 to the kind, per source: "OS", "NAV", "ZP".
constexpr PositionKind G = PositionKind::Gga, P = PositionKind::Pos, K = PositionKind::Llk,
                       Q = PositionKind::Llq, L = PositionKind::Gll, T = PositionKind::Ggk,
                       R = PositionKind::LocalGga, V = PositionKind::Tagged, N = PositionKind::None;
constexpr PositionKind kKindByDigit[3][10] = {
    {G, G, P, K, Q, L, T, R, L, V},  // "OS": 8 is Pseudo GLL (header letter 'A')
    {G, G, P, K, Q, L, T, R, N, V},  // "NAV"
    {G, G, P, K, Q, L, T, R, N, N},  // "ZP"
};

// The unit digit of a header: 0..9, -1 blank ("OS", "NAV"), -2 blank in a
// "ZP" file (no factor), -3 anything else.
constexpr int kUnitBlankNoFactor = -2;

// Reads a whole number field; false when it is missing or not a number.
bool NumberOf(const char* text, double* value) {
    while (*text == ' ') ++text;
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || !std::isfinite(v)) return false;
    *value = v;
    return true;
}

bool FieldNumber(const char* message, int field, double* value) {
    char text[kGpsFieldChars];
    if (GetSentenceField(message, field, ',', text, sizeof text) != 1) return false;
    return NumberOf(text, value);
}

// "ddmm.mmmmm" (latitude, 2 degree digits) or "dddmm.mmmmm" (longitude, 3):
// degrees from the first characters, minutes from the next eight.
bool DegreesOf(const char* field, int degreeDigits, double* degrees) {
    double d = 0;
    for (int i = 0; i < degreeDigits; ++i) {
        if (field[i] < '0' || field[i] > '9') return false;
        d = d * 10 + (field[i] - '0');
    }
    char minutes[9];
    const size_t n = strnlen(field + degreeDigits, 8);
    std::memcpy(minutes, field + degreeDigits, n);
    minutes[n] = '\0';
    double m = 0;
    if (!NumberOf(minutes, &m)) return false;
    *degrees = d + m / 60.0;
    return true;
}

bool HemisphereOf(const char* message, int field, char positive, char negative, double* sign) {
    char text[kGpsFieldChars];
    if (GetSentenceField(message, field, ',', text, sizeof text) != 1) return false;
    if (text[0] == positive) *sign = 1.0;
    else if (text[0] == negative) *sign = -1.0;
    else return false;
    return true;
}

bool GeodeticPosition(const char* message, const PositionRow& row, double* x, double* y) {
    double ns = 0, ew = 0, lat = 0, lon = 0;
    char text[kGpsFieldChars];
    if (!HemisphereOf(message, row.NsField, 'N', 'S', &ns) || !HemisphereOf(message, row.EwField, 'E', 'W', &ew))
        return false;
    if (GetSentenceField(message, row.LatField, ',', text, sizeof text) != 1 || !DegreesOf(text, 2, &lat)) return false;
    if (GetSentenceField(message, row.LonField, ',', text, sizeof text) != 1 || !DegreesOf(text, 3, &lon)) return false;
    double easting = 0, northing = 0;
    if (!ProjectBackgroundGeodetic(ns * lat, ew * lon, &easting, &northing)) return false;
    *x = MetresToDisplayUnits(easting);
    *y = MetresToDisplayUnits(northing);
    return true;
}

// Factor of a local grid's values by its unit letter, the header's unit
// digit and the display units.
double LocalGridFactor(char letter, int unitDigit) {
    const int units = SystemSetup.DisplayUnits >= 0 && SystemSetup.DisplayUnits <= 2 ? SystemSetup.DisplayUnits : 0;
    static constexpr double kDigitZero[2][3] = {{1.0, 3.28084, 3.2808333333333355},        // 'M'
                                                {0.3048, 1.0, 1.0000020000039993}};        // other
    static constexpr double kDigitOne[2][3] = {{1.0, 0.3048, 1.0000020000039993},
                                               {0.304800609601219, 1.0000020000039993, 1.0}};
    const int other = letter == 'M' ? 0 : 1;
    if (unitDigit == -1 || unitDigit == 0) return kDigitZero[other][units];
    if (unitDigit == 1) return kDigitOne[other][units];
    return 1.0;
}

// The number after `key` up to the next comma or the message's end.
bool TaggedValue(const char* message, const char* key, double* value) {
    const char* at = std::strstr(message, key);
    if (at == nullptr) return false;
    at += std::strlen(key);
    char text[64];
    size_t n = 0;
    while (at[n] != '\0' && at[n] != ',' && n < sizeof text - 1) {
        text[n] = at[n];
        ++n;
    }
    text[n] = '\0';
    return NumberOf(text, value);
}

bool PositionOf(const char* message, PositionKind kind, int unitDigit, double* x, double* y) {
    const PositionRow* row = RowOf(kind);
    if (row == nullptr) return false;
    switch (kind) {
        case PositionKind::Gga:
        case PositionKind::Pos:
        case PositionKind::Gll:
        case PositionKind::Ggk:
            return GeodeticPosition(message, *row, x, y);
        case PositionKind::Llk:
        case PositionKind::Llq: {
            double n = 0, e = 0;
            if (!FieldNumber(message, row->NorthField, &n) || !FieldNumber(message, row->EastField, &e)) return false;
            *x = MetresToDisplayUnits(e);
            *y = MetresToDisplayUnits(n);
            return true;
        }
        case PositionKind::LocalGga: {
            double n = 0, e = 0;
            char letter[kGpsFieldChars] = "";
            if (!FieldNumber(message, row->NorthField, &n) || !FieldNumber(message, row->EastField, &e)) return false;
            GetSentenceField(message, row->UnitField, ',', letter, sizeof letter);
            const double f = LocalGridFactor(letter[0], unitDigit);
            *x = e * f;
            *y = n * f;
            return true;
        }
        case PositionKind::Tagged: {
            double n = 0, e = 0;
            if (!TaggedValue(message, "37=", &n) || !TaggedValue(message, "38=", &e)) return false;
            const double toMetres = unitDigit == 1 ? kFootMetres : unitDigit == 2 ? kUsFootMetres : 1.0;
            *x = MetresToDisplayUnits(e * toMetres);
            *y = MetresToDisplayUnits(n * toMetres);
            return true;
        }
        case PositionKind::None:
            break;
    }
    return false;
}

// Moves positions from the GPS antenna to the sensors: `Cross` to the left of
// the direction of travel, `Inline` behind the antenna (negative: ahead).
// Every position that gives a point comes after one it differs from, so no
// direction is ever taken from two equal positions.
struct AntennaCorrection {
    static constexpr int kHistory = 40;       // positions kept for a point behind the antenna
    static constexpr int kDropped = 11;       // the oldest dropped when the history is full
    double Cross = 0, Inline = 0;
    int Count = 0;                            // positions in the history (a = 0 or < 0: 0 or 1)
    std::array<double, kHistory + 1> X{}, Y{}, Distance{};  // Distance: track distance from X[0], Y[0]

    // Drops the `n` oldest positions; distances count again from the new oldest.
    void DropOldest(int n) {
        const double base = Distance[n];
        for (int i = n; i < Count; ++i) {
            X[i - n] = X[i];
            Y[i - n] = Y[i];
            Distance[i - n] = Distance[i] - base;
        }
        Count -= n;
    }

    // The point of position (px, py); false when the position gives none.
    bool Apply(double px, double py, double* x, double* y) {
        if (Count > 0 && px == X[Count - 1] && py == Y[Count - 1]) return false;  // repeated position
        if (Inline <= 0.0) {
            if (Count == 0) {
                X[0] = px, Y[0] = py, Count = 1;
                return false;
            }
            const double dx = px - X[0], dy = py - Y[0];
            const double l = std::hypot(dx, dy);
            const double bx = px - dx * Inline / l, by = py - dy * Inline / l;
            *x = bx + Cross * -dy / l;
            *y = by + Cross * dx / l;
            X[0] = px, Y[0] = py;
            return true;
        }
        if (Count == 0) {
            X[0] = px, Y[0] = py, Distance[0] = 0, Count = 1;
            return false;
        }
        const double step = std::hypot(px - X[Count - 1], py - Y[Count - 1]);
        X[Count] = px, Y[Count] = py, Distance[Count] = Distance[Count - 1] + step;
        ++Count;
        if (Count > kHistory) DropOldest(kDropped);
        const double total = Distance[Count - 1];
        if (Inline > total) {
            // Behind the oldest position, on the line through the two oldest.
            const double dx = X[1] - X[0], dy = Y[1] - Y[0];
            const double l = std::hypot(dx, dy);
            const double back = Inline - total;
            *x = X[0] - dx * back / l + Cross * -dy / l;
            *y = Y[0] - dy * back / l + Cross * dx / l;
            return true;
        }
        int j = 1;
        while (j < Count - 1 && total - Distance[j] > Inline) ++j;
        const double dx = X[j] - X[j - 1], dy = Y[j] - Y[j - 1];
        const double l = std::hypot(dx, dy);
        const double back = Inline - (total - Distance[j]);
        *x = X[j] - dx * back / l + Cross * -dy / l;
        *y = Y[j] - dy * back / l + Cross * dx / l;
        if (j > kDropped) DropOldest(j - 1);
        return true;
    }
};

// The header character at `column` of a record of `length` bytes (LF last);
// a blank when the record is shorter.
char HeaderColumn(const char* record, int length, int column) {
    return column < length - 1 ? record[column] : ' ';
}

}  // namespace

int DetectBackgroundFileFormat() {
    const plat::FileHandle file = BackgroundFiles.BackgroundSourceFile;
    char head[kMaxSourceRecord];
    const int64_t got = plat::ReadFileAt(file, head, sizeof head, 0);
    if (got <= 0) return -1;
    const void* lf = std::memchr(head, '\n', static_cast<size_t>(got));
    if (lf == nullptr) return -1;  // no record end within 36 bytes
    const int length = static_cast<int>(static_cast<const char*>(lf) - head) + 1;
    if (got < 8) return -1;
    BackgroundFiles.BackgroundSourceRecordLength = length;
    const std::string_view first(head, 8);
    struct Prefix {
        std::string_view Text;
        int Format;
    };
    static constexpr Prefix kPrefixes[] = {{"EM", 0}, {"PRO", 0}, {"OS", 1}, {"NAV", 2}, {"ZP", 3}};
    int format = -1;
    for (const Prefix& p : kPrefixes) {
        if (first.find(p.Text) != std::string_view::npos) {
            format = p.Format;
            break;
        }
    }
    if (format < 0) return -1;
    BackgroundFiles.BackgroundOffsetValid = 0;
    if (format >= 2) {
        // The antenna offsets are in columns 1-14 of the third record.
        if (length < kOffsetRecordBytes) return -1;
        char third[kMaxSourceRecord + 1];
        if (plat::ReadFileAt(file, third, static_cast<size_t>(length), 2 * static_cast<int64_t>(length)) != length)
            return -1;
        third[length - 1] = '\0';
        char cross[8], inl[8];
        std::memcpy(cross, third + 1, 7);
        cross[7] = '\0';
        std::memcpy(inl, third + 8, 7);
        inl[7] = '\0';
        double c = 0, a = 0;
        NumberOf(cross, &c);
        NumberOf(inl, &a);
        BackgroundFiles.BackgroundCrossOffset = c;
        BackgroundFiles.BackgroundInlineOffset = a;
        BackgroundFiles.BackgroundOffsetValid = 1;
    }
    return format;
}

void ConvertDataBackgroundFile() {
    const int length = BackgroundFiles.BackgroundSourceRecordLength;
    const int source = BackgroundFiles.BackgroundSourceFormat;
    StartBackgroundPoints(BackgroundFiles.BackgroundTempFile);
    BackgroundFiles.BackgroundGpsFormat = -1;
    static BlockReader reader;  // 64 KiB: kept off the stack
    char record[kMaxSourceRecord + 1];
    PositionKind kind = PositionKind::None;
    int unitDigit = -1;
    if (length >= 2 && length <= kMaxSourceRecord && source >= 0 && source <= 3) {
        if (source == 0) {
            kind = PositionKind::Gga;
        } else {
            StartBlockReader(reader, BackgroundFiles.BackgroundSourceFile);
            while (ReadBlockRecord(reader, record, static_cast<size_t>(length))) {
                if (record[0] != 'G') continue;
                const int formatColumn = source == 1 ? 17 : 19;
                const int unitColumn = source == 1 ? 19 : 17;
                const char f = HeaderColumn(record, length, formatColumn);
                int digit = f >= '0' && f <= '9' ? f - '0' : -1;
                if (source == 1 && f == 'A') digit = 8;
                if (digit == 7 || digit == 9) {
                    const char u = HeaderColumn(record, length, unitColumn);
                    if (u >= '0' && u <= '9') unitDigit = u - '0';
                    else if (u == ' ') unitDigit = source == 3 ? kUnitBlankNoFactor : -1;
                    else unitDigit = -3;
                }
                BackgroundFiles.BackgroundGpsFormat = digit;
                if (digit >= 0) kind = kKindByDigit[source - 1][digit];
                break;
            }
        }
    }
    const PositionRow* row = RowOf(kind);
    if (row != nullptr) {
        AntennaCorrection antenna;
        antenna.Cross = BackgroundFiles.BackgroundCrossOffset;
        antenna.Inline = BackgroundFiles.BackgroundInlineOffset;
        const bool correct = BackgroundFiles.BackgroundOffsetValid == 1 && std::isfinite(antenna.Cross) &&
                             std::isfinite(antenna.Inline);
        char message[kMessageChars] = "";
        size_t used = 0;
        bool open = false;  // a message was begun by '@'
        StartBlockReader(reader, BackgroundFiles.BackgroundSourceFile);
        while (ReadBlockRecord(reader, record, static_cast<size_t>(length))) {
            record[length - 1] = '\0';
            const char* text = record + 1;
            const size_t textLength = strnlen(text, static_cast<size_t>(length - 1));
            auto append = [&] {
                const size_t take = textLength < kMessageChars - 1 - used ? textLength : kMessageChars - 1 - used;
                std::memcpy(message + used, text, take);
                used += take;
                message[used] = '\0';
            };
            switch (record[0]) {
                case '@':
                    used = 0;
                    open = true;
                    append();
                    break;
                case '#':
                    if (open) append();
                    break;
                case '"':
                case '?':
                    used = 0;
                    message[0] = '\0';
                    break;
                case '!': {
                    double x = 0, y = 0;
                    if (open && std::strstr(message, row->Tag) != nullptr &&
                        PositionOf(message, kind, unitDigit, &x, &y)) {
                        if (!correct || antenna.Apply(x, y, &x, &y)) WriteBackgroundPoint(x, y);
                    }
                    used = 0;
                    message[0] = '\0';
                    open = false;
                    break;
                }
                default:
                    break;
            }
        }
    }
    FinishBackgroundPoints();
    if (BackgroundFiles.BackgroundSourceFile != plat::kInvalidFile)
        plat::CloseFile(BackgroundFiles.BackgroundSourceFile);
    BackgroundFiles.BackgroundSourceFile = plat::kInvalidFile;
}
