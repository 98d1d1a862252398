// The 27-byte records of the survey data file, checked byte for byte against
// records worked out by hand from the record tables.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>

#include "support/test_env.h"
#include "survey_files/data_records.h"
#include "survey_files/survey_model.h"

namespace {

using DataRecordsTest = OstrimaTest;

std::string Text(const char* record, size_t records = 1) { return std::string(record, records * kDataRecordLength); }
std::string Text(const DataRecord& r) { return std::string(r.data(), r.size()); }

// Every record is 26 columns without CR, LF or NUL, then LF.
void ExpectWholeRecords(const std::string& bytes) {
    ASSERT_EQ(bytes.size() % kDataRecordLength, 0u);
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i % kDataRecordLength == kDataRecordLfIndex) {
            EXPECT_EQ(bytes[i], '\n') << "at " << i;
        } else {
            EXPECT_TRUE(bytes[i] != '\n' && bytes[i] != '\r' && bytes[i] != 0) << "at " << i;
        }
    }
}

plat::LocalTime Clock(int h, int m, int s, int ms) {
    plat::LocalTime t;
    t.Year = 2026; t.Month = 3; t.Day = 14;
    t.Hour = h; t.Minute = m; t.Second = s; t.Milliseconds = ms;
    return t;
}

TEST_F(DataRecordsTest, NumbersFitTheirFieldByDroppingDecimalsThenSaturating) {
    struct Case { int width, decimals; double value; const char* expected; };
    const Case cases[] = {
        // "%7.3f": antenna offsets and separations
        {7, 3, 2.5, "  2.500"},
        {7, 3, 999.9996, "1000.00"},       // rounds up to 8 characters: one decimal fewer
        {7, 3, -100.0, "-100.00"},
        {7, 3, 123456.7, " 123457"},
        {7, 3, 10000000.0, "9999999"},     // saturated
        {7, 3, -1000000.0, "-999999"},
        {7, 3, std::numeric_limits<double>::infinity(), "9999999"},
        {7, 3, std::numeric_limits<double>::quiet_NaN(), "  0.000"},
        // "%11.2f": start and current station
        {11, 2, 99999999.996, "100000000.0"},
        {11, 2, 1e11, "99999999999"},
        {11, 2, -1e10, "-9999999999"},
        // "%11.3f": station increment
        {11, 3, -0.25, "     -0.250"},
        // "%14.3f": first fix X and Y, swath coordinates
        {14, 3, 9999999999.9994, "9999999999.999"},
        {14, 3, 10000000000.0, "10000000000.00"},
        {14, 3, -1e20, "-9999999999999"},
    };
    for (const Case& c : cases) {
        char record[kDataRecordLength];
        ClearDataRecord(record);
        PutRealField(record, 1, c.width, c.decimals, c.value);
        EXPECT_EQ(std::string(record + 1, static_cast<size_t>(c.width)), c.expected) << c.value;
        EXPECT_EQ(record[0], ' ');
        EXPECT_EQ(record[1 + c.width], ' ') << "spilled: " << c.value;
    }
}

TEST_F(DataRecordsTest, IntegersAndTextStayInTheirColumns) {
    struct Case { int width; long long value; bool zeroPad; const char* expected; };
    const Case cases[] = {
        {1, 7, false, "7"}, {1, 10, false, "9"}, {1, -1, false, "0"},
        {2, 5, true, "05"}, {2, -9, true, "-9"}, {2, -10, true, "-9"}, {2, 123, true, "99"},
        {3, 42, true, "042"}, {4, 2026, true, "2026"}, {4, 12345, true, "9999"},
    };
    for (const Case& c : cases) {
        char record[kDataRecordLength];
        ClearDataRecord(record);
        PutIntegerField(record, 10, c.width, c.value, c.zeroPad);
        EXPECT_EQ(std::string(record + 10, static_cast<size_t>(c.width)), c.expected) << c.value;
        EXPECT_EQ(record[10 + c.width], ' ');
    }
    char record[kDataRecordLength];
    ClearDataRecord(record);
    PutTextField(record, 20, 11, "ABCDEFGHIJK");  // reaches past column 25: cut there
    EXPECT_EQ(Text(record), std::string(20, ' ') + "ABCDEF\n");
    ClearDataRecord(record);
    PutTextField(record, 1, 6, std::string_view("a\rb\nc\0d", 7));
    EXPECT_EQ(std::string(record + 1, 6), "a?b?c?");
}

TEST_F(DataRecordsTest, HeaderOfAnAppendedSectionAndOtherSettings) {
    std::strcpy(DataFileState.DataFileBaseName, "ABCDEFGHIJKLMNOP");  // cut to 9
    GpsPortSetup.InputMode = 0;
    GpsPortSetup.DataFormat = 8;
    SystemSetup.DisplayUnits = 2;
    SystemSetup.HeaderCode = 0;
    SystemSetup.ConsoleCount = 9;
    SystemSetup.ConsoleType = {0, 1, 0, 1, 0, 1, 0, 1, 0};
    SystemSetup.LeadingPoint = 7;
    ArrayGeometry.ArrayUnits = 3;
    ArrayGeometry.GpsAntennaOffsetX = -12.3456;
    ArrayGeometry.GpsAntennaOffsetY = 1234.5;
    ArrayGeometry.UnitSeparation = 0.75;
    ArrayGeometry.ConsoleSeparation = 1e9;
    GpsFix.FirstFixX = 612345.6789;
    GpsFix.FirstFixY = -5e13;
    GpsFix.UtmZone = 5;
    HeaderRecords h;
    FormatHeaderRecords(h, 1);
    EXPECT_EQ(Text(h.data(), kHeaderRecordCount),
              "rSTRMA  W216GRD2 0 13     \n"
              "H ABCDEFGHI 121212   121  \n"
              "G-12.3461234.5097A 00     \n"
              "G    612345.679 05        \n"
              "G-9999999999999           \n"
              "G  0.7509999999           \n");
}

TEST_F(DataRecordsTest, LeadingPointAboveNineKeepsColumnsSeventeenToTwenty) {
    const char expected[] = "0123456789:;<=>?@AB";
    for (int leading = 0; leading <= 18; ++leading) {
        SystemSetup.LeadingPoint = leading;
        GpsPortSetup.DataFormat = 6;
        char record[kDataRecordLength];
        FormatHeaderRecord3(record);
        EXPECT_EQ(record[16], expected[leading]);
        EXPECT_EQ(std::string(record + 17, 4), "6 01");
        EXPECT_EQ(record[26], '\n');
    }
}

TEST_F(DataRecordsTest, LineRecords) {
    std::u16string name = u"LINE-12345";  // 10 characters: the first 8 are written
    std::memcpy(SurveyParameters.LineName, name.c_str(), (name.size() + 1) * sizeof(char16_t));
    SurveyParameters.StartStation = -12.5;
    SurveyParameters.StationIncrement = 0.125;
    SurveyParameters.LineDirection = 3;
    SessionRecords s;
    FormatSessionRecords(s, Clock(7, 8, 9, 10));
    EXPECT_EQ(Text(s.data(), kSessionRecordCount),
              "LLINE-123                 \n"
              "B     -12.50              \n"
              "AE            0.125       \n"
              "Z14032026 07:08:09        \n");

    SurveyParameters.LineName[0] = 0x263A;  // no 8-bit form
    SurveyParameters.LineName[1] = 0;
    char record[kDataRecordLength];
    FormatLineNameRecord(record);
    EXPECT_EQ(Text(record), "L?                        \n");
}

TEST_F(DataRecordsTest, TimeMarkStationEventAndReadingRecords) {
    DataRecord r;
    FormatTimeMarkRecord(r, Clock(23, 59, 58, 7), 4000000000u);
    EXPECT_EQ(Text(r), "*23:59:58.007   4000000000\n");
    FormatStationRecord(r, 1234.567, Clock(1, 2, 3, 999));
    EXPECT_EQ(Text(r), "S    1234.57  01:02:03.999\n");
    FormatStationRecord(r, 3e11, Clock(1, 2, 3, 4));
    EXPECT_EQ(Text(r), "S99999999999  01:02:03.004\n");

    FormatEventRecord(r, 'X', "$STARTED", 12);
    EXPECT_EQ(Text(r), "X$STARTED" + std::string(7, ' ') + "        12\n");
    FormatEventRecord(r, 'X', "GPS CONN BRK", 0);
    EXPECT_EQ(Text(r), "XGPS CONN BR             0\n");
    FormatEventRecord(r, 'C', "", 1);
    EXPECT_EQ(Text(r), "C                        1\n");

    // Cut inside a field (0004.5 would read 0004): its last character kept is marked.
    FormatReadingRecord(r, 0x14, "$PBAR,-0012.3,0004.5,77,8", 99);
    EXPECT_EQ(Text(r), std::string("\x14$P,-0012.3,000?        99\n"));
    FormatReadingRecord(r, 0xB9, "$PBAR,1", 4294967295u);
    EXPECT_EQ(Text(r), "\xB9$P,1           4294967295\n");
    FormatReadingRecord(r, 'T', "$P", 5);
    EXPECT_EQ(Text(r), "T$P                      5\n");
    // Bytes no reading holds, whoever filled the line, are marked; the tag is a byte of its own.
    FormatReadingRecord(r, 0xD4, std::string_view("$PBAR,\xFF\x80\x7F\x01\0?,7", 14), 6);
    EXPECT_EQ(Text(r), "\xD4$P,??????,7             6\n");
}

TEST_F(DataRecordsTest, GpsSentenceGroupsByLength) {
    // Sentence i-th character is 'A' + i % 26, so chunks are easy to tell apart.
    auto sentence = [](size_t n) {
        std::string s;
        for (size_t i = 0; i < n; ++i) s += static_cast<char>('A' + i % 26);
        return s;
    };
    struct Case { size_t length; size_t records; };  // records including "!"
    const Case cases[] = {{0, 2}, {24, 2}, {25, 2}, {26, 3}, {50, 3}, {200, 9}, {425, 18}, {426, 18}, {600, 18}};
    for (const Case& c : cases) {
        const std::string s = sentence(c.length);
        char buffer[kGpsGroupBytes + 64];
        std::memset(buffer, 0x55, sizeof buffer);
        const size_t n = FormatGpsSentenceGroup(buffer, kGpsGroupBytes, s, '@', '#', 3, 1234567890u);
        ASSERT_EQ(n, c.records * kDataRecordLength) << c.length;
        EXPECT_EQ(buffer[kGpsGroupBytes], 0x55) << "wrote past its buffer";
        const std::string bytes(buffer, n);
        ExpectWholeRecords(bytes);
        std::string joined;
        for (size_t k = 0; k + 1 < c.records; ++k) {
            EXPECT_EQ(bytes[k * kDataRecordLength], k == 0 ? '@' : '#');
            joined += bytes.substr(k * kDataRecordLength + 1, 25);
        }
        const size_t kept = std::min<size_t>(c.length, 17 * 25);
        EXPECT_EQ(joined.substr(0, kept), s.substr(0, kept));
        EXPECT_EQ(joined.substr(kept), std::string(joined.size() - kept, ' '));
        EXPECT_EQ(bytes.substr(n - kDataRecordLength), "!             3 1234567890\n");
    }
    // A rejected line with line-breaking bytes in it still gives whole records.
    char buffer[kGpsGroupBytes];
    const size_t n = FormatGpsSentenceGroup(buffer, sizeof buffer, "junk\r\njunk", '?', '"', 0, 5);
    EXPECT_EQ(std::string(buffer, n), "?junk??junk               \n!             0          5\n");
    EXPECT_EQ(FormatGpsSentenceGroup(buffer, 53, "x", '@', '#', 0, 5), 0u);  // no room for two records
}

TEST_F(DataRecordsTest, SwathRecords) {
    DataRecord r;
    FormatSwathStartRecord(r);
    EXPECT_EQ(Text(r), "{0         0.000          \n");
    SwathBlock b;
    FormatSwathBlock(b, 1, 1.5, -2.25, 612345.678, 5e10);
    EXPECT_EQ(Text(b.data(), 4),
              "{a         1.500          \n"
              "{b        -2.250          \n"
              "{c    612345.678          \n"
              "{d50000000000.00          \n");
    const char* letters = "abcdefghijklmnop";
    for (int kind = 1; kind <= 4; ++kind) {
        for (int j = 0; j < 4; ++j) {
            FormatSwathCoordinateRecord(r, kind, j, 0.0);
            EXPECT_EQ(r[1], letters[(kind - 1) * 4 + j]);
        }
    }
}

}  // namespace
