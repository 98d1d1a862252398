// Framing of console lines, fed byte by byte as a reader takes them off the port.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "acquisition/console_reader.h"
#include "acquisition/console_reading.h"
#include "map/data_file_replay.h"
#include "support/test_env.h"
#include "survey_files/data_file.h"
#include "survey_files/survey_model.h"

namespace {

// Feeds `bytes` to a fresh frame and collects every accepted line in order.
std::vector<std::string> Frame(const std::string& bytes, int consoleType) {
    ConsoleFrameState s;
    ResetConsoleFrame(s, consoleType);
    std::vector<std::string> lines;
    for (char c : bytes) {
        if (ConsoleFrameByte(s, static_cast<uint8_t>(c))) {
            lines.emplace_back(s.Line.data());
            EXPECT_EQ(s.Length, 0) << "the frame is empty after an accepted line";
        }
        EXPECT_LE(s.Length, kConsoleFrameRestartAt + 1);
    }
    return lines;
}

TEST(ConsoleFraming, AcceptsOnlyWholePbarLines) {
    const std::string good = "$PBAR,  75,  62\r\n";
    const std::string goodLine = "$PBAR,  75,  62";
    const std::string line120 = "$PBAR," + std::string(114, '1');
    struct Case {
        const char* what;
        std::string bytes;
        int consoleType;                  // 1 two sensors, any other value one sensor
        std::vector<std::string> lines;   // accepted, in order
    } cases[] = {
        {"example line", good, 1, {goodLine}},
        {"junk before the dollar", "xx,12\r\nPBAR" + good, 1, {goodLine}},
        {"doubled dollar starts again", "$" + good, 1, {goodLine}},
        {"dollar inside a frame restarts it", "$PBAR,  1" + good, 1, {goodLine}},
        {"LF without CR", "$PBAR,  75,  62\n", 1, {}},
        {"CR not right before LF", "$PBAR,  75\r,  62\n", 1, {}},
        {"not PBAR", "$PXAR,  75,  62\r\n", 1, {}},
        {"8 bytes, one-sensor console", "$PBAR,5\r\n", 0, {}},
        {"9 bytes, one-sensor console", "$PBAR,57\r\n", 0, {"$PBAR,57"}},
        {"8 bytes, two-sensor console", "$PBAR,5\r\n", 1, {"$PBAR,5"}},
        {"6 bytes, two-sensor console", "$PBAR\r\n", 1, {}},
        {"other type values count as one sensor", "$PBAR,5\r\n", 7, {}},
        {"rejected LF: following bytes make no frame", "$PBAR,1\n,  75\r\nPBAR,2\r\n" + good, 1, {goodLine}},
        {"two lines and a bare CR LF", good + "$PBAR,  -3,  +4\r\n\r\n", 1, {goodLine, "$PBAR,  -3,  +4"}},
        {"500 runaway bytes then a good line", std::string(500, 'A') + good, 1, {goodLine}},
        {"runaway frame after a dollar then a good line", "$PBAR" + std::string(500, '7') + "\r\n" + good, 1,
         {goodLine}},
        // A field the cut reaches gives no value: its last character kept is marked.
        {"120 characters are stored as 99", line120 + "\r\n", 1, {line120.substr(0, 98) + "?"}},
        {"180 bytes up to the CR are kept", "$PBAR," + std::string(173, '2') + "\r\n", 1,
         {("$PBAR," + std::string(173, '2')).substr(0, 98) + "?"}},
        {"a cut between fields keeps them whole", line120.substr(0, 99) + ",  1\r\n", 1, {line120.substr(0, 99)}},
        // One byte more restarts the frame at position 0, where "PBAR" at
        // 1..4 would pass every other test: only the "$" test keeps it out.
        {"restart then ?PBAR", "$" + std::string(180, 'x') + "%PBAR,  75,  62\r\n", 1, {}},
        {"restart then PPBAR", "$" + std::string(180, 'x') + "PPBAR,  75,  62\r\n", 1, {}},
        {"restart then CR PBAR", "$" + std::string(180, 'x') + "\rPBAR,  75,  62\r\n", 1, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(Frame(c.bytes, c.consoleType), c.lines) << c.what;
}

class ConsoleLineNoise : public OstrimaTest {
protected:
    void SetUp() override {
        OstrimaTest::SetUp();
        InitConsoleRecordTags();
    }
};

// A line as it goes from the wire to the operator and into the file: framed,
// recorded, and read from its record as the handler, the profile redraw and
// the replay read it. Readings not read stay at -1.
struct LineRoad {
    std::string Line;     // as framed ("" when the frame was refused)
    std::string Record;   // the reading record of console 2 (tag 't'), tick 4242
    int Unread = 0;       // readings not read (kNoFirstReading, kNoSecondReading)
    double A = -1.0, B = -1.0;
};

LineRoad Travel(int type, const std::string& wire) {
    SystemSetup.ConsoleType[1] = type;
    LineRoad r;
    const std::vector<std::string> lines = Frame(wire + "\r\n", type);
    if (lines.size() != 1) return r;
    r.Line = lines[0];
    std::snprintf(ConsoleLines.ConsoleLine[1], sizeof ConsoleLines.ConsoleLine[1], "%s", r.Line.c_str());
    ConsoleLines.ConsoleLineTick[1] = 4242;
    DataRecord record;
    BuildReadingRecord(1, record);
    r.Record.assign(record.data(), record.size());
    r.Unread = ReadRecordReadings(1, record.data(), &r.A, &r.B);
    return r;
}

std::string RecordOf(const std::string& text) {
    char expected[32];
    std::snprintf(expected, sizeof expected, "t$P%-13s%10u\n", text.c_str(), 4242u);
    return expected;
}

// A byte in place of, or two NULs inserted before, each byte of the readings
// of a line of both console types. A byte no reading holds (a framing error or
// a break arrives as NUL) is kept as '?' in the line and its record; a letter
// is kept as it came. The field that holds either gives no value, and every
// other reading is the one sent. A line that no longer fits the record's 13
// columns has its cut marked: the field the cut reaches gives no value either.
TEST_F(ConsoleLineNoise, AByteAtEveryColumnSpoilsOnlyItsField) {
    const struct {
        int type;
        std::string line;
        double a, b;
        size_t comma;   // the comma before field 2 (the line's end for one sensor)
        int cut;        // the field a cut of the line with two bytes more reaches
    } consoles[] = {
        {0, "$PBAR,  75", 75.0, -1.0, 10, 0},
        {1, "$PBAR,  75,  62", 75.0, 62.0, 10, 0},
        {0, "$PBAR,     123456", 123456.0, -1.0, 17, kNoFirstReading},
        {1, "$PBAR,  300,  300", 300.0, 300.0, 11, kNoSecondReading},
    };
    const uint8_t noise[] = {0x00, 0xFF, 0x01, 0x09, 0x0D, 0x1B, 0x7F, 0x80, '?'};
    const char letters[] = {'t', 'e', 'x', ':', '#'};
    for (const auto& c : consoles) {
        const int two = c.type == 1 ? kNoSecondReading : 0;
        for (size_t p = 5; p < c.line.size() + 1; ++p) {
            struct Edit {
                std::string wire, line;
                int unread;
            };
            std::vector<Edit> edits;
            const int at = (p <= c.comma ? kNoFirstReading : 0) | (p >= c.comma ? two : 0);
            for (const uint8_t byte : noise) {
                if (p == c.line.size()) break;
                Edit e{c.line, c.line, at};
                e.wire[p] = static_cast<char>(byte);
                e.line[p] = '?';
                edits.push_back(e);
            }
            for (const char letter : letters) {
                if (p == c.line.size()) break;
                Edit e{c.line, c.line, at};
                e.wire[p] = e.line[p] = letter;
                edits.push_back(e);
            }
            Edit inserted{c.line, c.line, (p <= c.comma ? kNoFirstReading : two)};
            inserted.wire.insert(p, std::string(2, '\0'));
            inserted.line.insert(p, "??");
            edits.push_back(inserted);

            for (const Edit& e : edits) {
                SCOPED_TRACE(e.line + " type " + std::to_string(c.type) + " column " + std::to_string(p));
                const LineRoad r = Travel(c.type, e.wire);
                ASSERT_EQ(r.Line, e.line);
                const bool cut = e.line.size() > 18;
                std::string text = e.line.substr(5, 13);
                if (cut) text.back() = '?';
                EXPECT_EQ(r.Record, RecordOf(text));

                EXPECT_EQ(r.Unread, e.unread | (cut ? c.cut : 0));
                EXPECT_EQ(r.A, (r.Unread & kNoFirstReading) != 0 ? -1.0 : c.a);
                EXPECT_EQ(r.B, (r.Unread & kNoSecondReading) != 0 ? -1.0 : c.b);
            }
        }
    }
}

// Whole lines: what a field must be to give a value (a plain number: sign,
// digits, one point, blanks around), a field missing, and lines longer than
// the record's 13 columns, kept there byte for byte when the cut falls
// between fields and marked where it reaches into one. Live reads what the
// record keeps: a reading the record cannot keep gives no value live either.
TEST_F(ConsoleLineNoise, EachFieldGivesItsNumberOrNoValueLiveAndFromTheFile) {
    constexpr double kNone = -1.0;  // no value: the reading is left at -1
    const struct {
        int type;
        std::string wire;
        const char* recorded;  // columns 3-15 of the record
        double a, b;           // live and from the record (one sensor: b is none, never read)
    } rows[] = {
        {1, "$PBAR,  75,  62", ",  75,  62", 75.0, 62.0},
        {1, "$PBAR,-12.5,+.5", ",-12.5,+.5", -12.5, 0.5},
        {1, "$PBAR,  4.,-0", ",  4.,-0", 4.0, -0.0},
        {1, "$PBAR, 2t63, 363", ", 2t63, 363", kNone, 363.0},    // a letter inside
        {1, "$PBAR, t263, 363", ", t263, 363", kNone, 363.0},    // before the digits
        {1, "$PBAR, 263t, 363", ", 263t, 363", kNone, 363.0},    // after them
        {1, "$PBAR,  75 nT,  62", ",  75 nT,  62", kNone, 62.0},  // a unit is no number
        {1, "$PBAR,  7 5,  62", ",  7 5,  62", kNone, 62.0},
        {1, "$PBAR,1.2.3,--4", ",1.2.3,--4", kNone, kNone},
        {1, "$PBAR,+3e1,0x1A", ",+3e1,0x1A", kNone, kNone},
        {1, "$PBAR,-nan,-inf", ",-nan,-inf", kNone, kNone},
        {1, "$PBAR,  -,  .", ",  -,  .", kNone, kNone},
        {1, "$PBAR, 300", ", 300", 300.0, kNone},                // second field missing
        {1, "$PBAR, 300,", ", 300,", 300.0, kNone},              // ... or empty
        {1, "$PBAR,,", ",,", kNone, kNone},
        // Each field in its own place: the search for the first stops at the second's comma.
        {1, "$PBAR,,75", ",,75", kNone, 75.0},
        {1, "$PBAR,, 400", ",, 400", kNone, 400.0},
        {1, "$PBAR, nan, 400", ", nan, 400", kNone, 400.0},
        {1, "$PBAR, inf, 423", ", inf, 423", kNone, 423.0},
        {1, "$PBAR,75,x,62", ",75,x,62", 75.0, kNone},             // 62 is no second reading
        {0, "$PBAR, 300", ", 300", 300.0, kNone},
        {0, "$PBAR,  75,  62", ",  75,  62", 75.0, kNone},         // one sensor: field 2 not read
        {0, "$PBAR, 3o0", ", 3o0", kNone, kNone},
        {0, "$PBARx 300", "x 300", kNone, kNone},                // the comma lost
        // Longer than the record's text: a field the cut reaches gives no value.
        {1, std::string("$PBAR,  300\0\0,  300", 19), ",  300??,  3?", kNone, kNone},
        {1, "$PBAR,-0012.3,0004.5,77", ",-0012.3,000?", -12.3, kNone},
        {1, "$PBAR,   -12.5,  +7.25", ",   -12.5,  ?", -12.5, kNone},
        {1, "$PBAR,  300.125,  400.125", ",  300.125, ?", 300.125, kNone},
        {1, "$PBAR, 12345.678,55", ", 12345.678,?", 12345.678, kNone},
        {0, "$PBAR,  1234567890123", ",  123456789?", kNone, kNone},
        {0, "$PBAR,    123456789", ",    1234567?", kNone, kNone},
        {1, "$PBAR,  300,  3000  ", ",  300,  3000", 300.0, 3000.0},  // cut in trailing blanks
        {1, "$PBAR,  300,  300   ,7", ",  300,  300 ", 300.0, 300.0},
        {1, "$PBAR,  300,  300,  1", ",  300,  300,", 300.0, 300.0},   // cut after a comma
        {1, "$PBAR,  300,  3000,1", ",  300,  3000", 300.0, 3000.0},  // cut before one
        {1, "$PBAR,  300,  3000 1", ",  300,  300?", 300.0, kNone},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.wire + " type " + std::to_string(row.type));
        const LineRoad r = Travel(row.type, row.wire);
        EXPECT_EQ(r.Record, RecordOf(row.recorded));
        EXPECT_EQ(r.Unread, (row.a == kNone ? kNoFirstReading : 0) | (row.type == 1 && row.b == kNone ? kNoSecondReading : 0));
        EXPECT_EQ(r.A, row.a);
        EXPECT_EQ(r.B, row.b);
    }
}

}  // namespace
