#include "survey_files/data_records.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "survey_files/text_helpers.h"

namespace {

constexpr int kColumns = static_cast<int>(kDataRecordLfIndex);  // 26 text columns

// The part of [col, col + width) that lies inside columns 0..25.
int FieldWidth(int col, int width) {
    if (col < 0 || col >= kColumns || width <= 0) return 0;
    return std::min(width, kColumns - col);
}

// Right-aligned all-nines text of `width` columns: "999", or "-99" when negative
// (a one-column field cannot hold a sign and takes "0").
void PutSaturated(char* record, int col, int width, bool negative) {
    if (negative && width < 2) {
        std::memset(record + col, '0', static_cast<size_t>(width));
        return;
    }
    std::memset(record + col, '9', static_cast<size_t>(width));
    if (negative) record[col] = '-';
}

// Places `text` of `n` characters right-aligned in the field when it fits.
bool PutIfFits(char* record, int col, int width, const char* text, int n) {
    if (n <= 0 || n > width) return false;
    std::memset(record + col, ' ', static_cast<size_t>(width - n));
    std::memcpy(record + col + (width - n), text, static_cast<size_t>(n));
    return true;
}

}  // namespace

void ClearDataRecord(char* record) {
    std::memset(record, ' ', kDataRecordLfIndex);
    record[kDataRecordLfIndex] = '\n';
}

void PutTextField(char* record, int col, int width, std::string_view text) {
    width = FieldWidth(col, width);
    for (int i = 0; i < width; ++i) {
        char c = ' ';
        if (static_cast<size_t>(i) < text.size()) {
            const auto b = static_cast<unsigned char>(text[static_cast<size_t>(i)]);
            c = (b < 0x20 || b == 0x7F) ? '?' : static_cast<char>(b);
        }
        record[col + i] = c;
    }
}

void PutRealField(char* record, int col, int width, int decimals, double value) {
    width = FieldWidth(col, width);
    if (width == 0) return;
    if (std::isnan(value)) value = 0.0;
    if (std::isfinite(value)) {
        char text[48];
        for (int d = std::max(decimals, 0); d >= 0; --d) {
            const int n = std::snprintf(text, sizeof text, "%*.*f", width, d, value);
            if (PutIfFits(record, col, width, text, n)) return;
        }
    }
    PutSaturated(record, col, width, value < 0);
}

void PutIntegerField(char* record, int col, int width, long long value, bool zeroPad) {
    width = FieldWidth(col, width);
    if (width == 0) return;
    char text[32];
    const int n = zeroPad ? std::snprintf(text, sizeof text, "%0*lld", width, value)
                          : std::snprintf(text, sizeof text, "%*lld", width, value);
    if (PutIfFits(record, col, width, text, n)) return;
    PutSaturated(record, col, width, value < 0);
}

void PutTickField(char* record, int col, uint32_t tick) {
    char text[16];
    const int n = std::snprintf(text, sizeof text, "%10" PRIu32, tick);  // 10 digits at most
    if (!PutIfFits(record, col, FieldWidth(col, 10), text, n)) PutSaturated(record, col, FieldWidth(col, 10), false);
}

void PutClockField(char* record, int col, const plat::LocalTime& t) {
    if (FieldWidth(col, 12) < 12) return;
    PutIntegerField(record, col, 2, t.Hour, true);
    record[col + 2] = ':';
    PutIntegerField(record, col + 3, 2, t.Minute, true);
    record[col + 5] = ':';
    PutIntegerField(record, col + 6, 2, t.Second, true);
    record[col + 8] = '.';
    PutIntegerField(record, col + 9, 3, t.Milliseconds, true);
}

// ---------------------------------------------------------------------------
// Header

void FormatHeaderRecord1(char* record, int appended) {
    ClearDataRecord(record);
    PutTextField(record, 0, 9, appended == 0 ? "OSTRMA  W" : "rSTRMA  W");
    PutTextField(record, 9, 3, "216");                                   // format version
    PutTextField(record, 12, 3, GpsPortSetup.InputMode == 0 ? "GRD" : "GPS");
    PutIntegerField(record, 15, 1, SystemSetup.DisplayUnits, false);
    record[17] = '0';
    PutIntegerField(record, 19, 1, static_cast<long long>(SystemSetup.HeaderCode) + 1, false);
    PutIntegerField(record, 20, 1, ArrayGeometry.ArrayUnits, false);
}

void FormatHeaderRecord2(char* record) {
    ClearDataRecord(record);
    record[0] = 'H';
    PutTextField(record, 2, 9, DataFileState.DataFileBaseName);
    // One digit per console slot: 1 one sensor, 2 two sensors, 0 not in the array.
    for (int i = 0; i < kMaxConsoles; ++i) {
        const long long digit = i < SystemSetup.ConsoleCount ? static_cast<long long>(SystemSetup.ConsoleType[i]) + 1 : 0;
        PutIntegerField(record, i < 6 ? 12 + i : 21 + (i - 6), 1, digit, false);
    }
}

void FormatHeaderRecord3(char* record) {
    ClearDataRecord(record);
    record[0] = 'G';
    PutRealField(record, 1, 7, 3, ArrayGeometry.GpsAntennaOffsetX);
    PutRealField(record, 8, 7, 3, ArrayGeometry.GpsAntennaOffsetY);
    PutIntegerField(record, 15, 1, SystemSetup.ConsoleCount, false);
    // Sensors 10..18 take the characters after '9' (':' .. 'B') so that the
    // format in column 17 and the input mode in column 20 stay where readers look.
    const int leading = std::clamp<int>(SystemSetup.LeadingPoint, 0, kMaxSensors);
    record[16] = static_cast<char>('0' + leading);
    if (GpsPortSetup.DataFormat == 8) {
        record[17] = 'A';
    } else {
        PutIntegerField(record, 17, 1, GpsPortSetup.DataFormat, false);
    }
    record[19] = '0';
    PutIntegerField(record, 20, 1, GpsPortSetup.InputMode, false);
}

void FormatHeaderRecord4(char* record) {
    ClearDataRecord(record);
    record[0] = 'G';
    PutRealField(record, 1, 14, 3, GpsFix.FirstFixX);
    // The zone the section's coordinates are in: the one in force (an append
    // may have moved it to a neighbour), -9 until the first projected fix.
    const int zone = GpsFix.UtmZoneForced >= 1 && GpsFix.UtmZoneForced <= 60 ? GpsFix.UtmZoneForced : GpsFix.UtmZone;
    PutIntegerField(record, 16, 2, zone, true);
}

void FormatHeaderRecord5(char* record) {
    ClearDataRecord(record);
    record[0] = 'G';
    PutRealField(record, 1, 14, 3, GpsFix.FirstFixY);
}

void FormatHeaderRecord6(char* record) {
    ClearDataRecord(record);
    record[0] = 'G';
    PutRealField(record, 1, 7, 3, ArrayGeometry.UnitSeparation);
    PutRealField(record, 8, 7, 3, ArrayGeometry.ConsoleSeparation);
}

void FormatHeaderRecords(HeaderRecords& out, int appended) {
    char* r = out.data();
    FormatHeaderRecord1(r, appended);
    FormatHeaderRecord2(r + kDataRecordLength);
    FormatHeaderRecord3(r + 2 * kDataRecordLength);
    FormatHeaderRecord4(r + 3 * kDataRecordLength);
    FormatHeaderRecord5(r + 4 * kDataRecordLength);
    FormatHeaderRecord6(r + 5 * kDataRecordLength);
}

// ---------------------------------------------------------------------------
// Line records

void FormatLineNameRecord(char* record) {
    ClearDataRecord(record);
    record[0] = 'L';
    char name[kLineNameChars + 1];
    WideToNarrow(SurveyParameters.LineName, name, sizeof name);
    PutTextField(record, 1, 8, name);
}

void FormatStartStationRecord(char* record) {
    ClearDataRecord(record);
    record[0] = 'B';
    PutRealField(record, 1, 11, 2, SurveyParameters.StartStation);
}

void FormatDirectionRecord(char* record) {
    static constexpr char kDirectionLetters[] = {'W', 'S', 'N', 'E'};
    ClearDataRecord(record);
    record[0] = 'A';
    const int d = SurveyParameters.LineDirection;
    if (d >= 0 && d < 4) record[1] = kDirectionLetters[d];
    PutRealField(record, 8, 11, 3, SurveyParameters.StationIncrement);
}

void FormatLineDateRecord(char* record, const plat::LocalTime& t) {
    ClearDataRecord(record);
    record[0] = 'Z';
    PutIntegerField(record, 1, 2, t.Day, true);      // DDMMYYYY
    PutIntegerField(record, 3, 2, t.Month, true);
    PutIntegerField(record, 5, 4, t.Year, true);
    PutIntegerField(record, 10, 2, t.Hour, true);    // HH:MM:SS
    record[12] = ':';
    PutIntegerField(record, 13, 2, t.Minute, true);
    record[15] = ':';
    PutIntegerField(record, 16, 2, t.Second, true);
}

void FormatSessionRecords(SessionRecords& out, const plat::LocalTime& t) {
    char* r = out.data();
    FormatLineNameRecord(r);
    FormatStartStationRecord(r + kDataRecordLength);
    FormatDirectionRecord(r + 2 * kDataRecordLength);
    FormatLineDateRecord(r + 3 * kDataRecordLength, t);
}

// ---------------------------------------------------------------------------
// Records of a running survey

void FormatTimeMarkRecord(DataRecord& record, const plat::LocalTime& t, uint32_t tick) {
    ClearDataRecord(record.data());
    record[0] = '*';
    PutClockField(record.data(), 1, t);
    PutTickField(record.data(), 16, tick);
}

void FormatStationRecord(DataRecord& record, double station, const plat::LocalTime& t) {
    ClearDataRecord(record.data());
    record[0] = 'S';
    PutRealField(record.data(), 1, 11, 2, station);
    PutClockField(record.data(), 14, t);
}

void FormatEventRecord(DataRecord& record, char code, std::string_view text, uint32_t tick) {
    ClearDataRecord(record.data());
    record[0] = code;
    PutTextField(record.data(), 1, 11, text);
    PutTickField(record.data(), 16, tick);
}

void FormatReadingRecord(DataRecord& record, uint8_t tag, std::string_view line, uint32_t tick) {
    constexpr size_t kReadingsStart = 5;  // after "$PBAR"
    constexpr size_t kReadingsColumns = 13;
    ClearDataRecord(record.data());
    record[0] = static_cast<char>(tag);
    PutTextField(record.data(), 1, 2, line.substr(0, std::min<size_t>(2, line.size())));
    const std::string_view readings = line.size() > kReadingsStart ? line.substr(kReadingsStart) : std::string_view{};
    PutTextField(record.data(), 3, static_cast<int>(kReadingsColumns), readings);
    for (size_t col = 1; col < 16; ++col) {
        if (IsReadingDamage(static_cast<uint8_t>(record[col]))) record[col] = kReadingDamageMark;
    }
    if (readings.size() > kReadingsColumns &&
        ReadingCutSplitsAField(record[15], readings.substr(kReadingsColumns))) {
        record[15] = kReadingDamageMark;
    }
    PutTickField(record.data(), 16, tick);
}

void FormatGpsSingleRecord(DataRecord& record, std::string_view sentence) {
    ClearDataRecord(record.data());
    record[0] = 'X';
    PutTextField(record.data(), 1, static_cast<int>(kGpsChunkChars), sentence);
}

size_t FormatGpsSentenceGroup(char* out, size_t capacity, std::string_view sentence, char first,
                              char continuation, int brokenConsoles, uint32_t tick) {
    const size_t records = capacity / kDataRecordLength;
    if (records < 2) return 0;
    size_t chunks = sentence.empty() ? 1 : (sentence.size() + kGpsChunkChars - 1) / kGpsChunkChars;
    chunks = std::min(chunks, records - 1);  // keep room for the "!" record
    for (size_t i = 0; i < chunks; ++i) {
        char* r = out + i * kDataRecordLength;
        ClearDataRecord(r);
        r[0] = i == 0 ? first : continuation;
        const size_t from = i * kGpsChunkChars;
        PutTextField(r, 1, static_cast<int>(kGpsChunkChars),
                     from < sentence.size() ? sentence.substr(from, kGpsChunkChars) : std::string_view{});
    }
    char* timeRecord = out + chunks * kDataRecordLength;
    ClearDataRecord(timeRecord);
    timeRecord[0] = '!';
    PutIntegerField(timeRecord, 14, 1, brokenConsoles, false);
    PutTickField(timeRecord, 16, tick);
    return (chunks + 1) * kDataRecordLength;
}

void FormatSwathStartRecord(DataRecord& record) {
    ClearDataRecord(record.data());
    record[0] = '{';
    record[1] = '0';
    PutRealField(record.data(), 2, 14, 3, 0.0);
}

void FormatSwathCoordinateRecord(DataRecord& record, int kind, int j, double value) {
    ClearDataRecord(record.data());
    record[0] = '{';
    // Kind 1 is 'a'..'d', kind 2 'e'..'h', kind 3 'i'..'l', kind 4 'm'..'p'.
    record[1] = (kind >= 1 && kind <= 4 && j >= 0 && j <= 3) ? static_cast<char>(4 * kind + 0x5D + j) : '?';
    PutRealField(record.data(), 2, 14, 3, value);
}

void FormatSwathBlock(SwathBlock& out, int kind, double xLeft, double yLeft, double xRight, double yRight) {
    const double values[kSwathBlockRecords] = {xLeft, yLeft, xRight, yRight};
    for (size_t j = 0; j < kSwathBlockRecords; ++j) {
        DataRecord r;
        FormatSwathCoordinateRecord(r, kind, static_cast<int>(j), values[j]);
        std::memcpy(out.data() + j * kDataRecordLength, r.data(), kDataRecordLength);
    }
}
