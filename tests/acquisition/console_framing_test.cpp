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
        {"120 characters are stored as 99", line120 + "\r\n", 1, {line120.substr(0, 99)}},
        {"180 bytes up to the CR are kept", "$PBAR," + std::string(173, '2') + "\r\n", 1,
         {("$PBAR," + std::string(173, '2')).substr(0, 99)}},
        // One byte more restarts the frame at position 0, where "PBAR" at
        // 1..4 would pass every other test: only the "$" test keeps it out.
        {"restart then ?PBAR", "$" + std::string(180, 'x') + "%PBAR,  75,  62\r\n", 1, {}},
        {"restart then PPBAR", "$" + std::string(180, 'x') + "PPBAR,  75,  62\r\n", 1, {}},
        {"restart then CR PBAR", "$" + std::string(180, 'x') + "\rPBAR,  75,  62\r\n", 1, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(Frame(c.bytes, c.consoleType), c.lines) << c.what;
}

class ConsoleLineNoise : public OstrimaTest {};

// Noise on a console cable: a byte no reading holds (a framing error or a
// break arrives as NUL) in place of any byte of the readings, for both console
// types. The line and its record keep '?' where the byte was; the field that
// held it gives no value, live or to the file's reader; every other reading is
// the one sent.
TEST_F(ConsoleLineNoise, ADamagedByteIsMarkedAndItsFieldGivesNoValue) {
    InitConsoleRecordTags();
    const struct {
        int type;
        std::string line;
        double a, b;
        size_t comma;  // the comma before field 2 (the line's end for one sensor)
    } consoles[] = {{0, "$PBAR,  75", 75.0, -1.0, 10}, {1, "$PBAR,  75,  62", 75.0, 62.0, 10}};
    const uint8_t noise[] = {0x00, 0xFF, 0x01, 0x09, 0x0D, 0x1B, 0x7F, 0x80, '?'};
    for (const auto& c : consoles) {
        SystemSetup.ConsoleType[1] = c.type;
        for (size_t p = 5; p < c.line.size(); ++p) {
            for (const uint8_t byte : noise) {
                std::string wire = c.line;
                wire[p] = static_cast<char>(byte);
                std::string marked = c.line;
                marked[p] = '?';
                SCOPED_TRACE(marked + " type " + std::to_string(c.type) + " byte " + std::to_string(byte));
                const std::vector<std::string> lines = Frame(wire + "\r\n", c.type);
                ASSERT_EQ(lines, std::vector<std::string>{marked});

                std::snprintf(ConsoleLines.ConsoleLine[1], sizeof ConsoleLines.ConsoleLine[1], "%s", lines[0].c_str());
                ConsoleLines.ConsoleLineTick[1] = 4242;
                DataRecord record;
                BuildReadingRecord(1, record);
                char expected[32];
                std::snprintf(expected, sizeof expected, "t$P%-13s%10u\n", marked.c_str() + 5, 4242u);
                EXPECT_EQ(std::string(record.data(), record.size()), expected);

                const int damaged = (p <= c.comma ? kFirstReadingDamaged : 0) |
                                    (c.type == 1 && p >= c.comma ? kSecondReadingDamaged : 0);
                double a = -1.0, b = -1.0;
                EXPECT_EQ(ParseConsoleReadings(1, lines[0].c_str(), &a, &b), damaged);
                EXPECT_EQ(a, (damaged & kFirstReadingDamaged) != 0 ? -1.0 : c.a);
                EXPECT_EQ(b, (damaged & kSecondReadingDamaged) != 0 ? -1.0 : c.b);
                double fileA = -1.0, fileB = -1.0;
                const int found = ReadRecordReadings(record.data(), &fileA, &fileB);
                EXPECT_EQ((found & 1) != 0, (damaged & kFirstReadingDamaged) == 0);
                EXPECT_EQ(fileA, a);
                if (c.type == 1) {  // a one-sensor line has no field 2 to find
                    EXPECT_EQ((found & 2) != 0, (damaged & kSecondReadingDamaged) == 0);
                    EXPECT_EQ(fileB, b);
                }
            }
        }
    }
}

}  // namespace
